#pragma once

#include <memory>

class Connection;
class TfrmChangePassword;
class TfrmIport_Vendor_Cheque;
class TfrmMainChequeVendor;
class TfrmRep_ChequVendor;

// The windows the program creates at start, in their fixed order: the main
// window (whose creation handler connects and checks the version), then one
// hidden instance each of the import, report and password windows. The menus
// never show these instances; they open fresh ones.
class ProgramWindows {
public:
    explicit ProgramWindows(Connection& db);
    ~ProgramWindows();

    TfrmMainChequeVendor& mainWindow() { return *m_main; }
    // Start-up asked the program to end (no database, wrong version).
    bool endRequested() const;
    // Shows the main window maximised, as the event loop starts.
    void show();

    TfrmIport_Vendor_Cheque& hiddenImport() { return *m_import; }
    TfrmRep_ChequVendor& hiddenReport() { return *m_report; }
    TfrmChangePassword& hiddenPassword() { return *m_password; }

private:
    std::unique_ptr<TfrmMainChequeVendor> m_main;
    std::unique_ptr<TfrmIport_Vendor_Cheque> m_import;
    std::unique_ptr<TfrmRep_ChequVendor> m_report;
    std::unique_ptr<TfrmChangePassword> m_password;
};
