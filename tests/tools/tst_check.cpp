#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/TextFiles.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/SetupRun.h"
#include "tools/SetupCommand.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTest>
#include <memory>
#include <sqlite3.h>

using namespace kestar;
using kestar::test::CommandResult;
using kestar::test::Row;
using kestar::test::runSetup;
using kestar::test::TestFolder;

namespace {

CommandResult runCheck(const QStringList& arguments)
{
    return runSetup(QStringList{QStringLiteral("check")} + arguments);
}

// Every file under folder (sub-folders included) with its bytes.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    const QDir root(folder);
    const QFileInfoList entries =
        root.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            const QMap<QString, QByteArray> inner = snapshot(entry.filePath());
            for (auto it = inner.constBegin(); it != inner.constEnd(); ++it)
                files.insert(entry.fileName() + QLatin1Char('/') + it.key(), it.value());
            continue;
        }
        QFile file(entry.filePath());
        if (file.open(QIODevice::ReadOnly))
            files.insert(entry.fileName(), file.readAll());
    }
    return files;
}

// Runs SQL on a table file with SQLite itself, past the engine's conversions.
void rawSql(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
             SQLITE_OK);
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    const QString error = message ? QString::fromUtf8(message) : QString();
    sqlite3_free(message);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(error));
}

// The report holds every line; on failure the whole report is shown (QTest cuts long texts).
bool reports(const CommandResult& result, const QString& line)
{
    if (result.out.contains(line))
        return true;
    qInfo().noquote() << "Missing:" << line << "\nin the report:\n" << result.out;
    return false;
}

// An article table as a file copied from elsewhere might hold it: the same fields, no key.
QString unkeyedArticleTable()
{
    QStringList columns;
    for (const FieldDef& field : Schema::table(QStringLiteral("magacin")).fields)
        columns << field.name + QLatin1Char(' ') + FieldValue::sqlType(field.type);
    return QStringLiteral("CREATE TABLE magacin (%1);").arg(columns.join(QLatin1String(", ")));
}

void setCounter(const QString& file, const QString& value)
{
    TextFiles::replaceLines(QStringLiteral("podaci/") + file, {value});
}

Row article(const QString& code, const QString& stock)
{
    return Row{{QStringLiteral("SIFRA"), code},
               {QStringLiteral("NAZIV"), QStringLiteral("Artikal ") + code},
               {QStringLiteral("KOLICINA"), stock},
               {QStringLiteral("MAGACIN1"), stock},
               {QStringLiteral("MAGACIN2"), QStringLiteral("0")},
               {QStringLiteral("DATUMULAZA"), QStringLiteral("01/12/2026")}};
}

// What a posting leaves behind for one line: a ledger row at the front and the stock of the
// article changed by the quantity (lowered for an issue, raised for a receipt).
void postLine(Engine& engine, bool issue, int document, int number, const QString& code,
              double quantity)
{
    test::addRows(engine, QStringLiteral("podaci/prometx"),
                  {Row{{QStringLiteral("BROJDOKUMENTA"), QString::number(document)},
                       {QStringLiteral("OTPREMNICA"), issue ? QString::number(number) : "0"},
                       {QStringLiteral("ULAZ"), issue ? "0" : QString::number(number)},
                       {QStringLiteral("MAGACIN"), QStringLiteral("1")},
                       {QStringLiteral("DATUM"), QStringLiteral("08/12/2026")},
                       {QStringLiteral("VALUTA"), QStringLiteral("08/12/2026")},
                       {QStringLiteral("SIFRAROBE"), code},
                       {QStringLiteral("NAZIV"), QStringLiteral("Artikal ") + code},
                       {QStringLiteral("KOLICINA"), Regional::formatNumber(quantity)},
                       {QStringLiteral("UI"), QStringLiteral("K")},
                       {QStringLiteral("KUPAC"), QStringLiteral("VLASNIK")},
                       {QStringLiteral("KORISNIK"), QStringLiteral("Administrator")}}});
    auto magacin = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin"));
    magacin->open();
    magacin->findNearest(code);
    if (magacin->text(QStringLiteral("SIFRA")) == code) {
        const double change = issue ? -quantity : quantity;
        magacin->edit();
        for (const char* field : {"KOLICINA", "MAGACIN1"})
            magacin->setNumber(QLatin1String(field),
                               magacin->number(QLatin1String(field)) + change);
        magacin->post();
    }
    magacin->close();
    setCounter(QStringLiteral("dokument.txt"), QString::number(document));
    setCounter(issue ? QStringLiteral("otpremnica.txt") : QStringLiteral("ulaz.txt"),
               QString::number(number));
}

// Copies every file of podaci into back-up, named as the backup page names its copies.
void backUp(const TestFolder& folder, const QString& stamp)
{
    const QDir data(folder.path() + QStringLiteral("/podaci"));
    for (const QString& name : data.entryList(QDir::Files))
        QVERIFY(QFile::copy(data.filePath(name),
                            folder.path() + QStringLiteral("/back-up/") + stamp + name));
}

void setTime(const QString& path, const QDateTime& time)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

// Articles A (10), B (5) and C (0), a receipt and an issue already posted.
void makeFolder(const TestFolder& folder)
{
    folder.writeStandardTextFiles();
    test::createAllTables();
    Engine engine;
    test::addRows(engine, QStringLiteral("podaci/magacin"),
                  {article("A", "10"), article("B", "5"), article("C", "0")});
    postLine(engine, false, 1, 1, QStringLiteral("C"), 4);
    postLine(engine, true, 2, 1, QStringLiteral("A"), 3);
}

const QString kStamp = QStringLiteral("08-12-26-09-05-07");

} // namespace

class TestCheck : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_regional = std::make_unique<ScopedRegional>(Regional::standard()); }
    void cleanup() { m_regional.reset(); }

    void consistentFolderPassesWithAndWithoutSince()
    {
        TestFolder folder;
        makeFolder(folder);
        backUp(folder, kStamp);
        {
            Engine engine;
            postLine(engine, true, 3, 2, QStringLiteral("A"), 1.5);
            postLine(engine, false, 4, 2, QStringLiteral("B"), 0.1);
            postLine(engine, false, 4, 2, QStringLiteral("B"), 0.2);
            // A code without an article gets its row and changes no stock.
            postLine(engine, true, 5, 3, QStringLiteral("NEMA"), 2);
        }
        const auto before = snapshot(folder.path());
        CommandResult result =
            runCheck({QStringLiteral("podaci"), QStringLiteral("--since"), kStamp});
        QCOMPARE(snapshot(folder.path()), before);
        QVERIFY2(result.out.endsWith(QStringLiteral("Verdict: consistent\n")),
                 qPrintable(result.out));
        QCOMPARE(result.code, SetupCommand::kOk);
        QVERIFY(reports(result, QStringLiteral("Ledger rows added since the backup: 4")));
        QVERIFY(reports(result, QStringLiteral("otpremnica.txt: 3 (largest OTPREMNICA in the "
                                               "ledger: 3)")));
        QVERIFY(!result.out.contains(QStringLiteral("Problem")));

        result = runCheck({QStringLiteral("podaci")});
        QCOMPARE(result.code, SetupCommand::kOk);
        QVERIFY(reports(result, QStringLiteral("Stock movement since the backup ") + kStamp));
    }

    // A posting's rows stand together and agree in the document's kind, number, date and user:
    // rows of one BROJDOKUMENTA elsewhere in the ledger, or differing in those, are a second
    // posting under a number already used.
    void documentNumberHeldByTwoPostingsIsReported()
    {
        TestFolder folder;
        makeFolder(folder);
        {
            Engine engine;
            postLine(engine, true, 3, 2, QStringLiteral("A"), 1);
            // A counter put back from an old copy: receipt 2 under document number 1 again.
            postLine(engine, false, 1, 2, QStringLiteral("B"), 1);
            // Two issues, 4 and 5, under one document number, next to each other.
            postLine(engine, true, 5, 4, QStringLiteral("A"), 1);
            postLine(engine, true, 5, 5, QStringLiteral("B"), 1);
        }
        const CommandResult result = runCheck({QStringLiteral("podaci")});
        QCOMPARE(result.code, SetupCommand::kRefused);
        QVERIFY(reports(result, QStringLiteral("Problem: BROJDOKUMENTA 1 is held by more than one "
                                               "posting: its rows stand in 2 separate runs of the "
                                               "ledger (the first from row 3, the second from row "
                                               "6)")));
        QVERIFY(reports(result, QStringLiteral("Problem: BROJDOKUMENTA 5 is held by more than one "
                                               "posting: rows 1 and 2 differ in OTPREMNICA, ULAZ, "
                                               "DATUM or KORISNIK")));
        QVERIFY(reports(result, QStringLiteral("Verdict: 2 problems\n")));
    }

    void demoFolderIsConsistent()
    {
        TestFolder folder;
        const CommandResult made = runSetup({"new", "demo/podaci", "--demo"});
        QCOMPARE(made.code, SetupCommand::kOk);
        const CommandResult result = runCheck({QStringLiteral("demo/podaci")});
        QVERIFY2(result.code == SetupCommand::kOk, qPrintable(result.out + result.err));
        QVERIFY(reports(result, QStringLiteral("No backup to compare with: there is no "
                                               "backup folder back-up")));
    }

    void valuesTheProgramCannotReadBackAreReportedByRowAndField()
    {
        TestFolder folder;
        makeFolder(folder);
        rawSql(folder.dataPath("magacin.db"),
               "UPDATE magacin SET KOLICINA='abc' WHERE SIFRA='B';"
               "UPDATE magacin SET DATUMULAZA='2026-02-31' WHERE SIFRA='C';"
               "UPDATE magacin SET NAZIV=CAST(x'41C328' AS TEXT) WHERE SIFRA='A';");
        // The ledger's rows in natural order: the issue (row 1) before the receipt (row 2).
        rawSql(folder.dataPath("prometx.db"),
               "UPDATE prometx SET OTPREMNICA=5000000000 WHERE ULAZ=0;"
               "UPDATE prometx SET BROJDOKUMENTA='1x', MAGACIN=2.5 WHERE ULAZ<>0;");
        const auto before = snapshot(folder.path());
        const CommandResult result = runCheck({QStringLiteral("podaci")});
        QCOMPARE(snapshot(folder.path()), before);
        QCOMPARE(result.code, SetupCommand::kRefused);
        const QStringList expected{
            "magacin.db row 1 (SIFRA 'A'), NAZIV: text that is not valid UTF-8",
            "magacin.db row 2 (SIFRA 'B'), KOLICINA: text in a number field: 'abc' is not a valid "
            "floating point value for field 'KOLICINA'",
            "magacin.db row 3 (SIFRA 'C'), DATUMULAZA: '2026-02-31' is not a date",
            "prometx.db row 1, OTPREMNICA: 5000000000 is beyond 32 bits",
            "prometx.db row 2, BROJDOKUMENTA: text in a whole-number field: '1x' is not a valid "
            "integer value for field 'BROJDOKUMENTA'",
            "prometx.db row 2, MAGACIN: the fraction 2.5 is not a valid integer value"};
        for (const QString& line : expected)
            QVERIFY(reports(result, QStringLiteral("Problem: ") + line));
        QVERIFY(reports(result, QStringLiteral("Verdict: 6 problems\n")));
    }

    void repeatedCodesAndTablesThatDoNotOpenAreReported()
    {
        TestFolder folder;
        makeFolder(folder);
        // A copied article table without its key, holding one code twice.
        rawSql(folder.dataPath("magacin.db"),
               QStringLiteral("ALTER TABLE magacin RENAME TO stari;") + unkeyedArticleTable() +
                   "INSERT INTO magacin SELECT * FROM stari;"
                   "DROP TABLE stari;"
                   "INSERT INTO magacin SELECT * FROM magacin WHERE SIFRA='B';");
        folder.write(QStringLiteral("masina.db"), "this is not a table file");
        // A mode the program never sets, in which reading would create files beside the table.
        rawSql(folder.dataPath("pmagacin.db"), "PRAGMA journal_mode=WAL;");
        folder.remove(QStringLiteral("korisnici.db"));
        rawSql(folder.dataPath("Stari.DB"), "CREATE TABLE stari(A TEXT, B INTEGER);"
                                            "INSERT INTO stari VALUES('x', 99999999999);");
        const auto before = snapshot(folder.path());
        const CommandResult result = runCheck({QStringLiteral("podaci")});
        QCOMPARE(snapshot(folder.path()), before);
        QCOMPARE(result.code, SetupCommand::kRefused);
        for (const QString& line :
             {QStringLiteral("Problem: magacin.db has no primary key SIFRA"),
              QStringLiteral("Problem: magacin.db row 4 (SIFRA 'B'): repeated SIFRA, first held by "
                             "row 2"),
              QStringLiteral("Problem: masina.db cannot be opened: file is not a database"),
              QStringLiteral("Problem: korisnici.db is missing"),
              QStringLiteral("Problem: pmagacin.db cannot be opened: the file is in WAL journal "
                             "mode"),
              QStringLiteral("Stari.DB is none of the program's tables"),
              QStringLiteral("Problem: Stari.DB row 1, B: 99999999999 is beyond 32 bits"),
              QStringLiteral("magacin.db: table magacin, 19 fields, 4 rows read")})
            QVERIFY(reports(result, line));
    }

    void countersBehindTheLedgerOrUnreadableAreReported()
    {
        TestFolder folder;
        makeFolder(folder);
        {
            Engine engine;
            postLine(engine, true, 3, 17, QStringLiteral("A"), 1);
        }
        setCounter(QStringLiteral("otpremnica.txt"), QStringLiteral("16"));
        setCounter(QStringLiteral("dokument.txt"), QStringLiteral("17a"));
        setCounter(QStringLiteral("ulaz.txt"), QStringLiteral("5"));
        folder.remove(QStringLiteral("rnalog.txt"));
        const CommandResult result = runCheck({QStringLiteral("podaci")});
        QCOMPARE(result.code, SetupCommand::kRefused);
        QVERIFY(reports(result, QStringLiteral("Problem: otpremnica.txt holds 16, behind the "
                                               "ledger, where OTPREMNICA goes up to 17")));
        QVERIFY(reports(result, QStringLiteral("Problem: dokument.txt cannot be read as a "
                                               "counter: '17a' is not a valid integer value")));
        QVERIFY(reports(result, QStringLiteral("ulaz.txt: 5 (largest ULAZ in the ledger: 1)")));
        QVERIFY(reports(result, QStringLiteral("  rnalog.txt: not present")));
        QVERIFY(reports(result, QStringLiteral("Verdict: 2 problems\n")));

        folder.remove(QStringLiteral("ulaz.txt"));
        QVERIFY(runCheck({QStringLiteral("podaci")})
                    .out.contains(QStringLiteral("Problem: ulaz.txt is missing")));
    }

    void stockChangedWithoutLedgerRowIsReported()
    {
        TestFolder folder;
        makeFolder(folder);
        backUp(folder, kStamp);
        {
            Engine engine;
            postLine(engine, true, 3, 2, QStringLiteral("A"), 2);
            auto magacin = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin"));
            magacin->open();
            magacin->findNearest(QStringLiteral("B"));
            magacin->edit();
            magacin->setText(QStringLiteral("KOLICINA"), QStringLiteral("7.5"));
            magacin->post();
            magacin->findNearest(QStringLiteral("A"));
            magacin->edit();
            magacin->setText(QStringLiteral("MAGACIN1"), QStringLiteral("6"));
            magacin->post();
            magacin->close();
        }
        const CommandResult result =
            runCheck({QStringLiteral("podaci"), QStringLiteral("--since=") + kStamp});
        QCOMPARE(result.code, SetupCommand::kRefused);
        QVERIFY2(
            result.out.contains(QStringLiteral(
                "Problem: article A: MAGACIN1 then 7, now 6, ledger movement -2, difference 1")),
            qPrintable(result.out));
        QVERIFY(reports(result, QStringLiteral("Problem: article B: KOLICINA then 5, now 7.5, "
                                               "ledger movement 0, difference 2.5")));
        QVERIFY(!result.out.contains(QStringLiteral("article A: KOLICINA")));
        // Both edits part KOLICINA from the warehouse sum: information, not a problem.
        QVERIFY(reports(result, QStringLiteral("  A: KOLICINA 5, MAGACIN1+...+MAGACIN5 6")));
        QVERIFY(reports(result, QStringLiteral("  B: KOLICINA 7.5, MAGACIN1+...+MAGACIN5 5")));
        QVERIFY(reports(result, QStringLiteral("Verdict: 2 problems\n")));
    }

    void ledgerRowsGoneSinceTheBackupAreReported()
    {
        TestFolder folder;
        makeFolder(folder);
        {
            Engine engine;
            postLine(engine, true, 3, 2, QStringLiteral("B"), 1);
        }
        backUp(folder, kStamp);
        {
            Engine engine;
            auto ledger = std::make_unique<Table>(engine, QStringLiteral("podaci/prometx"));
            ledger->open();
            ledger->last(); // the oldest row: the receipt of C
            ledger->remove();
            ledger->close();
        }
        const CommandResult result = runCheck({QStringLiteral("podaci"), "--since", kStamp});
        QCOMPARE(result.code, SetupCommand::kRefused);
        QVERIFY(reports(
            result, QStringLiteral(
                        "Problem: ledger row gone since the backup: BROJDOKUMENTA 1, OTPREMNICA 0, "
                        "ULAZ 1, DATUM 08/12/2026, SIFRAROBE C, NAZIV Artikal C, KOLICINA 4")));
        QVERIFY(reports(result, QStringLiteral("Verdict: 1 problem\n")));
    }

    void ledgerIsComparedAsAMultisetIgnoringSaldo()
    {
        TestFolder folder;
        makeFolder(folder);
        backUp(folder, kStamp);
        {
            Engine engine;
            // The item card rewrites SALDO: no movement.
            auto ledger = std::make_unique<Table>(engine, QStringLiteral("podaci/prometx"));
            ledger->open();
            for (ledger->first(); !ledger->eof(); ledger->next()) {
                ledger->edit();
                ledger->setText(QStringLiteral("SALDO"), QStringLiteral("42"));
                ledger->post();
            }
            ledger->close();
            // A second row equal to one in the backup is a new row all the same.
            postLine(engine, true, 2, 1, QStringLiteral("A"), 3);
        }
        CommandResult result = runCheck({QStringLiteral("podaci"), "--since", kStamp});
        QVERIFY2(result.code == SetupCommand::kOk, qPrintable(result.out));
        QVERIFY(reports(result, QStringLiteral("Ledger rows added since the backup: 1")));

        // The same row once more, this time without its stock change.
        {
            Engine engine;
            test::addRows(engine, QStringLiteral("podaci/prometx"),
                          {test::readRows(engine, QStringLiteral("podaci/prometx")).first()});
        }
        result = runCheck({QStringLiteral("podaci"), "--since", kStamp});
        QCOMPARE(result.code, SetupCommand::kRefused);
        QVERIFY(reports(
            result,
            QStringLiteral("article A: KOLICINA then 7, now 4, ledger movement -6, difference 3")));
    }

    void newestCompleteBackupIsTakenWithoutSince()
    {
        TestFolder folder;
        makeFolder(folder);
        const QString older = QStringLiteral("07-12-26-18-00-00");
        const QString newer = QStringLiteral("08-12-26-08-00-00");
        const QString incomplete = QStringLiteral("08-12-26-09-00-00");
        backUp(folder, older);
        {
            Engine engine;
            postLine(engine, true, 3, 2, QStringLiteral("A"), 1);
        }
        backUp(folder, newer);
        backUp(folder, incomplete);
        folder.remove(QStringLiteral("../back-up/") + incomplete + QStringLiteral("prometx.db"));
        const QDateTime base = QDateTime::currentDateTime().addDays(-1);
        const QDir backups(folder.path() + QStringLiteral("/back-up"));
        for (const QString& name : backups.entryList(QDir::Files)) {
            const int age = name.startsWith(older) ? 3 : name.startsWith(newer) ? 2 : 1;
            setTime(backups.filePath(name), base.addSecs(-age * 3600));
        }
        CommandResult result = runCheck({QStringLiteral("podaci")});
        QVERIFY(reports(result, QStringLiteral("Stock movement since the backup ") + newer));
        QVERIFY(reports(result, QStringLiteral("Ledger rows added since the backup: 0")));
        QCOMPARE(result.code, SetupCommand::kOk);

        result = runCheck({QStringLiteral("podaci"), "--since", older});
        QVERIFY(reports(result, QStringLiteral("Ledger rows added since the backup: 1")));
        QCOMPARE(result.code, SetupCommand::kOk);

        // The backup asked for is not complete: the comparison cannot be made.
        result = runCheck({QStringLiteral("podaci"), "--since", incomplete});
        QCOMPARE(result.code, SetupCommand::kRefused);
        QVERIFY(reports(result, incomplete + QStringLiteral("prometx.db")));
    }

    void wrongCommandLinesAreUsageErrors()
    {
        TestFolder folder;
        QCOMPARE(runCheck({}).code, SetupCommand::kUsage);
        QCOMPARE(runCheck({QStringLiteral("podaci"), QStringLiteral("--since")}).code,
                 SetupCommand::kUsage);
        QCOMPARE(runCheck({QStringLiteral("podaci"), QStringLiteral("--fast")}).code,
                 SetupCommand::kUsage);
        QCOMPARE(runCheck({QStringLiteral("podaci"), QStringLiteral("drugi")}).code,
                 SetupCommand::kUsage);
        QCOMPARE(runCheck({QStringLiteral("podaci"), "--since", "../x"}).code,
                 SetupCommand::kUsage);
        const CommandResult missing = runCheck({QStringLiteral("nema")});
        QCOMPARE(missing.code, SetupCommand::kRefused);
        QVERIFY(missing.err.contains(QStringLiteral("Not a data folder")));
    }

private:
    std::unique_ptr<ScopedRegional> m_regional;
};

QTEST_GUILESS_MAIN(TestCheck)
#include "tst_check.moc"
