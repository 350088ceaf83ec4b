#include "data/Engine.h"
#include "data/Schema.h"
#include "data/pg/PgConnection.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/PostgresOnlyTest.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/SetupRun.h"
#include "tests/tools/pg/ScratchDatabase.h"
#include "tools/SetupCommand.h"
#include "tools/SetupDemoCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <memory>

using namespace kestar;
using namespace Qt::StringLiterals;
using test::runSetup;
using test::ScratchDatabase;
using test::selectRows;

namespace {

QStringList tablesOf(const ScratchDatabase& database)
{
    return selectRows(database.connection(),
                      u"SELECT tablename FROM pg_tables WHERE schemaname = current_schema() "
                      "ORDER BY tablename"_s);
}

} // namespace

class TestSetupPg : public test::PostgresOnlyTest
{
    Q_OBJECT

private slots:
    void newDemoFolderKeepsItsTablesInTheDatabase()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"demo"_s);
        const test::CommandResult made =
            runSetup({"new", "prog/podaci", "--postgres", database.connection(), "--demo"});
        QVERIFY2(made.code == SetupCommand::kOk, qPrintable(made.err));
        QVERIFY2(made.out.contains(database.name()), qPrintable(made.out));

        // The folder holds the selector file alone: the tables and the shared data are rows of
        // the database.
        const QDir data(folder.path() + u"/prog/podaci"_s);
        QFile selector(data.filePath(u"baza.txt"_s));
        QVERIFY(selector.open(QIODevice::ReadOnly));
        QCOMPARE(selector.readAll(), database.connection().toUtf8() + "\n");
        QCOMPARE(data.entryList(QDir::Files), QStringList{u"baza.txt"_s});

        QCOMPARE(tablesOf(database), QStringList({"deljeni_podaci", "korisnici", "magacin",
                                                  "masina", "pmagacin", "prometx"}));
        QCOMPARE(
            selectRows(database.connection(),
                       u"SELECT datoteka FROM deljeni_podaci ORDER BY datoteka"_s),
            QStringList({"dokument.txt", "firma.txt", "grupe.txt", "oprema.txt", "otpremnica.txt",
                         "predracun.txt", "rnalog.txt", "sgrupe.txt", "ulaz.txt"}));
        QCOMPARE(selectRows(database.connection(),
                            u"SELECT redovi FROM deljeni_podaci WHERE datoteka = 'oprema.txt'"_s),
                 QStringList{u"1\n"_s});
        // The demo's counters stand where its ledger ends: check finds nothing to report.
        const test::CommandResult check = runSetup({"check", data.path()});
        QVERIFY2(check.code == SetupCommand::kOk, qPrintable(check.out + check.err));
        QVERIFY2(check.out.contains(u"otpremnica.txt: "_s) &&
                     check.out.contains(u"largest OTPREMNICA in the ledger"_s),
                 qPrintable(check.out));
        QCOMPARE(
            selectRows(database.connection(),
                       u"SELECT \"KORISNIK\", \"SIFRA\" FROM korisnici ORDER BY _ord, rowid"_s),
            QStringList({"Administrator|123", "Magacioner|111"}));
        QCOMPARE(selectRows(database.connection(), u"SELECT count(*) FROM magacin"_s),
                 QStringList{QString::number(SetupDemoCatalog::articles().size())});
        QVERIFY(
            selectRows(database.connection(), u"SELECT count(*) FROM prometx"_s).first().toInt() >=
            20);

        // The program's engine on that folder reads them as its own, whatever the working
        // folder is; the key order is the byte order.
        Engine engine(data.path());
        const QList<test::Row> articles = test::readRows(engine, data.filePath(u"magacin.db"_s));
        QCOMPARE(articles.size(), SetupDemoCatalog::articles().size());
        for (int i = 1; i < articles.size(); ++i)
            QVERIFY(articles.at(i - 1)["SIFRA"].toUtf8() < articles.at(i)["SIFRA"].toUtf8());
        QCOMPARE(engine.attach(data.filePath(u"magacin"_s))->key, u"SIFRA"_s);
        QVERIFY(engine.attach(data.filePath(u"prometx"_s))->hasOrder);
    }

    void databaseHoldingTheTablesIsRefusedAndKept()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"held"_s);
        QCOMPARE(runSetup({"new", "a/podaci", "--postgres", database.connection()}).code,
                 SetupCommand::kOk);
        const QStringList users = selectRows(database.connection(), u"SELECT * FROM korisnici"_s);

        const test::CommandResult second =
            runSetup({"new", "b/podaci", "--postgres", database.connection(), "--password", "9"});
        QCOMPARE(second.code, SetupCommand::kRefused);
        QVERIFY2(second.err.contains(u"already holds the tables of a data folder"_s),
                 qPrintable(second.err));
        QVERIFY2(second.err.contains(u"nothing was changed"_s), qPrintable(second.err));
        QVERIFY(!QFileInfo::exists(folder.path() + u"/b"_s));
        QCOMPARE(selectRows(database.connection(), u"SELECT * FROM korisnici"_s), users);
        QVERIFY(QFileInfo::exists(folder.path() + u"/a/podaci/baza.txt"_s));
    }

    void badConnectionsAreRefusedBeforeAnythingIsMade()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"bad"_s);
        const QList<QPair<QString, QString>> cases{
            {database.connection() + u" password=geheim"_s, u"may not hold a password"_s},
            {u"dbname=kestar_no_such_database"_s, u"kestar_no_such_database"_s},
            {u"dbname='unclosed"_s, u"cannot be read"_s},
        };
        for (const auto& [connection, reason] : cases) {
            const test::CommandResult result =
                runSetup({"new", "x/podaci", "--postgres", connection});
            QCOMPARE(result.code, SetupCommand::kRefused);
            QVERIFY2(result.err.contains(reason), qPrintable(result.err));
            QVERIFY2(!QFileInfo::exists(folder.path() + u"/x"_s), qPrintable(connection));
        }
        QCOMPARE(runSetup({"new", "x/podaci", "--postgres"}).code, SetupCommand::kUsage);
        QVERIFY(tablesOf(database).isEmpty());
    }

    void failureHalfWayTakesTheTablesAwayAgain()
    {
        test::TestFolder folder;
        ScratchDatabase database(u"half"_s);
        // The server refuses the last table, as a full disk or a missing right would.
        PgConnection(database.connection())
            .exec(u"CREATE FUNCTION refuse_masina() RETURNS event_trigger LANGUAGE plpgsql AS $$ "
                  "BEGIN IF EXISTS (SELECT 1 FROM pg_event_trigger_ddl_commands() "
                  "WHERE object_identity LIKE '%masina') THEN "
                  "RAISE EXCEPTION 'no room for masina'; END IF; END $$; "
                  "CREATE EVENT TRIGGER refuse_masina ON ddl_command_end "
                  "EXECUTE FUNCTION refuse_masina()"_s);
        const test::CommandResult result =
            runSetup({"new", "prog/podaci", "--postgres", database.connection(), "--demo"});
        QCOMPARE(result.code, SetupCommand::kRefused);
        QVERIFY2(result.err.contains(u"no room for masina"_s), qPrintable(result.err));
        QVERIFY(!QFileInfo::exists(folder.path() + u"/prog/podaci"_s));
        QVERIFY2(tablesOf(database).isEmpty(), qPrintable(tablesOf(database).join(", ")));
    }

};

QTEST_GUILESS_MAIN(TestSetupPg)
#include "tst_setuppg.moc"
