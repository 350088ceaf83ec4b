#include "data/EngineError.h"
#include "data/TextFiles.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <functional>

using kestar::EngineError;
using kestar::TextFiles;
using kestar::test::TestFolder;

using kestar::test::errorOf;

namespace {

QByteArray companyFileOf(int lineCount, const QByteArray& ending = "\r\n")
{
    QByteArray bytes;
    for (int i = 1; i <= lineCount; ++i)
        bytes += "line " + QByteArray::number(i) + ending;
    return bytes;
}

} // namespace

class TestTextFiles : public QObject
{
    Q_OBJECT

private slots:
    void strictReadTakesTheFirstLineAndKeepsItsText_data();
    void strictReadTakesTheFirstLineAndKeepsItsText();
    void strictReadRefusesWhatIsNotAWholeNumber_data();
    void strictReadRefusesWhatIsNotAWholeNumber();
    void lenientReadTakesTheFirstRunOrZero_data();
    void lenientReadTakesTheFirstRunOrZero();
    void lenientReadRefusesABadRun_data();
    void lenientReadRefusesABadRun();
    void emptyCounterFailsStrictButGivesZeroLenient();
    void equipmentReadNeedsALine();
    void listReadSplitsAtEveryLineEnding_data();
    void listReadSplitsAtEveryLineEnding();
    void companyFieldsAreAlwaysThirteen();
    void companyFileWithBareLineFeedsOrCarriageReturnsReadsTheSame();
    void missingFileNamesThePathAndTheReason();
    void replaceEndsEveryLineWithCrLf();
    void replaceRoundTripsWindows1250LettersByteExactly();
    void replaceRefusesACharacterOutsideTheCodePage();
    void replaceRefusesALineBreakInsideALine();
    void replaceRefusesAHalfCharacterAtTheEndOfALine();
    void replaceRefusesAReadOnlyTarget();
    void replaceIntoAMissingFolderFails();
    void replaceKeepsPermissionsAndLeavesNoTemporaryFile();
    void namesMatchFilesAndFoldersWithoutRegardToCase();
    void backslashSeparatesLikeSlash();
};

void TestTextFiles::strictReadTakesTheFirstLineAndKeepsItsText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain counter") << QByteArray("17\r\n") << 17 << "17";
    QTest::newRow("no line ending") << QByteArray("0") << 0 << "0";
    QTest::newRow("leading blanks kept in the text") << QByteArray("  41\r\n") << 41 << "  41";
    QTest::newRow("signed") << QByteArray("-5\r\n") << -5 << "-5";
    QTest::newRow("plus sign") << QByteArray("+8\r\n") << 8 << "+8";
    QTest::newRow("largest 32-bit") << QByteArray("2147483647") << 2147483647 << "2147483647";
    QTest::newRow("smallest 32-bit")
        << QByteArray("-2147483648") << int(-2147483648LL) << "-2147483648";
    QTest::newRow("lone CR ends the line") << QByteArray("12\rjunk") << 12 << "12";
    QTest::newRow("lone LF ends the line") << QByteArray("12\njunk\n") << 12 << "12";
}

void TestTextFiles::strictReadTakesTheFirstLineAndKeepsItsText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, value);
    QFETCH(QString, text);
    TestFolder folder;
    folder.write("dokument.txt", bytes);
    const kestar::NumberLine read = TextFiles::readFirstLineNumber("podaci/dokument.txt");
    QCOMPARE(read.value, value);
    QCOMPARE(read.text, text);
}

void TestTextFiles::strictReadRefusesWhatIsNotAWholeNumber_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty file") << QByteArray() << "'' is not a valid integer value";
    QTest::newRow("empty first line")
        << QByteArray("\r\n17\r\n") << "'' is not a valid integer value";
    QTest::newRow("trailing blank")
        << QByteArray("17 \r\n") << "'17 ' is not a valid integer value";
    QTest::newRow("letter after digits")
        << QByteArray("17a") << "'17a' is not a valid integer value";
    QTest::newRow("beyond 32 bits")
        << QByteArray("2147483648\r\n") << "'2147483648' is not a valid integer value";
    QTest::newRow("far beyond 32 bits") << QByteArray("-99999999999999999999")
                                        << "'-99999999999999999999' is not a valid integer value";
    QTest::newRow("sign alone") << QByteArray("-") << "'-' is not a valid integer value";
    QTest::newRow("decimal point") << QByteArray("1.5") << "'1.5' is not a valid integer value";
    QTest::newRow("blank inside") << QByteArray("1 7") << "'1 7' is not a valid integer value";
}

void TestTextFiles::strictReadRefusesWhatIsNotAWholeNumber()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    TestFolder folder;
    folder.write("ulaz.txt", bytes);
    QCOMPARE(errorOf([] { TextFiles::readFirstLineNumber("podaci/ulaz.txt"); }), error);
}

void TestTextFiles::lenientReadTakesTheFirstRunOrZero_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("value");
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("blanks and line breaks only") << QByteArray(" \t\r\n \n\r") << 0;
    QTest::newRow("plain counter") << QByteArray("17\r\n") << 17;
    QTest::newRow("after blank lines") << QByteArray("\r\n\r\n  \t42  rest of line\r\n") << 42;
    QTest::newRow("trailing blanks allowed") << QByteArray("17   \r\n") << 17;
    QTest::newRow("negative") << QByteArray("-3") << -3;
    QTest::newRow("run cut after 32 characters") << QByteArray(32, '0') + "5" << 0;
}

void TestTextFiles::lenientReadTakesTheFirstRunOrZero()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, value);
    TestFolder folder;
    folder.write("otpremnica.txt", bytes);
    QCOMPARE(TextFiles::readFirstNumber("podaci/otpremnica.txt"), value);
}

void TestTextFiles::lenientReadRefusesABadRun_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("letter after digits") << QByteArray("17a\r\n");
    QTest::newRow("word") << QByteArray("  broj 5");
    QTest::newRow("beyond 32 bits") << QByteArray("2147483648");
}

void TestTextFiles::lenientReadRefusesABadRun()
{
    QFETCH(QByteArray, bytes);
    TestFolder folder;
    folder.write("otpremnica.txt", bytes);
    QCOMPARE(errorOf([] { TextFiles::readFirstNumber("podaci/otpremnica.txt"); }),
             QString("Invalid numeric input"));
}

void TestTextFiles::emptyCounterFailsStrictButGivesZeroLenient()
{
    TestFolder folder;
    folder.write("otpremnica.txt", {});
    QCOMPARE(errorOf([] { TextFiles::readFirstLineNumber("podaci/otpremnica.txt"); }),
             QString("'' is not a valid integer value"));
    QCOMPARE(TextFiles::readFirstNumber("podaci/otpremnica.txt"), 0);
}

void TestTextFiles::equipmentReadNeedsALine()
{
    TestFolder folder;
    folder.write("oprema.txt", {});
    QCOMPARE(errorOf([] { TextFiles::readFirstListedNumber("podaci\\oprema.txt"); }),
             QString("List index out of bounds (0)"));

    folder.write("oprema.txt", "\r\n");
    QCOMPARE(errorOf([] { TextFiles::readFirstListedNumber("podaci\\oprema.txt"); }),
             QString("'' is not a valid integer value"));

    folder.write("oprema.txt", "1\r\n");
    QCOMPARE(TextFiles::readFirstListedNumber("podaci\\oprema.txt").value, 1);
    folder.write("oprema.txt", "\n0");
    QCOMPARE(errorOf([] { TextFiles::readFirstListedNumber("podaci\\oprema.txt"); }),
             QString("'' is not a valid integer value"));
    folder.write("oprema.txt", "7");
    const kestar::NumberLine seven = TextFiles::readFirstListedNumber("podaci\\oprema.txt");
    QCOMPARE(seven.value, 7);
    QCOMPARE(seven.text, QString("7"));
}

void TestTextFiles::listReadSplitsAtEveryLineEnding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("last line without ending")
        << QByteArray("Alati\r\nBoje") << QStringList{"Alati", "Boje"};
    QTest::newRow("ending at the very end adds nothing")
        << QByteArray("Alati\r\nBoje\r\n") << QStringList{"Alati", "Boje"};
    QTest::newRow("empty lines are empty entries")
        << QByteArray("\r\nAlati\r\n\r\nBoje\r\n\r\n") << QStringList{"", "Alati", "", "Boje", ""};
    QTest::newRow("one empty line") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("CR, LF and CR LF mixed")
        << QByteArray("a\rb\nc\r\nd\n\re") << QStringList{"a", "b", "c", "d", "", "e"};
    QTest::newRow("lone CR at the end") << QByteArray("a\r") << QStringList{"a"};
    QTest::newRow("code page letters") << QByteArray("\xC8"
                                                     "elik\r\n\x9A"
                                                     "rafovi\r\n")
                                       << QStringList{"Čelik", "šrafovi"};
}

void TestTextFiles::listReadSplitsAtEveryLineEnding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    TestFolder folder;
    folder.write("grupe.txt", bytes);
    QCOMPARE(TextFiles::readLines("podaci/grupe.txt"), entries);
}

void TestTextFiles::companyFieldsAreAlwaysThirteen()
{
    TestFolder folder;
    folder.write("firma.txt", companyFileOf(10));
    QStringList fields = TextFiles::readCompanyFields("podaci/firma.txt");
    QCOMPARE(fields.size(), 13);
    QCOMPARE(fields.at(0), QString("line 1"));
    QCOMPARE(fields.at(9), QString("line 10"));
    QCOMPARE(fields.mid(10), QStringList({"", "", ""}));

    // Saving what was read writes 13 lines, the last three empty.
    TextFiles::replaceLines("podaci/firma.txt", fields);
    QCOMPARE(folder.read("firma.txt"), companyFileOf(10) + "\r\n\r\n\r\n");

    folder.write("firma.txt", companyFileOf(15));
    fields = TextFiles::readCompanyFields("podaci/firma.txt");
    QCOMPARE(fields.size(), 13);
    QCOMPARE(fields.last(), QString("line 13"));
    TextFiles::replaceLines("podaci/firma.txt", fields);
    QCOMPARE(folder.read("firma.txt"), companyFileOf(13));

    const QString longName(500, QLatin1Char('N'));
    folder.write("firma.txt", longName.toLatin1() + "\r\n" + companyFileOf(12));
    fields = TextFiles::readCompanyFields("podaci/firma.txt");
    QCOMPARE(fields.first(), longName);
    QCOMPARE(fields.at(1), QString("line 1"));
}

void TestTextFiles::companyFileWithBareLineFeedsOrCarriageReturnsReadsTheSame()
{
    TestFolder folder;
    folder.write("firma.txt", companyFileOf(13));
    const QStringList expected = TextFiles::readCompanyFields("podaci/firma.txt");
    folder.write("firma.txt", companyFileOf(13, "\n"));
    QCOMPARE(TextFiles::readCompanyFields("podaci/firma.txt"), expected);
    folder.write("firma.txt", companyFileOf(13, "\r"));
    QCOMPARE(TextFiles::readCompanyFields("podaci/firma.txt"), expected);
}

void TestTextFiles::missingFileNamesThePathAndTheReason()
{
    TestFolder folder;
    const QString expected("Cannot open file \"podaci/ulaz.txt\". No such file or directory");
    QCOMPARE(errorOf([] { TextFiles::readFirstLineNumber("podaci/ulaz.txt"); }), expected);
    QCOMPARE(errorOf([] { TextFiles::readFirstNumber("podaci/ulaz.txt"); }), expected);
    QCOMPARE(errorOf([] { TextFiles::readLines("podaci/ulaz.txt"); }), expected);
    QCOMPARE(errorOf([] { TextFiles::readFirstListedNumber("podaci\\oprema.txt"); }),
             QString("Cannot open file \"podaci\\oprema.txt\". No such file or directory"));
    QDir(folder.path()).mkpath("podaci/grupe.txt");
    QCOMPARE(errorOf([] { TextFiles::readLines("podaci/grupe.txt"); }),
             QString("Cannot open file \"podaci/grupe.txt\". Is a directory"));
}

void TestTextFiles::replaceEndsEveryLineWithCrLf()
{
    TestFolder folder;
    TextFiles::replaceLines("podaci/dokument.txt", {"42"});
    QCOMPARE(folder.read("dokument.txt"), QByteArray("42\r\n"));
    TextFiles::replaceLines("podaci/grupe.txt", {"Alati", "", "Boje"});
    QCOMPARE(folder.read("grupe.txt"), QByteArray("Alati\r\n\r\nBoje\r\n"));
    QCOMPARE(TextFiles::readLines("podaci/grupe.txt"), QStringList({"Alati", "", "Boje"}));

    // A longer file replaced by a shorter one keeps nothing of the former content.
    TextFiles::replaceLines("podaci/grupe.txt", {"X"});
    QCOMPARE(folder.read("grupe.txt"), QByteArray("X\r\n"));
    TextFiles::replaceLines("podaci/grupe.txt", {});
    QCOMPARE(folder.read("grupe.txt"), QByteArray());
    QCOMPARE(TextFiles::readLines("podaci/grupe.txt"), QStringList());
}

void TestTextFiles::replaceRoundTripsWindows1250LettersByteExactly()
{
    TestFolder folder;
    const QStringList lines{"čćžšđ", "ČĆŽŠĐ", "Đorđe Šćepanović €"};
    TextFiles::replaceLines("podaci/firma.txt", lines);
    QCOMPARE(folder.read("firma.txt"), QByteArray("\xE8\xE6\x9E\x9A\xF0\r\n"
                                                  "\xC8\xC6\x8E\x8A\xD0\r\n"
                                                  "\xD0or\xF0"
                                                  "e \x8A\xE6"
                                                  "epanovi\xE6 \x80\r\n"));
    QCOMPARE(TextFiles::readLines("podaci/firma.txt"), lines);
}

void TestTextFiles::replaceRefusesACharacterOutsideTheCodePage()
{
    TestFolder folder;
    folder.write("firma.txt", companyFileOf(13));
    QCOMPARE(errorOf([] {
                 TextFiles::replaceLines("podaci/firma.txt", {"Firma", "Москва"});
             }),
             QString("Tekst \"Москва\" sadrzi znak \"М\" koji ne postoji u kodnoj strani podataka "
                     "(Windows-1250)!!! Izbacite ili zamenite taj znak."));
    QCOMPARE(folder.read("firma.txt"), companyFileOf(13));

    // A character outside the basic plane is named whole, not by half.
    QCOMPARE(errorOf([] { TextFiles::replaceLines("podaci/firma.txt", {"a😀"}); }),
             QString("Tekst \"a😀\" sadrzi znak \"😀\" koji ne postoji u kodnoj strani podataka "
                     "(Windows-1250)!!! Izbacite ili zamenite taj znak."));
    QCOMPARE(folder.read("firma.txt"), companyFileOf(13));

    // A long text is named by its start, so the message still fits on the screen.
    const QString pasted = QString(10000, u'a') + "Ω";
    QCOMPARE(errorOf([&] { TextFiles::replaceLines("podaci/firma.txt", {pasted}); }),
             QString("Tekst \"%1...\" sadrzi znak \"Ω\" koji ne postoji u kodnoj strani podataka "
                     "(Windows-1250)!!! Izbacite ili zamenite taj znak.")
                 .arg(QString(60, u'a')));
    QCOMPARE(folder.read("firma.txt"), companyFileOf(13));
}

void TestTextFiles::replaceRefusesAHalfCharacterAtTheEndOfALine()
{
    // The converter holds back a lone high surrogate at the end of its text, waiting for the
    // other half, and reports nothing: the line must not be written without it.
    TestFolder folder;
    folder.write("grupe.txt", "Alati\r\n");
    const QString half = QString(QChar(0xD83D));
    QCOMPARE(errorOf([&] { TextFiles::replaceLines("podaci/grupe.txt", {"Boje" + half}); }),
             QString("Tekst \"Boje%1\" sadrzi znak \"U+D83D\" koji ne postoji u kodnoj strani "
                     "podataka (Windows-1250)!!! Izbacite ili zamenite taj znak.")
                 .arg(half));
    // Also when a later line would be fine on its own.
    const QString first = QString(QChar(u'\0')) + half;
    QVERIFY(errorOf([&] {
                TextFiles::replaceLines("podaci/grupe.txt", {first, ""});
            }).contains("\"U+D83D\""));
    QCOMPARE(folder.read("grupe.txt"), QByteArray("Alati\r\n"));
}

void TestTextFiles::replaceRefusesALineBreakInsideALine()
{
    TestFolder folder;
    folder.write("firma.txt", companyFileOf(13));
    QCOMPARE(errorOf([] { TextFiles::replaceLines("podaci/firma.txt", {"a\r\nb"}); }),
             QString("Tekst \"a\r\nb\" sadrzi prelazak u novi red, koji ne moze da stoji u "
                     "jednom redu datoteke \"podaci/firma.txt\"!!!"));
    QVERIFY(!errorOf([] { TextFiles::replaceLines("podaci/firma.txt", {"a\nb"}); }).isEmpty());
    QCOMPARE(folder.read("firma.txt"), companyFileOf(13));
}

void TestTextFiles::replaceRefusesAReadOnlyTarget()
{
    TestFolder folder;
    folder.write("firma.txt", companyFileOf(13));
    QFile::setPermissions(folder.dataPath("firma.txt"), QFile::ReadOwner | QFile::ReadGroup);
    QCOMPARE(errorOf([] { TextFiles::replaceLines("podaci/firma.txt", {"Nova firma"}); }),
             QString("Cannot create file \"podaci/firma.txt\". Permission denied"));
    QCOMPARE(folder.read("firma.txt"), companyFileOf(13));
    QCOMPARE(QDir(folder.path() + "/podaci").entryList(QDir::Files), QStringList{"firma.txt"});
}

void TestTextFiles::replaceIntoAMissingFolderFails()
{
    TestFolder folder;
    QCOMPARE(errorOf([] { TextFiles::replaceLines("podaci/nema/ulaz.txt", {"1"}); }),
             QString("Cannot create file \"podaci/nema/ulaz.txt\". No such file or directory"));
    QVERIFY(!QFile::exists(folder.path() + "/podaci/nema"));
}

void TestTextFiles::replaceKeepsPermissionsAndLeavesNoTemporaryFile()
{
    TestFolder folder;
    folder.write("ulaz.txt", "5\r\n");
    const QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                           QFile::WriteUser | QFile::ReadGroup;
    QVERIFY(QFile::setPermissions(folder.dataPath("ulaz.txt"), permissions));
    TextFiles::replaceLines("podaci/ulaz.txt", {"6"});
    QCOMPARE(folder.read("ulaz.txt"), QByteArray("6\r\n"));
    QCOMPARE(QFile::permissions(folder.dataPath("ulaz.txt")), permissions);
    QCOMPARE(QDir(folder.path() + "/podaci").entryList(QDir::Files | QDir::Hidden),
             QStringList{"ulaz.txt"});
}

void TestTextFiles::namesMatchFilesAndFoldersWithoutRegardToCase()
{
    TestFolder folder;
    folder.write("FIRMA.TXT", companyFileOf(13));
    QCOMPARE(TextFiles::readCompanyFields("podaci/firma.txt").first(), QString("line 1"));
    QCOMPARE(TextFiles::readCompanyFields("PODACI/Firma.Txt").first(), QString("line 1"));

    // Writing replaces the file that is there instead of adding a second one beside it.
    TextFiles::replaceLines("podaci/firma.txt", {"Nova"});
    QCOMPARE(folder.read("FIRMA.TXT"), QByteArray("Nova\r\n"));
    QCOMPARE(QDir(folder.path() + "/podaci").entryList(QDir::Files), QStringList{"FIRMA.TXT"});

    // An exact name wins over one that differs only in case.
    folder.write("firma.txt", "exact\r\n");
    QCOMPARE(TextFiles::readLines("podaci/firma.txt"), QStringList{"exact"});

    // A file that is not there at all is created with the name the program gave.
    TextFiles::replaceLines("podaci/Ulaz.txt", {"1"});
    QCOMPARE(folder.read("Ulaz.txt"), QByteArray("1\r\n"));
}

void TestTextFiles::backslashSeparatesLikeSlash()
{
    TestFolder folder;
    TextFiles::replaceLines("podaci\\oprema.txt", {"0"});
    QCOMPARE(folder.read("oprema.txt"), QByteArray("0\r\n"));
    QCOMPARE(TextFiles::readFirstListedNumber("podaci\\oprema.txt").value, 0);
    QCOMPARE(TextFiles::readFirstLineNumber("podaci/oprema.txt").value, 0);
}

QTEST_GUILESS_MAIN(TestTextFiles)
#include "tst_textfiles.moc"
