#include "ProgramWindows.h"

#include "TfrmChangePassword.h"
#include "TfrmIport_Vendor_Cheque.h"
#include "TfrmMainChequeVendor.h"
#include "TfrmRep_ChequVendor.h"

#include <QScreen>

ProgramWindows::ProgramWindows(Connection& db)
{
    m_main = std::make_unique<TfrmMainChequeVendor>(db);
    m_import = std::make_unique<TfrmIport_Vendor_Cheque>(db, nullptr);
    m_report = std::make_unique<TfrmRep_ChequVendor>(db, nullptr);
    m_password = std::make_unique<TfrmChangePassword>(db, m_main->loginValues(), nullptr);
    QObject::connect(m_password.get(), &TfrmChangePassword::programEndRequested, m_main.get(),
                     &TfrmMainChequeVendor::requestEnd);
}

// The hidden windows go first: they use the connection and login values that
// the main window's owner keeps.
ProgramWindows::~ProgramWindows()
{
    m_password.reset();
    m_report.reset();
    m_import.reset();
    m_main.reset();
}

bool ProgramWindows::endRequested() const
{
    return m_main->endRequested();
}

void ProgramWindows::show()
{
    // The whole screen also where no window manager carries out the maximising.
    if (QScreen* screen = m_main->screen())
        m_main->setGeometry(screen->availableGeometry());
    m_main->showMaximized();
    m_main->activateWindow();
}
