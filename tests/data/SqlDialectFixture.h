#pragma once

#include "data/sql/SqlDialect.h"

#include <QObject>
#include <QStringList>
#include <sqlite3.h>

namespace kestar::test {

// What one translated statement gives when SQLite runs it.
struct Result
{
    QStringList names;       // result column names as SQLite reports them
    QList<QStringList> rows; // every value as text
};

// The fields of the two tables as their files hold them.
inline const QStringList kMagacinFields = {
    QStringLiteral("SIFRA"),       QStringLiteral("NAZIV"),   QStringLiteral("GRUPAROBE"),
    QStringLiteral("NAZIVGRUPE"),  QStringLiteral("JM"),      QStringLiteral("KOLICINA"),
    QStringLiteral("CENANABAVNA"), QStringLiteral("PROIZVOD")};

inline const QStringList kPrometxFields = {
    QStringLiteral("BROJDOKUMENTA"), QStringLiteral("OTPREMNICA"),  QStringLiteral("ULAZ"),
    QStringLiteral("KOMENTAR"),      QStringLiteral("KOMENTAR2"),   QStringLiteral("DATUM"),
    QStringLiteral("VALUTA"),        QStringLiteral("SIFRAROBE"),   QStringLiteral("NAZIV"),
    QStringLiteral("NAZIVGRUPE"),    QStringLiteral("SIFRAGRUPE"),  QStringLiteral("KOLICINA"),
    QStringLiteral("SIFRAKUPCA"),    QStringLiteral("KORISNIK"),    QStringLiteral("SIFRAMASINE"),
    QStringLiteral("SIFRAMASINE2"),  QStringLiteral("NAZIVMASINE"), QStringLiteral("SALDO")};

// The dialect's translations run on an in-memory SQLite database holding a small magacin
// (stored out of key order) and prometx (stored unlike its own order), for the dialect's tests.
class SqlDialectFixture : public QObject
{
protected:
    void openDatabase();
    void closeDatabase();

    sql::TableInfo resolve(const QString& name);
    sql::Translation translateHere(const QString& statement);
    Result run(const sql::Translation& translation);
    QStringList column(const Result& result, const QString& name) const;
    void exec(const char* sql);

    sqlite3* m_db = nullptr;
    QStringList m_resolved; // every name the resolver was asked for
};

} // namespace kestar::test
