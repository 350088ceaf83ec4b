#include "data/EngineError.h"
#include "data/sql/SqlDialect.h"
#include "tests/data/SqlDialectFixture.h"

#include <QTest>
#include <sqlite3.h>

using namespace kestar;
using namespace kestar::sql;
using namespace kestar::test;
using namespace Qt::StringLiterals;

namespace {

// The issue and receipt column lists of the document print page.
const QString kIssueColumns =
    u"OTPREMNICA, SIFRAROBE, NAZIV, KOLICINA, SIFRAKUPCA, DATUM, VALUTA, KORISNIK, NAZIVGRUPE, "_s
    "SIFRAGRUPE, KOMENTAR, KOMENTAR2, SIFRAMASINE, SIFRAMASINE2, NAZIVMASINE"_s;
const QString kReceiptColumns =
    u"ULAZ, SIFRAROBE, NAZIV, KOLICINA, SIFRAKUPCA, DATUM, VALUTA, KORISNIK, NAZIVGRUPE, "_s
    "SIFRAGRUPE, KOMENTAR, KOMENTAR2, SIFRAMASINE, SIFRAMASINE2, NAZIVMASINE"_s;

} // namespace

class TestSqlDialect : public SqlDialectFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { openDatabase(); }
    void cleanupTestCase() { closeDatabase(); }

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
};

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

QTEST_GUILESS_MAIN(TestSqlDialect)
#include "tst_sqldialect.moc"
