#include "app/Assembly.h"
#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "goods/GoodsDocumentPage.h"
#include "masterdata/MachineChooser.h"
#include "masterdata/MachinesPage.h"
#include "platform/Regional.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

namespace {

Row machine(const QString& code, const QString& code2, const QString& name)
{
    return {{"SIFRAMASINE", code}, {"SIFRA2", code2}, {"NAZIVMASINE", name}};
}

// A started program, logged in as the administrator, with the machines given.
struct Program
{
    explicit Program(const QList<Row>& machines = {})
    {
        folder.writeStandardTextFiles();
        createAllTables();
        assembly = std::make_unique<Assembly>(messages);
        addRows(window().workplace().engine(), "podaci/masina.db", machines);
        assembly->start();
        window().workplace().setUser(QStringLiteral("Administrator"));
        window().trigger(PageKey::Machines);
    }

    MainWindow& window() const { return assembly->window(); }
    MachineChooser* chooser() const { return assembly->machineChooser(); }
    MachinesPage* page() const
    {
        return qobject_cast<MachinesPage*>(window().page(PageKey::Machines));
    }
    DataGrid* grid() const { return page()->findChild<DataGrid*>("machinesGrid"); }
    void click(const char* button) const
    {
        auto* push = page()->findChild<QPushButton*>(button);
        QVERIFY2(push, button);
        QTest::mouseClick(push, Qt::LeftButton);
    }
    QListWidget* list(const char* name) const { return chooser()->findChild<QListWidget*>(name); }
    QLineEdit* field(const char* name) const { return chooser()->findChild<QLineEdit*>(name); }
    QStringList entries(const char* name) const
    {
        QStringList texts;
        for (int i = 0; i < list(name)->count(); ++i)
            texts << list(name)->item(i)->text();
        return texts;
    }
    QStringList fields() const
    {
        return {field("machineCodeField")->text(), field("machineCode2Field")->text(),
                field("machineNameField")->text()};
    }
    void clickCode(int row) const
    {
        QListWidget* codes = list("machineCodeList");
        QTest::mouseClick(codes->viewport(), Qt::LeftButton, {},
                          codes->visualItemRect(codes->item(row)).center());
    }
    void pressOk() const
    {
        QTest::mouseClick(chooser()->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    }

    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
};

const QList<Row> kMachines = {machine("M1", "X1", "Bager"), machine("M2", "X2", "Kran"),
                              machine("M3", "X3", "Viljuskar")};

using Delivery = QList<QVariant>;

} // namespace

class MachinesTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void pageOpensAndClosesTheTableOnlyByItsButtons()
    {
        Program p(kMachines);
        QCOMPARE(p.window().currentPage(), PageKey::Machines);
        QVERIFY(!p.page()->machines().isOpen());
        QCOMPARE(p.grid()->model()->rowCount(), 0);

        p.click("btnOtvoriTabeluSaOpremom");
        QVERIFY(p.page()->machines().isOpen());
        QCOMPARE(p.grid()->model()->rowCount(), 3);
        QCOMPARE(p.grid()->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("SIFRAMASINE"));
        QCOMPARE(p.grid()->model()->index(1, 2).data().toString(), QStringLiteral("Kran"));

        p.click("btnPovratakNaMeniAdministratora");
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
        QVERIFY(p.page()->machines().isOpen());

        p.window().trigger(PageKey::Machines);
        p.click("btnZatvoriTabeluSaOpremom");
        QVERIFY(!p.page()->machines().isOpen());
        QCOMPARE(p.grid()->model()->rowCount(), 0);

        p.click("btnOtvoriTabeluSaOpremom");
        p.window().trigger(ActionKey::LogOut);
        QVERIFY(!p.page()->machines().isOpen());
        QVERIFY(p.messages.texts().isEmpty());
    }

    void emptyTableGivesEmptyListsAndOkDeliversEmptyTexts()
    {
        Program p;
        QSignalSpy delivered(p.chooser(), &MachineChooser::delivered);
        p.chooser()->open();
        QVERIFY(p.chooser()->isVisible());
        QCOMPARE(p.chooser()->windowTitle(), QStringLiteral("Izbor masine"));
        QCOMPARE(p.list("machineCodeList")->count(), 0);
        QCOMPARE(p.list("machineCode2List")->count(), 0);
        QCOMPARE(p.list("machineNameList")->count(), 0);
        p.pressOk();
        QCOMPARE(delivered.count(), 1);
        QCOMPARE(delivered.at(0), Delivery({"", "", ""}));
        QVERIFY(!p.chooser()->isVisible());
        QVERIFY(p.messages.texts().isEmpty());
    }

    void choosingACodeSelectsItsMachineInEveryList()
    {
        Program p(kMachines);
        QSignalSpy delivered(p.chooser(), &MachineChooser::delivered);
        p.chooser()->open();
        QCOMPARE(p.entries("machineCodeList"), QStringList({"M1", "M2", "M3"}));
        QCOMPARE(p.entries("machineCode2List"), QStringList({"X1", "X2", "X3"}));
        QCOMPARE(p.entries("machineNameList"), QStringList({"Bager", "Kran", "Viljuskar"}));

        p.clickCode(1);
        // Enter delivers only from a focused OK.
        QTest::keyClick(p.list("machineCodeList"), Qt::Key_Return);
        QTest::keyClick(p.field("machineCodeField"), Qt::Key_Return);
        QCOMPARE(delivered.count(), 0);
        QVERIFY(p.chooser()->isVisible());
        QCOMPARE(p.list("machineCode2List")->currentRow(), 1);
        QCOMPARE(p.list("machineNameList")->currentRow(), 1);
        QCOMPARE(p.fields(), QStringList({"M2", "X2", "Kran"}));
        QTest::keyClick(p.list("machineCodeList"), Qt::Key_Down);
        QCOMPARE(p.fields(), QStringList({"M3", "X3", "Viljuskar"}));

        // The other lists only highlight.
        QListWidget* names = p.list("machineNameList");
        QTest::mouseClick(names->viewport(), Qt::LeftButton, {},
                          names->visualItemRect(names->item(0)).center());
        QCOMPARE(p.fields(), QStringList({"M3", "X3", "Viljuskar"}));
        QCOMPARE(p.list("machineCodeList")->currentRow(), 2);

        // Opening while shown only brings it to the front; typed fields are delivered as typed.
        p.chooser()->open();
        QCOMPARE(p.fields(), QStringList({"M3", "X3", "Viljuskar"}));
        p.field("machineNameField")->clear();
        QTest::keyClicks(p.field("machineNameField"), "Novi");
        auto* ok = p.chooser()->findChild<QPushButton*>("btnOk");
        ok->setFocus();
        QTest::keyClick(ok, Qt::Key_Return);
        QCOMPARE(delivered.count(), 1);
        QCOMPARE(delivered.at(0), Delivery({"M3", "X3", "Novi"}));

        // The next showing starts empty; the close box delivers nothing.
        p.chooser()->open();
        QCOMPARE(p.fields(), QStringList({"", "", ""}));
        p.clickCode(0);
        p.chooser()->close();
        QVERIFY(!p.chooser()->isVisible());
        QCOMPARE(delivered.count(), 1);
    }

    // The list takes the keyboard focus when the chooser opens; that alone chooses nothing, so
    // OK without a choice empties the document's machine, also the first time after start-up.
    void firstShowingChoosesNothingAndOkEmptiesTheDocumentsMachine()
    {
        Program p(kMachines);
        p.window().show();
        QVERIFY(QTest::qWaitForWindowActive(&p.window()));
        p.window().trigger(ActionKey::NewIssue);
        auto* page = p.window().page(PageKey::GoodsDocument);
        const auto documentMachine = [page] {
            return QStringList{page->findChild<QLineEdit*>("sifraOpreme")->text(),
                               page->findChild<QLineEdit*>("sifra2")->text(),
                               page->findChild<QLineEdit*>("nazivOpreme")->text()};
        };
        // As the window manager does when the chooser goes.
        const auto backToTheWindow = [&p] {
            p.window().activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&p.window()));
        };
        for (int showing = 0; showing < 2; ++showing) {
            QTest::mouseClick(page->findChild<QPushButton*>("btnIzaberiOpremu"), Qt::LeftButton);
            QVERIFY(QTest::qWaitForWindowActive(p.chooser()));
            QTRY_COMPARE(QApplication::focusWidget(), p.list("machineCodeList"));
            QCOMPARE(p.fields(), QStringList({"", "", ""}));
            for (const char* list : {"machineCodeList", "machineCode2List", "machineNameList"})
                QVERIFY2(p.list(list)->selectedItems().isEmpty(), list);
            p.pressOk();
            QCOMPARE(documentMachine(), QStringList({"", "", ""}));
            backToTheWindow();
            // A machine chosen earlier is cleared by the next OK without a choice.
            QTest::mouseClick(page->findChild<QPushButton*>("btnIzaberiOpremu"), Qt::LeftButton);
            QVERIFY(QTest::qWaitForWindowActive(p.chooser()));
            QTRY_COMPARE(QApplication::focusWidget(), p.list("machineCodeList"));
            // The first arrow key press chooses the first machine.
            QTest::keyClick(p.list("machineCodeList"), Qt::Key_Down);
            QCOMPARE(p.fields(), QStringList({"M1", "X1", "Bager"}));
            p.pressOk();
            QCOMPARE(documentMachine(), QStringList({"M1", "X1", "Bager"}));
            backToTheWindow();
        }
        QVERIFY(p.messages.texts().isEmpty());
    }

    void showingListsNewRowsAndClosesThePageTable()
    {
        Program p(kMachines);
        p.click("btnOtvoriTabeluSaOpremom");
        auto* navigator = p.page()->findChild<RecordNavigator*>("machinesNavigator");
        QTest::mouseClick(navigator->button(RecordNavigator::Button::Insert), Qt::LeftButton);
        Table& table = p.page()->machines();
        table.setText("SIFRAMASINE", "M0");
        table.setText("SIFRA2", "X0");
        table.setText("NAZIVMASINE", "Dizalica");
        QTest::mouseClick(navigator->button(RecordNavigator::Button::Post), Qt::LeftButton);
        QCOMPARE(p.grid()->model()->rowCount(), 4);

        p.chooser()->open();
        QCOMPARE(p.entries("machineCodeList"), QStringList({"M0", "M1", "M2", "M3"}));
        QCOMPARE(p.entries("machineNameList").first(), QStringLiteral("Dizalica"));
        QVERIFY(!table.isOpen());
        QCOMPARE(p.grid()->model()->rowCount(), 0);
        QVERIFY(p.messages.texts().isEmpty());
        QCOMPARE(readRows(p.window().workplace().engine(), "podaci/masina.db").size(), 4);
    }

    void missingTableIsReportedAndLeavesTheListsEmpty()
    {
        Program p(kMachines);
        p.folder.remove("masina.db");
        p.chooser()->open();
        QCOMPARE(p.messages.errors().size(), 1);
        QVERIFY(p.chooser()->isVisible());
        QCOMPARE(p.list("machineCodeList")->count(), 0);
    }
};

QTEST_MAIN(MachinesTest)
#include "tst_machines.moc"
