-- The login the program connects with (the User ID and Password of its fixed
-- connection string), with read and write rights on the catalogue.
-- Run after create-catalog.sql:  sqlcmd -S <server> -E -i create-login.sql

USE PL_Cheque_Vendor;
GO
IF SUSER_ID(N'qvbnr') IS NULL
    CREATE LOGIN qvbnr WITH PASSWORD = N'*WiNNp!586', CHECK_POLICY = OFF, DEFAULT_DATABASE = PL_Cheque_Vendor;
GO
IF USER_ID(N'qvbnr') IS NULL
    CREATE USER qvbnr FOR LOGIN qvbnr;
GO
ALTER ROLE db_datareader ADD MEMBER qvbnr;
ALTER ROLE db_datawriter ADD MEMBER qvbnr;
GO
