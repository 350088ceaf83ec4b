#include "data/Engine.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/tools/ImportFolders.h"
#include "tests/tools/OldFolderFixture.h"
#include "tests/tools/ParadoxWriter.h"
#include "tools/SetupCommand.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <memory>

extern "C" {
#include <paradox.h>
}

using namespace kestar;
using namespace kestar::test;
namespace Old = kestar::test::OldFolderFixture;

namespace {

QVariant text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

bool hasCounts(const QString& report, const QString& table, int read, int written)
{
    const QRegularExpression line(
        QStringLiteral("^%1\\s+%2\\s+%3$").arg(table).arg(read).arg(written),
        QRegularExpression::MultilineOption);
    return line.match(report).hasMatch();
}

quint16 u16At(const QByteArray& bytes, qsizetype at)
{
    return quint16(quint8(bytes.at(at)) | quint8(bytes.at(at + 1)) << 8);
}

void putU16(QByteArray& bytes, qsizetype at, quint16 value)
{
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char(value >> 8);
}

// Rewrites a table file with its data blocks standing in the reverse of their order in the
// file, each block's links and the header's first and last block changed to match, so the
// chain still reads the records in their former order. Returns the number of blocks.
int reverseBlocksInFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray old = file.readAll();
    file.close();
    const int headerSize = u16At(old, 0x02);
    const int blockSize = quint8(old.at(0x05)) * 0x400;
    const int blocks = u16At(old, 0x0C);
    const auto moved = [blocks](quint16 number) {
        return number == 0 ? quint16(0) : quint16(blocks + 1 - number);
    };
    QByteArray result = old;
    putU16(result, 0x0E, moved(u16At(old, 0x0E)));
    putU16(result, 0x10, moved(u16At(old, 0x10)));
    for (int number = 1; number <= blocks; ++number) {
        QByteArray block = old.mid(headerSize + qsizetype(number - 1) * blockSize, blockSize);
        putU16(block, 0, moved(u16At(block, 0)));
        putU16(block, 2, moved(u16At(block, 2)));
        result.replace(headerSize + qsizetype(moved(quint16(number)) - 1) * blockSize, blockSize,
                       block);
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(result);
    return blocks;
}

} // namespace

class TestImport : public QObject
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

    void everyTableComesOverRowForRowWithTextFilesUnchangedAndOldFolderUntouched()
    {
        ParadoxWriter magacin(Old::columns("magacin"), 1250, 1);
        // Written out of key order: the new table reads in key order.
        magacin.addRow({text("B2"), text("Šraf žđ ŽĐ ćĆ čČ š"), text("V"), text("Vijci"),
                        text("kom"), QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
        magacin.addRow({text("A1"), text("Čekić 500 g"), text("C"), text("Čekići"), text("kom"),
                        12.5, 2.0, 310.4, 450.0, QDate(2024, 3, 5), 12.5, 0.0, 0.0, 0.0, 0.0,
                        text("P"), 0.1, 3.0, 10.0});
        magacin.write(m_old + "/magacin.DB");
        ParadoxWriter pmagacin(Old::columns("pmagacin"));
        pmagacin.addRow({text("N1"), text("C"), text("Čekići"), text("Novi čekić"), text("kom"),
                         1.0, 2.0, 3.0, QDate(2023, 12, 31), QVariant(), 4.0});
        pmagacin.write(m_old + "/pmagacin.DB");
        // A NULL long followed by a filled one: pxlib alone would read -2147483648.
        ParadoxWriter prometx(Old::columns("prometx"));
        prometx.addRow({43,
                        0,
                        QVariant(),
                        9,
                        0,
                        0,
                        0,
                        0,
                        0,
                        1,
                        text("Prijem đ"),
                        QVariant(),
                        QDate(2024, 3, 6),
                        QDate(2024, 3, 6),
                        text("A1"),
                        text("Čekić 500 g"),
                        text("Čekići"),
                        text("C"),
                        0.0,
                        5.0,
                        0.0,
                        text("K"),
                        text("0"),
                        text("VLASNIK"),
                        0.0,
                        text("Administrator"),
                        QVariant(),
                        QVariant(),
                        QVariant(),
                        QVariant()});
        prometx.addRow({42,
                        0,
                        17,
                        0,
                        0,
                        0,
                        0,
                        0,
                        0,
                        1,
                        text("Otprema"),
                        text("drugi"),
                        QDate(2024, 3, 5),
                        QDate(2024, 3, 5),
                        text("A1"),
                        text("Čekić 500 g"),
                        text("Čekići"),
                        text("C"),
                        0.0,
                        2.5,
                        0.0,
                        text("K"),
                        text("0"),
                        text("VLASNIK"),
                        0.0,
                        text("Magacioner"),
                        text("M1"),
                        text("M1-2"),
                        text("Bušilica"),
                        7.5});
        prometx.write(m_old + "/prometx.DB");
        ParadoxWriter::writeTexts(m_old + "/korisnici.DB", {"SIFRA", "KORISNIK"},
                                  {{"123", "Administrator"}, {"111", "Magacioner"}});
        ParadoxWriter::writeTexts(m_old + "/masina.DB", {"SIFRAMASINE", "SIFRA2", "NAZIVMASINE"},
                                  {{"M2", "M2-1", "Prese"}, {"M1", "M1-2", "Bušilica"}});
        const auto before = Old::snapshot(m_old);

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("Verdict: imported completely"), qPrintable(run.out));
        QVERIFY2(hasCounts(run.out, "magacin", 2, 2), qPrintable(run.out));
        QVERIFY2(hasCounts(run.out, "prometx", 2, 2), qPrintable(run.out));
        QCOMPARE(Old::snapshot(m_old), before);

        Engine engine;
        QCOMPARE(readRows(engine, m_new + "/magacin.db"),
                 (QList<Row>{
                     Old::blankRow("magacin", {{"SIFRA", "A1"},
                                               {"NAZIV", QString::fromUtf8("Čekić 500 g")},
                                               {"GRUPAROBE", "C"},
                                               {"NAZIVGRUPE", QString::fromUtf8("Čekići")},
                                               {"JM", "kom"},
                                               {"KOLICINA", "12.5"},
                                               {"MINKOLICINA", "2"},
                                               {"CENANABAVNA", "310.4"},
                                               {"CENAPRODAJNA", "450"},
                                               {"DATUMULAZA", "05/03/2024"},
                                               {"MAGACIN1", "12.5"},
                                               {"MAGACIN2", "0"},
                                               {"MAGACIN3", "0"},
                                               {"MAGACIN4", "0"},
                                               {"MAGACIN5", "0"},
                                               {"PROIZVOD", "P"},
                                               {"RABAT", "0.1"},
                                               {"KOLICINAZANABAVKU", "3"},
                                               {"POCETNOSTANJE", "10"}}),
                     Old::blankRow("magacin", {{"SIFRA", "B2"},
                                               {"NAZIV", QString::fromUtf8("Šraf žđ ŽĐ ćĆ čČ š")},
                                               {"GRUPAROBE", "V"},
                                               {"NAZIVGRUPE", "Vijci"},
                                               {"JM", "kom"}})}));
        QCOMPARE(readRows(engine, m_new + "/pmagacin.db"),
                 QList<Row>{Old::blankRow("pmagacin", {{"SIFRA", "N1"},
                                                       {"GRUPAROBE", "C"},
                                                       {"NAZIVGRUPE", QString::fromUtf8("Čekići")},
                                                       {"NAZIV", QString::fromUtf8("Novi čekić")},
                                                       {"JM", "kom"},
                                                       {"MINKOLICINA", "1"},
                                                       {"CENANABAVNA", "2"},
                                                       {"CENAPRODAJNA", "3"},
                                                       {"DATUMULAZA", "31/12/2023"},
                                                       {"KOLICINA", "4"}})});
        const QList<Row> ledger = readRows(engine, m_new + "/prometx.db");
        QCOMPARE(ledger.size(), 2);
        QCOMPARE(ledger.at(0).value("BROJDOKUMENTA"), QStringLiteral("43"));
        QCOMPARE(ledger.at(0).value("OTPREMNICA"), QString());
        QCOMPARE(ledger.at(0).value("ULAZ"), QStringLiteral("9"));
        QCOMPARE(ledger.at(0).value("KOMENTAR"), QString::fromUtf8("Prijem đ"));
        QCOMPARE(ledger.at(0).value("SALDO"), QString());
        QCOMPARE(ledger.at(1),
                 Old::blankRow("prometx", {{"BROJDOKUMENTA", "42"},
                                           {"NARUDZBENICA", "0"},
                                           {"OTPREMNICA", "17"},
                                           {"ULAZ", "0"},
                                           {"PREDRACUN", "0"},
                                           {"RADNINALOG", "0"},
                                           {"RACUN", "0"},
                                           {"POVRATNICA", "0"},
                                           {"UMAGACIN", "0"},
                                           {"MAGACIN", "1"},
                                           {"KOMENTAR", "Otprema"},
                                           {"KOMENTAR2", "drugi"},
                                           {"DATUM", "05/03/2024"},
                                           {"VALUTA", "05/03/2024"},
                                           {"SIFRAROBE", "A1"},
                                           {"NAZIV", QString::fromUtf8("Čekić 500 g")},
                                           {"NAZIVGRUPE", QString::fromUtf8("Čekići")},
                                           {"SIFRAGRUPE", "C"},
                                           {"CENA", "0"},
                                           {"KOLICINA", "2.5"},
                                           {"RABAT", "0"},
                                           {"UI", "K"},
                                           {"SIFRAKUPCA", "0"},
                                           {"KUPAC", "VLASNIK"},
                                           {"VREDNOST", "0"},
                                           {"KORISNIK", "Magacioner"},
                                           {"SIFRAMASINE", "M1"},
                                           {"SIFRAMASINE2", "M1-2"},
                                           {"NAZIVMASINE", QString::fromUtf8("Bušilica")},
                                           {"SALDO", "7.5"}}));
        QCOMPARE(readRows(engine, m_new + "/korisnici.db"),
                 (QList<Row>{{{"SIFRA", "123"}, {"KORISNIK", "Administrator"}},
                             {{"SIFRA", "111"}, {"KORISNIK", "Magacioner"}}}));
        QCOMPARE(readRows(engine, m_new + "/masina.db"),
                 (QList<Row>{{{"SIFRAMASINE", "M2"}, {"SIFRA2", "M2-1"}, {"NAZIVMASINE", "Prese"}},
                             {{"SIFRAMASINE", "M1"},
                              {"SIFRA2", "M1-2"},
                              {"NAZIVMASINE", QString::fromUtf8("Bušilica")}}}));

        // Text files byte for byte; the old tables' files stay behind.
        const auto made = Old::snapshot(m_new);
        for (auto it = before.constBegin(); it != before.constEnd(); ++it) {
            if (it.key().endsWith(".txt"))
                QCOMPARE(made.value(it.key()), it.value());
            else
                QVERIFY2(!made.contains(it.key()), qPrintable(it.key()));
        }
        // No working folder is left beside the new one.
        QCOMPARE(QDir(m_folders->path()).entryList({".novi*"}, QDir::Dirs | QDir::Hidden),
                 QStringList());
    }

    void ledgerOfTenThousandRowsKeepsTheOldRecordOrder()
    {
        constexpr int kRows = 10000;
        ParadoxWriter prometx(Old::columns("prometx"));
        for (int i = 0; i < kRows; ++i) {
            QVariantList row(30);
            row[0] = kRows - i; // newest first, as postings leave the ledger
            row[2] = i % 2 ? QVariant(i) : QVariant(0);
            row[14] = QStringLiteral("S%1").arg(i % 97);
            row[19] = i * 0.5;
            prometx.addRow(row);
        }
        QElapsedTimer timer;
        timer.start();
        prometx.write(m_old + "/prometx.DB");
        qInfo("wrote the old ledger in %lld ms", timer.restart());
        const Old::ImportRun run = Old::runImport(m_old, m_new);
        qInfo("imported %d ledger rows in %lld ms", kRows, timer.elapsed());
        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(hasCounts(run.out, "prometx", kRows, kRows), qPrintable(run.out));

        timer.restart();
        Engine engine;
        const QList<Row> rows = readRows(engine, m_new + "/prometx.db");
        qInfo("read the new ledger back in %lld ms", timer.elapsed());
        QCOMPARE(rows.size(), kRows);
        for (int i = 0; i < kRows; ++i) {
            QCOMPARE(rows.at(i).value("BROJDOKUMENTA"), QString::number(kRows - i));
            QCOMPARE(rows.at(i).value("KOLICINA"), Regional::formatNumber(i * 0.5));
        }
        QCOMPARE(rows.at(1).value("OTPREMNICA"), QStringLiteral("1"));
        QCOMPARE(rows.at(2).value("OTPREMNICA"), QStringLiteral("0"));
    }

    // A table that grew by inserts at the front has its data blocks linked in an order other
    // than the one they stand in the file: the ledger's order is the order of the chain.
    void ledgerOrderFollowsTheChainOfBlocksNotTheirPlaceInTheFile()
    {
        constexpr int kRows = 600;
        ParadoxWriter prometx(Old::columns("prometx"));
        for (int i = 0; i < kRows; ++i) {
            QVariantList row(30);
            row[0] = kRows - i;
            prometx.addRow(row);
        }
        const QString path = m_old + "/prometx.DB";
        prometx.write(path);
        const int blocks = reverseBlocksInFile(path);
        QVERIFY2(blocks > 3, qPrintable(QString::number(blocks)));

        const Old::ImportRun run = Old::runImport(m_old, m_new);
        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(hasCounts(run.out, "prometx", kRows, kRows), qPrintable(run.out));
        Engine engine;
        const QList<Row> rows = readRows(engine, m_new + "/prometx.db");
        QCOMPARE(rows.size(), kRows);
        for (int i = 0; i < kRows; ++i)
            QCOMPARE(rows.at(i).value("BROJDOKUMENTA"), QString::number(kRows - i));
    }

    void everyOldFieldTypeLandsInItsNewFieldOrIsReported()
    {
        const QList<ParadoxColumn> columns{
            {"BROJDOKUMENTA", pxfAutoInc}, {"NARUDZBENICA", pxfShort},
            {"OTPREMNICA", pxfLong},       {"ULAZ", pxfNumber},
            {"PREDRACUN", pxfBCD, 0, 2},   {"RADNINALOG", pxfAlpha, 10},
            {"RACUN", pxfLogical},         {"datum", pxfDate}, // letter case does not matter
            {"VALUTA", pxfTimestamp},      {"KOMENTAR", pxfTime},
            {"KOMENTAR2", pxfTimestamp},   {"SIFRAROBE", pxfShort},
            {"NAZIV", pxfNumber},          {"NAZIVGRUPE", pxfDate},
            {"SIFRAGRUPE", pxfLogical},    {"CENA", pxfCurrency},
            {"KOLICINA", pxfBCD, 0, 2},    {"RABAT", pxfAlpha, 10},
            {"UI", pxfMemoBLOb, 12},       {"SIFRAKUPCA", pxfAutoInc},
            {"KUPAC", pxfBytes, 4},        {"VREDNOST", pxfShort}};
        ParadoxWriter prometx(columns);
        const QDateTime stamp(QDate(2024, 3, 5), QTime(13, 45, 10));
        prometx.addRow({7,          -3,
                        17,         7.0,
                        "12.00",    " 15 ",
                        true,       QDate(2024, 3, 5),
                        stamp,      (13 * 3600 + 45 * 60 + 10) * 1000,
                        stamp,      7,
                        2.5,        QDate(1999, 12, 31),
                        false,      1234.56,
                        "-2.50",    "0.15",
                        "K",        3,
                        QVariant(), 4});
        prometx.addRow({8,          0,          0,
                        1.5,        "0.50",     "abc",
                        false,      QVariant(), QVariant(),
                        QVariant(), QVariant(), QVariant(),
                        QVariant(), QVariant(), QVariant(),
                        0.0,        "1.00",     "1,5",
                        QVariant(), 4,          QByteArray("\x01\x02\x03\x04", 4),
                        QVariant()});
        prometx.write(m_old + "/prometx.DB");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(hasCounts(run.out, "prometx", 2, 2), qPrintable(run.out));
        for (const char* problem :
             {"prometx row 2, field ULAZ, value 1.5: not a whole number; the field was left empty",
              "prometx row 2, field PREDRACUN, value '0.50': not a whole number",
              "prometx row 2, field RADNINALOG, value 'abc': not a whole number",
              "prometx row 2, field RABAT, value '1,5': not a number",
              "prometx row 2, field KUPAC, value (4 bytes of binary data): binary data has no "
              "place in a text field",
              "Verdict: imported with 5 problems, see above"})
            QVERIFY2(run.out.contains(QLatin1String(problem)), qPrintable(run.out));
        QVERIFY2(
            run.out.contains("prometx: the old table has no fields POVRATNICA, UMAGACIN, "
                             "MAGACIN, KORISNIK, SIFRAMASINE, SIFRAMASINE2, NAZIVMASINE, SALDO; "
                             "they stay empty"),
            qPrintable(run.out));

        Engine engine;
        const QList<Row> rows = readRows(engine, m_new + "/prometx.db");
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0), Old::blankRow("prometx", {{"BROJDOKUMENTA", "7"},
                                                       {"NARUDZBENICA", "-3"},
                                                       {"OTPREMNICA", "17"},
                                                       {"ULAZ", "7"},
                                                       {"PREDRACUN", "12"},
                                                       {"RADNINALOG", "15"},
                                                       {"RACUN", "1"},
                                                       {"DATUM", "05/03/2024"},
                                                       {"VALUTA", "05/03/2024"},
                                                       {"KOMENTAR", "13:45:10"},
                                                       {"KOMENTAR2", "05/03/2024 13:45:10"},
                                                       {"SIFRAROBE", "7"},
                                                       {"NAZIV", "2.5"},
                                                       {"NAZIVGRUPE", "31/12/1999"},
                                                       {"SIFRAGRUPE", "False"},
                                                       {"CENA", "1234.56"},
                                                       {"KOLICINA", "-2.5"},
                                                       {"RABAT", "0.15"},
                                                       {"UI", "K"},
                                                       {"SIFRAKUPCA", "3"},
                                                       {"VREDNOST", "4"}}));
        QCOMPARE(rows.at(1), Old::blankRow("prometx", {{"BROJDOKUMENTA", "8"},
                                                       {"NARUDZBENICA", "0"},
                                                       {"OTPREMNICA", "0"},
                                                       {"RACUN", "0"},
                                                       {"CENA", "0"},
                                                       {"KOLICINA", "1"},
                                                       {"SIFRAKUPCA", "4"}}));
    }

    void oldFieldsWithoutAPlaceAreReportedAndTheRestImported()
    {
        ParadoxWriter::writeTexts(m_old + "/masina.DB",
                                  {"SIFRAMASINE", "LOKACIJA", "SIFRA2", "NAPOMENA"},
                                  {{"M1", "Hala 2", "M1-2", ""}, {"M2", "", "M2-1", ""}});

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(
            run.out.contains("masina.LOKACIJA (alpha): held a value in 1 rows, not carried over"),
            qPrintable(run.out));
        QVERIFY2(run.out.contains("masina.NAPOMENA (alpha): empty in every row"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("masina: the old table has no field NAZIVMASINE; it stays empty"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("Verdict: imported with 1 problem, see above"),
                 qPrintable(run.out));
        Engine engine;
        QCOMPARE(readRows(engine, m_new + "/masina.db"),
                 (QList<Row>{{{"SIFRAMASINE", "M1"}, {"SIFRA2", "M1-2"}, {"NAZIVMASINE", ""}},
                             {{"SIFRAMASINE", "M2"}, {"SIFRA2", "M2-1"}, {"NAZIVMASINE", ""}}}));
    }

    void repeatedArticleCodeIsReportedAndTheOtherRowsWritten()
    {
        ParadoxWriter magacin(Old::columns("magacin"), 1250, 1);
        magacin.addRow({text("A1"), text("prvi")});
        magacin.addRow({text("A1"), text("drugi")});
        magacin.addRow({text("B1"), text("treći")});
        magacin.write(m_old + "/magacin.DB");

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(hasCounts(run.out, "magacin", 3, 2), qPrintable(run.out));
        QVERIFY2(run.out.contains("magacin row 2: not written: Key violation (SIFRA 'A1')"),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains("Verdict: imported with 1 problem"), qPrintable(run.out));
        Engine engine;
        const QList<Row> rows = readRows(engine, m_new + "/magacin.db");
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).value("NAZIV"), QStringLiteral("prvi"));
        QCOMPARE(rows.at(1).value("NAZIV"), QString::fromUtf8("treći"));
    }

    void textIsReadInTheCodePageTheTableNames()
    {
        ParadoxWriter::writeTexts(m_old + "/korisnici.DB", {"SIFRA", "KORISNIK"},
                                  {{"1", QString::fromUtf8("Đorđe Šćepanović")}}, 852);
        ParadoxWriter::writeTexts(m_old + "/masina.DB", {"SIFRAMASINE", "SIFRA2", "NAZIVMASINE"},
                                  {{"M1", "1", QString::fromUtf8("Čeličana Žabalj")}}, 1250);

        const Old::ImportRun run = Old::runImport(m_old, m_new);

        QCOMPARE(run.code, SetupCommand::kOk);
        Engine engine;
        QCOMPARE(readRows(engine, m_new + "/korisnici.db").value(0).value("KORISNIK"),
                 QString::fromUtf8("Đorđe Šćepanović"));
        QCOMPARE(readRows(engine, m_new + "/masina.db").value(0).value("NAZIVMASINE"),
                 QString::fromUtf8("Čeličana Žabalj"));
    }

    // A table made under a Western language driver holds the Windows-1250 bytes typed into it:
    // its header's code page reads them wrongly, and --codepage reads them as they were meant.
    void codePageGivenOnTheCommandLineReplacesTheTables()
    {
        // "Šèæ" in Windows-1252 is the bytes of "Ščć" in Windows-1250.
        ParadoxWriter::writeTexts(m_old + "/korisnici.DB", {"SIFRA", "KORISNIK"},
                                  {{"1", QString::fromUtf8("Šèæ")}}, 1252);

        const Old::ImportRun asNamed = Old::runImport(m_old, m_new);
        QCOMPARE(asNamed.code, SetupCommand::kOk);
        QVERIFY2(
            asNamed.out.contains("korisnici: text read in code page 1252 (named by the table)"),
            qPrintable(asNamed.out));
        QVERIFY2(asNamed.out.contains("import again with --codepage 1250"),
                 qPrintable(asNamed.out));
        {
            Engine engine;
            QCOMPARE(readRows(engine, m_new + "/korisnici.db").value(0).value("KORISNIK"),
                     QString::fromUtf8("Šèæ"));
        }

        const QString given = m_folders->path() + QStringLiteral("/novi2");
        const Old::ImportRun run = Old::runImport(m_old, given, {"--codepage", "1250"});
        QCOMPARE(run.code, SetupCommand::kOk);
        QVERIFY2(run.out.contains("korisnici: text read in code page 1250 (given by --codepage)"),
                 qPrintable(run.out));
        Engine engine;
        QCOMPARE(readRows(engine, given + "/korisnici.db").value(0).value("KORISNIK"),
                 QString::fromUtf8("Ščć"));

        QCOMPARE(Old::runImport(m_old, given + "x", {"--codepage", "abc"}).code,
                 SetupCommand::kUsage);
        QVERIFY(!QFileInfo::exists(given + "x"));
    }

private:
    std::unique_ptr<ImportFolders> m_folders;
    QString m_old;
    QString m_new;
};

QTEST_GUILESS_MAIN(TestImport)
#include "tst_import.moc"
