#include "MasterDataProgram.h"
#include "masterdata/CompanyPage.h"

#include "platform/Regional.h"

#include <QFile>
#include <QPlainTextEdit>

using namespace kestar;
using namespace kestar::test;

namespace {
const QByteArray kTenLines = "Kestar d.o.o.\r\nGlavna 1\r\nNovi Sad\r\n021111\r\n100\r\n200\r\n"
                             "160-1\r\nBanka\r\n021222\r\n064333\r\n";

QLineEdit* field(const MasterDataProgram& p, int line)
{
    return p.find<QLineEdit>(QStringLiteral("companyField%1").arg(line));
}

QStringList fieldTexts(const MasterDataProgram& p)
{
    QStringList texts;
    for (int line = 1; line <= 13; ++line)
        texts.append(field(p, line)->text());
    return texts;
}

// The next control the Tab key reaches.
QWidget* nextByTab(QWidget* widget)
{
    QWidget* next = widget->nextInFocusChain();
    while (next != widget && !(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

QPlainTextEdit* savedData(const MasterDataProgram& p)
{
    return p.find<QPlainTextEdit>(QStringLiteral("savedCompanyData"));
}
} // namespace

class CompanyPageTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void tenLineFileLoadsAndSavesAsThirteenLines()
    {
        MasterDataProgram p([](TestFolder& f) { f.write("firma.txt", kTenLines); });
        p.window().trigger(PageKey::Company);
        QCOMPARE(p.window().currentPage(), PageKey::Company);
        QStringList expected = QString::fromLatin1(kTenLines).split("\r\n");
        expected.removeLast();
        QCOMPARE(savedData(p)->toPlainText(), expected.join('\n'));
        expected << ""
                 << ""
                 << "";
        QCOMPARE(fieldTexts(p), expected);
        QVERIFY(p.messages.texts().isEmpty());

        field(p, 1)->clear();
        QTest::keyClicks(field(p, 1), "Nova firma");
        QTest::keyClicks(field(p, 11), "info@kestar.rs");
        p.messages.answer(true);
        p.click("btnUpamtiPodatke");

        QCOMPARE(p.messages.texts(),
                 QStringList({"Da li ste sigurni?", "Podaci o vasoj firmi su snimljeni..."}));
        QCOMPARE(p.folder.read("firma.txt"),
                 QByteArray("Nova firma\r\nGlavna 1\r\nNovi Sad\r\n021111\r\n100\r\n200\r\n"
                            "160-1\r\nBanka\r\n021222\r\n064333\r\ninfo@kestar.rs\r\n\r\n\r\n"));
        QCOMPARE(savedData(p)->toPlainText().split('\n').size(), 13);
        QCOMPARE(savedData(p)->toPlainText().split('\n').first(), QStringLiteral("Nova firma"));

        // The letterhead stays as start-up composed it until the next start.
        const Letterhead& letterhead = p.window().workplace().letterhead();
        QCOMPARE(letterhead.name, QStringLiteral("Kestar d.o.o."));
        QCOMPARE(letterhead.telephone, QStringLiteral("Telefon: 021111, Fax: 021222, mail: "));
    }

    void answeringNoWritesNothing()
    {
        MasterDataProgram p([](TestFolder& f) { f.write("firma.txt", kTenLines); });
        p.window().trigger(PageKey::Company);
        QTest::keyClicks(field(p, 2), " bis");
        p.messages.answer(false);
        p.click("btnUpamtiPodatke");
        QCOMPARE(p.messages.texts(), QStringList({"Da li ste sigurni?"}));
        QCOMPARE(p.folder.read("firma.txt"), kTenLines);
        QCOMPARE(savedData(p)->toPlainText().split('\n').at(1), QStringLiteral("Glavna 1"));
    }

    // The refusal is the program's own message, in the words of its other messages.
    void characterTheCodePageLacksIsRefusedInSerbian()
    {
        MasterDataProgram p([](TestFolder& f) { f.write("firma.txt", kTenLines); });
        p.window().trigger(PageKey::Company);
        field(p, 3)->setText(QString::fromUtf8("Москва"));
        p.messages.answer(true);
        p.click("btnUpamtiPodatke");
        QCOMPARE(p.messages.errors(),
                 QStringList{QString::fromUtf8(
                     "Tekst \"Москва\" sadrzi znak \"М\" koji ne postoji u kodnoj strani "
                     "podataka (Windows-1250)!!! Izbacite ili zamenite taj znak.")});
        QVERIFY(!p.messages.texts().contains("Podaci o vasoj firmi su snimljeni..."));
        QCOMPARE(p.folder.read("firma.txt"), kTenLines);
    }

    void fileErrorsAreReportedAndNothingClaimsSuccess()
    {
        MasterDataProgram p([](TestFolder& f) { f.write("firma.txt", kTenLines); });
        p.window().trigger(PageKey::Company);

        // A write-protected file: the error, no success message, the box already refilled.
        QFile::setPermissions(p.folder.dataPath("firma.txt"), QFile::ReadOwner | QFile::ReadGroup);
        field(p, 3)->setText("Beograd");
        p.messages.answer(true);
        p.click("btnUpamtiPodatke");
        QCOMPARE(p.messages.errors().size(), 1);
        QVERIFY(!p.messages.texts().contains("Podaci o vasoj firmi su snimljeni..."));
        QCOMPARE(p.folder.read("firma.txt"), kTenLines);
        QCOMPARE(savedData(p)->toPlainText().split('\n').at(2), QStringLiteral("Beograd"));

        // A missing file on entering: the page shows, the error follows, the fields keep their
        // texts.
        QFile::setPermissions(p.folder.dataPath("firma.txt"), QFile::ReadOwner | QFile::WriteOwner);
        p.folder.remove("firma.txt");
        p.window().trigger(PageKey::AdminMenu);
        p.messages.clear();
        p.window().trigger(PageKey::Company);
        QCOMPARE(p.window().currentPage(), PageKey::Company);
        QCOMPARE(p.messages.errors().size(), 1);
        QCOMPARE(field(p, 3)->text(), QStringLiteral("Beograd"));
        QCOMPARE(field(p, 1)->text(), QStringLiteral("Kestar d.o.o."));
    }

    void fieldsFollowTheFileOrderInTabOrder()
    {
        MasterDataProgram p;
        p.window().trigger(PageKey::Company);
        for (int line = 1; line < 13; ++line) {
            QCOMPARE(field(p, line)->width(), 257);
            QCOMPARE(nextByTab(field(p, line)), field(p, line + 1));
        }
        QCOMPARE(field(p, 5)->accessibleName(), QStringLiteral("PIB"));
        QVERIFY(savedData(p)->isReadOnly());
        QCOMPARE(savedData(p)->size(), QSize(313, 209));
        QCOMPARE(p.find<QPushButton>("btnUpamtiPodatke")->size(), QSize(313, 57));
        // Lines after the thirteenth are read by nobody and gone after a save.
        QByteArray fifteen;
        for (int i = 1; i <= 15; ++i)
            fifteen += "L" + QByteArray::number(i) + "\n";
        p.folder.write("firma.txt", fifteen);
        p.window().trigger(PageKey::Company);
        QCOMPARE(field(p, 13)->text(), QStringLiteral("L13"));
        p.messages.answer(true);
        p.click("btnUpamtiPodatke");
        QVERIFY(p.folder.read("firma.txt").endsWith("L12\r\nL13\r\n"));
    }
};

QTEST_MAIN(CompanyPageTest)
#include "tst_companypage.moc"
