#pragma once

#include <QWidget>

class Connection;

// The import window (placeholder until the import issue lands).
class TfrmIport_Vendor_Cheque : public QWidget {
    Q_OBJECT
public:
    explicit TfrmIport_Vendor_Cheque(Connection& db, QWidget* parent = nullptr);

private:
    Connection& m_db;
};
