#include "data/Engine.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/TextFiles.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/SetupRun.h"
#include "tools/SetupCommand.h"
#include "tools/SetupDemoCatalog.h"
#include "tools/SetupFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace kestar;
using kestar::test::CommandResult;
using kestar::test::Row;
using kestar::test::runSetup;
using kestar::test::TestFolder;

namespace {

// Every file of a folder with its bytes, to see that a refusal changed nothing.
QHash<QString, QByteArray> snapshot(const QString& folder)
{
    QHash<QString, QByteArray> files;
    const QFileInfoList entries = QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        QFile file(entry.filePath());
        file.open(QIODevice::ReadOnly);
        files.insert(entry.fileName(), file.readAll());
    }
    return files;
}

} // namespace

class TestSetup : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_regional = std::make_unique<ScopedRegional>(Regional::standard()); }
    void cleanup() { m_regional.reset(); }

    void newFolderHoldsTheFiveTablesWithTheirFieldsInOrder()
    {
        TestFolder folder;
        QCOMPARE(runSetup({"new", "podaci/nova"}).code, SetupCommand::kOk);
        Engine engine;
        for (const TableDef& def : Schema::tables()) {
            auto table = std::make_unique<Table>(engine, QStringLiteral("podaci/nova/") + def.name);
            table->open();
            const QList<FieldDef> fields = table->fields();
            QCOMPARE(fields.size(), def.fields.size());
            for (int i = 0; i < fields.size(); ++i) {
                QCOMPARE(fields.at(i).name, def.fields.at(i).name);
                QCOMPARE(fields.at(i).type, def.fields.at(i).type);
            }
            if (def.name != QLatin1String("korisnici"))
                QVERIFY2(table->isEmpty(), qPrintable(def.name));
        }
        const auto magacin = engine.attach(QStringLiteral("podaci/nova/magacin"));
        QCOMPARE(magacin->key, QStringLiteral("SIFRA"));
        QVERIFY(engine.attach(QStringLiteral("podaci/nova/prometx"))->hasOrder);
    }

    void newFolderHoldsTheTextFilesByteForByte()
    {
        TestFolder folder;
        // The working folder's podaci exists and is empty: that is allowed.
        QCOMPARE(runSetup({"new", "podaci"}).code, SetupCommand::kOk);
        QByteArray company;
        for (int i = 0; i < 13; ++i)
            company += "\r\n";
        QCOMPARE(folder.read("firma.txt"), company);
        QCOMPARE(folder.read("oprema.txt"), QByteArray("1\r\n"));
        for (const char* counter :
             {"dokument.txt", "otpremnica.txt", "ulaz.txt", "predracun.txt", "rnalog.txt"})
            QCOMPARE(folder.read(QString::fromLatin1(counter)), QByteArray("0\r\n"));
        QVERIFY(QFileInfo::exists(folder.dataPath("grupe.txt")));
        QCOMPARE(folder.read("grupe.txt"), QByteArray());
        QCOMPARE(folder.read("sgrupe.txt"), QByteArray());
        // The program's own readers take them as they stand.
        QCOMPARE(TextFiles::readFirstLineNumber("podaci/otpremnica.txt").value, 0);
        QCOMPARE(TextFiles::readFirstListedNumber("podaci\\oprema.txt").value, 1);
        QCOMPARE(TextFiles::readCompanyFields("podaci/firma.txt"), QStringList(13, QString()));
    }

    void firstUserIsTheAdministratorWithTheGivenPassword()
    {
        TestFolder folder;
        QCOMPARE(runSetup({"new", "podaci/a"}).code, SetupCommand::kOk);
        QCOMPARE(runSetup({"new", "podaci/b", "--password", "x7"}).code, SetupCommand::kOk);
        Engine engine;
        const Row admin123{{"SIFRA", "123"}, {"KORISNIK", "Administrator"}};
        const Row adminX7{{"SIFRA", "x7"}, {"KORISNIK", "Administrator"}};
        QCOMPARE(test::readRows(engine, "podaci/a/korisnici.db"), QList<Row>{admin123});
        QCOMPARE(test::readRows(engine, "podaci/b/korisnici.db"), QList<Row>{adminX7});
    }

    void passwordLongerThanThreeCharactersIsRefusedBeforeAnythingIsMade()
    {
        TestFolder folder;
        for (const QString& password : {QStringLiteral("1234"), QString()}) {
            const CommandResult result = runSetup({"new", "podaci/x", "--password", password});
            QCOMPARE(result.code, SetupCommand::kRefused);
            QVERIFY2(result.err.contains("nothing was changed"), qPrintable(result.err));
            QVERIFY(!QFileInfo::exists(folder.dataPath("x")));
        }
    }

    void existingFolderIsNeverOverwritten()
    {
        TestFolder folder;
        folder.write("magacin.db", "not to be touched");
        folder.write("firma.txt", "Stara firma\r\n");
        const auto before = snapshot(folder.dataPath(""));
        const CommandResult result = runSetup({"new", "podaci", "--demo"});
        QCOMPARE(result.code, SetupCommand::kRefused);
        QVERIFY2(result.err.contains("podaci already exists; nothing was changed"),
                 qPrintable(result.err));
        QCOMPARE(snapshot(folder.dataPath("")), before);

        // A plain file in the way is refused the same way.
        folder.write("datoteka", "x");
        QCOMPARE(runSetup({"new", "podaci/datoteka"}).code, SetupCommand::kRefused);
        QCOMPARE(folder.read("datoteka"), QByteArray("x"));
    }

    void commandLineIsCheckedAndExplained()
    {
        TestFolder folder;
        const CommandResult help = runSetup({"--help"});
        QCOMPARE(help.code, SetupCommand::kOk);
        QVERIFY(help.out.contains("kestar-setup new PODACI_FOLDER [--password P] [--demo]"));
        QCOMPARE(runSetup({}).code, SetupCommand::kUsage);
        QCOMPARE(runSetup({"new"}).code, SetupCommand::kUsage);
        QCOMPARE(runSetup({"make", "podaci/x"}).code, SetupCommand::kUsage);
        QCOMPARE(runSetup({"new", "podaci/x", "--password"}).code, SetupCommand::kUsage);
        QCOMPARE(runSetup({"new", "podaci/x", "--colour"}).code, SetupCommand::kUsage);
        QVERIFY(!QFileInfo::exists(folder.dataPath("x")));
        // Parents are made as needed, as run-demo.sh relies on.
        QCOMPARE(runSetup({"new", "demo/program/podaci", "--password", "123", "--demo"}).code,
                 SetupCommand::kOk);
        QVERIFY(QFileInfo::exists(folder.path() + "/demo/program/podaci/prometx.db"));
    }

    void demoStockFollowsTheLedger()
    {
        TestFolder folder;
        QCOMPARE(runSetup({"new", "podaci", "--demo"}).code, SetupCommand::kOk);
        Engine engine;
        const QList<Row> ledger = test::readRows(engine, "podaci/prometx.db");
        const QList<Row> articles = test::readRows(engine, "podaci/magacin.db");
        QVERIFY(articles.size() >= 45);
        QVERIFY(ledger.size() >= 20);

        QHash<QString, double> moved;
        for (const Row& row : ledger) {
            const bool issue = row["OTPREMNICA"] != "0";
            const bool receipt = row["ULAZ"] != "0";
            QVERIFY(issue != receipt);
            moved[row["SIFRAROBE"]] += (issue ? -1 : 1) * row["KOLICINA"].toDouble();
        }
        QHash<QString, double> starting;
        for (const DemoArticle& article : SetupDemoCatalog::articles())
            starting.insert(article.code, article.stock);
        QCOMPARE(articles.size(), starting.size());
        int changed = 0;
        for (const Row& article : articles) {
            const QString code = article["SIFRA"];
            QVERIFY2(starting.contains(code), qPrintable(code));
            const double expected = starting.value(code) + moved.value(code);
            QCOMPARE(article["KOLICINA"].toDouble(), expected);
            QCOMPARE(article["MAGACIN1"], article["KOLICINA"]);
            for (const char* other : {"MAGACIN2", "MAGACIN3", "MAGACIN4", "MAGACIN5"})
                QCOMPARE(article[other], QStringLiteral("0"));
            QVERIFY(article["GRUPAROBE"].size() <= 3);
            changed += moved.contains(code) ? 1 : 0;
        }
        QCOMPARE(changed, moved.size()); // every ledger article exists in magacin

        // Some articles are to be ordered: below their minimum, with a quantity to order.
        QStringList below;
        for (const Row& article : articles) {
            QVERIFY(article["KOLICINAZANABAVKU"].toDouble() > 0);
            if (article["KOLICINA"].toDouble() < article["MINKOLICINA"].toDouble())
                below << article["SIFRA"];
        }
        QCOMPARE(below, QStringList({"ALT009", "HID005", "LEZ007", "ZOP006"}));
    }

    void demoLedgerRowsAreWrittenAsAPostingWritesThem()
    {
        TestFolder folder;
        QCOMPARE(runSetup({"new", "podaci", "--demo"}).code, SetupCommand::kOk);
        Engine engine;
        const QList<Row> ledger = test::readRows(engine, "podaci/prometx.db");
        const QList<DemoDocument> documents = SetupDemoCatalog::documents();

        // Newest document first, and within it the last line first.
        int row = 0;
        for (int d = documents.size() - 1; d >= 0; --d) {
            const DemoDocument& document = documents.at(d);
            const bool issue = document.kind == DemoKind::Issue;
            for (int l = document.lines.size() - 1; l >= 0; --l, ++row) {
                const Row& r = ledger.at(row);
                QCOMPARE(r["BROJDOKUMENTA"], QString::number(d + 1));
                QCOMPARE(r["SIFRAROBE"], document.lines.at(l).article);
                QCOMPARE(r["OTPREMNICA"], issue ? QString::number(document.number) : "0");
                QCOMPARE(r["ULAZ"], issue ? "0" : QString::number(document.number));
                for (const char* field :
                     {"NARUDZBENICA", "PREDRACUN", "RADNINALOG", "RACUN", "POVRATNICA", "UMAGACIN",
                      "CENA", "RABAT", "SIFRAKUPCA", "VREDNOST"})
                    QCOMPARE(r[field], QStringLiteral("0"));
                QCOMPARE(r["MAGACIN"], QStringLiteral("1"));
                QCOMPARE(r["UI"], QStringLiteral("K"));
                QCOMPARE(r["KUPAC"], QStringLiteral("VLASNIK"));
                QCOMPARE(r["KORISNIK"], document.user);
                QCOMPARE(r["VALUTA"], r["DATUM"]);
                QVERIFY(Regional::parseDate(r["DATUM"]).isValid());
                QCOMPARE(r["SALDO"], QString());
                QCOMPARE(r["SIFRAMASINE"].isEmpty(), !issue || document.machine < 0);
                QCOMPARE(r["NAZIVMASINE"].isEmpty(), r["SIFRAMASINE"].isEmpty());
            }
        }
        QCOMPARE(row, ledger.size());
    }

    void demoCountersAndGroupsMatchTheData()
    {
        TestFolder folder;
        QCOMPARE(runSetup({"new", "podaci", "--demo"}).code, SetupCommand::kOk);
        Engine engine;
        int document = 0, issue = 0, receipt = 0;
        for (const Row& row : test::readRows(engine, "podaci/prometx.db")) {
            document = qMax(document, row["BROJDOKUMENTA"].toInt());
            issue = qMax(issue, row["OTPREMNICA"].toInt());
            receipt = qMax(receipt, row["ULAZ"].toInt());
        }
        QVERIFY(issue > 0 && receipt > 0);
        QCOMPARE(folder.read("dokument.txt"), QByteArray::number(document) + "\r\n");
        QCOMPARE(folder.read("otpremnica.txt"), QByteArray::number(issue) + "\r\n");
        QCOMPARE(folder.read("ulaz.txt"), QByteArray::number(receipt) + "\r\n");
        QCOMPARE(folder.read("predracun.txt"), QByteArray("0\r\n"));

        const QStringList names = TextFiles::readLines("podaci/grupe.txt");
        const QStringList codes = TextFiles::readLines("podaci/sgrupe.txt");
        QCOMPARE(names.size(), codes.size());
        QVERIFY(names.size() >= 5);
        for (const QString& code : codes)
            QVERIFY(!code.isEmpty() && code.size() <= 3);
        // Every article's group is a line pair of the group files.
        for (const Row& article : test::readRows(engine, "podaci/magacin.db")) {
            const int at = codes.indexOf(article["GRUPAROBE"]);
            QVERIFY2(at >= 0, qPrintable(article["SIFRA"]));
            QCOMPARE(article["NAZIVGRUPE"], names.at(at));
        }
        QCOMPARE(TextFiles::readCompanyFields("podaci/firma.txt").first(),
                 SetupDemoCatalog::companyLines().first());
        QCOMPARE(test::readRows(engine, "podaci/masina.db").size(),
                 SetupDemoCatalog::machines().size());
        QCOMPARE(test::readRows(engine, "podaci/korisnici.db").size(), 2);
    }

    void tablesReadBackWithTheSqliteShell()
    {
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (shell.isEmpty())
            QSKIP("the sqlite3 command-line shell is not installed");
        TestFolder folder;
        QCOMPARE(runSetup({"new", "podaci", "--demo"}).code, SetupCommand::kOk);
        QProcess process;
        process.start(shell, {folder.dataPath("korisnici.db"),
                              "SELECT KORISNIK || '|' || SIFRA FROM korisnici ORDER BY _ord"});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()),
                 QStringLiteral("Administrator|123\nMagacioner|111\n"));
        process.start(shell, {folder.dataPath("magacin.db"), "PRAGMA integrity_check"});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), QStringLiteral("ok\n"));
    }

private:
    std::unique_ptr<ScopedRegional> m_regional;
};

QTEST_GUILESS_MAIN(TestSetup)
#include "tst_setup.moc"
