#include "data/Engine.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/tools/ImportFolders.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/ParadoxWriter.h"
#include "tools/SetupCommand.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <functional>
#include <memory>

extern "C" {
#include <paradox.h>
}

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

quint16 u16At(const QByteArray& bytes, qsizetype at)
{
    return quint16(quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8);
}

// Where data block number (counted from 1) starts in a table file.
qsizetype blockStart(const QByteArray& table, int number)
{
    return u16At(table, 0x02) + qsizetype(number - 1) * quint8(table.at(0x05)) * 0x400;
}

// An old ledger of rows numbered from 1, newest first; its data blocks follow one another.
void writeLedger(const QString& path, int rows)
{
    ParadoxWriter prometx(Old::columns("prometx"));
    for (int i = 0; i < rows; ++i) {
        QVariantList row(30);
        row[0] = rows - i;
        row[2] = rows - i;
        row[14] = QStringLiteral("A%1").arg(i % 50);
        row[19] = 1.5;
        prometx.addRow(row);
    }
    prometx.write(path);
}

} // namespace

class TestImportRefusal : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_folders = std::make_unique<ImportFolders>(QStringLiteral("a/novi"));
        m_old = m_folders->oldFolder();
        m_new = m_folders->newFolder();
        ParadoxWriter::writeTexts(m_old + "/korisnici.DB", {"SIFRA", "KORISNIK"},
                                  {{"123", "Administrator"}});
    }
    void cleanup() { m_folders.reset(); }

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
        QVERIFY(!QFileInfo::exists(m_folders->path() + "/a")); // the parent made for it is gone
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

        run = Old::runImport(m_folders->path() + "/nema", m_folders->path() + "/x");
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

    // A table whose header is sound but whose data blocks are damaged cannot be read whole: the
    // import refuses it rather than write the rows it happens to reach.
    void damagedDataBlockRefusesTheWholeImport_data()
    {
        QTest::addColumn<int>("damage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("random bytes") << 0 << "data block 5";
        QTest::newRow("zeroed block ends the chain early") << 1 << "block 5";
        QTest::newRow("link back to an earlier block") << 2 << "data block 5";
        QTest::newRow("size not a whole number of records") << 3 << "data block 5";
        QTest::newRow("link past the end of the file") << 4 << "data block 5";
    }
    void damagedDataBlockRefusesTheWholeImport()
    {
        QFETCH(int, damage);
        QFETCH(QString, reason);
        const QString path = m_old + "/prometx.DB";
        writeLedger(path, 600);
        patch(path, [damage](QByteArray& bytes) {
            QVERIFY(u16At(bytes, 0x0C) > 8); // the ledger fills several blocks
            const qsizetype at = blockStart(bytes, 5);
            const int blockSize = quint8(bytes.at(0x05)) * 0x400;
            switch (damage) {
            case 0: {
                QRandomGenerator random(16);
                for (int i = 0; i < blockSize; ++i)
                    bytes[at + i] = char(random.bounded(256));
                // Damage that leaves a link looking like one still has to be found.
                bytes[at] = 6;
                bytes[at + 1] = 0;
                break;
            }
            case 1:
                bytes.replace(at, blockSize, QByteArray(blockSize, '\0'));
                break;
            case 2:
                bytes[at] = 2;
                bytes[at + 1] = 0;
                break;
            case 3:
                bytes[at + 4] = char(quint8(bytes.at(at + 4)) + 1);
                break;
            case 4:
                bytes[at] = char(0xFF);
                bytes[at + 1] = char(0x7F);
                break;
            }
        });
        const auto before = Old::snapshot(m_old);

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kRefused);
        QVERIFY2(run.out.contains("Verdict: nothing written"), qPrintable(run.out));
        QVERIFY2(run.out.contains("prometx.DB is damaged"), qPrintable(run.out));
        QVERIFY2(run.out.contains(reason), qPrintable(run.out));
        QVERIFY(!QFileInfo::exists(m_new));
        QVERIFY(!QFileInfo::exists(m_folders->path() + "/a"));
        QCOMPARE(Old::snapshot(m_old), before);
    }

    // The working folder of an import that was killed is cleared away by the next import.
    void workingFolderOfAKilledImportIsRemovedByTheNextOne()
    {
        writeLedger(m_old + "/prometx.DB", 40000);
        QProcess killed;
        killed.start(QStringLiteral(KESTAR_SETUP), {"import", m_old, m_new});
        QVERIFY(killed.waitForStarted());
        const QString parent = m_folders->path() + "/a";
        QStringList working;
        QElapsedTimer timer;
        timer.start();
        while (working.isEmpty() && timer.elapsed() < 60000 &&
               killed.state() == QProcess::Running) {
            working = QDir(parent).entryList({".novi.import-*"},
                                             QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
            QTest::qSleep(2);
        }
        killed.kill();
        killed.waitForFinished();
        QVERIFY2(!working.isEmpty(), "the import ended before it could be killed");
        QCOMPARE(killed.exitStatus(), QProcess::CrashExit);
        QVERIFY(QFileInfo(parent + "/" + working.first()).isDir());
        QVERIFY(!QFileInfo::exists(m_new));

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("removed the working folder"), qPrintable(run.out));
        QCOMPARE(QDir(parent).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"novi"});
        QVERIFY(QFileInfo::exists(m_new + "/prometx.db"));
    }

    // A counter the old folder lacks starts where the imported ledger ends, so the next
    // document never repeats the number of one already in the ledger.
    void missingCounterFileStartsAtTheLedgersLargestNumber()
    {
        for (const char* name : {"dokument.txt", "otpremnica.txt", "ulaz.txt", "rnalog.txt"})
            QVERIFY(QFile::remove(m_old + "/" + name));
        ParadoxWriter prometx(Old::columns("prometx"));
        const QList<QList<int>> numbers{{43, 0, 9}, {42, 17, 0}, {12, 0, 4}};
        for (const QList<int>& number : numbers) {
            QVariantList row(30);
            row[0] = number.at(0);
            row[2] = number.at(1);
            row[3] = number.at(2);
            prometx.addRow(row);
        }
        prometx.write(m_old + "/prometx.DB");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        const auto read = [this](const char* name) {
            QFile file(m_new + "/" + name);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("missing");
        };
        QCOMPARE(read("dokument.txt"), QByteArray("43\r\n"));
        QCOMPARE(read("otpremnica.txt"), QByteArray("17\r\n"));
        QCOMPARE(read("ulaz.txt"), QByteArray("9\r\n"));
        QCOMPARE(read("rnalog.txt"), QByteArray("0\r\n"));
        QCOMPARE(read("predracun.txt"), QByteArray("0\r\n")); // copied
        QVERIFY2(run.out.contains("ulaz.txt is missing in the old folder; it was written with 9, "
                                  "the largest ULAZ in the ledger"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("rnalog.txt is missing in the old folder; it was written with "
                                  "its starting contents"),
                 qPrintable(run.out));
        const CommandResult check = runSetup({"check", m_new});
        QVERIFY2(!check.out.contains("behind the ledger"), qPrintable(check.out));
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

    std::unique_ptr<ImportFolders> m_folders;
    QString m_old;
    QString m_new;
};

QTEST_GUILESS_MAIN(TestImportRefusal)
#include "tst_importrefusal.moc"
