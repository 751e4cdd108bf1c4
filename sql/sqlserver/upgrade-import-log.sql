-- Brings a cheque-vendor catalogue made before the import ledger up to date:
-- adds the ledger table TSQ_Import_Log and widens the text columns the save
-- writes (keys and searched columns to nvarchar(445), every other text to
-- nvarchar(max)), as create-catalog.sql makes them. Safe to run again.
-- Run once with sqlcmd as an administrator, while nobody saves an import:
--   sqlcmd -S <server> -E -i upgrade-import-log.sql

USE PL_Cheque_Vendor;
GO

IF OBJECT_ID(N'dbo.TSQ_Import_Log', N'U') IS NULL
BEGIN
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
END
GO

-- Widening an nvarchar column keeps its index; only a wider length is set.
ALTER TABLE dbo.TSQ_Cheque_Temp ALTER COLUMN Cheque_PK nvarchar(445) NULL;
ALTER TABLE dbo.TSQ_Cheque_Temp ALTER COLUMN Invoice_No nvarchar(max) NULL;

ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Cheque_PK nvarchar(445) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Profit_Center_Code nvarchar(445) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Deka_Creat_date nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Deka_Receipt_Date nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Payment_Method nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Deka_Number nvarchar(445) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Clearing_Document nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Clearing_Date nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Check_No nvarchar(445) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Vendor_no nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Vendor_Name nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Delivery_Mode nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Tax_Number nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Data_Status nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Cheque_Reference_Document_Type nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN Invoice_No nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Main ALTER COLUMN vendor_name_recmoney nvarchar(max) NULL;

ALTER TABLE dbo.TSQ_Cheque_Detail ALTER COLUMN Cheque_PK nvarchar(445) NULL;
ALTER TABLE dbo.TSQ_Cheque_Detail ALTER COLUMN Pstng_Date nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Detail ALTER COLUMN DocumentNo nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Detail ALTER COLUMN Description nvarchar(max) NULL;
ALTER TABLE dbo.TSQ_Cheque_Detail ALTER COLUMN Fund nvarchar(max) NULL;

ALTER TABLE dbo.TSQR_Profit_Center ALTER COLUMN Profit_Center_Code nvarchar(445) NULL;
ALTER TABLE dbo.TSQR_Profit_Center ALTER COLUMN Profit_Center_Name nvarchar(max) NULL;
ALTER TABLE dbo.TSQR_Profit_Center ALTER COLUMN Profit_Center_Lacation_Rec_Cheque nvarchar(max) NULL;
GO
