#include "data/EngineError.h"
#include "data/sql/SqlDialect.h"
#include "tests/data/SqlDialectFixture.h"

#include <QTest>
#include <sqlite3.h>

using namespace kestar;
using namespace kestar::sql;
using namespace kestar::test;
using namespace Qt::StringLiterals;

class TestSqlRefusals : public SqlDialectFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { openDatabase(); }
    void cleanupTestCase() { closeDatabase(); }

    void statementsOutsideTheDialectAreRefused_data();
    void statementsOutsideTheDialectAreRefused();
    void everyCutOfAProgramStatementTranslatesOrIsRefused();
    void textErrorsComeBeforeTheTableIsResolved();
    void resolverErrorReachesTheCaller();
    void nulCharacterIsRefusedEvenInsideQuotes();
    void characterThatDoesNotPrintIsNamedByItsCode();
};

void TestSqlRefusals::statementsOutsideTheDialectAreRefused_data()
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

void TestSqlRefusals::statementsOutsideTheDialectAreRefused()
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

void TestSqlRefusals::everyCutOfAProgramStatementTranslatesOrIsRefused()
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

void TestSqlRefusals::textErrorsComeBeforeTheTableIsResolved()
{
    m_resolved.clear();
    QVERIFY_THROWS_EXCEPTION(EngineError,
                             translateHere(u"select * from podaci\\nema where NAZIV = 'x"_s));
    QVERIFY(m_resolved.isEmpty());
}

void TestSqlRefusals::resolverErrorReachesTheCaller()
{
    try {
        translateHere(u"select * from podaci\\nema"_s);
        QFAIL("a missing table was accepted");
    } catch (const EngineError& error) {
        QCOMPARE(error.text(), u"Table does not exist: podaci\\nema"_s);
    }
}

void TestSqlRefusals::nulCharacterIsRefusedEvenInsideQuotes()
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

void TestSqlRefusals::characterThatDoesNotPrintIsNamedByItsCode()
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

QTEST_GUILESS_MAIN(TestSqlRefusals)
#include "tst_sqlrefusals.moc"
