// Several copies of the program on one database: started side by side, the item chooser of one
// showing what another commits, and two saves of the same new article.
#include "app/Assembly.h"
#include "data/CodePage.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "data/controls/DataGrid.h"
#include "goods/ItemChooser.h"
#include "masterdata/NewArticles.h"
#include "platform/Regional.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/PostgresOnlyTest.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/pg/ScratchDatabase.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QtTest>
#include <thread>

using namespace kestar;
using namespace Qt::StringLiterals;
using kestar::test::Row;
using kestar::test::ScriptedMessages;
using kestar::test::TestFolder;

namespace {

Row article(const QString& code, const QString& name, const QString& group)
{
    return {{u"SIFRA"_s, code},
            {u"NAZIV"_s, name},
            {u"GRUPAROBE"_s, u"01"_s},
            {u"NAZIVGRUPE"_s, group},
            {u"KOLICINA"_s, u"1"_s}};
}

QString connection(const TestFolder& folder)
{
    return u"dbname="_s + folder.database();
}

// Connections one copy of the program holds to the folder's database. Each copy names itself
// through PGAPPNAME, so a backend of the test's own setup that is still going away is not counted.
int connectionsOf(const TestFolder& folder, const QString& copy)
{
    const QStringList rows = test::selectRows(
        connection(folder), u"SELECT count(*) FROM pg_stat_activity WHERE datname = "
                            "current_database() AND application_name = '"_s
                                + copy + u"'"_s);
    return rows.value(0).toInt();
}

// Sessions of the database waiting for a lock another one holds.
int waitingForALock(const TestFolder& folder)
{
    const QStringList rows = test::selectRows(
        connection(folder), u"SELECT count(*) FROM pg_stat_activity WHERE datname = "
                            "current_database() AND wait_event_type = 'Lock'"_s);
    return rows.value(0).toInt();
}

// The program itself, started on the program folder as a user would start it.
class RunningProgram
{
public:
    RunningProgram(const TestFolder& folder, const QString& name)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        env.insert(u"PGAPPNAME"_s, name);
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(folder.path());
        m_process.start(QStringLiteral(KESTAR_PROGRAM), {});
    }
    ~RunningProgram()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool running() const { return m_process.state() == QProcess::Running; }

private:
    QProcess m_process;
};

} // namespace

class TestWorkstationCopies : public test::PostgresOnlyTest
{
    Q_OBJECT

private slots:
    void twoCopiesOfTheProgramWorkOnOneDatabase()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        test::createAllTables();
        RunningProgram first(folder, u"copy-one"_s);
        QTRY_COMPARE_WITH_TIMEOUT(connectionsOf(folder, u"copy-one"_s), 1, 20000);
        // The second copy takes no lock of the folder: it connects too and keeps running.
        RunningProgram second(folder, u"copy-two"_s);
        QTRY_COMPARE_WITH_TIMEOUT(connectionsOf(folder, u"copy-two"_s), 1, 20000);
        QCOMPARE(connectionsOf(folder, u"copy-one"_s), 1);
        QTest::qWait(500);
        QVERIFY(first.running());
        QVERIFY(second.running());
        QVERIFY(!QFileInfo::exists(folder.dataPath(u".kestar.lock"_s)));
    }

    void itemChooserShowsAnArticleCommittedElsewhere()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        folder.write(u"grupe.txt"_s, CodePage::encode(u"Alati"_s) + "\r\n");
        test::createAllTables();
        ScriptedMessages messages;
        Assembly program(messages);
        test::addRows(program.workplace().engine(), u"podaci/magacin.db"_s,
                      {article(u"A1"_s, u"Cekic"_s, u"Alati"_s)});
        QVERIFY(program.start());
        ItemChooser chooser(program.workplace());
        chooser.open();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        auto* groups = chooser.findChild<QListWidget*>(u"ListBox1"_s);
        const auto alati = groups->findItems(u"Alati"_s, Qt::MatchExactly);
        QCOMPARE(alati.size(), 1);
        QTest::mouseClick(groups->viewport(), Qt::LeftButton, {},
                          groups->visualItemRect(alati.first()).center());
        const QAbstractItemModel* shown = chooser.findChild<DataGrid*>(u"DBGrid1"_s)->model();
        QCOMPARE(shown->rowCount(), 1);

        Engine other;
        test::addRows(other, u"podaci/magacin.db"_s, {article(u"A2"_s, u"Klesta"_s, u"Alati"_s)});
        QTRY_COMPARE(shown->rowCount(), 2);
        QCOMPARE(shown->index(1, 0).data().toString(), u"Klesta"_s);
        QCOMPARE(messages.shown().size(), 0);
    }

    void twoSavesOfOneNewArticleKeepTheFirstAndFailNeither()
    {
        TestFolder folder;
        test::createAllTables();
        Engine here;
        test::addRows(here, u"podaci/pmagacin.db"_s,
                      {{{u"SIFRA"_s, u"N1"_s}, {u"NAZIV"_s, u"Turpija"_s}},
                       {{u"SIFRA"_s, u"N2"_s}, {u"NAZIV"_s, u"Sekac ovde"_s}}});

        // The other workstation is saving N2: it has locked the code and written the article,
        // and not yet committed.
        Engine other;
        auto otherSave = std::make_unique<Transaction>(other);
        other.lockKeys(u"podaci/magacin.db"_s, {u"N2"_s});
        test::addRows(other, u"podaci/magacin.db"_s, {article(u"N2"_s, u"Sekac tamo"_s, {})});

        QString error;
        int copied = -1;
        std::thread save([&]() {
            try {
                Engine engine;
                Table staged(engine, u"podaci/pmagacin.db"_s);
                Table items(engine, u"podaci/magacin.db"_s);
                copied = NewArticles::save(engine, staged, items);
            } catch (const EngineError& refused) {
                error = refused.text();
            }
        });
        QElapsedTimer waited;
        waited.start();
        while (waitingForALock(folder) == 0 && waited.elapsed() < 20000)
            QTest::qWait(20);
        otherSave->commit();
        otherSave.reset();
        save.join();

        QCOMPARE(error, QString());
        QCOMPARE(copied, 1);
        QCOMPARE(test::selectRows(connection(folder),
                                  u"SELECT \"SIFRA\", \"NAZIV\" FROM magacin ORDER BY 1"_s),
                 QStringList({u"N1|Turpija"_s, u"N2|Sekac tamo"_s}));
        QCOMPARE(test::selectRows(connection(folder), u"SELECT count(*) FROM pmagacin"_s),
                 QStringList{u"0"_s});
    }

};

QTEST_MAIN(TestWorkstationCopies)
#include "tst_workstationcopies.moc"
