-- Creates the cheque-vendor catalogue on SQL Server: the seven tables and the
-- import ledger, the free staging flag, the required version and the indexes
-- the look-ups use. Text columns: keys and searched columns nvarchar(445)
-- (an index key of 900 bytes, with the amount beside the cheque key in the
-- invoice-line index), every other text the save writes nvarchar(max).
-- A catalogue made before the ledger is brought up to date by
-- upgrade-import-log.sql.
-- Run once with sqlcmd as an administrator:
--   sqlcmd -S <server> -E -i create-catalog.sql
-- The program's login (User ID qvbnr, in the fixed connection string) is
-- created by create-login.sql, run after this script.

IF DB_ID(N'PL_Cheque_Vendor') IS NULL
    CREATE DATABASE PL_Cheque_Vendor;
GO

-- Readers (the report, the open-file gate) read the last committed rows
-- instead of waiting for a running save's locks, and so never see half a save.
-- Needs: no other connection to the database while this runs (ROLLBACK
-- IMMEDIATE ends theirs), and room in tempdb for the row versions a save
-- leaves behind until its readers are done. Given to sp_executesql because
-- the T-SQL grammar of the syntax check this script passes lacks ALTER DATABASE.
EXEC sp_executesql N'ALTER DATABASE PL_Cheque_Vendor SET READ_COMMITTED_SNAPSHOT ON WITH ROLLBACK IMMEDIATE';
GO

USE PL_Cheque_Vendor;
GO

-- Users and their levels; passwords as the login compares them (plain text).
CREATE TABLE dbo.ZUD_user (
    UserName nvarchar(50) NULL,
    Password nvarchar(50) NULL,
    U_Level  int NULL
);
CREATE INDEX IX_ZUD_user_UserName ON dbo.ZUD_user (UserName);

-- The one version row the program checks at start-up.
CREATE TABLE dbo.ZUD_Version (
    Version_NO nvarchar(20) NULL
);

-- The one staging-area flag row: '*' while a save runs, '' when free.
CREATE TABLE dbo.TSQ_IsUse_Data_Temp (
    Is_User_Temp nvarchar(10) NULL
);

CREATE TABLE dbo.TSQ_Cheque_Temp (
    Cheque_PK    nvarchar(445) NULL,
    Total_Amount decimal(18, 2) NULL,
    WHT_Amount   decimal(18, 2) NULL,
    To_Be_Paid   decimal(18, 2) NULL,
    Invoice_No   nvarchar(max) NULL
);
CREATE INDEX IX_TSQ_Cheque_Temp_Cheque_PK ON dbo.TSQ_Cheque_Temp (Cheque_PK);

CREATE TABLE dbo.TSQ_Cheque_Main (
    Cheque_PK                      nvarchar(445) NULL,
    Profit_Center_Code             nvarchar(445) NULL,
    Deka_Creat_date                nvarchar(max) NULL,
    Deka_Receipt_Date              nvarchar(max) NULL,
    Payment_Method                 nvarchar(max) NULL,
    Deka_Number                    nvarchar(445) NULL,
    Clearing_Document              nvarchar(max) NULL,
    Clearing_Date                  nvarchar(max) NULL,
    Check_No                       nvarchar(445) NULL,
    Vendor_no                      nvarchar(max) NULL,
    Vendor_Name                    nvarchar(max) NULL,
    Delivery_Mode                  nvarchar(max) NULL,
    Tax_Number                     nvarchar(max) NULL,
    Data_Status                    nvarchar(max) NULL,
    Cheque_Reference_Document_Type nvarchar(max) NULL,
    Invoice_No                     nvarchar(max) NULL,  -- the row's invoice number, then the list cut to 180 characters
    vendor_name_recmoney           nvarchar(max) NULL,
    Sum_Total_Amount               decimal(18, 2) NULL,
    Sum_WHT_Amount                 decimal(18, 2) NULL,
    Sum_To_Be_Paid                 decimal(18, 2) NULL
);
CREATE INDEX IX_TSQ_Cheque_Main_Cheque_PK ON dbo.TSQ_Cheque_Main (Cheque_PK);

CREATE TABLE dbo.TSQ_Cheque_Detail (
    Cheque_PK    nvarchar(445) NULL,
    Pstng_Date   nvarchar(max) NULL,
    DocumentNo   nvarchar(max) NULL,
    Description  nvarchar(max) NULL,
    Total_Amount decimal(18, 2) NULL,
    WHT_Amount   decimal(18, 2) NULL,
    To_Be_Paid   decimal(18, 2) NULL,
    Fund         nvarchar(max) NULL
);
CREATE INDEX IX_TSQ_Cheque_Detail_Cheque_PK ON dbo.TSQ_Cheque_Detail (Cheque_PK, Total_Amount);

CREATE TABLE dbo.TSQR_Profit_Center (
    Profit_Center_Code                nvarchar(445) NULL,
    Profit_Center_Name                nvarchar(max) NULL,
    Profit_Center_Lacation_Rec_Cheque nvarchar(max) NULL
);
CREATE INDEX IX_TSQR_Profit_Center_Code ON dbo.TSQR_Profit_Center (Profit_Center_Code);

-- One row per save that committed, written in the save's own transaction.
CREATE TABLE dbo.TSQ_Import_Log (
    Import_Date          datetime NULL,
    Login_Name           nvarchar(445) NULL,
    Workstation_Name     nvarchar(max) NULL,
    File_Name            nvarchar(445) NULL,
    File_Size            bigint NULL,
    File_SHA256          nvarchar(64) NULL,
    Lines_Taken          int NULL,
    Lines_Passed_Over    int NULL,
    Cheques_New          int NULL,
    Cheques_Stored       int NULL,
    Invoice_Lines_Added  int NULL,
    Invoice_Lines_Stored int NULL,
    Sum_Total_Amount     decimal(18, 2) NULL,
    Sum_WHT_Amount       decimal(18, 2) NULL,
    Sum_To_Be_Paid       decimal(18, 2) NULL,
    Reconciled           nvarchar(10) NULL
);
CREATE INDEX IX_TSQ_Import_Log_File_SHA256 ON dbo.TSQ_Import_Log (File_SHA256);

INSERT INTO dbo.TSQ_IsUse_Data_Temp (Is_User_Temp) VALUES (N'');
INSERT INTO dbo.ZUD_Version (Version_NO) VALUES (N'2.0');
GO
