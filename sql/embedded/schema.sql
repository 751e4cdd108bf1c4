-- Catalogue of the embedded database (one SQLite file per catalogue).
--
-- Text columns use TEXT_CI, a collation the program registers on every
-- connection: case-insensitive and blind to trailing blanks, as SQL Server's
-- default collation compares. Amount columns keep only numbers: a quoted
-- amount that SQLite cannot read as a number stays text and the CHECK refuses
-- it, as SQL Server refuses to convert it to decimal. Keys and searched
-- columns hold no longer texts than their SQL Server columns (the CHECKs on
-- length, as the program's list of column limits states them); every other
-- text column takes any length, as nvarchar(max) does. A database made by an
-- earlier version gets these tables' definitions when the program connects.

CREATE TABLE ZUD_user (
  UserName TEXT COLLATE TEXT_CI,
  Password TEXT COLLATE TEXT_CI,
  U_Level  INTEGER CHECK (typeof(U_Level) IN ('integer', 'null'))
);
CREATE INDEX IX_ZUD_user_UserName ON ZUD_user (UserName);

CREATE TABLE ZUD_Version (
  Version_NO TEXT COLLATE TEXT_CI
);

CREATE TABLE TSQ_IsUse_Data_Temp (
  Is_User_Temp TEXT COLLATE TEXT_CI
);

CREATE TABLE TSQ_Cheque_Temp (
  Cheque_PK    TEXT COLLATE TEXT_CI CHECK (length(Cheque_PK) <= 445),
  Total_Amount REAL CHECK (typeof(Total_Amount) NOT IN ('text', 'blob')),
  WHT_Amount   REAL CHECK (typeof(WHT_Amount) NOT IN ('text', 'blob')),
  To_Be_Paid   REAL CHECK (typeof(To_Be_Paid) NOT IN ('text', 'blob')),
  Invoice_No   TEXT COLLATE TEXT_CI
);
CREATE INDEX IX_TSQ_Cheque_Temp_Cheque_PK ON TSQ_Cheque_Temp (Cheque_PK);

CREATE TABLE TSQ_Cheque_Main (
  Cheque_PK                      TEXT COLLATE TEXT_CI CHECK (length(Cheque_PK) <= 445),
  Profit_Center_Code             TEXT COLLATE TEXT_CI CHECK (length(Profit_Center_Code) <= 445),
  Deka_Creat_date                TEXT COLLATE TEXT_CI,
  Deka_Receipt_Date              TEXT COLLATE TEXT_CI,
  Payment_Method                 TEXT COLLATE TEXT_CI,
  Deka_Number                    TEXT COLLATE TEXT_CI CHECK (length(Deka_Number) <= 445),
  Clearing_Document              TEXT COLLATE TEXT_CI,
  Clearing_Date                  TEXT COLLATE TEXT_CI,
  Check_No                       TEXT COLLATE TEXT_CI CHECK (length(Check_No) <= 445),
  Vendor_no                      TEXT COLLATE TEXT_CI,
  Vendor_Name                    TEXT COLLATE TEXT_CI,
  Delivery_Mode                  TEXT COLLATE TEXT_CI,
  Tax_Number                     TEXT COLLATE TEXT_CI,
  Data_Status                    TEXT COLLATE TEXT_CI,
  Cheque_Reference_Document_Type TEXT COLLATE TEXT_CI,
  Invoice_No                     TEXT COLLATE TEXT_CI,
  vendor_name_recmoney           TEXT COLLATE TEXT_CI,
  Sum_Total_Amount REAL CHECK (typeof(Sum_Total_Amount) NOT IN ('text', 'blob')),
  Sum_WHT_Amount   REAL CHECK (typeof(Sum_WHT_Amount) NOT IN ('text', 'blob')),
  Sum_To_Be_Paid   REAL CHECK (typeof(Sum_To_Be_Paid) NOT IN ('text', 'blob'))
);
CREATE INDEX IX_TSQ_Cheque_Main_Cheque_PK ON TSQ_Cheque_Main (Cheque_PK);

CREATE TABLE TSQ_Cheque_Detail (
  Cheque_PK    TEXT COLLATE TEXT_CI CHECK (length(Cheque_PK) <= 445),
  Pstng_Date   TEXT COLLATE TEXT_CI,
  DocumentNo   TEXT COLLATE TEXT_CI,
  Description  TEXT COLLATE TEXT_CI,
  Total_Amount REAL CHECK (typeof(Total_Amount) NOT IN ('text', 'blob')),
  WHT_Amount   REAL CHECK (typeof(WHT_Amount) NOT IN ('text', 'blob')),
  To_Be_Paid   REAL CHECK (typeof(To_Be_Paid) NOT IN ('text', 'blob')),
  Fund         TEXT COLLATE TEXT_CI
);
CREATE INDEX IX_TSQ_Cheque_Detail_Cheque_PK ON TSQ_Cheque_Detail (Cheque_PK, Total_Amount);

CREATE TABLE TSQR_Profit_Center (
  Profit_Center_Code                TEXT COLLATE TEXT_CI CHECK (length(Profit_Center_Code) <= 445),
  Profit_Center_Name                TEXT COLLATE TEXT_CI,
  Profit_Center_Lacation_Rec_Cheque TEXT COLLATE TEXT_CI
);
CREATE INDEX IX_TSQR_Profit_Center_Code ON TSQR_Profit_Center (Profit_Center_Code);

-- One row per save that committed, written in the save's own transaction.
CREATE TABLE TSQ_Import_Log (
  Import_Date          TEXT,
  Login_Name           TEXT COLLATE TEXT_CI CHECK (length(Login_Name) <= 445),
  Workstation_Name     TEXT COLLATE TEXT_CI,
  File_Name            TEXT COLLATE TEXT_CI CHECK (length(File_Name) <= 445),
  File_Size            INTEGER CHECK (typeof(File_Size) IN ('integer', 'null')),
  File_SHA256          TEXT COLLATE TEXT_CI CHECK (length(File_SHA256) <= 64),
  Lines_Taken          INTEGER CHECK (typeof(Lines_Taken) IN ('integer', 'null')),
  Lines_Passed_Over    INTEGER CHECK (typeof(Lines_Passed_Over) IN ('integer', 'null')),
  Cheques_New          INTEGER CHECK (typeof(Cheques_New) IN ('integer', 'null')),
  Cheques_Stored       INTEGER CHECK (typeof(Cheques_Stored) IN ('integer', 'null')),
  Invoice_Lines_Added  INTEGER CHECK (typeof(Invoice_Lines_Added) IN ('integer', 'null')),
  Invoice_Lines_Stored INTEGER CHECK (typeof(Invoice_Lines_Stored) IN ('integer', 'null')),
  Sum_Total_Amount REAL CHECK (typeof(Sum_Total_Amount) NOT IN ('text', 'blob')),
  Sum_WHT_Amount   REAL CHECK (typeof(Sum_WHT_Amount) NOT IN ('text', 'blob')),
  Sum_To_Be_Paid   REAL CHECK (typeof(Sum_To_Be_Paid) NOT IN ('text', 'blob')),
  Reconciled       TEXT COLLATE TEXT_CI CHECK (length(Reconciled) <= 10)
);
CREATE INDEX IX_TSQ_Import_Log_File_SHA256 ON TSQ_Import_Log (File_SHA256);

INSERT INTO TSQ_IsUse_Data_Temp (Is_User_Temp) VALUES ('');
INSERT INTO ZUD_Version (Version_NO) VALUES ('2.0');
