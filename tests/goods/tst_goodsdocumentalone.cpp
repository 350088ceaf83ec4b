#include "data/Engine.h"
#include "data/SharedData.h"
#include "goods/GoodsDocumentPage.h"
#include "platform/Regional.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/RecordingNavigator.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

// The goods document page built alone on a workplace over a test folder: the posting takes the
// session's user and last number from the workplace and leaves the numbers it used there.
class GoodsDocumentAloneTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }

    void postsWithTheSessionsValuesAndKeepsTheNumbersItUsed()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        folder.write("dokument.txt", "41\r\n");
        folder.write("otpremnica.txt", "16\r\n");
        folder.write("oprema.txt", "0\r\n");
        createAllTables();
        ScriptedMessages messages;
        Workplace workplace(messages);
        addRows(workplace.engine(), "podaci/magacin.db",
                {{{"SIFRA", "A"}, {"NAZIV", "Artikal A"}, {"KOLICINA", "10"}, {"MAGACIN1", "10"}}});
        workplace.setUser("Marko");
        workplace.setLastNumber(Counter::Document, {41, "41"});
        RecordingNavigator navigator;
        auto* page = new GoodsDocumentPage(workplace, navigator);
        navigator.addPage(PageKey::GoodsDocument, page);

        page->openDocument(DocumentKind::Issue);
        QCOMPARE(navigator.shown, QStringList({PageKey::GoodsDocument}));
        auto* number = page->findChild<QLineEdit*>("Edit57");
        QCOMPARE(number->text(), QStringLiteral("17"));
        page->deliverItem("A", "Artikal A", "01", "Alati");
        page->findChild<QTableWidget*>("StringGrid5")->item(0, 2)->setText("3");

        messages.answer(true);
        page->post();
        QCOMPARE(messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> ledger = readRows(workplace.engine(), "podaci/prometx.db");
        QCOMPARE(ledger.size(), 1);
        QCOMPARE(ledger[0].value("KORISNIK"), QStringLiteral("Marko"));
        QCOMPARE(ledger[0].value("BROJDOKUMENTA"), QStringLiteral("42"));
        QCOMPARE(ledger[0].value("OTPREMNICA"), QStringLiteral("17"));
        QCOMPARE(readRows(workplace.engine(), "podaci/magacin.db")[0].value("KOLICINA"),
                 QStringLiteral("7"));
        QCOMPARE(folder.read("dokument.txt"), QByteArray("42\r\n"));
        QCOMPARE(folder.read("otpremnica.txt"), QByteArray("17\r\n"));
        QCOMPARE(workplace.lastNumber(Counter::Document).value, 42);
        QCOMPARE(workplace.lastNumber(Counter::Issue).text, QStringLiteral("17"));
        QCOMPARE(navigator.returnsToMenu, 1);
    }

    void aCounterThatCannotBeReadLeavesTheNumberEmpty()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        folder.remove("ulaz.txt");
        ScriptedMessages messages;
        Workplace workplace(messages);
        RecordingNavigator navigator;
        auto* page = new GoodsDocumentPage(workplace, navigator);
        navigator.addPage(PageKey::GoodsDocument, page);
        page->openDocument(DocumentKind::Receipt);
        QCOMPARE(messages.errors().size(), 1);
        QVERIFY(messages.errors().first().contains("podaci/ulaz.txt"));
        QCOMPARE(page->findChild<QLineEdit*>("Edit57")->text(), QString());
    }
};

QTEST_MAIN(GoodsDocumentAloneTest)
#include "tst_goodsdocumentalone.moc"
