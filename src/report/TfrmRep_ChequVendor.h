#pragma once

#include <QWidget>

class Connection;

// The cheque payment report window (placeholder until the report issue lands).
class TfrmRep_ChequVendor : public QWidget {
    Q_OBJECT
public:
    explicit TfrmRep_ChequVendor(Connection& db, QWidget* parent = nullptr);

private:
    Connection& m_db;
};
