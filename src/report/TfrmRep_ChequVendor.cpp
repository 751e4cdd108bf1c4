#include "TfrmRep_ChequVendor.h"

TfrmRep_ChequVendor::TfrmRep_ChequVendor(Connection& db, QWidget* parent) : QWidget(parent), m_db(db)
{
    setObjectName(QStringLiteral("frmRep_ChequVendor"));
    setWindowTitle(QStringLiteral("frmRep_ChequVendor"));
}
