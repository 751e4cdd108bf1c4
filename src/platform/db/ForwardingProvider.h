#pragma once

#include "DbProvider.h"

#include <memory>

// Passes every call to another provider: the base of providers that watch,
// count or stop the calls of a real one (benchmarks, test programs).
class ForwardingProvider : public DbProvider {
public:
    explicit ForwardingProvider(std::unique_ptr<DbProvider> inner) : m_inner(std::move(inner)) {}

    void open(const ConnectionString& cs) override { m_inner->open(cs); }
    bool isOpen() const override { return m_inner->isOpen(); }
    ResultSet select(const QString& sql, const std::vector<SqlParam>& params) override
    {
        return m_inner->select(sql, params);
    }
    void selectEach(const QString& sql, const std::vector<SqlParam>& params,
                    const std::function<void(const RowView&)>& row) override
    {
        m_inner->selectEach(sql, params, row);
    }
    long long execute(const QString& sql, const std::vector<SqlParam>& params) override
    {
        return m_inner->execute(sql, params);
    }
    void setProgressHandler(std::function<void()> handler) override { m_inner->setProgressHandler(std::move(handler)); }
    bool begin(int waitMs = -1) override { return m_inner->begin(waitMs); }
    void commit() override { m_inner->commit(); }
    void rollback() noexcept override { m_inner->rollback(); }
    bool inTransaction() const override { return m_inner->inTransaction(); }
    bool tryLockSave(int waitMs) override { return m_inner->tryLockSave(waitMs); }
    void unlockSave() noexcept override { m_inner->unlockSave(); }

    DbProvider& inner() { return *m_inner; }

private:
    std::unique_ptr<DbProvider> m_inner;
};
