#include "tests/data/SqlDialectFixture.h"

#include "data/EngineError.h"

#include <QTest>

using namespace kestar::sql;
using namespace Qt::StringLiterals;

namespace kestar::test {

void SqlDialectFixture::exec(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString text = QString::fromUtf8(error);
        sqlite3_free(error);
        QFAIL(qPrintable(text));
    }
}

void SqlDialectFixture::openDatabase()
{
    QCOMPARE(sqlite3_open(":memory:", &m_db), SQLITE_OK);
    exec("ATTACH ':memory:' AS t1; ATTACH ':memory:' AS t2;"
         "CREATE TABLE t1.magacin(SIFRA TEXT PRIMARY KEY, NAZIV TEXT, GRUPAROBE TEXT,"
         " NAZIVGRUPE TEXT, JM TEXT, KOLICINA REAL, CENANABAVNA REAL, PROIZVOD TEXT);"
         "CREATE TABLE t2.prometx(_ord INTEGER, BROJDOKUMENTA INTEGER, OTPREMNICA INTEGER,"
         " ULAZ INTEGER, KOMENTAR TEXT, KOMENTAR2 TEXT, DATUM DATE, VALUTA DATE,"
         " SIFRAROBE TEXT, NAZIV TEXT, NAZIVGRUPE TEXT, SIFRAGRUPE TEXT, KOLICINA REAL,"
         " SIFRAKUPCA TEXT, KORISNIK TEXT, SIFRAMASINE TEXT, SIFRAMASINE2 TEXT,"
         " NAZIVMASINE TEXT, SALDO REAL);");
    // Stored out of key order, so that only ORDER BY SIFRA gives key order.
    exec("INSERT INTO t1.magacin VALUES"
         " ('300','Zavrtanj M8','ALT','Alat','kom',10,2.5,''),"
         " ('100','Kljuc 13','SPO','Spojni','kom',4,7,''),"
         " ('200','Ulje motorno','MAZ','Maziva','l',20,3,'P'),"
         " ('150','Zavrtanj M6','ON','O''Neil','kom',5,1,''),"
         " ('250','Kanta','MAZ','Maziva','kom',1,1,'P'),"
         " ('120','Cekic','ALT','Alat','kom',2,9,'');");
    // Ledger rows stored in an order unlike the ledger's own (_ord), as inserts before the
    // current row leave them. By _ord: rows 7, 6, 4, 3, 2, 1, 5.
    exec("INSERT INTO t2.prometx VALUES"
         " (40,1,0,3,'prijem','','2024-03-01','2024-03-01','100','Kljuc 13','Spojni','SPO',10,"
         "'0','Pera','','','',NULL),"
         " (30,2,12,0,'izdato','','2024-03-02','2024-03-02','100','Kljuc 13','Spojni','SPO',2,"
         "'0','Pera','M1','A','Presa',NULL),"
         " (20,2,12,0,'izdato','','2024-03-02','2024-03-02','300','Zavrtanj M8','Alat','ALT',5,"
         "'0','Pera','M1','A','Presa',NULL),"
         " (10,3,120,0,'','','2024-03-03','2024-03-03','300','Zavrtanj M8','Alat','ALT',1,"
         "'0','Mika','M1','A','Presa',NULL),"
         " (50,0,0,0,'rucno','','2024-03-04','2024-03-04','100','Kljuc 13','Spojni','SPO',99,"
         "'0','Administrator','','','',NULL),"
         " (5,4,7,0,'','','2024-03-05','2024-03-05','100','Kljuc 13','Spojni','SPO',3,"
         "'0','Mika','M1','B','Strug',NULL),"
         " (1,5,2,0,'','','2024-03-06','2024-03-06','100','Kljuc 13','Spojni','SPO',8,"
         "'0','Mika','M1','A','Presa',NULL);");
}

void SqlDialectFixture::closeDatabase()
{
    sqlite3_close(m_db);
}

TableInfo SqlDialectFixture::resolve(const QString& name)
{
    m_resolved << name;
    QString key = name.toLower().replace(u'\\', u'/');
    if (key.endsWith(u".db"_s))
        key.chop(3);
    if (key == u"podaci/magacin"_s)
        return {u"\"t1\".\"magacin\""_s, kMagacinFields, {u"SIFRA"_s}, {}};
    if (key == u"podaci/prometx"_s)
        return {u"\"t2\".\"prometx\""_s, kPrometxFields, {u"_ord"_s}, {}};
    throw EngineError(u"Table does not exist: "_s + name);
}

Translation SqlDialectFixture::translateHere(const QString& statement)
{
    return translate(statement, [this](const QString& name) { return resolve(name); });
}

Result SqlDialectFixture::run(const Translation& translation)
{
    Result result;
    sqlite3_stmt* statement = nullptr;
    const QByteArray sql = translation.sqlite.toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &statement, nullptr) !=
        SQLITE_OK) {
        qWarning("%s\n%s", sqlite3_errmsg(m_db), sql.constData());
        return result;
    }
    const int count = sqlite3_column_count(statement);
    for (int i = 0; i < count; ++i)
        result.names << QString::fromUtf8(sqlite3_column_name(statement, i));
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < count; ++i)
            row << QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, i)));
        result.rows << row;
    }
    sqlite3_finalize(statement);
    return result;
}

QStringList SqlDialectFixture::column(const Result& result, const QString& name) const
{
    const qsizetype index = result.names.indexOf(name);
    QStringList values;
    if (index < 0)
        return values;
    for (const QStringList& row : result.rows)
        values << row[index];
    return values;
}

} // namespace kestar::test
