#include "app/Assembly.h"
#include "data/Table.h"
#include "data/controls/BoxMessages.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "goods/GoodsDocumentPage.h"
#include "goods/ItemChooser.h"
#include "masterdata/CompanyPage.h"
#include "masterdata/ItemsPage.h"
#include "masterdata/MachineChooser.h"
#include "platform/Regional.h"
#include "shell/MainWindow.h"
#include "shell/Workplace.h"
#include "tests/support/Fixture.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <functional>

using namespace kestar;
using namespace kestar::test;

namespace {

// The whole program on a fresh data folder, shown, with the administrator logged in by Enter
// in the password field.
struct Program
{
    Program()
    {
        folder.writeStandardTextFiles();
        folder.write("grupe.txt", "Alati\r\n");
        folder.write("sgrupe.txt", "AL\r\n");
        createAllTables();
        assembly = std::make_unique<Assembly>(messages);
        addRows(window().workplace().engine(), "podaci/korisnici.db",
                {{{"SIFRA", "123"}, {"KORISNIK", "Administrator"}}});
        addRows(window().workplace().engine(), "podaci/magacin.db",
                {{{"SIFRA", "A"}, {"NAZIV", "Artikal A"}, {"KOLICINA", "1"}}});
        addRows(window().workplace().engine(), "podaci/masina.db",
                {{{"SIFRAMASINE", "M1"}, {"SIFRA2", "X"}, {"NAZIVMASINE", "Presa"}}});
        assembly->start();
        window().show();
        QVERIFY(QTest::qWaitForWindowActive(&window()));
        auto* password = window().findChild<QLineEdit*>("passwordField");
        password->setFocus();
        QTest::keyClicks(password, "123");
        QTest::keyClick(password, Qt::Key_Return);
    }
    MainWindow& window() const { return assembly->window(); }
    QWidget* page() const { return window().page(window().currentPage()); }
    template <class T> T* child(QWidget* parent, const char* name) const
    {
        T* widget = parent->findChild<T*>(name);
        if (!widget)
            qFatal("no widget named %s", name);
        return widget;
    }
    // Gives the button the keyboard focus and presses the key on it.
    static void press(QAbstractButton* button, Qt::Key key)
    {
        button->setFocus();
        QTest::keyClick(button, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    }

    TestFolder folder;
    ScriptedMessages messages;
    std::unique_ptr<Assembly> assembly;
};

// Runs action while a real message box is up: boxAction gets the box when it shows.
int answerBox(const std::function<void(QMessageBox*)>& boxAction,
              const std::function<int()>& action)
{
    QTimer::singleShot(0, [boxAction] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        boxAction(box);
    });
    return action();
}

} // namespace

class EnterKeyTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void enterAndTheKeypadsEnterPressTheFocusedButtonOfAPage()
    {
        Program p;
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
        Program::press(p.child<QPushButton>(p.page(), "btnRobaUMagacinu"), Qt::Key_Return);
        QCOMPARE(p.window().currentPage(), PageKey::Items);

        Program::press(p.child<QPushButton>(p.page(), "btnDodajNoviArtikal"), Qt::Key_Enter);
        auto* items = qobject_cast<ItemsPage*>(p.page());
        QCOMPARE(items->staged().state(), DatasetState::Insert);
        // A tool button of the record navigator, too.
        auto* navigator = p.child<RecordNavigator>(p.page(), "itemNavigator");
        Program::press(p.child<QPushButton>(p.page(), "btnOtvoriTabelu"), Qt::Key_Return);
        QVERIFY(p.window().workplace().itemTableView().isOpen());
        Program::press(navigator->button(RecordNavigator::Button::Last), Qt::Key_Enter);
        QVERIFY(p.window().workplace().itemTableView().isOpen());
        Program::press(p.child<QPushButton>(p.page(), "btnZatvoriTabelu"), Qt::Key_Enter);
        QVERIFY(!p.window().workplace().itemTableView().isOpen());

        Program::press(p.child<QPushButton>(p.page(), "btnPovratakNaMeniAdministratora"),
                       Qt::Key_Return);
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
        Program::press(p.child<QPushButton>(p.page(), "btnPodaciOFirmi"), Qt::Key_Enter);
        QCOMPARE(p.window().currentPage(), PageKey::Company);
        p.messages.answer(false);
        Program::press(p.child<QPushButton>(p.page(), "btnUpamtiPodatke"), Qt::Key_Return);
        QCOMPARE(p.messages.texts(), QStringList{"Da li ste sigurni?"});

        // The top strip's button, from any page: log out.
        Program::press(p.child<QPushButton>(&p.window(), "glavniMeni"), Qt::Key_Return);
        QCOMPARE(p.window().currentPage(), PageKey::Login);
    }

    void enterPressesTheFocusedButtonOfTheDialogsAndOfAMessageBox()
    {
        Program p;
        p.window().trigger(ActionKey::NewIssue);
        QWidget* document = p.page();
        Program::press(p.child<QPushButton>(document, "btnIzaberiOpremu"), Qt::Key_Return);
        MachineChooser* machines = p.assembly->machineChooser();
        QVERIFY(machines->isVisible());
        auto* codes = p.child<QListWidget>(machines, "machineCodeList");
        QTest::keyClick(codes, Qt::Key_Down);
        Program::press(p.child<QPushButton>(machines, "btnOk"), Qt::Key_Enter);
        QVERIFY(!machines->isVisible());
        QCOMPARE(p.child<QLineEdit>(document, "sifraOpreme")->text(), QStringLiteral("M1"));

        // The group list's OK, which leaves Enter in the list to the list itself.
        p.window().trigger(PageKey::Items);
        Program::press(p.child<QPushButton>(p.page(), "btnDodajNoviArtikal"), Qt::Key_Return);
        auto* grid = p.child<DataGrid>(p.page(), "newArticleGrid");
        QVERIFY(grid->setSelectedField("GRUPAROBE"));
        QTest::keyClick(grid, Qt::Key_Return);
        auto* groups = p.child<QDialog>(&p.window(), "groupListDialog");
        QVERIFY(groups->isVisible());
        auto* names = p.child<QListWidget>(groups, "dialogGroupNames");
        names->setCurrentRow(0);
        Program::press(p.child<QPushButton>(groups, "btnGroupOk"), Qt::Key_Return);
        QVERIFY(!groups->isVisible());
        auto* items = qobject_cast<ItemsPage*>(p.page());
        QCOMPARE(items->staged().text("GRUPAROBE"), QStringLiteral("AL"));

        // A real confirmation box: Enter presses the button that has the focus, and with the
        // focus left where the box put it, its default button (No).
        BoxMessages boxes(&p.window());
        const auto confirm = [&boxes] { return int(boxes.confirm("Da li ste sigurni?")); };
        QCOMPARE(answerBox(
                     [](QMessageBox* box) {
                         Program::press(box->button(QMessageBox::Yes), Qt::Key_Return);
                     },
                     confirm),
                 1);
        QCOMPARE(answerBox(
                     [](QMessageBox* box) {
                         Program::press(box->button(QMessageBox::No), Qt::Key_Enter);
                     },
                     confirm),
                 0);
        QCOMPARE(answerBox(
                     [](QMessageBox* box) {
                         QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                                     : box,
                                         Qt::Key_Return);
                     },
                     confirm),
                 0);
    }

    // Fields and grids keep what Enter did in them.
    void enterInFieldsAndGridsIsUnchanged()
    {
        Program p;
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu); // the password field
        p.window().trigger(PageKey::Company);
        auto* name = p.child<QLineEdit>(p.page(), "companyField1");
        name->setFocus();
        QTest::keyClick(name, Qt::Key_Return);
        QTest::keyClick(name, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(p.messages.texts().isEmpty());
        QCOMPARE(p.window().currentPage(), PageKey::Company);

        p.window().trigger(ActionKey::NewIssue);
        auto* lines = p.child<QTableWidget>(p.page(), "StringGrid5");
        lines->setFocus();
        lines->setCurrentCell(0, 0);
        QTest::keyClick(lines, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(p.assembly->goods().itemChooser->isVisible());
    }
};

QTEST_MAIN(EnterKeyTest)
#include "tst_enterkey.moc"
