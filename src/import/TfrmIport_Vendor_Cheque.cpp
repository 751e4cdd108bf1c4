#include "TfrmIport_Vendor_Cheque.h"

TfrmIport_Vendor_Cheque::TfrmIport_Vendor_Cheque(Connection& db, QWidget* parent) : QWidget(parent), m_db(db)
{
    setObjectName(QStringLiteral("frmIport_Vendor_Cheque"));
    setWindowTitle(QStringLiteral("frmIport_Vendor_Cheque"));
}
