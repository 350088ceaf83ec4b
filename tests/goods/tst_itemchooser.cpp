#include "app/Assembly.h"
#include "data/CodePage.h"
#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "goods/ItemChooser.h"
#include "platform/Regional.h"
#include "shell/MainWindow.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

namespace {

Row article(const QString& code, const QString& name, const QString& groupCode,
            const QString& groupName, const QString& product = {})
{
    return {{"SIFRA", code},          {"NAZIV", name},
            {"GRUPAROBE", groupCode}, {"NAZIVGRUPE", groupName},
            {"PROIZVOD", product},    {"CENAPRODAJNA", "12.5"},
            {"RABAT", "3"},           {"KOLICINA", "10"}};
}

// In key order, so the grid shows them in this order.
const QList<Row> kArticles = {
    article("A000", "", "01", "Alati"),
    article("A001", "-kabl", "03", "O'Neil"),
    article("A002", "sab", "01", "Alati"),
    article("A003", "mast", "02", "Maziva", "P"),
    article("A004", "Motor", "02", "Maziva"),
    article("A005", "zica", "01", "Alati"),
    article("A006", QString::fromUtf8("Šraf"), "01", "Alati"),
};

// A started program with the articles above and a group file; the chooser works on its window.
struct Program
{
    Program()
    {
        folder.writeStandardTextFiles();
        writeGroups({"Alati", "Maziva", "O'Neil", "Prazna", "Svi proizvodi"});
        createAllTables();
        assembly = std::make_unique<Assembly>(messages);
        addRows(window().workplace().engine(), "podaci/magacin.db", kArticles);
        assembly->start();
        chooser = std::make_unique<ItemChooser>(assembly->workplace());
    }
    ~Program() { chooser.reset(); }

    void writeGroups(const QStringList& groups) const
    {
        QByteArray bytes;
        for (const QString& group : groups)
            bytes += CodePage::encode(group) + "\r\n";
        folder.write("grupe.txt", bytes);
    }

    MainWindow& window() const { return assembly->window(); }
    QListWidget* groups() const { return chooser->findChild<QListWidget*>("ListBox1"); }
    DataGrid* grid() const { return chooser->findChild<DataGrid*>("DBGrid1"); }
    QLineEdit* field(const char* name) const { return chooser->findChild<QLineEdit*>(name); }
    QLineEdit* nameField() const { return field("nazivRobe"); }
    QPushButton* ok() const { return chooser->findChild<QPushButton*>("btnOk"); }

    bool openChooser() const
    {
        chooser->open();
        return QTest::qWaitForWindowActive(chooser.get());
    }
    // The user goes to the main window and back into the dialog.
    bool comeBack() const
    {
        window().activateWindow();
        if (!QTest::qWaitForWindowActive(&window()))
            return false;
        chooser->activateWindow();
        return QTest::qWaitForWindowActive(chooser.get());
    }
    QStringList groupEntries() const
    {
        QStringList entries;
        for (int i = 0; i < groups()->count(); ++i)
            entries << groups()->item(i)->text();
        return entries;
    }
    void chooseGroup(const QString& group) const
    {
        const auto items = groups()->findItems(group, Qt::MatchExactly);
        QVERIFY2(items.size() == 1, qPrintable(group));
        const QRect rect = groups()->visualItemRect(items.first());
        QTest::mouseClick(groups()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    // The NAZIV column of the grid, top to bottom.
    QStringList shownNames() const
    {
        QStringList names;
        const QAbstractItemModel* model = grid()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names << model->index(row, 0).data().toString();
        return names;
    }
    int gridRow() const { return grid()->currentIndex().row(); }

    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
    std::unique_ptr<ItemChooser> chooser;
};

const QStringList kAllNames = {
    "", "-kabl", "sab", "mast", "Motor", "zica", QString::fromUtf8("Šraf")};

using Delivery = QList<QVariant>;

} // namespace

class ItemChooserTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void showingListsTheGroupFileAndStartsEmpty()
    {
        Program p;
        QVERIFY(p.openChooser());
        QCOMPARE(p.chooser->windowTitle(),
                 QStringLiteral("Izaberi artikal za formiranje dokumenta..."));
        QCOMPARE(p.groupEntries(), QStringList({"Alati", "Maziva", "O'Neil", "Prazna",
                                                "Svi proizvodi", "Sve grupe"}));
        QCOMPARE(p.chooser->focusWidget(), p.groups());
        QCOMPARE(p.groups()->selectedItems().size(), 0);
        QCOMPARE(p.grid()->model()->rowCount(), 0);
        // The first arrow key picks the first group.
        QTest::keyClick(p.groups(), Qt::Key_Down);
        QCOMPARE(p.shownNames(), QStringList({"", "sab", "zica", QString::fromUtf8("Šraf")}));
        QVERIFY(p.field("sifraRobe")->isReadOnly());
        QVERIFY(!p.nameField()->isReadOnly());
        QVERIFY(p.messages.texts().isEmpty());
    }

    void groupFiltersChooseTheirArticles()
    {
        Program p;
        QVERIFY(p.openChooser());
        p.chooseGroup("Sve grupe");
        QCOMPARE(p.shownNames(), kAllNames);
        const QAbstractItemModel* model = p.grid()->model();
        QCOMPARE(model->columnCount(), 19);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("NAZIV"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("SIFRA"));
        QCOMPARE(model->headerData(18, Qt::Horizontal).toString(), QStringLiteral("POCETNOSTANJE"));
        p.chooseGroup("Prazna");
        QCOMPARE(p.shownNames(), QStringList());
        p.chooseGroup("Svi proizvodi");
        QCOMPARE(p.shownNames(), QStringList({"mast"}));
        p.chooseGroup("O'Neil");
        QCOMPARE(p.shownNames(), QStringList({"-kabl"}));
        p.chooseGroup("Maziva");
        QCOMPARE(p.shownNames(), QStringList({"mast", "Motor"}));

        // Arrow keys choose too; Enter in the list goes on to the grid.
        p.groups()->setFocus();
        QTest::keyClick(p.groups(), Qt::Key_Down);
        QCOMPARE(p.shownNames(), QStringList({"-kabl"}));
        QTest::keyClick(p.groups(), Qt::Key_Return);
        QCOMPARE(p.chooser->focusWidget(), p.grid());
        QVERIFY(p.messages.texts().isEmpty());
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
    }

    void nameSearchTrailsOneKeyAndEnterCompletesIt()
    {
        Program p;
        QVERIFY(p.openChooser());
        QSignalSpy delivered(p.chooser.get(), &ItemChooser::delivered);
        p.chooseGroup("Prazna");
        p.nameField()->setFocus();
        QTest::keyClicks(p.nameField(), "ab");
        QCOMPARE(p.shownNames(),
                 QStringList({"-kabl", "sab", "mast", "zica", QString::fromUtf8("Šraf")}));
        QTest::keyClick(p.nameField(), Qt::Key_Return);
        QCOMPARE(p.shownNames(), QStringList({"-kabl", "sab"}));
        QCOMPARE(p.chooser->focusWidget(), p.grid());
        // Enter in the name field never presses OK.
        QCOMPARE(delivered.count(), 0);
        QVERIFY(p.chooser->isVisible());

        // Keys that type nothing do not search; Backspace does, with the text before it.
        p.nameField()->setFocus();
        QTest::keyClick(p.nameField(), Qt::Key_Left);
        QCOMPARE(p.shownNames(), QStringList({"-kabl", "sab"}));
        QTest::keyClick(p.nameField(), Qt::Key_End);
        QTest::keyClick(p.nameField(), Qt::Key_Backspace);
        QCOMPARE(p.nameField()->text(), QStringLiteral("a"));
        QCOMPARE(p.shownNames(), QStringList({"-kabl", "sab"}));
        QTest::keyClick(p.nameField(), Qt::Key_Backspace);
        QCOMPARE(p.shownNames(),
                 QStringList({"-kabl", "sab", "mast", "zica", QString::fromUtf8("Šraf")}));
        // An empty field searches "%%": every article with a name.
        QTest::keyClick(p.nameField(), Qt::Key_Return);
        for (const QString& name : kAllNames.mid(1))
            QVERIFY2(p.shownNames().contains(name), qPrintable(name));

        // A quote is searched for, not taken as the end of the text.
        p.nameField()->setFocus();
        QTest::keyClicks(p.nameField(), "'");
        QTest::keyClick(p.nameField(), Qt::Key_Return);
        QCOMPARE(p.shownNames(), QStringList());
        QVERIFY(p.messages.texts().isEmpty());
    }

    void letterJumpFindsEitherCaseByCodePage()
    {
        Program p;
        QVERIFY(p.openChooser());
        // Before any filter ran, keys in the grid do nothing.
        QTest::keyClick(p.grid(), 'm');
        QTest::keyClick(p.grid(), Qt::Key_Return);
        QVERIFY(p.field("sifraRobe")->text().isEmpty());

        p.chooseGroup("Sve grupe");
        QCOMPARE(p.grid()->selectedField(), QStringLiteral("NAZIV"));
        QTest::keyClicks(p.grid(), "m"); // 109: "mast"; 77 would match too
        QCOMPARE(p.gridRow(), 3);
        QTest::keyClicks(p.grid(), "M"); // 77, 109 or 45: "-kabl" comes first
        QCOMPARE(p.gridRow(), 1);
        QTest::keyClicks(p.grid(), "q");
        QCOMPARE(p.gridRow(), kAllNames.size() - 1);
        QTest::keyClicks(p.grid(), "s");
        QCOMPARE(p.gridRow(), 2);
        // In the code page "š" is 154 and "z" 122: 32 below it; "Š" (138) is not a match.
        QTest::sendKeyEvent(QTest::Click, p.grid(), Qt::Key_unknown, QString::fromUtf8("š"), {});
        QCOMPARE(p.gridRow(), 5);

        // In any other column the keys do nothing.
        QVERIFY(p.grid()->setSelectedField("SIFRA"));
        QTest::keyClicks(p.grid(), "m");
        QCOMPARE(p.gridRow(), 5);
        QVERIFY(p.messages.texts().isEmpty());
    }

    void enterOnTheNameTakesTheArticleAndOkDeliversIt()
    {
        Program p;
        QVERIFY(p.openChooser());
        QSignalSpy delivered(p.chooser.get(), &ItemChooser::delivered);
        p.chooseGroup("Sve grupe");
        QTest::keyClicks(p.grid(), "m");

        QVERIFY(p.grid()->setSelectedField("SIFRA"));
        QTest::keyClick(p.grid(), Qt::Key_Return);
        QVERIFY(p.field("sifraRobe")->text().isEmpty());

        QVERIFY(p.grid()->setSelectedField("NAZIV"));
        QTest::keyClick(p.grid(), Qt::Key_Return);
        QCOMPARE(p.field("sifraRobe")->text(), QStringLiteral("A003"));
        QCOMPARE(p.nameField()->text(), QStringLiteral("mast"));
        QCOMPARE(p.field("prodajnaCena")->text(), QStringLiteral("12.5"));
        QCOMPARE(p.field("rabat")->text(), QStringLiteral("3"));
        QCOMPARE(p.chooser->focusWidget(), p.ok());
        QCOMPARE(delivered.count(), 0);

        // The second Enter presses OK.
        QTest::keyClick(p.ok(), Qt::Key_Return);
        QCOMPARE(delivered.count(), 1);
        QCOMPARE(delivered.at(0), Delivery({"A003", "mast", "02", "Maziva"}));
        QVERIFY(!p.chooser->isVisible());

        // The next showing is empty; the held group stays with the next OK.
        QVERIFY(p.openChooser());
        QVERIFY(p.field("sifraRobe")->text().isEmpty());
        QVERIFY(p.nameField()->text().isEmpty());
        QVERIFY(p.field("rabat")->text().isEmpty());
        QCOMPARE(p.grid()->model()->rowCount(), 0);
        p.nameField()->setFocus();
        QTest::keyClicks(p.nameField(), "zz");
        QTest::mouseClick(p.ok(), Qt::LeftButton);
        QCOMPARE(delivered.count(), 2);
        QCOMPARE(delivered.at(1), Delivery({"", "zz", "02", "Maziva"}));
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
    }

    void okWithoutChoosingDeliversTheSearchTextAndNoGroup()
    {
        Program p;
        QVERIFY(p.openChooser());
        QSignalSpy delivered(p.chooser.get(), &ItemChooser::delivered);
        p.nameField()->setFocus();
        QTest::keyClicks(p.nameField(), "ab");
        QTest::mouseClick(p.ok(), Qt::LeftButton);
        QCOMPARE(delivered.count(), 1);
        QCOMPARE(delivered.at(0), Delivery({"", "ab", "", ""}));
    }

    void closeBoxDeliversNothingAndShowingAgainRaisesOnly()
    {
        Program p;
        QVERIFY(p.openChooser());
        QSignalSpy delivered(p.chooser.get(), &ItemChooser::delivered);
        p.chooseGroup("Sve grupe");
        QTest::keyClick(p.grid(), Qt::Key_Return);
        QCOMPARE(p.field("sifraRobe")->text(), QStringLiteral("A000"));
        // Enter in a field of the selection box does not press OK.
        QTest::keyClick(p.field("sifraRobe"), Qt::Key_Return);
        QCOMPARE(delivered.count(), 0);

        // Opening while shown keeps what is chosen.
        p.chooser->open();
        QCOMPARE(p.field("sifraRobe")->text(), QStringLiteral("A000"));
        QCOMPARE(p.grid()->model()->rowCount(), kAllNames.size());

        p.chooser->close();
        QVERIFY(!p.chooser->isVisible());
        QCOMPARE(delivered.count(), 0);
        QCOMPARE(p.grid()->model()->rowCount(), 0);
    }

    void comingBackReloadsTheGroupsAndEmptiesTheGridOnly()
    {
        Program p;
        QVERIFY(p.openChooser());
        p.chooseGroup("Sve grupe");
        QTest::keyClick(p.grid(), Qt::Key_Return);
        p.writeGroups({"Nova"});
        QVERIFY(p.comeBack());
        QCOMPARE(p.groupEntries(), QStringList({"Nova", "Sve grupe"}));
        QCOMPARE(p.grid()->model()->rowCount(), 0);
        QCOMPARE(p.field("sifraRobe")->text(), QStringLiteral("A000"));
        QCOMPARE(p.chooser->focusWidget(), p.groups());
    }

    void missingGroupFileIsReportedOnceAndTheSearchStillWorks()
    {
        Program p;
        p.folder.remove("grupe.txt");
        QVERIFY(p.openChooser());
        QCOMPARE(p.messages.errors().size(), 1);
        QVERIFY(p.messages.errors().first().contains("grupe.txt"));
        QCOMPARE(p.groupEntries(), QStringList());

        p.nameField()->setFocus();
        QTest::keyClicks(p.nameField(), "ma");
        QTest::keyClick(p.nameField(), Qt::Key_Return);
        QCOMPARE(p.shownNames(), QStringList({"mast"}));

        // Coming back from the error box would otherwise report it over and over.
        QVERIFY(p.comeBack());
        QCOMPARE(p.messages.errors().size(), 1);

        // A new showing reports it again; once the file is back, the list is.
        p.chooser->close();
        QVERIFY(p.openChooser());
        QCOMPARE(p.messages.errors().size(), 2);
        p.writeGroups({"Alati"});
        QVERIFY(p.comeBack());
        QCOMPARE(p.groupEntries(), QStringList({"Alati", "Sve grupe"}));
    }
};

QTEST_MAIN(ItemChooserTest)
#include "tst_itemchooser.moc"
