#include "data/EngineError.h"
#include "data/sql/SqlDialect.h"

#include <QMap>
#include <QTest>
#include <sqlite3.h>

using namespace kestar;
using namespace kestar::sql;
using namespace Qt::StringLiterals;

namespace {

// What one translated statement gives when SQLite runs it.
struct Result
{
    QStringList names;       // result column names as SQLite reports them
    QList<QStringList> rows; // every value as text
};

const QStringList kMagacinFields = {u"SIFRA"_s, u"NAZIV"_s,    u"GRUPAROBE"_s,   u"NAZIVGRUPE"_s,
                                    u"JM"_s,    u"KOLICINA"_s, u"CENANABAVNA"_s, u"PROIZVOD"_s};

const QStringList kPrometxFields = {
    u"BROJDOKUMENTA"_s, u"OTPREMNICA"_s,  u"ULAZ"_s,       u"KOMENTAR"_s, u"KOMENTAR2"_s,
    u"DATUM"_s,         u"VALUTA"_s,      u"SIFRAROBE"_s,  u"NAZIV"_s,    u"NAZIVGRUPE"_s,
    u"SIFRAGRUPE"_s,    u"KOLICINA"_s,    u"SIFRAKUPCA"_s, u"KORISNIK"_s, u"SIFRAMASINE"_s,
    u"SIFRAMASINE2"_s,  u"NAZIVMASINE"_s, u"SALDO"_s};

// The issue and receipt column lists of the document print page.
const QString kIssueColumns =
    u"OTPREMNICA, SIFRAROBE, NAZIV, KOLICINA, SIFRAKUPCA, DATUM, VALUTA, KORISNIK, NAZIVGRUPE, "_s
    "SIFRAGRUPE, KOMENTAR, KOMENTAR2, SIFRAMASINE, SIFRAMASINE2, NAZIVMASINE"_s;
const QString kReceiptColumns =
    u"ULAZ, SIFRAROBE, NAZIV, KOLICINA, SIFRAKUPCA, DATUM, VALUTA, KORISNIK, NAZIVGRUPE, "_s
    "SIFRAGRUPE, KOMENTAR, KOMENTAR2, SIFRAMASINE, SIFRAMASINE2, NAZIVMASINE"_s;

} // namespace

class TestSqlDialect : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void programStatementsGiveTheRightRows_data();
    void programStatementsGiveTheRightRows();
    void resultColumnsAreNamedByStoredFieldsAndUpperCaseAliases();
    void liveResultSelectsRowIdFirst();
    void quotedNumberComparesAsNumberWithIntegerField();
    void receiptConditionIsTrueForReceiptRowsOnly();
    void naturalOrderIsKeptAndUsedAsTieBreak();
    void groupedResultIsOrderedByItsGroupColumns();
    void tableIsPassedToTheResolverExactlyAsWritten_data();
    void tableIsPassedToTheResolverExactlyAsWritten();
    void namesAndKeywordsIgnoreCase();
    void likeAndLiteralsAreEmittedPlainly();
    void quotedValueWithApostropheFindsItsRows();
    void statementsOutsideTheDialectAreRefused_data();
    void statementsOutsideTheDialectAreRefused();
    void everyCutOfAProgramStatementTranslatesOrIsRefused();
    void textErrorsComeBeforeTheTableIsResolved();
    void resolverErrorReachesTheCaller();
    void nulCharacterIsRefusedEvenInsideQuotes();
    void characterThatDoesNotPrintIsNamedByItsCode();

private:
    TableInfo resolve(const QString& name);
    Translation translateHere(const QString& statement);
    Result run(const Translation& translation);
    QStringList column(const Result& result, const QString& name) const;
    void exec(const char* sql);

    sqlite3* m_db = nullptr;
    QStringList m_resolved; // every name the resolver was asked for
};

void TestSqlDialect::exec(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString text = QString::fromUtf8(error);
        sqlite3_free(error);
        QFAIL(qPrintable(text));
    }
}

void TestSqlDialect::initTestCase()
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

void TestSqlDialect::cleanupTestCase()
{
    sqlite3_close(m_db);
}

TableInfo TestSqlDialect::resolve(const QString& name)
{
    m_resolved << name;
    QString key = name.toLower().replace(u'\\', u'/');
    if (key.endsWith(u".db"_s))
        key.chop(3);
    if (key == u"podaci/magacin"_s)
        return {u"\"t1\".\"magacin\""_s, kMagacinFields, {u"SIFRA"_s}};
    if (key == u"podaci/prometx"_s)
        return {u"\"t2\".\"prometx\""_s, kPrometxFields, {u"_ord"_s}};
    throw EngineError(u"Table does not exist: "_s + name);
}

Translation TestSqlDialect::translateHere(const QString& statement)
{
    return translate(statement, [this](const QString& name) { return resolve(name); });
}

Result TestSqlDialect::run(const Translation& translation)
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

QStringList TestSqlDialect::column(const Result& result, const QString& name) const
{
    const qsizetype index = result.names.indexOf(name);
    QStringList values;
    if (index < 0)
        return values;
    for (const QStringList& row : result.rows)
        values << row[index];
    return values;
}

void TestSqlDialect::programStatementsGiveTheRightRows_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("keyColumn");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<bool>("live");

    const QString group = u"Alat"_s;
    const QString name = u"vrt"_s;
    QTest::newRow("item chooser at start-up")
        << u"select * from podaci\\magacin"_s << u"SIFRA"_s
        << QStringList{u"100"_s, u"120"_s, u"150"_s, u"200"_s, u"250"_s, u"300"_s} << true;
    QTest::newRow("item chooser, all groups")
        << u"Select * from podaci\\magacin"_s << u"SIFRA"_s
        << QStringList{u"100"_s, u"120"_s, u"150"_s, u"200"_s, u"250"_s, u"300"_s} << true;
    QTest::newRow("item chooser, one group")
        << u"Select * from podaci\\magacin where (NAZIVGRUPE='"_s + quoted(group) + u"'"_s + u")"_s
        << u"SIFRA"_s << QStringList{u"120"_s, u"300"_s} << true;
    QTest::newRow("item chooser, products")
        << u"Select * from podaci\\magacin where (PROIZVOD='P')"_s << u"SIFRA"_s
        << QStringList{u"200"_s, u"250"_s} << true;
    QTest::newRow("item chooser, name search")
        << u"Select * from podaci\\magacin where (NAZIV LIKE '"_s + u"%"_s + quoted(name) + u"%"_s +
               u"'"_s + u")"_s
        << u"SIFRA"_s << QStringList{u"150"_s, u"300"_s} << true;
    QTest::newRow("issue 12 for printing")
        << u"Select "_s + kIssueColumns + u" from podaci\\prometx where (OTPREMNICA="_s + u"'"_s +
               u"12"_s + u"'"_s + u")"_s
        << u"SIFRAROBE"_s << QStringList{u"300"_s, u"100"_s} << true;
    QTest::newRow("receipt 3 for printing")
        << u"Select "_s + kReceiptColumns + u" from podaci\\prometx where (ULAZ="_s + u"'"_s +
               u"3"_s + u"'"_s + u")"_s
        << u"SIFRAROBE"_s << QStringList{u"100"_s} << true;
    QTest::newRow("item card")
        << u"select ULAZ,OTPREMNICA,DATUM,KOLICINA,SALDO,KORISNIK,KOMENTAR, BROJDOKUMENTA from "_s
           "podaci\\prometx where ((SIFRAROBE='"_s +
               quoted(u"100"_s) + u"'"_s + u")"_s + u" AND ((ULAZ<>0) OR (OTPREMNICA<>0)))"_s
        << u"BROJDOKUMENTA"_s << QStringList{u"5"_s, u"4"_s, u"2"_s, u"1"_s} << true;
    QTest::newRow("stock list, all")
        << u"select * from podaci\\magacin"_s << u"SIFRA"_s
        << QStringList{u"100"_s, u"120"_s, u"150"_s, u"200"_s, u"250"_s, u"300"_s} << true;
    QTest::newRow("stock list, one group")
        << u"select * from podaci\\magacin"_s + u" where NAZIVGRUPE="_s + u"'"_s +
               quoted(u"Maziva"_s) + u"'"_s
        << u"SIFRA"_s << QStringList{u"200"_s, u"250"_s} << true;
    QTest::newRow("machine totals")
        << u"select "_s + u"NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, sum(kolicina) as ukupno"_s +
               u" from podaci\\prometx.db where siframasine="_s + u"'"_s + u"M1"_s + u"'"_s +
               u" and siframasine2="_s + u"'"_s + u"A"_s + u"'"_s + u" group by "_s +
               u"NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV"_s
        << u"UKUPNO"_s << QStringList{u"6.0"_s, u"10.0"_s} << false;
    QTest::newRow("machine rows by issue number")
        << u"select "_s +
               u"OTPREMNICA, SIFRAROBE, NAZIV, KOLICINA, DATUM, KORISNIK, NAZIVGRUPE, SIFRAGRUPE, "_s
               "KOMENTAR, KOMENTAR2" +
               u" from podaci\\prometx.db where siframasine="_s + u"'"_s + u"M1"_s + u"'"_s +
               u" and siframasine2="_s + u"'"_s + u"A"_s + u"'"_s + u" order by otpremnica ASC"_s
        << u"OTPREMNICA"_s << QStringList{u"2"_s, u"12"_s, u"12"_s, u"120"_s} << true;
}

void TestSqlDialect::programStatementsGiveTheRightRows()
{
    QFETCH(QString, statement);
    QFETCH(QString, keyColumn);
    QFETCH(QStringList, keys);
    QFETCH(bool, live);

    const Translation translation = translateHere(statement);
    QCOMPARE(translation.live, live);
    const Result result = run(translation);
    QStringList expectedNames = translation.columns;
    if (live)
        expectedNames.prepend(u"_rowid_"_s);
    QCOMPARE(result.names, expectedNames);
    QCOMPARE(column(result, keyColumn), keys);
}

void TestSqlDialect::resultColumnsAreNamedByStoredFieldsAndUpperCaseAliases()
{
    QCOMPARE(translateHere(u"select * from podaci\\magacin"_s).columns, kMagacinFields);
    QCOMPARE(translateHere(u"select naziv, Kolicina from podaci\\magacin"_s).columns,
             (QStringList{u"NAZIV"_s, u"KOLICINA"_s}));

    const Translation summed = translateHere(
        u"select SIFRAROBE, sum(kolicina) as ukupno from podaci\\prometx group by sifrarobe"_s);
    QCOMPARE(summed.columns, (QStringList{u"SIFRAROBE"_s, u"UKUPNO"_s}));
    QCOMPARE(run(summed).names, summed.columns);

    // Without a name of its own a sum is called after its field.
    const Translation unnamed =
        translateHere(u"select SIFRAROBE, SUM(KOLICINA) from podaci\\prometx group by SIFRAROBE"_s);
    QCOMPARE(unnamed.columns, (QStringList{u"SIFRAROBE"_s, u"SUM OF KOLICINA"_s}));
    QCOMPARE(run(unnamed).names, unnamed.columns);

    // A sum over the whole table is one row and no live result.
    const Translation total = translateHere(u"select sum(kolicina) as u from podaci\\magacin"_s);
    QVERIFY(!total.live);
    const Result totalRows = run(total);
    QCOMPARE(totalRows.rows, (QList<QStringList>{{u"42.0"_s}}));
}

void TestSqlDialect::liveResultSelectsRowIdFirst()
{
    const Translation card = translateHere(
        u"select ULAZ,OTPREMNICA,DATUM,KOLICINA,SALDO,KORISNIK,KOMENTAR, BROJDOKUMENTA from "_s
        "podaci\\prometx where ((SIFRAROBE='100') AND ((ULAZ<>0) OR (OTPREMNICA<>0)))"_s);
    QVERIFY(card.live);
    QCOMPARE(card.table, u"podaci\\prometx"_s);
    QCOMPARE(
        card.sqlite,
        u"SELECT _rowid_ AS \"_rowid_\", \"ULAZ\" AS \"ULAZ\", \"OTPREMNICA\" AS \"OTPREMNICA\", "_s
        "\"DATUM\" AS \"DATUM\", \"KOLICINA\" AS \"KOLICINA\", \"SALDO\" AS \"SALDO\", "
        "\"KORISNIK\" AS \"KORISNIK\", \"KOMENTAR\" AS \"KOMENTAR\", "
        "\"BROJDOKUMENTA\" AS \"BROJDOKUMENTA\" FROM \"t2\".\"prometx\" "
        "WHERE (\"SIFRAROBE\" = '100' AND (\"ULAZ\" <> 0 OR \"OTPREMNICA\" <> 0)) "
        "ORDER BY \"_ord\" ASC"_s);
    QVERIFY(!card.columns.contains(u"_rowid_"_s));
    // The row ids are those of the stored rows, so an edit can be posted back by them.
    QCOMPARE(column(run(card), u"_rowid_"_s), (QStringList{u"7"_s, u"6"_s, u"2"_s, u"1"_s}));
}

void TestSqlDialect::quotedNumberComparesAsNumberWithIntegerField()
{
    const Result issue = run(translateHere(
        u"Select OTPREMNICA, SIFRAROBE from podaci\\prometx where (OTPREMNICA='12')"_s));
    QCOMPARE(column(issue, u"OTPREMNICA"_s), (QStringList{u"12"_s, u"12"_s}));

    // Numeric comparison, not text: a leading zero still finds 12, and 120 is not 12.
    const Result padded =
        run(translateHere(u"Select OTPREMNICA from podaci\\prometx where OTPREMNICA='012'"_s));
    QCOMPARE(column(padded, u"OTPREMNICA"_s), (QStringList{u"12"_s, u"12"_s}));

    // The quoted number may stand on either side.
    const Result reversed =
        run(translateHere(u"Select OTPREMNICA from podaci\\prometx where '120'=OTPREMNICA"_s));
    QCOMPARE(column(reversed, u"OTPREMNICA"_s), QStringList{u"120"_s});

    const Result real =
        run(translateHere(u"select SIFRA from podaci\\magacin where KOLICINA='20'"_s));
    QCOMPARE(column(real, u"SIFRA"_s), QStringList{u"200"_s});
}

void TestSqlDialect::receiptConditionIsTrueForReceiptRowsOnly()
{
    const Result receipts =
        run(translateHere(u"select ULAZ, OTPREMNICA from podaci\\prometx where ULAZ<>0"_s));
    QCOMPARE(column(receipts, u"ULAZ"_s), QStringList{u"3"_s});
    QCOMPARE(column(receipts, u"OTPREMNICA"_s), QStringList{u"0"_s});

    const Result issues =
        run(translateHere(u"select OTPREMNICA from podaci\\prometx where (OTPREMNICA<>0)"_s));
    QCOMPARE(column(issues, u"OTPREMNICA"_s),
             (QStringList{u"2"_s, u"7"_s, u"120"_s, u"12"_s, u"12"_s}));
}

void TestSqlDialect::naturalOrderIsKeptAndUsedAsTieBreak()
{
    const Translation ledger = translateHere(u"select BROJDOKUMENTA from podaci\\prometx"_s);
    QVERIFY(ledger.sqlite.endsWith(u" ORDER BY \"_ord\" ASC"_s));
    QCOMPARE(column(run(ledger), u"BROJDOKUMENTA"_s),
             (QStringList{u"5"_s, u"4"_s, u"3"_s, u"2"_s, u"2"_s, u"1"_s, u"0"_s}));

    // Rows of one issue keep the ledger's order under ORDER BY OTPREMNICA.
    const Translation byIssue = translateHere(
        u"select OTPREMNICA, SIFRAROBE from podaci\\prometx where OTPREMNICA<>0 order by otpremnica"_s);
    QVERIFY(byIssue.sqlite.endsWith(u" ORDER BY \"OTPREMNICA\" ASC, \"_ord\" ASC"_s));
    const Result issueRows = run(byIssue);
    QCOMPARE(column(issueRows, u"OTPREMNICA"_s),
             (QStringList{u"2"_s, u"7"_s, u"12"_s, u"12"_s, u"120"_s}));
    QCOMPARE(column(issueRows, u"SIFRAROBE"_s),
             (QStringList{u"100"_s, u"100"_s, u"300"_s, u"100"_s, u"300"_s}));

    const Translation descending =
        translateHere(u"select SIFRA from podaci\\magacin order by NAZIVGRUPE desc"_s);
    QVERIFY(descending.sqlite.endsWith(u" ORDER BY \"NAZIVGRUPE\" DESC, \"SIFRA\" ASC"_s));
    QCOMPARE(column(run(descending), u"SIFRA"_s),
             (QStringList{u"100"_s, u"150"_s, u"200"_s, u"250"_s, u"120"_s, u"300"_s}));

    // A natural column already ordered by is not repeated.
    const Translation byKey =
        translateHere(u"select SIFRA from podaci\\magacin order by sifra desc"_s);
    QVERIFY(byKey.sqlite.endsWith(u" ORDER BY \"SIFRA\" DESC"_s));
}

void TestSqlDialect::groupedResultIsOrderedByItsGroupColumns()
{
    const Translation grouped = translateHere(
        u"select NAZIVGRUPE, SIFRAROBE, sum(kolicina) as ukupno from podaci\\prometx "_s
        "where ULAZ=0 group by NAZIVGRUPE, SIFRAROBE"_s);
    QVERIFY(grouped.sqlite.endsWith(u" ORDER BY \"NAZIVGRUPE\" ASC, \"SIFRAROBE\" ASC"_s));
    QCOMPARE(run(grouped).rows, (QList<QStringList>{{u"Alat"_s, u"300"_s, u"6.0"_s},
                                                    {u"Spojni"_s, u"100"_s, u"112.0"_s}}));

    // An ORDER BY on the sum comes first, the group columns break ties.
    const Translation bySum = translateHere(
        u"select SIFRAROBE, sum(kolicina) as ukupno from podaci\\prometx group by SIFRAROBE "_s
        "order by UKUPNO desc"_s);
    QVERIFY(bySum.sqlite.endsWith(u" ORDER BY \"UKUPNO\" DESC, \"SIFRAROBE\" ASC"_s));
    QCOMPARE(column(run(bySum), u"SIFRAROBE"_s), (QStringList{u"100"_s, u"300"_s}));
}

void TestSqlDialect::tableIsPassedToTheResolverExactlyAsWritten_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("table");
    QTest::newRow("backslash") << u"select * from podaci\\prometx"_s << u"podaci\\prometx"_s;
    QTest::newRow("backslash and extension")
        << u"select * from podaci\\prometx.db where ULAZ<>0"_s << u"podaci\\prometx.db"_s;
    QTest::newRow("slash, upper-case extension")
        << u"select * from podaci/magacin.DB;"_s << u"podaci/magacin.DB"_s;
    QTest::newRow("drive letter") << u"select * from C:\\kestar\\podaci\\magacin"_s
                                  << u"C:\\kestar\\podaci\\magacin"_s;
    QTest::newRow("double quotes")
        << u"select * from \"podaci\\magacin\" where SIFRA='1'"_s << u"podaci\\magacin"_s;
}

void TestSqlDialect::tableIsPassedToTheResolverExactlyAsWritten()
{
    QFETCH(QString, statement);
    QFETCH(QString, table);
    m_resolved.clear();
    try {
        const Translation translation = translateHere(statement);
        QCOMPARE(translation.table, table);
    } catch (const EngineError& error) {
        QCOMPARE(error.text(), u"Table does not exist: "_s + table);
    }
    QCOMPARE(m_resolved, QStringList{table});
}

void TestSqlDialect::namesAndKeywordsIgnoreCase()
{
    const Translation mixed = translateHere(
        u"SeLeCt naziv, SUM(Kolicina) As Ukupno FROM Podaci\\Magacin WhErE nazivgrupe = 'Alat' "_s
        "Or (Proizvod = 'P' aNd JM = 'l') GROUP by naziv ORDER BY naziv asc;"_s);
    QCOMPARE(mixed.columns, (QStringList{u"NAZIV"_s, u"UKUPNO"_s}));
    QCOMPARE(run(mixed).rows, (QList<QStringList>{{u"Cekic"_s, u"2.0"_s},
                                                  {u"Ulje motorno"_s, u"20.0"_s},
                                                  {u"Zavrtanj M8"_s, u"10.0"_s}}));
}

void TestSqlDialect::likeAndLiteralsAreEmittedPlainly()
{
    const Translation like =
        translateHere(u"select SIFRA from podaci\\magacin where NAZIV like '%M_'"_s);
    QVERIFY(like.sqlite.contains(u"WHERE \"NAZIV\" LIKE '%M_' ORDER BY"_s));
    QVERIFY(!like.sqlite.contains(u"ESCAPE"_s));
    QVERIFY(!like.sqlite.contains(u"COLLATE"_s));
    QCOMPARE(column(run(like), u"SIFRA"_s), (QStringList{u"150"_s, u"300"_s}));

    // Doubled quotes inside a literal stand for one quote and go out doubled again.
    const Translation apostrophe =
        translateHere(u"select SIFRA from podaci\\magacin where NAZIVGRUPE = 'O''Neil'"_s);
    QVERIFY(apostrophe.sqlite.contains(u"\"NAZIVGRUPE\" = 'O''Neil'"_s));
    QCOMPARE(column(run(apostrophe), u"SIFRA"_s), QStringList{u"150"_s});

    const Translation noCast =
        translateHere(u"select SIFRA from podaci\\magacin where KOLICINA = 2.5 or KOLICINA = 4"_s);
    QVERIFY(noCast.sqlite.contains(u"(\"KOLICINA\" = 2.5 OR \"KOLICINA\" = 4)"_s));
}

void TestSqlDialect::quotedValueWithApostropheFindsItsRows()
{
    QCOMPARE(quoted(u"O'Neil"_s), u"O''Neil"_s);
    QCOMPARE(quoted(u"''"_s), u"''''"_s);
    QCOMPARE(quoted(u"Alat"_s), u"Alat"_s);
    QCOMPARE(quoted(QString()), QString());

    const Result group = run(translateHere(u"Select * from podaci\\magacin where (NAZIVGRUPE='"_s +
                                           quoted(u"O'Neil"_s) + u"')"_s));
    QCOMPARE(column(group, u"SIFRA"_s), QStringList{u"150"_s});

    // A search text that is only a quote finds nothing and breaks nothing.
    const Result search = run(translateHere(
        u"Select * from podaci\\magacin where (NAZIV LIKE '%"_s + quoted(u"'"_s) + u"%')"_s));
    QVERIFY(search.rows.isEmpty());
}

void TestSqlDialect::statementsOutsideTheDialectAreRefused_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("error");

    QTest::newRow("delete") << u"DELETE from podaci\\magacin"_s
                            << u"Invalid use of keyword. Token: DELETE (position 1)"_s;
    QTest::newRow("update") << u"update podaci\\magacin set NAZIV='x'"_s
                            << u"Invalid use of keyword. Token: update (position 1)"_s;
    QTest::newRow("insert") << u"insert into podaci\\magacin values ('1')"_s
                            << u"Invalid use of keyword. Token: insert (position 1)"_s;
    QTest::newRow("not a statement")
        << u"pozdrav"_s << u"SELECT expected. Token: pozdrav (position 1)"_s;
    QTest::newRow("empty") << u"   "_s << u"Empty statement"_s;
    QTest::newRow("join") << u"select * from podaci\\magacin join podaci\\prometx"_s
                          << u"Invalid use of keyword. Token: join (position 30)"_s;
    QTest::newRow("second table")
        << u"select * from podaci\\magacin, podaci\\prometx"_s
        << u"Only one table can be named in FROM. Token: , (position 29)"_s;
    QTest::newRow("table alias") << u"select * from podaci\\magacin m"_s
                                 << u"End of statement expected. Token: m (position 30)"_s;
    QTest::newRow("no table") << u"select * from"_s << u"Table name expected at end of statement"_s;
    QTest::newRow("keyword for table")
        << u"select * from where"_s << u"Invalid use of keyword. Token: where (position 15)"_s;
    QTest::newRow("other function") << u"select count(SIFRA) from podaci\\magacin"_s
                                    << u"Function not supported. Token: count (position 8)"_s;
    QTest::newRow("star in sum") << u"select sum(*) from podaci\\magacin"_s
                                 << u"Field name expected. Token: * (position 12)"_s;
    QTest::newRow("star and column")
        << u"select *, NAZIV from podaci\\magacin"_s << u"FROM expected. Token: , (position 9)"_s;
    QTest::newRow("alias of a field") << u"select NAZIV as ime from podaci\\magacin"_s
                                      << u"A column name can be given only to SUM. Token: as "_s
                                         "(position 14)"_s;
    QTest::newRow("greater than") << u"select * from podaci\\magacin where KOLICINA > 5"_s
                                  << u"Operator not supported. Token: > (position 45)"_s;
    QTest::newRow("negative number") << u"select * from podaci\\magacin where KOLICINA = -1"_s
                                     << u"Operator not supported. Token: - (position 47)"_s;
    QTest::newRow("not") << u"select * from podaci\\magacin where not NAZIV = 'x'"_s
                         << u"Invalid use of keyword. Token: not (position 36)"_s;
    QTest::newRow("unterminated string") << u"select * from podaci\\magacin where NAZIV = 'abc"_s
                                         << u"Unterminated string at position 44"_s;
    QTest::newRow("stray character") << u"select * from podaci\\magacin where NAZIV = #1"_s
                                     << u"Invalid character '#' at position 44"_s;
    QTest::newRow("bad number") << u"select * from podaci\\magacin where KOLICINA = 12ab"_s
                                << u"Invalid number at position 47. Token: 12ab"_s;
    QTest::newRow("unknown field")
        << u"select KOLICNA from podaci\\magacin"_s << u"Invalid field name: KOLICNA"_s;
    QTest::newRow("unknown field in condition")
        << u"select * from podaci\\magacin where (kolicna = 1)"_s
        << u"Invalid field name: kolicna"_s;
    QTest::newRow("unknown field in order")
        << u"select * from podaci\\magacin order by CENA"_s << u"Invalid field name: CENA"_s;
    QTest::newRow("missing parenthesis") << u"select * from podaci\\magacin where (NAZIV = 'x'"_s
                                         << u"\")\" expected at end of statement"_s;
    QTest::newRow("condition missing") << u"select * from podaci\\magacin where"_s
                                       << u"Field name, string or number expected at end of "_s
                                          "statement"_s;
    QTest::newRow("like without pattern")
        << u"select * from podaci\\magacin where NAZIV like JM"_s
        << u"LIKE needs a pattern in single quotes (position 47)"_s;
    QTest::newRow("double-quoted field")
        << u"select * from podaci\\magacin where \"NAZIV\" = 'x'"_s
        << u"Quoted names are allowed only for the table. Token: "_s
           "\"NAZIV\" (position 36)"_s;
    QTest::newRow("deep nesting") << u"select * from podaci\\magacin where "_s + QString(5000, u'(')
                                  << u"Conditions are nested too deeply (position 136)"_s;
    QTest::newRow("two statements") << u"select * from podaci\\magacin; select * from x"_s
                                    << u"Invalid use of keyword. Token: select (position 31)"_s;
    QTest::newRow("clauses out of order")
        << u"select NAZIV from podaci\\magacin order by NAZIV group by NAZIV"_s
        << u"Invalid use of keyword. Token: group (position 49)"_s;
    QTest::newRow("ungrouped field")
        << u"select NAZIV, SIFRAROBE, sum(kolicina) as ukupno from podaci\\prometx group by "_s
           "SIFRAROBE"_s
        << u"Field NAZIV must be in GROUP BY or summed"_s;
    QTest::newRow("field beside a total") << u"select NAZIV, sum(KOLICINA) from podaci\\magacin"_s
                                          << u"Field NAZIV must be in GROUP BY or summed"_s;
    QTest::newRow("star with grouping") << u"select * from podaci\\magacin group by SIFRA"_s
                                        << u"Field NAZIV must be in GROUP BY or summed"_s;
    QTest::newRow("grouped order by other field")
        << u"select SIFRAROBE, sum(KOLICINA) as u from podaci\\prometx group by SIFRAROBE "_s
           "order by NAZIV"_s
        << u"ORDER BY field NAZIV must be in GROUP BY"_s;
    QTest::newRow("duplicate column")
        << u"select NAZIV, naziv from podaci\\magacin"_s << u"Duplicate column name: NAZIV"_s;
    QTest::newRow("alias repeats a field")
        << u"select SIFRAROBE, sum(KOLICINA) as sifrarobe from podaci\\prometx group by SIFRAROBE"_s
        << u"Duplicate column name: SIFRAROBE"_s;
}

void TestSqlDialect::statementsOutsideTheDialectAreRefused()
{
    QFETCH(QString, statement);
    QFETCH(QString, error);
    try {
        const Translation translation = translateHere(statement);
        QFAIL(qPrintable(u"accepted as: "_s + translation.sqlite));
    } catch (const EngineError& refused) {
        QCOMPARE(refused.text(), error);
    }
}

void TestSqlDialect::everyCutOfAProgramStatementTranslatesOrIsRefused()
{
    const QString statement =
        u"select NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, sum(kolicina) as ukupno from "
        "podaci\\prometx.db where (siframasine='M''1' or (NAZIV LIKE '%a%')) and "
        "siframasine2<>2.5 group by NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV order by ukupno DESC;"_s;
    int translated = 0;
    for (qsizetype length = 0; length <= statement.size(); ++length) {
        for (const QString& text : {statement.left(length), statement.mid(length)}) {
            try {
                const Translation translation = translateHere(text);
                // Whatever is accepted must be valid SQLite.
                sqlite3_stmt* prepared = nullptr;
                const QByteArray sql = translation.sqlite.toUtf8();
                QCOMPARE(sqlite3_prepare_v2(m_db, sql.constData(), -1, &prepared, nullptr),
                         SQLITE_OK);
                sqlite3_finalize(prepared);
                ++translated;
            } catch (const EngineError& error) {
                QVERIFY(!error.text().isEmpty());
            }
        }
    }
    QVERIFY(translated > 0);
}

void TestSqlDialect::textErrorsComeBeforeTheTableIsResolved()
{
    m_resolved.clear();
    QVERIFY_THROWS_EXCEPTION(EngineError,
                             translateHere(u"select * from podaci\\nema where NAZIV = 'x"_s));
    QVERIFY(m_resolved.isEmpty());
}

void TestSqlDialect::resolverErrorReachesTheCaller()
{
    try {
        translateHere(u"select * from podaci\\nema"_s);
        QFAIL("a missing table was accepted");
    } catch (const EngineError& error) {
        QCOMPARE(error.text(), u"Table does not exist: podaci\\nema"_s);
    }
}

void TestSqlDialect::nulCharacterIsRefusedEvenInsideQuotes()
{
    // SQLite reads a statement only up to its first NUL: a value holding one would reach it as
    // an unterminated literal, so the statement is refused before it is translated.
    const QString withNul = u"ab"_s + QChar(u'\0') + u"c"_s;
    const QStringList statements = {
        u"select * from podaci\\magacin where NAZIV = '"_s + quoted(withNul) + u"'"_s,
        u"select * from podaci\\magacin where NAZIV like '%"_s + quoted(withNul) + u"%'"_s,
        u"select * from \"podaci\\"_s + withNul + u"\""_s,
        u"select * from podaci\\magacin where NAZIV = 'x'"_s + QChar(u'\0')};
    const QList<int> positions = {47, 51, 25, 47};
    m_resolved.clear();
    for (qsizetype i = 0; i < statements.size(); ++i) {
        try {
            const Translation translation = translateHere(statements[i]);
            QFAIL(qPrintable(u"accepted as: "_s + translation.sqlite));
        } catch (const EngineError& refused) {
            QCOMPARE(refused.text(),
                     u"Invalid character U+0000 at position %1"_s.arg(positions[int(i)]));
        }
    }
    QVERIFY(m_resolved.isEmpty());
}

void TestSqlDialect::characterThatDoesNotPrintIsNamedByItsCode()
{
    auto errorOf = [this](const QString& statement) {
        try {
            translateHere(statement);
        } catch (const EngineError& refused) {
            return refused.text();
        }
        return QString();
    };
    const QString prefix = u"select * from podaci\\magacin where NAZIV = "_s;
    QCOMPARE(errorOf(prefix + QChar(u'\x01')), u"Invalid character U+0001 at position 44"_s);
    QCOMPARE(errorOf(prefix + QChar(0xD800) + u"x"_s),
             u"Invalid character U+D800 at position 44"_s);
    // A character outside the basic plane is named whole.
    QCOMPARE(errorOf(prefix + u"😀"_s), u"Invalid character '😀' at position 44"_s);
    QCOMPARE(errorOf(prefix + u"€"_s), u"Invalid character '€' at position 44"_s);
}

QTEST_GUILESS_MAIN(TestSqlDialect)
#include "tst_sqldialect.moc"
