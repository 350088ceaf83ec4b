#pragma once

#include "platform/Regional.h"
#include "tests/support/TestFolder.h"

#include <QObject>
#include <QTest>
#include <memory>

namespace kestar::test {

// The base of a test class whose tests need a PostgreSQL server: skipped with a reason where
// the tests do not run on one, and each test run with the standard regional settings.
class PostgresOnlyTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!onPostgres())
            QSKIP("runs on PostgreSQL only");
    }
    void init() { m_regional = std::make_unique<ScopedRegional>(Regional::standard()); }
    void cleanup() { m_regional.reset(); }

private:
    std::unique_ptr<ScopedRegional> m_regional;
};

} // namespace kestar::test
