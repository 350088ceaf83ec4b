#include "ReliabilityProgram.h"
#include "goods/GoodsDocumentPage.h"
#include "masterdata/CompanyPage.h"
#include "masterdata/GroupsPage.h"
#include "masterdata/ItemsPage.h"
#include "masterdata/MachinesPage.h"
#include "printing/DocumentPrintPage.h"
#include "printing/GroupedNotePage.h"
#include "printing/ItemCardPage.h"

#include "data/Query.h"
#include "data/controls/DataGrid.h"
#include "goods/ItemChooser.h"
#include "goods/Posting.h"
#include "masterdata/MachineChooser.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"

#include <QListWidget>

using namespace kestar;
using namespace kestar::test;

namespace {

const QString kItems = QStringLiteral("podaci/magacin.db");
const QString kLedger = QStringLiteral("podaci/prometx.db");
const QString kMachines = QStringLiteral("podaci/masina.db");
const QString kLong = QString(10000, QLatin1Char('w'));

// The texts a user may type or paste, and whether a line of a text file of the data folder can
// hold them (one line, Windows-1250 only).
void addHostileRows()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fitsTextFile");
    QTest::newRow("O'Neil") << "O'Neil" << true;
    QTest::newRow("one quote") << "'" << true;
    QTest::newRow("two quotes") << "''" << true;
    QTest::newRow("always true") << "' OR '1'='1" << true;
    QTest::newRow("10000 characters") << kLong << true;
    QTest::newRow("omega") << QStringLiteral("\u03A9mega") << false;
    QTest::newRow("emoji") << QStringLiteral("kutija \U0001F4E6") << false;
    QTest::newRow("CJK") << QStringLiteral("\u4E2D\u6587") << false;
    QTest::newRow("tab") << "a\tb" << true;
    QTest::newRow("control 1") << "a\x01"
                                  "b"
                               << true;
    QTest::newRow("CR") << "a\rb" << false;
    QTest::newRow("LF") << "a\nb" << false;
    QTest::newRow("NUL") << QString("a") + QChar(0) + QString("b") << true;
}

// Puts text into a field as a user does: typed when it is something one types, pasted (set)
// when it is long or holds control characters.
void enter(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->clear();
    bool typeable = text.size() < 100;
    for (const QChar c : text)
        typeable = typeable && c.isPrint() && !c.isSurrogate();
    if (!typeable) {
        field->setText(text);
    } else {
        // Letters outside ASCII come as key events carrying their text, as from a keyboard
        // layout that has them.
        for (const QChar c : text) {
            if (c.unicode() < 128)
                QTest::keyClick(field, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c),
                                    Qt::NoModifier);
        }
    }
    QCOMPARE(field->text(), text);
}

// Types text into the grid's cell of the field on the current row: F2 opens the editor, Return
// writes the text into the row.
void enterCell(DataGrid* grid, const QString& field, const QString& text)
{
    QVERIFY(grid->setSelectedField(field));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F2);
    QLineEdit* editor = test::openCellEditor(grid);
    QVERIFY(editor);
    enter(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
    QVERIFY(!grid->isEditing());
}

// A statement cannot carry NUL (SQLite reads one only up to it): the engine refuses a value
// holding it with its own clear text, and the action stops there.
void checkNulRefused(const ReliabilityProgram& p)
{
    QCOMPARE(p.messages.errors().size(), 1);
    QVERIFY2(p.messages.errors().first().startsWith("Invalid character"),
             qPrintable(p.messages.errors().first()));
}

QStringList listTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// A program whose article table also holds an article named and grouped by text, code "H".
struct HostileProgram : ReliabilityProgram
{
    explicit HostileProgram(const QString& text)
        : ReliabilityProgram([&text](TestFolder&) {
              Engine setup;
              Row hostile = article("H", "5");
              hostile["NAZIV"] = text;
              hostile["NAZIVGRUPE"] = text;
              addRows(setup, "podaci/magacin.db", {hostile});
          })
    {
    }
};

} // namespace

class HostileInputTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void companyFieldIsStoredWholeOrRefused_data() { addHostileRows(); }
    void companyFieldIsStoredWholeOrRefused()
    {
        QFETCH(QString, text);
        QFETCH(bool, fitsTextFile);
        ReliabilityProgram p;
        p.folder.write("firma.txt", "Kestar\r\nGlavna 1\r\n");
        const QByteArray before = p.folder.read("firma.txt");
        p.window().trigger(PageKey::Company);
        enter(p.find<QLineEdit>("companyField2"), text);
        p.messages.answer(true);
        p.click("btnUpamtiPodatke");
        if (!fitsTextFile) {
            QCOMPARE(p.messages.errors().size(), 1);
            QVERIFY(!p.messages.texts().contains("Podaci o vasoj firmi su snimljeni..."));
            QCOMPARE(p.folder.read("firma.txt"), before);
            return;
        }
        QCOMPARE(p.messages.errors(), QStringList());
        p.window().trigger(PageKey::AdminMenu);
        p.window().trigger(PageKey::Company);
        QCOMPARE(p.find<QLineEdit>("companyField1")->text(), QStringLiteral("Kestar"));
        QCOMPARE(p.find<QLineEdit>("companyField2")->text(), text);
        QCOMPARE(p.find<QLineEdit>("companyField3")->text(), QString());
        QCOMPARE(p.folder.read("firma.txt").count("\r\n"), 13);
    }

    void groupIsStoredWholeOrRefusedAndFiltersTheChooser_data() { addHostileRows(); }
    void groupIsStoredWholeOrRefusedAndFiltersTheChooser()
    {
        QFETCH(QString, text);
        QFETCH(bool, fitsTextFile);
        HostileProgram p(text);
        p.window().trigger(PageKey::Groups);
        QLineEdit* code = p.find<QLineEdit>("newGroupCode");
        code->setText(text); // at most 3 characters stay
        const QString storedCode = code->text();
        enter(p.find<QLineEdit>("newGroupName"), text);
        p.click("btnUbaciGrupuUSpisak");
        p.messages.answer(true);
        p.click("btnSnimiGrupe");
        if (!fitsTextFile) {
            QCOMPARE(p.messages.errors().size(), 1);
            QCOMPARE(p.folder.read("grupe.txt"), QByteArray("Alati\r\n"));
            QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray("01\r\n"));
            return;
        }
        QCOMPARE(p.messages.errors(), QStringList());
        p.window().trigger(PageKey::AdminMenu);
        p.window().trigger(PageKey::Groups);
        QCOMPARE(listTexts(p.find<QListWidget>("groupNameList")), QStringList({"Alati", text}));
        QCOMPARE(listTexts(p.find<QListWidget>("groupCodeList")), QStringList({"01", storedCode}));

        // The group filter of the item chooser finds exactly the article of that group.
        p.window().trigger(ActionKey::NewIssue);
        p.grid()->setCurrentCell(0, 0);
        QTest::keyClick(p.grid(), Qt::Key_Return);
        ItemChooser* chooser = p.assembly->goods().itemChooser;
        QVERIFY(chooser->isVisible());
        QCoreApplication::sendEvent(chooser, new QEvent(QEvent::WindowActivate));
        auto* groups = chooser->findChild<QListWidget*>("ListBox1");
        QCOMPARE(listTexts(groups), QStringList({"Alati", text, "Sve grupe"}));
        groups->setCurrentRow(1);
        if (text.contains(QChar(0)))
            return checkNulRefused(p);
        QCOMPARE(p.messages.errors(), QStringList());
        auto* articles = chooser->findChild<DataGrid*>("DBGrid1");
        QCOMPARE(articles->model()->rowCount(), 1);
        QCOMPARE(articles->dataset()->text("SIFRA"), QStringLiteral("H"));
    }

    void nameSearchFindsOnlyWhatTheTextNames_data() { addHostileRows(); }
    void nameSearchFindsOnlyWhatTheTextNames()
    {
        QFETCH(QString, text);
        HostileProgram p(text);
        p.window().trigger(ActionKey::NewIssue);
        p.grid()->setCurrentCell(0, 0);
        QTest::keyClick(p.grid(), Qt::Key_Return);
        ItemChooser* chooser = p.assembly->goods().itemChooser;
        auto* name = chooser->findChild<QLineEdit*>("nazivRobe");
        enter(name, text);
        QTest::keyClick(name, Qt::Key_Return);
        if (text.contains(QChar(0)))
            return checkNulRefused(p);
        QCOMPARE(p.messages.errors(), QStringList());
        auto* articles = chooser->findChild<DataGrid*>("DBGrid1");
        QCOMPARE(articles->model()->rowCount(), 1);
        QCOMPARE(articles->dataset()->text("SIFRA"), QStringLiteral("H"));
        QCOMPARE(articles->dataset()->text("NAZIV"), text);
    }

    void articleCodeIsStoredWholeAndItsCardBuilds_data() { addHostileRows(); }
    void articleCodeIsStoredWholeAndItsCardBuilds()
    {
        QFETCH(QString, text);
        ReliabilityProgram p;
        p.window().trigger(PageKey::Items);
        p.click("btnDodajNoviArtikal");
        auto* grid = p.find<DataGrid>("newArticleGrid");
        enterCell(grid, "SIFRA", text);
        enterCell(grid, "NAZIV", text);
        enterCell(grid, "KOLICINA", "6");
        p.messages.answer(true);
        p.click("btnUpamtiNoviArikal");
        QCOMPARE(p.messages.texts(),
                 QStringList({"Da li ste sigurni?", "Artikli su uspesno upamceni"}));
        QStringList codes;
        for (const Row& row : p.rows(kItems)) {
            codes.append(row.value("SIFRA"));
            if (row.value("SIFRA") == text) {
                QCOMPARE(row.value("NAZIV"), text);
                QCOMPARE(row.value("MAGACIN1"), QStringLiteral("6"));
            }
        }
        QCOMPARE(codes.size(), 3);
        QVERIFY(codes.contains(text));
        QVERIFY(codes.contains("A") && codes.contains("B"));

        // Issue 2 of it, then its item card by the typed code.
        p.window().workplace().setEquipmentSwitch(0);
        p.window().trigger(ActionKey::NewIssue);
        p.grid()->setCurrentCell(0, 0);
        QTest::keyClick(p.grid(), Qt::Key_Return);
        p.documentPage()->deliverItem(text, text, "01", "Alati");
        p.typeQuantity(1, "2");
        p.post();
        QCOMPARE(p.messages.errors(), QStringList());
        QCOMPARE(p.stock(text), QStringLiteral("4/4"));

        p.messages.clear();
        p.window().trigger(PageKey::ItemCard);
        enter(p.find<QLineEdit>("izabranaSifraRobe"), text);
        p.click("btnPrikaziPromet");
        if (text.contains(QChar(0)))
            return checkNulRefused(p);
        QCOMPARE(p.messages.errors(), QStringList());
        auto* card = p.find<DataGrid>("cardGrid");
        QCOMPARE(card->model()->rowCount(), 1);
        QCOMPARE(card->dataset()->text("SALDO"), QStringLiteral("-2"));
    }

    void machineCodeIsStoredWholeAndReachesPostingAndGroupedNote_data() { addHostileRows(); }
    void machineCodeIsStoredWholeAndReachesPostingAndGroupedNote()
    {
        QFETCH(QString, text);
        ReliabilityProgram p;
        p.window().trigger(PageKey::Machines);
        p.click("btnOtvoriTabeluSaOpremom");
        auto* grid = p.find<DataGrid>("machinesGrid");
        Table* machines = qobject_cast<Table*>(grid->dataset());
        machines->last();
        machines->insert();
        enterCell(grid, "SIFRAMASINE", text);
        enterCell(grid, "SIFRA2", text);
        enterCell(grid, "NAZIVMASINE", text);
        machines->post();
        QCOMPARE(p.messages.errors(), QStringList());
        QStringList stored;
        for (const Row& row : p.rows(kMachines))
            stored << row.value("SIFRAMASINE") + "|" + row.value("SIFRA2") + "|" +
                          row.value("NAZIVMASINE");
        stored.sort();
        QStringList expected = {"M1|X|Presa", text + "|" + text + "|" + text};
        expected.sort();
        QCOMPARE(stored, expected);

        // The chooser lists it; an issue for it carries it into the ledger.
        p.openExampleIssue();
        MachineChooser* chooser = p.assembly->machineChooser();
        QTest::mouseClick(p.documentChild<QPushButton>("btnIzaberiOpremu"), Qt::LeftButton);
        QVERIFY(chooser->isVisible());
        QListWidget* codes = nullptr;
        for (QListWidget* list : chooser->findChildren<QListWidget*>()) {
            if (listTexts(list).contains("M1"))
                codes = list;
        }
        QVERIFY(codes);
        QCOMPARE(codes->count(), 2);
        codes->setCurrentRow(int(listTexts(codes).indexOf(text)));
        QTest::mouseClick(chooser->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
        QCOMPARE(p.documentChild<QLineEdit>("sifraOpreme")->text(), text);
        p.post();
        QCOMPARE(p.messages.errors(), QStringList());
        for (const Row& row : p.rows(kLedger)) {
            QCOMPARE(row.value("SIFRAMASINE"), text);
            QCOMPARE(row.value("NAZIVMASINE"), text);
        }

        // The grouped delivery note of that machine finds both lines, and only them.
        p.window().trigger(PageKey::GroupedNote);
        emit chooser->delivered(text, text, text);
        QPushButton* detailed = nullptr;
        for (QPushButton* button :
             p.window().page(PageKey::GroupedNote)->findChildren<QPushButton*>()) {
            if (button->text().startsWith("PRIKAZI") && !button->text().endsWith("ZBIRNO"))
                detailed = button;
        }
        QVERIFY(detailed);
        QTest::mouseClick(detailed, Qt::LeftButton);
        if (text.contains(QChar(0)))
            return checkNulRefused(p);
        QCOMPARE(p.messages.errors(), QStringList());
        QCOMPARE(p.window().workplace().documentResultSet().rowCount(), 2);
    }

    void commentsAreStoredWhole_data() { addHostileRows(); }
    void commentsAreStoredWhole()
    {
        QFETCH(QString, text);
        ReliabilityProgram p;
        p.openExampleIssue();
        enter(p.documentChild<QLineEdit>("komentar1"), text);
        enter(p.documentChild<QLineEdit>("komentar2"), text + text.left(5));
        p.post();
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.rows(kLedger);
        QCOMPARE(rows.size(), 2);
        for (const Row& row : rows) {
            QCOMPARE(row.value("KOMENTAR"), text);
            QCOMPARE(row.value("KOMENTAR2"), text + text.left(5));
        }
    }

    void numberFieldThatIsNoWholeNumberIsRefused_data()
    {
        addHostileRows();
        QTest::newRow("too large") << "99999999999" << true;
        QTest::newRow("digits then quote") << "17'" << true;
    }
    void numberFieldThatIsNoWholeNumberIsRefused()
    {
        QFETCH(QString, text);
        ReliabilityProgram p;
        p.openExampleIssue();
        const StoredState before = p.stored();
        p.number()->clear();
        enter(p.number(), text);
        p.post();
        QCOMPARE(p.messages.errors().size(), 1);
        QVERIFY(p.messages.errors().first().contains("is not a valid integer value"));
        QCOMPARE(p.stored(), before);
        QCOMPARE(p.window().currentPage(), PageKey::GoodsDocument);
        QCOMPARE(p.number()->text(), text);
    }

    void printNumberFieldIgnoresWhatIsNoNumber_data() { addHostileRows(); }
    void printNumberFieldIgnoresWhatIsNoNumber()
    {
        QFETCH(QString, text);
        ReliabilityProgram p;
        p.openExampleIssue();
        p.post();
        p.messages.clear();
        p.window().trigger(ActionKey::PrintIssueNotes);
        auto* number = p.find<QLineEdit>("printNumber");
        QCOMPARE(number->text(), QStringLiteral("17"));
        enter(number, text);
        QTest::keyClick(number, Qt::Key_Down);
        QCOMPARE(p.messages.errors(), QStringList());
        // Not a number: the step goes from the number shown last.
        QCOMPARE(number->text(), QStringLiteral("16"));
        QCOMPARE(p.window().workplace().documentResultSet().rowCount(), 0);
        QTest::keyClick(number, Qt::Key_Up);
        QCOMPARE(number->text(), QStringLiteral("17"));
        QCOMPARE(p.window().workplace().documentResultSet().rowCount(), 2);
    }
};

QTEST_MAIN(HostileInputTest)
#include "tst_hostileinput.moc"
