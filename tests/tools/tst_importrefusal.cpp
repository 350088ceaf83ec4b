#include "data/Engine.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/ParadoxWriter.h"
#include "tools/SetupCommand.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>
#include <functional>
#include <memory>

using namespace kestar;
using namespace kestar::test;
namespace Old = kestar::test::OldFolderFixture;

namespace {

void patch(const QString& path, const std::function<void(QByteArray&)>& change)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray bytes = file.readAll();
    change(bytes);
    QVERIFY(file.resize(0));
    file.write(bytes);
}

} // namespace

class TestImportRefusal : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional = std::make_unique<ScopedRegional>(Regional::standard());
        m_folder = std::make_unique<TestFolder>();
        m_old = m_folder->path() + QStringLiteral("/stari");
        m_new = m_folder->path() + QStringLiteral("/a/novi");
        QDir().mkpath(m_old);
        Old::writeEmptyTables(m_old);
        Old::writeTextFiles(m_old);
        ParadoxWriter::writeTexts(m_old + "/korisnici.DB", {"SIFRA", "KORISNIK"},
                                  {{"123", "Administrator"}});
    }
    void cleanup()
    {
        m_folder.reset();
        m_regional.reset();
    }

    void unreadableTableRefusesTheImportAndLeavesNothingBehind_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing table")
            << "masina" << 0 << "the table masina (masina.DB) is missing";
        QTest::newRow("random bytes") << "magacin" << 1 << "is damaged";
        QTest::newRow("cut short") << "prometx" << 2 << "is damaged";
        QTest::newRow("field count pxlib would crash on") << "korisnici" << 3 << "fields";
        QTest::newRow("field name without its end") << "pmagacin" << 4 << "does not fit the header";
        QTest::newRow("empty file") << "magacin" << 5 << "too short";
    }
    void unreadableTableRefusesTheImportAndLeavesNothingBehind()
    {
        QFETCH(QString, table);
        QFETCH(int, damage);
        QFETCH(QString, reason);
        const QString path = m_old + QLatin1Char('/') + table + QStringLiteral(".DB");
        switch (damage) {
        case 0:
            QVERIFY(QFile::remove(path));
            break;
        case 1:
            patch(path, [](QByteArray& bytes) {
                for (char& byte : bytes)
                    byte = char(QRandomGenerator::global()->bounded(256));
            });
            break;
        case 2:
            patch(path, [](QByteArray& bytes) { bytes.truncate(1000); });
            break;
        case 3:
            patch(path, [](QByteArray& bytes) {
                bytes[0x21] = char(0xff);
                bytes[0x22] = char(0x7f);
            });
            break;
        case 4:
            patch(path, [](QByteArray& bytes) {
                // The names follow the field descriptions, their pointers and the table name.
                const int fields = quint8(bytes.at(0x21));
                for (int i = 0x78 + 6 * fields + 4 + 261; i < 0x800; ++i)
                    bytes[i] = 'x';
            });
            break;
        case 5:
            patch(path, [](QByteArray& bytes) { bytes.clear(); });
            break;
        }
        const auto before = Old::snapshot(m_old);

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kRefused);
        QVERIFY2(run.out.contains("Verdict: nothing written"), qPrintable(run.out));
        QVERIFY2(run.out.contains(reason), qPrintable(run.out));
        QVERIFY(!QFileInfo::exists(m_new));
        QVERIFY(!QFileInfo::exists(m_folder->path() + "/a")); // the parent made for it is gone
        QCOMPARE(Old::snapshot(m_old), before);
    }

    void newFolderMustBeMissingOrEmptyAndOutsideTheOldOne()
    {
        QDir().mkpath(m_new);
        QFile(m_new + "/firma.txt").open(QIODevice::WriteOnly);
        Old::ImportRun run = Old::runImport(m_old, m_new);
        QCOMPARE(run.code, SetupCommand::kRefused);
        QVERIFY2(run.out.contains("already exists"), qPrintable(run.out));
        QCOMPARE(QDir(m_new).entryList(QDir::Files), QStringList{"firma.txt"});

        QVERIFY(QFile::remove(m_new + "/firma.txt"));
        run = Old::runImport(m_old, m_new); // an empty folder is taken
        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY(QFileInfo::exists(m_new + "/magacin.db"));

        const auto before = Old::snapshot(m_old);
        run = Old::runImport(m_old, m_old + "/novi");
        QCOMPARE(run.code, SetupCommand::kRefused);
        QVERIFY2(run.out.contains("may not lie inside the old one"), qPrintable(run.out));
        QCOMPARE(Old::snapshot(m_old), before);
        QVERIFY(!QFileInfo::exists(m_old + "/novi"));

        run = Old::runImport(m_folder->path() + "/nema", m_folder->path() + "/x");
        QCOMPARE(run.code, SetupCommand::kRefused);
        QVERIFY2(run.out.contains("does not exist"), qPrintable(run.out));
    }

    void commandLineNeedsBothFolders()
    {
        QCOMPARE(Old::runImport(m_old, QString()).code, SetupCommand::kUsage);
        checkUsageErrors();
    }

    void onlyTheDataFolderFilesAreCopiedAndMissingTextFilesGetTheirStartingContents()
    {
        QVERIFY(QFile::remove(m_old + "/oprema.txt"));
        QVERIFY(QFile::remove(m_old + "/sgrupe.txt"));
        for (const char* name :
             {"magacin.PX", "STARO.DB", "STARO.PX", "PDOXUSRS.NET", "PARADOX.LCK"})
            QFile(m_old + "/" + name).open(QIODevice::WriteOnly);
        QFile extra(m_old + "/napomena.doc");
        extra.open(QIODevice::WriteOnly);
        extra.write("\x00\x01\r\nbez kraja", 13);
        extra.close();
        QDir().mkpath(m_old + "/stare kopije");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(
            run.out.contains("oprema.txt is missing in the old folder; it was written with its "
                             "starting contents"),
            qPrintable(run.out));
        QVERIFY2(run.out.contains("Verdict: imported with 2 problems"), qPrintable(run.out));
        QVERIFY2(run.out.contains("STARO.DB"), qPrintable(run.out));
        QVERIFY2(run.out.contains("stare kopije/"), qPrintable(run.out));
        QStringList files = QDir(m_new).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        files.sort();
        QCOMPARE(files, (QStringList{"dokument.txt", "firma.txt", "grupe.txt", "korisnici.db",
                                     "magacin.db", "masina.db", "napomena.doc", "oprema.txt",
                                     "otpremnica.txt", "pmagacin.db", "predracun.txt", "prometx.db",
                                     "rnalog.txt", "sgrupe.txt", "ulaz.txt"}));
        QFile copy(m_new + "/napomena.doc");
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("\x00\x01\r\nbez kraja", 13));
        QFile oprema(m_new + "/oprema.txt");
        QVERIFY(oprema.open(QIODevice::ReadOnly));
        QCOMPARE(oprema.readAll(), QByteArray("1\r\n"));
    }

private:
    void checkUsageErrors()
    {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        QCOMPARE(SetupCommand::run({"import", m_old, m_new, "--fast"}, outStream, errStream),
                 SetupCommand::kUsage);
        QVERIFY2(err.contains("Unknown option: --fast"), qPrintable(err));
        QCOMPARE(SetupCommand::run({"import", m_old}, outStream, errStream), SetupCommand::kUsage);
        QVERIFY(!QFileInfo::exists(m_new));
    }

    std::unique_ptr<ScopedRegional> m_regional;
    std::unique_ptr<TestFolder> m_folder;
    QString m_old;
    QString m_new;
};

QTEST_GUILESS_MAIN(TestImportRefusal)
#include "tst_importrefusal.moc"
