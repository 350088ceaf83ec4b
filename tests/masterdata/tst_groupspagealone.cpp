#include "masterdata/GroupsPage.h"
#include "platform/Messages.h"
#include "shell/Workplace.h"
#include "tests/support/RecordingNavigator.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace kestar;
using namespace kestar::test;

namespace {
QStringList items(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts.append(list->item(i)->text());
    return texts;
}
} // namespace

// The groups page built alone on a workplace over a test folder: no main window, no other page.
class GroupsPageAloneTest : public QObject
{
    Q_OBJECT
private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral(".*"))); }

    void loadsAddsSavesAndGoesBackThroughItsNavigator()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        folder.write("grupe.txt", "Alati\r\nBoje\r\n");
        folder.write("sgrupe.txt", "AL\r\nBO\r\n");
        ScriptedMessages messages;
        Workplace workplace(messages);
        RecordingNavigator navigator;
        auto* page = new GroupsPage(workplace, navigator);
        navigator.addPage(PageKey::Groups, page);

        page->load();
        QCOMPARE(items(page->nameList()), QStringList({"Alati", "Boje"}));
        QCOMPARE(items(page->codeList()), QStringList({"AL", "BO"}));

        QTest::keyClicks(page->findChild<QLineEdit*>("newGroupCode"), "CE");
        QTest::keyClicks(page->findChild<QLineEdit*>("newGroupName"), "Cevi");
        QTest::mouseClick(page->findChild<QPushButton*>("btnUbaciGrupuUSpisak"), Qt::LeftButton);
        messages.answer(true);
        QTest::mouseClick(page->findChild<QPushButton*>("btnSnimiGrupe"), Qt::LeftButton);
        QCOMPARE(messages.texts(), QStringList({Messages::kAreYouSure,
                                                "Podaci o grupama robe su uspesno snimljeni!"}));
        QCOMPARE(folder.read("grupe.txt"), QByteArray("Alati\r\nBoje\r\nCevi\r\n"));
        QCOMPARE(folder.read("sgrupe.txt"), QByteArray("AL\r\nBO\r\nCE\r\n"));

        // "No" leaves the stored groups alone.
        messages.clear();
        page->removeGroup(0);
        messages.answer(false);
        QVERIFY(!page->save());
        QCOMPARE(messages.texts(), QStringList({Messages::kAreYouSure}));
        QCOMPARE(folder.read("grupe.txt"), QByteArray("Alati\r\nBoje\r\nCevi\r\n"));

        QTest::mouseClick(page->findChild<QPushButton*>("btnPovratakNaMeniAdministratora"),
                          Qt::LeftButton);
        QCOMPARE(navigator.triggered, QStringList({PageKey::AdminMenu}));
    }

    void groupsThatCannotBeReadAreReportedAndLeaveTheListsEmpty()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        folder.write("grupe.txt", "Alati\r\n");
        folder.remove("sgrupe.txt");
        ScriptedMessages messages;
        Workplace workplace(messages);
        RecordingNavigator navigator;
        auto* page = new GroupsPage(workplace, navigator);
        navigator.addPage(PageKey::Groups, page);
        page->load();
        QCOMPARE(messages.errors().size(), 1);
        QVERIFY(messages.errors().first().contains("podaci/sgrupe.txt"));
        QCOMPARE(page->nameList()->count(), 0);
        QCOMPARE(page->codeList()->count(), 0);
    }
};

QTEST_MAIN(GroupsPageAloneTest)
#include "tst_groupspagealone.moc"
