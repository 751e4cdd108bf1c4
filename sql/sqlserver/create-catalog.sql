-- Creates the cheque-vendor catalogue on SQL Server: the seven tables, the
-- free staging flag, the required version and the indexes the look-ups use.
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
    Cheque_PK    nvarchar(50) NULL,
    Total_Amount decimal(18, 2) NULL,
    WHT_Amount   decimal(18, 2) NULL,
    To_Be_Paid   decimal(18, 2) NULL,
    Invoice_No   nvarchar(100) NULL
);
CREATE INDEX IX_TSQ_Cheque_Temp_Cheque_PK ON dbo.TSQ_Cheque_Temp (Cheque_PK);

CREATE TABLE dbo.TSQ_Cheque_Main (
    Cheque_PK                      nvarchar(50) NULL,
    Profit_Center_Code             nvarchar(50) NULL,
    Deka_Creat_date                nvarchar(30) NULL,
    Deka_Receipt_Date              nvarchar(30) NULL,
    Payment_Method                 nvarchar(50) NULL,
    Deka_Number                    nvarchar(50) NULL,
    Clearing_Document              nvarchar(50) NULL,
    Clearing_Date                  nvarchar(30) NULL,
    Check_No                       nvarchar(50) NULL,
    Vendor_no                      nvarchar(50) NULL,
    Vendor_Name                    nvarchar(255) NULL,
    Delivery_Mode                  nvarchar(50) NULL,
    Tax_Number                     nvarchar(50) NULL,
    Data_Status                    nvarchar(50) NULL,
    Cheque_Reference_Document_Type nvarchar(100) NULL,
    Invoice_No                     nvarchar(200) NULL,  -- the invoice list, cut to 180 characters
    vendor_name_recmoney           nvarchar(255) NULL,
    Sum_Total_Amount               decimal(18, 2) NULL,
    Sum_WHT_Amount                 decimal(18, 2) NULL,
    Sum_To_Be_Paid                 decimal(18, 2) NULL
);
CREATE INDEX IX_TSQ_Cheque_Main_Cheque_PK ON dbo.TSQ_Cheque_Main (Cheque_PK);

CREATE TABLE dbo.TSQ_Cheque_Detail (
    Cheque_PK    nvarchar(50) NULL,
    Pstng_Date   nvarchar(30) NULL,
    DocumentNo   nvarchar(50) NULL,
    Description  nvarchar(255) NULL,
    Total_Amount decimal(18, 2) NULL,
    WHT_Amount   decimal(18, 2) NULL,
    To_Be_Paid   decimal(18, 2) NULL,
    Fund         nvarchar(50) NULL
);
CREATE INDEX IX_TSQ_Cheque_Detail_Cheque_PK ON dbo.TSQ_Cheque_Detail (Cheque_PK, Total_Amount);

CREATE TABLE dbo.TSQR_Profit_Center (
    Profit_Center_Code                nvarchar(50) NULL,
    Profit_Center_Name                nvarchar(255) NULL,
    Profit_Center_Lacation_Rec_Cheque nvarchar(255) NULL
);
CREATE INDEX IX_TSQR_Profit_Center_Code ON dbo.TSQR_Profit_Center (Profit_Center_Code);

INSERT INTO dbo.TSQ_IsUse_Data_Temp (Is_User_Temp) VALUES (N'');
INSERT INTO dbo.ZUD_Version (Version_NO) VALUES (N'2.0');
GO
