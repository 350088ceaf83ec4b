#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FileSharedData.h"
#include "data/Transaction.h"
#include "data/pg/PgConnection.h"
#include "data/pg/PgSharedData.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace kestar;
using namespace Qt::StringLiterals;
using test::errorOf;

namespace {

// What a reading gives: its value and text, or its error.
template <typename Read> QString outcome(Read read)
{
    QString shown;
    const QString error = errorOf([&] { shown = read(); });
    return error.isEmpty() ? shown : u"error: "_s + error;
}

QString show(const NumberLine& number)
{
    return QString::number(number.value) + u" '"_s + number.text + u"'"_s;
}

// Every reading of the counter and the switch, with the same stored texts in both stores.
QStringList readings(SharedData& shared)
{
    return {outcome([&] { return show(shared.lastNumber(Counter::Issue)); }),
            outcome([&] { return QString::number(shared.firstNumber(Counter::Issue)); }),
            outcome([&] { return show(shared.equipmentSwitch()); }),
            outcome([&] { return QString::number(shared.holdsCounter(Counter::Receipt)); })};
}

PgConnection connectionOf(const test::TestFolder& folder)
{
    return PgConnection(u"dbname="_s + folder.database());
}

} // namespace

class TestPgSharedData : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!test::onPostgres())
            QSKIP("runs on PostgreSQL only");
    }

    void readsEveryStoredTextAsTheFilesDo_data()
    {
        QTest::addColumn<QByteArray>("counter");
        QTest::addColumn<QByteArray>("equipment");
        QTest::newRow("plain") << QByteArray("17\r\n") << QByteArray("1\r\n");
        QTest::newRow("not a number") << QByteArray("17a\r\n") << QByteArray("x\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("blank line first") << QByteArray("\r\n  42\r\n") << QByteArray("\r\n1\r\n");
        QTest::newRow("blanks before") << QByteArray("   8\n") << QByteArray(" 0");
        QTest::newRow("beyond 32 bits") << QByteArray("99999999999\r\n") << QByteArray("-1\r\n");
        QTest::newRow("long run") << QByteArray(40, '1') << QByteArray("+3\r\n");
        QTest::newRow("letters of the code page")
            << QByteArray("\x8a\x9e\r\n") << QByteArray("\xc8");
    }
    void readsEveryStoredTextAsTheFilesDo()
    {
        QFETCH(QByteArray, counter);
        QFETCH(QByteArray, equipment);
        test::TestFolder folder;
        folder.write(u"otpremnica.txt"_s, counter);
        folder.write(u"oprema.txt"_s, equipment);
        Engine engine;
        PgSharedData database(engine);

        QTemporaryDir files;
        FileSharedData text(files.path());
        {
            QFile file(files.filePath(u"otpremnica.txt"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(counter);
            QFile switchFile(files.filePath(u"oprema.txt"_s));
            QVERIFY(switchFile.open(QIODevice::WriteOnly));
            switchFile.write(equipment);
        }
        const QStringList expected = readings(text);
        QCOMPARE(readings(database), expected);
        // Read inside a transaction, the same.
        Transaction transaction(engine);
        QCOMPARE(readings(database), expected);
    }

    void writesRefuseWhatTheFilesRefuseAndChangeNothing()
    {
        test::TestFolder folder;
        Engine engine;
        PgSharedData shared(engine);
        shared.setCompanyLines({u"Šraf d.o.o."_s, u""_s, u"Čačak"_s});
        QTemporaryDir files;
        FileSharedData text(files.path());
        for (const QStringList& lines : {QStringList{u"Ωmega"_s}, QStringList{u"dva\r\nreda"_s}}) {
            QString refused = errorOf([&] { text.setCompanyLines(lines); });
            QVERIFY(!refused.isEmpty());
            QCOMPARE(errorOf([&] { shared.setCompanyLines(lines); }),
                     refused.replace(files.filePath(u"firma.txt"_s), u"firma.txt"_s));
        }
        QCOMPARE(shared.companyLines(), QStringList({u"Šraf d.o.o."_s, u""_s, u"Čačak"_s}));
        QCOMPARE(folder.read(u"firma.txt"_s), QByteArray("\x8a"
                                                         "raf d.o.o.\r\n\r\n\xc8"
                                                         "a\xe8"
                                                         "ak\r\n"));
    }

    void countersWrittenInATransactionGoWithItsRollback()
    {
        test::TestFolder folder;
        folder.write(u"otpremnica.txt"_s, "41\r\n");
        folder.write(u"ulaz.txt"_s, "7\r\n");
        Engine engine;
        PgSharedData shared(engine);
        {
            Transaction transaction(engine);
            auto change = shared.changeCounters({Counter::Issue, Counter::Receipt});
            change->write({u"42"_s, u"8"_s});
            QCOMPARE(shared.lastNumber(Counter::Issue).value, 42);
            // The commit failed: nothing is put back by hand, the rollback takes both.
            QCOMPARE(change->undoAfter(u"commit failed"_s), u"commit failed"_s);
        }
        QCOMPARE(folder.read(u"otpremnica.txt"_s), QByteArray("41\r\n"));
        QCOMPARE(folder.read(u"ulaz.txt"_s), QByteArray("7\r\n"));

        // Outside a transaction the change is written at once, and put back by undoAfter().
        auto change = shared.changeCounters({Counter::Issue, Counter::Receipt});
        change->write({u"42"_s, u"8"_s});
        QCOMPARE(folder.read(u"otpremnica.txt"_s), QByteArray("42\r\n"));
        QCOMPARE(change->undoAfter(u"commit failed"_s), u"commit failed"_s);
        QCOMPARE(folder.read(u"otpremnica.txt"_s), QByteArray("41\r\n"));
        QCOMPARE(folder.read(u"ulaz.txt"_s), QByteArray("7\r\n"));
    }

    void aCounterReadInATransactionWaitsForItsEnd()
    {
        test::TestFolder folder;
        folder.write(u"otpremnica.txt"_s, "41\r\n");
        Engine first;
        PgSharedData firstShared(first);
        Engine second;
        PgSharedData secondShared(second);
        second.backend().exec(u"SET lock_timeout = '300ms'"_s);

        // Read outside a transaction, a counter holds no lock.
        QCOMPARE(firstShared.lastNumber(Counter::Issue).value, 41);
        {
            Transaction transaction(second);
            QCOMPARE(secondShared.lastNumber(Counter::Issue).value, 41);
        }

        auto taking = std::make_unique<Transaction>(first);
        QCOMPARE(firstShared.lastNumber(Counter::Issue).value, 41);
        {
            // A second workstation taking the same number waits until the first is done.
            Transaction transaction(second);
            QVERIFY2(errorOf([&] {
                         secondShared.firstNumber(Counter::Issue);
                     }).contains(u"lock timeout"_s),
                     "the second read did not wait for the first transaction");
        }
        // Plain readers are not held up.
        QCOMPARE(secondShared.lastNumber(Counter::Issue).value, 41);
        firstShared.changeCounters({Counter::Issue})->write({u"42"_s});
        taking->commit();
        taking.reset();
        Transaction transaction(second);
        QCOMPARE(secondShared.lastNumber(Counter::Issue).value, 42);
    }

    void groupsAreWrittenWholeWhenTheConnectionDiesHalfWay()
    {
        test::TestFolder folder;
        Engine engine;
        PgSharedData shared(engine);
        shared.setGroups({{u"Alat"_s, u"Vijci"_s}, {u"A"_s, u"V"_s}});
        // The server's process ends itself while the codes are written, after the names.
        connectionOf(folder).exec(
            u"CREATE FUNCTION die() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
            "IF NEW.datoteka = 'sgrupe.txt' THEN PERFORM pg_terminate_backend(pg_backend_pid()); "
            "END IF; RETURN NEW; END $$; CREATE TRIGGER die BEFORE INSERT OR UPDATE ON "
            "deljeni_podaci FOR EACH ROW EXECUTE FUNCTION die()"_s);
        const QString error = errorOf([&] {
            shared.setGroups({{u"Nova"_s, u"Alat"_s}, {u"N"_s, u"A"_s}});
        });
        QVERIFY2(error.startsWith(u"Veza sa bazom podataka"_s), qPrintable(error));
        connectionOf(folder).exec(u"DROP TRIGGER die ON deljeni_podaci"_s);

        QCOMPARE(folder.read(u"grupe.txt"_s), QByteArray("Alat\r\nVijci\r\n"));
        QCOMPARE(folder.read(u"sgrupe.txt"_s), QByteArray("A\r\nV\r\n"));
        // The same connection serves again once it has connected anew.
        QCOMPARE(shared.groups().codes, QStringList({u"A"_s, u"V"_s}));
    }

    void aDatabaseWithoutTheTableOrARowSaysWhatIsMissing()
    {
        test::TestFolder folder;
        Engine engine;
        PgSharedData shared(engine);
        QCOMPARE(errorOf([&] { shared.companyLines(); }),
                 u"U bazi podataka nema zapisa firma.txt!!!"_s);
        QCOMPARE(shared.holdsCounter(Counter::Order), false);

        connectionOf(folder).exec(u"DROP TABLE deljeni_podaci"_s);
        Engine older;
        PgSharedData old(older);
        QCOMPARE(errorOf([&] { old.lastNumber(Counter::Issue); }),
                 PgSharedData::missingTableText());
        QCOMPARE(errorOf([&] { old.setEquipmentSwitch(1); }), PgSharedData::missingTableText());
    }
};

QTEST_GUILESS_MAIN(TestPgSharedData)
#include "tst_pgshareddata.moc"
