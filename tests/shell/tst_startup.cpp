#include "app/Assembly.h"
#include "goods/GoodsDocumentPage.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "printing/MovementTablePage.h"
#include "shell/CompanyFields.h"
#include "shell/DateFormatCheck.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QAccessible>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace kestar;
using kestar::test::ScriptedMessages;
using kestar::test::TestFolder;

class StartUpTest : public QObject
{
    Q_OBJECT
private:
    static RegionalSettings withDateForm(const QString& form)
    {
        RegionalSettings s = Regional::standard();
        s.shortDateFormat = form;
        return s;
    }
    static QStringList panels(const MainWindow& w)
    {
        QStringList list;
        for (int i = 0; i < StatusPanels::kCount; ++i)
            list << w.panel(i);
        return list;
    }

private slots:
    void init() { Regional::setCurrent(Regional::standard()); }

    void dateCheckLooksAtTheCharacterBeforeTheYear_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<bool>("fits");
        QTest::newRow("dd/MM/yyyy") << "dd/MM/yyyy" << QDate(2026, 12, 8) << true;
        QTest::newRow("d/M/yyyy one digit") << "d/M/yyyy" << QDate(2026, 1, 8) << true;
        QTest::newRow("d/M/yyyy two digits") << "d/M/yyyy" << QDate(2026, 12, 8) << true;
        QTest::newRow("MM/dd/yyyy cannot be told") << "MM/dd/yyyy" << QDate(2026, 12, 8) << true;
        QTest::newRow("points") << "dd.MM.yyyy" << QDate(2026, 12, 8) << false;
        QTest::newRow("year first") << "yyyy-MM-dd" << QDate(2026, 12, 8) << false;
        QTest::newRow("two-digit year") << "dd/MM/yy" << QDate(2026, 12, 8) << false;
        QTest::newRow("short two-digit year passes") << "d/M/yy" << QDate(2026, 1, 8) << true;
        QTest::newRow("d/M/yy with two-digit day and month")
            << "d/M/yy" << QDate(2026, 12, 12) << false;
    }
    void dateCheckLooksAtTheCharacterBeforeTheYear()
    {
        QFETCH(QString, form);
        QFETCH(QDate, today);
        QFETCH(bool, fits);
        ScopedRegional regional(withDateForm(form));
        ScopedClock clock(QDateTime(today, QTime(10, 0)));
        TestFolder folder;
        folder.writeStandardTextFiles();
        ScriptedMessages messages;
        Assembly assembly(messages);
        QCOMPARE(assembly.start(), fits);
        QCOMPARE(assembly.window().isVisible(), fits);
        if (fits)
            QVERIFY(messages.texts().isEmpty());
        else
            QCOMPARE(messages.texts(), dateFormatMessages());
    }

    void startUpFillsPanelsAndLetterhead()
    {
        ScopedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)));
        TestFolder folder;
        folder.writeStandardTextFiles();
        folder.write("firma.txt", "Magacin\r\nGlavna 1\r\nNovi Sad\r\n021/1\r\n100\r\n200\r\n"
                                  "z\r\nb\r\n\r\nm\r\na@b\r\nw\r\nk\r\n");
        folder.write("dokument.txt", "41\r\n");
        folder.write("otpremnica.txt", "  17\r\n");
        folder.write("ulaz.txt", "0\r\n");
        folder.write("predracun.txt", "3");
        folder.write("oprema.txt", "1\r\n");
        ScriptedMessages messages;
        Assembly assembly(messages);
        QVERIFY(assembly.start());
        MainWindow& w = assembly.window();
        QVERIFY(messages.texts().isEmpty());
        QCOMPARE(w.panel(1), QStringLiteral("41"));
        QCOMPARE(w.panel(3), QStringLiteral("3"));
        QCOMPARE(w.panel(7), QStringLiteral("  17")); // the line's text, unchanged
        QCOMPARE(w.panel(9), QStringLiteral("0"));
        QCOMPARE(w.panel(12), QStringLiteral("08/12/2026"));
        QCOMPARE(w.workplace().equipmentSwitch(), 1);
        QCOMPARE(w.workplace().programFolder(), folder.path());
        QCOMPARE(w.currentPage(), PageKey::Login);
        QCOMPARE(w.workplace().letterhead().name, QStringLiteral("Magacin"));
        QCOMPARE(w.workplace().letterhead().address, QStringLiteral("Glavna 1 , Novi Sad"));
        QCOMPARE(w.workplace().letterhead().registration,
                 QStringLiteral("Maticni broj 200, PIB 100"));
        QCOMPARE(w.workplace().letterhead().telephone,
                 QStringLiteral("Telefon: 021/1, Fax: , mail: a@b"));
        auto* password = w.findChild<QLineEdit*>("passwordField");
        QVERIFY(password);
        QCOMPARE(password->maxLength(), 3);
        QVERIFY(QTest::qWaitFor([&] { return password->hasFocus(); }) ||
                QApplication::focusWidget() == password);
    }

    void panelsAreNamedByWhatTheyShow()
    {
        ScopedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 5, 7)));
        TestFolder folder;
        folder.writeStandardTextFiles();
        folder.write("otpremnica.txt", "17\r\n");
        ScriptedMessages messages;
        Assembly assembly(messages);
        QVERIFY(assembly.start());
        MainWindow& w = assembly.window();
        auto name = [&](int panel) {
            auto* label = w.findChild<QWidget*>(QStringLiteral("panel%1").arg(panel));
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(label);
            return face ? face->text(QAccessible::Name) : QStringLiteral("no interface");
        };
        QCOMPARE(name(6), QStringLiteral("Broj otpremnice:"));
        QCOMPARE(name(7), QStringLiteral("Broj otpremnice: 17"));
        QCOMPARE(name(11), QStringLiteral("Korisnik:"));
        QCOMPARE(name(12), QStringLiteral("Korisnik: 08/12/2026"));
        for (int panel = 0; panel < StatusPanels::kCount; ++panel)
            QVERIFY(!name(panel).startsWith(QLatin1String("Panel")));

        w.setPanel(StatusPanels::kIssueNumber, "18");
        w.setPanel(StatusPanels::kUser, "Administrator");
        QCOMPARE(name(7), QStringLiteral("Broj otpremnice: 18"));
        QCOMPARE(name(12), QStringLiteral("Korisnik: Administrator"));
    }

    void failingFileSkipsTheStepsAfterIt()
    {
        ScopedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        const QStringList start = {"Broj dokumenta:",
                                   "0",
                                   "Broj narudzbine:",
                                   "0",
                                   "Broj radnog naloga:",
                                   "0",
                                   "Broj otpremnice:",
                                   "0",
                                   "Broj prijemnice:",
                                   "0",
                                   " ",
                                   "Korisnik:",
                                   "- - - - - - - - -"};
        { // a missing company file: letterhead placeholders, every counter panel at "0"
            TestFolder folder;
            folder.writeStandardTextFiles();
            folder.write("dokument.txt", "5\r\n");
            folder.remove("firma.txt");
            ScriptedMessages messages;
            Assembly assembly(messages);
            QVERIFY(assembly.start());
            QCOMPARE(messages.errors().size(), 1);
            QVERIFY(messages.errors().first().contains("podaci/firma.txt"));
            QStringList expected = start;
            expected[12] = "08/12/2026";
            QCOMPARE(panels(assembly.window()), expected);
            QCOMPARE(assembly.window().workplace().letterhead().name,
                     QStringLiteral("Naziv firme"));
            QCOMPARE(assembly.window().workplace().letterhead().telephone,
                     QStringLiteral("Telefon"));
            QCOMPARE(assembly.window().currentPage(), PageKey::Login);
        }
        { // a missing predracun.txt: panel 1 read, panels 3, 5, 7 and 9 keep "0"
            TestFolder folder;
            folder.writeStandardTextFiles();
            folder.write("dokument.txt", "5\r\n");
            folder.write("otpremnica.txt", "9\r\n");
            folder.remove("predracun.txt");
            ScriptedMessages messages;
            Assembly assembly(messages);
            QVERIFY(assembly.start());
            QCOMPARE(messages.errors().size(), 1);
            QVERIFY(messages.errors().first().contains("podaci/predracun.txt"));
            QCOMPARE(assembly.window().panel(1), QStringLiteral("5"));
            QCOMPARE(assembly.window().panel(7), QStringLiteral("0"));
        }
        { // a malformed counter and an empty equipment file
            TestFolder folder;
            folder.writeStandardTextFiles();
            folder.write("rnalog.txt", "12a\r\n");
            folder.write("ulaz.txt", "4\r\n");
            ScriptedMessages messages;
            Assembly assembly(messages);
            QVERIFY(assembly.start());
            QCOMPARE(messages.errors(), QStringList{"'12a' is not a valid integer value"});
            QCOMPARE(assembly.window().panel(9), QStringLiteral("0"));
        }
        { // the equipment file fails before the login page is chosen: it shows all the same
            TestFolder folder;
            folder.writeStandardTextFiles();
            folder.write("oprema.txt", "");
            ScriptedMessages messages;
            Assembly assembly(messages);
            QVERIFY(assembly.start());
            QCOMPARE(messages.errors(), QStringList{"List index out of bounds (0)"});
            QCOMPARE(panels(assembly.window()), start);
            QCOMPARE(assembly.window().currentPage(), PageKey::Login);
        }
    }

    void windowGeometryAndMenusBeforeLogin()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        ScriptedMessages messages;
        Assembly assembly(messages);
        QVERIFY(assembly.start());
        MainWindow& w = assembly.window();
        QCOMPARE(w.objectName(), QStringLiteral("TForm1"));
        QCOMPARE(w.windowTitle(), QStringLiteral("KESTAR - ver 1.1"));
        QCOMPARE(w.centralWidget()->size(), QSize(791, 556));
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        for (int menu = 0; menu < 4; ++menu) {
            for (int item = 0; item < 2; ++item)
                QVERIFY2(!w.switchableItem(menu, item)->isEnabled(),
                         qPrintable(QString::number(menu)));
        }
        for (const char* always : {"Izlaz iz programa", "Kontakt", "O programu"})
            QVERIFY(w.menuItem(QString::fromLatin1(always))->isEnabled());
        for (const char* name : {"glavniMeni", "izlazIzPrograma"})
            QCOMPARE(w.findChild<QPushButton*>(name)->focusPolicy(), Qt::NoFocus);

        w.menuItem("O programu")->trigger();
        QVERIFY(messages.last().startsWith("Program za rad magacina"));
        w.menuItem("Kontakt")->trigger();
        QVERIFY(messages.last().contains("Telefon"));

        // the movement table's warning comes before its page, from the menu as from the button
        w.enableAdminItems();
        w.workplace().setUser("Administrator");
        w.switchableItem(3, 1)->trigger();
        QCOMPARE(
            messages.last(),
            QStringLiteral("NE MENJATI TABELU PROMETA BEZ!!! PROMENE SE NE KNJIZE AUTOMATSKI!!!"));
        QCOMPARE(w.currentPage(), PageKey::MovementTable);
    }

    void returnToMenuComparesTheUserExactly()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        ScriptedMessages messages;
        Assembly assembly(messages);
        QVERIFY(assembly.start());
        MainWindow& w = assembly.window();
        w.workplace().setUser("Administrator");
        w.returnToMenu();
        QCOMPARE(w.currentPage(), PageKey::AdminMenu);
        w.workplace().setUser("administrator");
        w.returnToMenu();
        QCOMPARE(w.currentPage(), PageKey::WorkerMenu);
    }

    void exitClosesFromAnyPageWithoutAQuestion()
    {
        TestFolder folder;
        folder.writeStandardTextFiles();
        ScriptedMessages messages;
        Assembly assembly(messages);
        QVERIFY(assembly.start());
        MainWindow& w = assembly.window();
        w.showPage(PageKey::GoodsDocument);
        QTest::mouseClick(w.findChild<QPushButton*>("izlazIzPrograma"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(messages.texts().isEmpty());
    }
};

QTEST_MAIN(StartUpTest)
#include "tst_startup.moc"
