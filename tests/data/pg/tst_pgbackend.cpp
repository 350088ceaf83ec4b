#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "data/pg/PgBackend.h"
#include "data/pg/PgConnection.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/PgRelay.h"
#include "tests/support/PostgresOnlyTest.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/pg/ScratchDatabase.h"

#include <QDir>
#include <QTest>
#include <functional>

using namespace kestar;
using namespace Qt::StringLiterals;

using kestar::test::errorOf;

namespace {

// Ends every other connection to the folder's database, as a server going away does.
void dropConnections(const test::TestFolder& folder)
{
    PgConnection server(u"dbname=postgres"_s);
    server.exec(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = '%1' "
                "AND pid <> pg_backend_pid()"_s.arg(folder.database()));
}

void addLine(Table& ledger, int document, const QString& item)
{
    ledger.first();
    ledger.insert();
    ledger.setText(u"BROJDOKUMENTA"_s, QString::number(document));
    ledger.setText(u"SIFRAROBE"_s, item);
    ledger.setText(u"KOLICINA"_s, u"1"_s);
    ledger.post();
}

} // namespace

class TestPgBackend : public test::PostgresOnlyTest
{
    Q_OBJECT

private slots:
    void aLostConnectionLosesNothingCommittedAndNeverReportsSuccess()
    {
        test::TestFolder folder;
        test::createAllTables();
        Engine engine;
        Table ledger(engine, u"podaci/prometx.db"_s);
        ledger.open();
        addLine(ledger, 1, u"A"_s);

        const QString lost = u"Veza sa bazom podataka %1 je prekinuta!!! Sta nije bilo zavrseno "
                             "nije upamceno; ponovite radnju kada baza bude ponovo dostupna."_s.arg(
                                 folder.database());
        {
            // The server goes away in the middle of a transaction: its commit fails.
            Transaction transaction(engine);
            addLine(ledger, 2, u"B"_s);
            dropConnections(folder);
            QCOMPARE(errorOf([&] { addLine(ledger, 3, u"C"_s); }), lost);
            QCOMPARE(errorOf([&] { transaction.commit(); }), lost);
        }
        // A single post after it connects anew.
        addLine(ledger, 4, u"D"_s);
        dropConnections(folder);
        QCOMPARE(errorOf([&] { addLine(ledger, 5, u"E"_s); }), lost);

        Engine other;
        const QList<test::Row> rows = test::readRows(other, u"podaci/prometx"_s);
        QStringList items;
        for (const test::Row& row : rows)
            items.append(row.value(u"SIFRAROBE"_s));
        QCOMPARE(items, QStringList({u"D"_s, u"A"_s}));
    }

    void aCommitWhoseAnswerIsLostIsSettledOnANewConnection()
    {
        test::TestFolder folder;
        test::createAllTables();
        test::PgRelay relay;
        folder.write(u"baza.txt"_s, relay.connection(folder.database()).toUtf8() + '\n');
        Engine engine;
        Table ledger(engine, u"podaci/prometx.db"_s);
        ledger.open();
        const auto committed = [&](int document, const QString& item) {
            Transaction transaction(engine);
            addLine(ledger, document, item);
            return errorOf([&] { transaction.commit(); });
        };

        // The server kept it and only its answer was lost: the user is told it is saved, and
        // does not post it a second time.
        relay.cutAtNextCommit(test::PgRelay::Cut::AfterCommit);
        QCOMPARE(committed(1, u"A"_s), QString());
        QCOMPARE(relay.cuts(), 1);
        // The COMMIT never arrived: not saved, as the text says.
        relay.cutAtNextCommit(test::PgRelay::Cut::BeforeCommit);
        QCOMPARE(committed(2, u"B"_s),
                 u"Veza sa bazom podataka %1 je prekinuta!!! Sta nije bilo zavrseno nije "
                 "upamceno; ponovite radnju kada baza bude ponovo dostupna."_s.arg(
                     folder.database()));
        QCOMPARE(relay.cuts(), 2);
        // The server kept it, but stays out of reach: nobody can say, and the text says so.
        relay.cutAtNextCommit(test::PgRelay::Cut::AfterCommit, true);
        QCOMPARE(committed(3, u"C"_s),
                 u"Veza sa bazom podataka %1 je prekinuta dok se upis zavrsavao!!! Nije poznato "
                 "da li je upamceno; proverite pre nego sto ponovite radnju."_s.arg(
                     folder.database()));

        QCOMPARE(test::selectRows(u"dbname="_s + folder.database(),
                                  u"SELECT \"SIFRAROBE\" FROM prometx ORDER BY rowid"_s),
                 QStringList({u"A"_s, u"C"_s}));
    }

    // The name search reads only the rows the trigram index of the folded name lets through,
    // and finds a name whatever the case of its letters, Č and č alike.
    void theNameSearchIsNarrowedByTheTrigramIndex()
    {
        test::TestFolder folder;
        test::createAllTables();
        Engine engine;
        QList<test::Row> articles;
        for (int i = 0; i < 300; ++i)
            articles.append({{u"SIFRA"_s, u"A%1"_s.arg(i, 4, 10, QLatin1Char('0'))},
                             {u"NAZIV"_s, u"Vijak M%1"_s.arg(i)}});
        articles.append({{u"SIFRA"_s, u"Z1"_s}, {u"NAZIV"_s, u"ČELIČNA MATICA"_s}});
        articles.append({{u"SIFRA"_s, u"Z2"_s}, {u"NAZIV"_s, u"čelična matica"_s}});
        test::addRows(engine, u"podaci/magacin.db"_s, articles);
        const auto found = [&](const QString& text) {
            Query search(engine, u"Select * from podaci\\magacin where (NAZIV LIKE '%"_s + text +
                                     u"%')"_s);
            search.open();
            QStringList codes;
            for (search.first(); !search.eof(); search.next())
                codes.append(search.text(u"SIFRA"_s));
            return codes;
        };
        QCOMPARE(found(u"čelična"_s), QStringList({u"Z1"_s, u"Z2"_s}));
        QCOMPARE(found(u"M29"_s).size(), 11); // M29 and M290 to M299
        QCOMPARE(found(u"nema"_s), QStringList());

        // The statement the search runs, as the server plans it when it may choose.
        const PgBackend& backend = static_cast<const PgBackend&>(engine.backend());
        const QStringList plan = test::selectRows(
            u"dbname="_s + folder.database(),
            u"SET enable_seqscan = off; EXPLAIN SELECT * FROM magacin WHERE "_s +
                backend.foldingLike(u"\"NAZIV\""_s, u"'%matica%'"_s));
        QVERIFY2(plan.join(u' ').contains(u"magacin_NAZIV_trigrams"_s), qPrintable(plan.join(u'\n')));
    }

    void aDatabaseThatCannotBeReachedIsNamed()
    {
        test::TestFolder folder;
        folder.write(u"baza.txt"_s, "dbname=kestar_nema_takve\n");
        const QString error = errorOf([] { Engine engine; });
        QVERIFY2(error.startsWith(u"Baza podataka kestar_nema_takve nije dostupna!!!"_s),
                 qPrintable(error));
        folder.write(u"baza.txt"_s, "\n");
        QVERIFY(errorOf([] { Engine engine; }).endsWith(u"ne navodi bazu podataka!!!"_s));
    }

    void textComparedWithANumberFieldMatchesAsOnSqlite()
    {
        test::TestFolder folder;
        test::createAllTables();
        Engine engine;
        Table ledger(engine, u"podaci/prometx.db"_s);
        ledger.open();
        addLine(ledger, 1, u"17"_s);
        addLine(ledger, 2, u"A"_s);
        const auto count = [&](const QString& where) {
            Query query(engine, u"select * from podaci\\prometx where "_s + where);
            query.open();
            return query.rowCount();
        };
        QCOMPARE(count(u"BROJDOKUMENTA = '17a'"_s), 0);
        QCOMPARE(count(u"BROJDOKUMENTA <> '17a'"_s), 2);
        QCOMPARE(count(u"BROJDOKUMENTA = ' 2 '"_s), 1);
        QCOMPARE(count(u"OTPREMNICA <> 'x'"_s), 0); // NULL everywhere
        QCOMPARE(count(u"SIFRAROBE = 17"_s), 1);
        QCOMPARE(count(u"DATUM = 'danas'"_s), 0);
        QCOMPARE(count(u"KOLICINA like '1%'"_s), 2);
        QCOMPARE(count(u"'17' = SIFRAROBE"_s), 1);
    }

    void anEditInsideATransactionWaitsForAnotherWriterOfTheRow()
    {
        test::TestFolder folder;
        test::createAllTables();
        Engine engine;
        Table items(engine, u"podaci/magacin.db"_s);
        items.open();
        items.insert();
        items.setText(u"SIFRA"_s, u"100"_s);
        items.setText(u"KOLICINA"_s, u"5"_s);
        items.post();

        Transaction transaction(engine);
        items.findNearest(u"100"_s);
        items.edit();
        // The row is locked now: another connection cannot write it before the commit.
        QVERIFY(!test::writesAtOnce(folder.dataPath(u"magacin.db"_s),
                                    "UPDATE magacin SET \"KOLICINA\" = 1"));
        items.setNumber(u"KOLICINA"_s, items.number(u"KOLICINA"_s) + 2);
        items.post();
        transaction.commit();
        QVERIFY(test::writesAtOnce(folder.dataPath(u"magacin.db"_s),
                                   "UPDATE magacin SET \"KOLICINA\" = \"KOLICINA\" + 1"));
        items.refresh();
        QCOMPARE(items.text(u"KOLICINA"_s), u"8"_s);
    }

};

QTEST_GUILESS_MAIN(TestPgBackend)
#include "tst_pgbackend.moc"
