#include "data/Engine.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/tools/ImportFolders.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/ParadoxWriter.h"
#include "tools/SetupCommand.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <memory>

extern "C" {
#include <paradox.h>
}

using namespace kestar;
using namespace kestar::test;
namespace Old = kestar::test::OldFolderFixture;

namespace {

// A ledger whose KOMENTAR is a memo with 10 leading bytes in the record.
void writeLedgerWithMemos(const QString& path, const QStringList& memos)
{
    QList<ParadoxColumn> columns{{"BROJDOKUMENTA", pxfLong}, {"KOMENTAR", pxfMemoBLOb, 20}};
    ParadoxWriter writer(columns);
    int number = 1;
    for (const QString& memo : memos)
        writer.addRow({number++, memo.isNull() ? QVariant() : QVariant(memo)});
    writer.write(path);
}

QStringList comments(const QString& table)
{
    Engine engine;
    QStringList texts;
    for (const Row& row : readRows(engine, table))
        texts.append(row.value("KOMENTAR"));
    return texts;
}

} // namespace

class TestImportMemo : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_folders = std::make_unique<ImportFolders>();
        m_old = m_folders->oldFolder();
        m_new = m_folders->newFolder();
    }
    void cleanup() { m_folders.reset(); }

    void memosComeWholeFromTheRecordSharedBlocksAndBlocksOfTheirOwn()
    {
        QString large;
        for (int i = 0; i < 900; ++i)
            large += QString::fromUtf8("čćšžđ%1 ").arg(i % 10);
        const QStringList memos{QStringLiteral("kratko"), // fits the record
                                QString::fromUtf8("Srednje dug komentar: Čačak, Đakovica, Šabac"),
                                large, // 7,200 bytes: two blocks of its own
                                QString(), QString::fromUtf8("još jedan u deljenom bloku")};
        writeLedgerWithMemos(m_old + "/prometx.DB", memos);
        QVERIFY(QFile::exists(m_old + "/prometx.MB"));

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("Verdict: imported completely"), qPrintable(run.out));
        QStringList expected = memos;
        expected[3] = QString();
        QCOMPARE(comments(m_new + "/prometx.db"), expected);
        QVERIFY(!QFile::exists(m_new + "/prometx.MB"));
    }

    void memoThatCannotBeReadIsReportedAndItsRowKeepsTheLeadingPart()
    {
        writeLedgerWithMemos(m_old + "/prometx.DB",
                             {QStringLiteral("kratko"), QStringLiteral("Prvi dugi komentar"),
                              QStringLiteral("Drugi dugi komentar")});
        // Cut the memo file after its header block: both long memos point past its end.
        QFile memo(m_old + "/prometx.MB");
        QVERIFY(memo.resize(4096));

        Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("prometx row 2, field KOMENTAR, value (memo): the memo cannot be "
                                  "read: the memo lies beyond the end of"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("kept its first 10 characters"), qPrintable(run.out));
        QVERIFY2(run.out.contains("prometx row 3, field KOMENTAR"), qPrintable(run.out));
        QVERIFY2(run.out.contains("Verdict: imported with 2 problems"), qPrintable(run.out));
        QCOMPARE(comments(m_new + "/prometx.db"),
                 (QStringList{"kratko", "Prvi dugi ", "Drugi dugi"}));

        // Without the memo file at all.
        QDir(m_new).removeRecursively();
        QVERIFY(QFile::remove(m_old + "/prometx.MB"));
        run = Old::runImport(m_old, m_new);
        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("the memo file"), qPrintable(run.out));
        QVERIFY2(run.out.contains("is missing"), qPrintable(run.out));
        QCOMPARE(comments(m_new + "/prometx.db").size(), 3);
    }

    void damagedMemoPointersAreReportedNeverFollowedBlindly()
    {
        writeLedgerWithMemos(m_old + "/prometx.DB", {QStringLiteral("Prvi dugi komentar"),
                                                     QStringLiteral("Drugi dugi komentar")});
        // Point the shared block's second slot outside its block and mark the first one's
        // length wrong.
        QFile memo(m_old + "/prometx.MB");
        QVERIFY(memo.open(QIODevice::ReadWrite));
        QByteArray bytes = memo.readAll();
        bytes[4096 + 12 + 1] = char(9);    // slot 0: length / 16 no longer fits the record's
        bytes[4096 + 12 + 5] = char(0xff); // slot 1: starts at 4080
        bytes[4096 + 12 + 6] = char(3);
        memo.seek(0);
        memo.write(bytes);
        memo.close();

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("prometx row 1, field KOMENTAR, value (memo): the memo cannot be "
                                  "read: the memo's length differs"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("prometx row 2, field KOMENTAR"), qPrintable(run.out));
        QCOMPARE(comments(m_new + "/prometx.db").size(), 2);
    }

    void binaryMemoHasNoPlaceInATextField()
    {
        QList<ParadoxColumn> columns{
            {"SIFRAMASINE", pxfAlpha, 10}, {"NAZIVMASINE", pxfBLOb, 15}, {"SLIKA", pxfGraphic, 15}};
        ParadoxWriter writer(columns);
        writer.addRow({"M1", QByteArray(600, '\x07'), QByteArray(300, '\x01')});
        writer.write(m_old + "/masina.DB");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("masina row 1, field NAZIVMASINE, value (600 bytes of binary "
                                  "data): binary data has no place in a text field"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("masina.SLIKA (graphic): held a value in 1 rows"),
                 qPrintable(run.out));
        Engine engine;
        QCOMPARE(readRows(engine, m_new + "/masina.db").value(0).value("SIFRAMASINE"),
                 QStringLiteral("M1"));
    }

private:
    std::unique_ptr<ImportFolders> m_folders;
    QString m_old;
    QString m_new;
};

QTEST_GUILESS_MAIN(TestImportMemo)
#include "tst_importmemo.moc"
