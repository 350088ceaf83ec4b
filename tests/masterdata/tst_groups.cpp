#include "MasterDataProgram.h"
#include "masterdata/GroupsPage.h"
#include "masterdata/ItemsPage.h"

#include "data/Engine.h"
#include "masterdata/GroupListDialog.h"
#include "platform/Regional.h"

#include <QLabel>

using namespace kestar;
using namespace kestar::test;

namespace {
void twoGroups(TestFolder& folder)
{
    folder.write("grupe.txt", "Alati\r\nBoje\r\n");
    folder.write("sgrupe.txt", "AL\r\nBO\r\n");
}

struct GroupsProgram : MasterDataProgram
{
    using MasterDataProgram::MasterDataProgram;
    QListWidget* names() const { return find<QListWidget>("groupNameList"); }
    QListWidget* codes() const { return find<QListWidget>("groupCodeList"); }
    QLineEdit* newCode() const { return find<QLineEdit>("newGroupCode"); }
    QLineEdit* newName() const { return find<QLineEdit>("newGroupName"); }
    GroupListDialog* dialog() const { return find<GroupListDialog>("groupListDialog"); }
    QListWidget* dialogNames() const { return find<QListWidget>("dialogGroupNames"); }

    void add(const QString& code, const QString& name) const
    {
        newCode()->clear();
        newName()->clear();
        QTest::keyClicks(newCode(), code);
        QTest::keyClicks(newName(), name);
        click("btnUbaciGrupuUSpisak");
    }
    static void clickRow(QListWidget* list, int row)
    {
        const QRect rect = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    }
    static void doubleClickRow(QListWidget* list, int row)
    {
        // As a mouse gives it: press, release, double click, release.
        const QPoint point = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, point);
    }
    // Dodaj novi artikal, a code typed, Enter in the column of the field.
    void newArticleAskingForGroup(const QString& code, const QString& field) const
    {
        click("btnDodajNoviArtikal");
        DataGrid* grid = find<DataGrid>("newArticleGrid");
        typeIntoCell(grid, "SIFRA", code);
        QVERIFY(grid->setSelectedField(field));
        QTest::keyClick(grid, Qt::Key_Return);
    }
    Table& stagedTable() const
    {
        return *qobject_cast<Table*>(find<DataGrid>("newArticleGrid")->dataset());
    }
};
} // namespace

class GroupsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void addedAndRemovedGroupsAreSavedInPairs()
    {
        GroupsProgram p(twoGroups);
        p.window().trigger(PageKey::Groups);
        QCOMPARE(p.window().currentPage(), PageKey::Groups);
        QCOMPARE(MasterDataProgram::items(p.names()), QStringList({"Alati", "Boje"}));
        QCOMPARE(MasterDataProgram::items(p.codes()), QStringList({"AL", "BO"}));

        p.add("ELEKTRO", "Elektro");
        QCOMPARE(p.newCode()->text(), QStringLiteral("ELE")); // a code takes three characters
        p.add("KAB", "Kablovi");
        QCOMPARE(p.newName()->text(), QStringLiteral("Kablovi")); // the fields stay as they are

        GroupsProgram::clickRow(p.names(), 1);
        QCOMPARE(p.codes()->currentRow(), 1);
        // A code chosen on its own does not decide what the double click on a name removes.
        GroupsProgram::clickRow(p.codes(), 0);
        GroupsProgram::doubleClickRow(p.names(), 2);
        QCOMPARE(MasterDataProgram::items(p.names()), QStringList({"Alati", "Boje", "Kablovi"}));
        QCOMPARE(MasterDataProgram::items(p.codes()), QStringList({"AL", "BO", "KAB"}));
        QCOMPARE(p.folder.read("grupe.txt"), QByteArray("Alati\r\nBoje\r\n")); // not yet saved

        p.messages.answer(true);
        p.click("btnSnimiGrupe");
        QCOMPARE(p.messages.texts(), QStringList({"Da li ste sigurni?",
                                                  "Podaci o grupama robe su uspesno snimljeni!"}));
        QCOMPARE(p.folder.read("grupe.txt"), QByteArray("Alati\r\nBoje\r\nKablovi\r\n"));
        QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray("AL\r\nBO\r\nKAB\r\n"));
        QVERIFY(p.newCode()->text().isEmpty());
        QVERIFY(p.newName()->text().isEmpty());
    }

    void unsavedChangesAreGoneOnTheNextVisitAndNoSavesNothing()
    {
        GroupsProgram p(twoGroups);
        p.window().trigger(PageKey::Groups);
        p.add("NOV", "Nova");
        p.messages.answer(false);
        p.click("btnSnimiGrupe");
        QCOMPARE(p.messages.texts(), QStringList({"Da li ste sigurni?"}));
        QCOMPARE(p.newName()->text(), QStringLiteral("Nova"));
        p.click("btnPovratakNaMeniAdministratora");
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
        p.window().trigger(PageKey::Groups);
        QCOMPARE(MasterDataProgram::items(p.names()), QStringList({"Alati", "Boje"}));
        QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray("AL\r\nBO\r\n"));
        QCOMPARE(p.newName()->text(), QStringLiteral("Nova")); // entering keeps the fields
    }

    void emptyListWritesTwoEmptyFiles()
    {
        GroupsProgram p(twoGroups);
        p.window().trigger(PageKey::Groups);
        GroupsProgram::doubleClickRow(p.names(), 0);
        GroupsProgram::doubleClickRow(p.names(), 0);
        QCOMPARE(p.names()->count(), 0);
        QCOMPARE(p.codes()->count(), 0);
        p.messages.answer(true);
        p.click("btnSnimiGrupe");
        QCOMPARE(p.folder.read("grupe.txt"), QByteArray());
        QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray());
    }

    void refusedCodeFileKeepsTheNameFileInStep()
    {
        GroupsProgram p(twoGroups);
        p.window().trigger(PageKey::Groups);
        p.add("NOV", "Nova");
        QFile::setPermissions(p.folder.dataPath("sgrupe.txt"), QFile::ReadOwner);
        p.messages.answer(true);
        p.click("btnSnimiGrupe");
        QCOMPARE(p.messages.errors().size(), 1);
        QVERIFY(!p.messages.texts().contains("Podaci o grupama robe su uspesno snimljeni!"));
        QCOMPARE(p.folder.read("grupe.txt"), QByteArray("Alati\r\nBoje\r\n"));
        QCOMPARE(p.folder.read("sgrupe.txt"), QByteArray("AL\r\nBO\r\n"));
        QCOMPARE(p.newCode()->text(), QStringLiteral("NOV"));
    }

    void missingGroupFileIsReportedWithEmptyLists()
    {
        GroupsProgram p(twoGroups);
        p.window().trigger(PageKey::Groups);
        p.folder.remove("sgrupe.txt");
        p.window().trigger(PageKey::Groups);
        QCOMPARE(p.window().currentPage(), PageKey::Groups);
        QCOMPARE(p.messages.errors().size(), 1);
        QCOMPARE(p.names()->count(), 0);
        QCOMPARE(p.codes()->count(), 0);

        p.messages.clear();
        p.window().trigger(PageKey::Items);
        p.newArticleAskingForGroup("M1", "GRUPAROBE");
        QVERIFY(p.dialog()->isVisible());
        QCOMPARE(p.messages.errors().size(), 1);
        QCOMPARE(p.dialogNames()->count(), 0);
    }

    void dialogWritesTheChosenGroupIntoTheNewArticle()
    {
        GroupsProgram p(twoGroups);
        p.window().trigger(PageKey::Items);
        QVERIFY(!p.dialog()->isVisible());

        // Enter in another column does nothing of the page's own.
        p.click("btnDodajNoviArtikal");
        QVERIFY(p.find<DataGrid>("newArticleGrid")->setSelectedField("NAZIV"));
        QTest::keyClick(p.find<DataGrid>("newArticleGrid"), Qt::Key_Return);
        QVERIFY(!p.dialog()->isVisible());

        p.newArticleAskingForGroup("X1", "GRUPAROBE");
        QVERIFY(p.dialog()->isVisible());
        QCOMPARE(MasterDataProgram::items(p.dialogNames()), QStringList({"Alati", "Boje"}));
        QVERIFY(p.dialogNames()->selectedItems().isEmpty());
        QCOMPARE(p.dialog()->focusWidget(), p.dialogNames());

        // Nothing chosen: nothing written, the dialog stays.
        QTest::keyClick(p.dialogNames(), Qt::Key_Return);
        QVERIFY(p.dialog()->isVisible());
        QCOMPARE(p.stagedTable().text("GRUPAROBE"), QString());

        GroupsProgram::clickRow(p.dialogNames(), 1);
        QTest::keyClick(p.dialogNames(), Qt::Key_Return);
        QVERIFY(!p.dialog()->isVisible());
        QCOMPARE(p.stagedTable().text("GRUPAROBE"), QStringLiteral("BO"));
        QCOMPARE(p.stagedTable().text("NAZIVGRUPE"), QStringLiteral("Boje"));

        // OK on a row that is only being browsed puts it into edit mode first.
        p.stagedTable().first();
        QCOMPARE(p.stagedTable().state(), DatasetState::Browse);
        p.newArticleAskingForGroup("X2", "NAZIVGRUPE");
        p.stagedTable().first();
        QCOMPARE(p.stagedTable().state(), DatasetState::Browse);
        p.dialog()->showForChoice();
        GroupsProgram::clickRow(p.dialogNames(), 0);
        p.click("btnGroupOk");
        QVERIFY(!p.dialog()->isVisible());
        QCOMPARE(p.stagedTable().state(), DatasetState::Edit);
        QCOMPARE(p.stagedTable().text("NAZIVGRUPE"), QStringLiteral("Alati"));

        p.messages.answer(true);
        p.click("btnUpamtiNoviArikal");
        const QList<Row> items = readRows(p.window().workplace().engine(), "podaci/magacin.db");
        QCOMPARE(items.size(), 2);
        QMap<QString, QString> groupOf;
        for (const Row& row : items)
            groupOf.insert(row.value("SIFRA"),
                           row.value("GRUPAROBE") + "/" + row.value("NAZIVGRUPE"));
        QCOMPARE(groupOf.value("X1"), QStringLiteral("BO/Boje"));
        QCOMPARE(groupOf.value("X2"), QStringLiteral("AL/Alati"));
    }

    // Tab out of the code's cell editor opens an editor in the group column; one Enter there
    // writes what was typed and opens the list all the same, as it does in the grid itself.
    void oneEnterInTheGroupColumnOpensTheListHoweverTheColumnWasReached()
    {
        GroupsProgram p(twoGroups);
        p.window().trigger(PageKey::Items);
        p.click("btnDodajNoviArtikal");
        DataGrid* grid = p.find<DataGrid>("newArticleGrid");
        QVERIFY(grid->setSelectedField("SIFRA"));
        QTest::keyClick(grid, 'X');
        QVERIFY(MasterDataProgram::editor(grid));
        QTest::keyClicks(MasterDataProgram::editor(grid), "9");
        QTest::keyClick(MasterDataProgram::editor(grid), Qt::Key_Tab);
        QCoreApplication::processEvents();
        QCOMPARE(grid->selectedField(), QStringLiteral("GRUPAROBE"));
        QVERIFY(grid->isEditing());

        QTest::keyClick(MasterDataProgram::editor(grid), Qt::Key_Return);
        QTRY_VERIFY(p.dialog()->isVisible());
        QVERIFY(!grid->isEditing());
        QCOMPARE(p.stagedTable().text("SIFRA"), QStringLiteral("X9"));
        GroupsProgram::clickRow(p.dialogNames(), 0);
        QTest::keyClick(p.dialogNames(), Qt::Key_Return);
        QVERIFY(!p.dialog()->isVisible());
        QCOMPARE(p.stagedTable().text("GRUPAROBE"), QStringLiteral("AL"));
        QCOMPARE(p.stagedTable().text("NAZIVGRUPE"), QStringLiteral("Alati"));

        // An editor opened by typing into the name column: its Enter opens the list too, the
        // keypad's Enter as well, and the typed text is kept.
        QVERIFY(grid->setSelectedField("NAZIVGRUPE"));
        grid->setFocus();
        QTest::keyClick(grid, 'B');
        QVERIFY(grid->isEditing());
        QTest::keyClick(MasterDataProgram::editor(grid), Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_VERIFY(p.dialog()->isVisible());
        QCOMPARE(p.stagedTable().text("NAZIVGRUPE"), QStringLiteral("B"));
        p.dialog()->hide();

        // Enter that closes an editor in another column opens nothing.
        QVERIFY(grid->setSelectedField("NAZIV"));
        grid->setFocus();
        QTest::keyClick(grid, 'N');
        QTest::keyClick(MasterDataProgram::editor(grid), Qt::Key_Return);
        QCoreApplication::processEvents();
        QVERIFY(!p.dialog()->isVisible());
        QCOMPARE(p.stagedTable().text("NAZIV"), QStringLiteral("N"));
    }

    void dialogReloadsWhenActivatedAndReportsAFailureOncePerShowing()
    {
        GroupsProgram p(twoGroups);
        p.window().trigger(PageKey::Items);
        p.newArticleAskingForGroup("Z1", "GRUPAROBE");
        GroupsProgram::clickRow(p.dialogNames(), 0);
        p.folder.write("grupe.txt", "Alati\r\nBoje\r\nCevi\r\n");
        p.folder.write("sgrupe.txt", "AL\r\nBO\r\nCE\r\n");
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(p.dialog(), &activate);
        QCOMPARE(MasterDataProgram::items(p.dialogNames()), QStringList({"Alati", "Boje", "Cevi"}));
        QVERIFY(p.dialogNames()->selectedItems().isEmpty());

        // The error box takes the activation away and gives it back: one report is enough.
        p.folder.remove("grupe.txt");
        QApplication::sendEvent(p.dialog(), &activate);
        QApplication::sendEvent(p.dialog(), &activate);
        QCOMPARE(p.messages.errors().size(), 1);
        QCOMPARE(p.dialogNames()->count(), 0);
    }

    void groupsPageShowsItsOwnPicture()
    {
        GroupsProgram p;
        p.window().trigger(PageKey::Groups);
        const QImage picture = p.find<QLabel>("groupsPicture")->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(240, 200));
        const QColor post = picture.pixelColor(13, 100); // an upright of the shelf
        QVERIFY(post.red() > post.blue() + 40);
    }

    void nameWithoutCodeIsNotWritten()
    {
        GroupsProgram p([](TestFolder& f) {
            f.write("grupe.txt", "Alati\r\nBoje\r\nCevi\r\n");
            f.write("sgrupe.txt", "AL\r\nBO\r\n");
        });
        p.window().trigger(PageKey::Items);
        p.newArticleAskingForGroup("Y1", "GRUPAROBE");
        GroupsProgram::clickRow(p.dialogNames(), 2);
        p.click("btnGroupOk");
        QVERIFY(p.dialog()->isVisible());
        QCOMPARE(p.stagedTable().text("NAZIVGRUPE"), QString());
        QVERIFY(p.messages.texts().isEmpty());
    }
};

QTEST_MAIN(GroupsTest)
#include "tst_groups.moc"
