#include "app/Assembly.h"
#include "data/Table.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "printing/MinimumStock.h"
#include "printing/StockListPage.h"
#include "reporting/WindowPreviewer.h"
#include "shell/MainWindow.h"
#include "shell/Workplace.h"
#include "tests/support/CapturingPreviewer.h"
#include "tests/support/CsvReading.h"
#include "tests/support/Fixture.h"
#include "tests/support/PreviewDriver.h"
#include "tests/support/ScriptedFileQuestions.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace kestar;
using namespace kestar::test;

namespace {

Row article(const QString& code, const QString& group, const QString& name, const QString& stock,
            const QString& minimum, const QString& toOrder)
{
    return {{"SIFRA", code},      {"NAZIVGRUPE", group},       {"NAZIV", name},
            {"KOLICINA", stock},  {"MINKOLICINA", minimum},    {"KOLICINAZANABAVKU", toOrder},
            {"CENANABAVNA", "1"}, {"GRUPAROBE", group.left(2)}};
}

// Below their minimum: 0999 (1 of 10), 1001 (2 of 5) and 1003 (no stock entered, 1.5).
// Not below: 1002 (at its minimum), 1004 (no minimum), 1005 (minimum 0, stock below it).
const QList<Row> kArticles = {
    article("1001", "Vijci", "Vijak M8", "2", "5", "100"),
    article("1002", "Vijci", "Vijak M10", "5", "5", "50"),
    article("1003", "Vijci", "Podloska", "", "1.5", ""),
    article("1004", "Alati", "Cekic", "0", "", "3"),
    article("1005", "Alati", "Klesta", "-1", "0", "3"),
    article("0999", "O'Neil", "Ploca, \"siva\"", "1", "10", "20"),
};

// The started program logged in through the login page with the password given.
struct Program
{
    explicit Program(bool realPreview = false, const QString& password = "123")
        : windowPreviewer(messages, nullptr, &questions)
    {
        folder.writeStandardTextFiles();
        folder.write(QStringLiteral("grupe.txt"), "Vijci\r\nAlati\r\nO'Neil\r\n");
        createAllTables();
        assembly = std::make_unique<Assembly>(
            messages, realPreview ? static_cast<ReportPreviewer*>(&windowPreviewer) : &previewer);
        addRows(window().workplace().engine(), QStringLiteral("podaci/magacin.db"), kArticles);
        addRows(window().workplace().engine(), "podaci/korisnici.db",
                {{{"SIFRA", "123"}, {"KORISNIK", "Administrator"}},
                 {{"SIFRA", "777"}, {"KORISNIK", "Marko"}}});
        assembly->start();
        auto* field = window().findChild<QLineEdit*>("passwordField");
        QTest::keyClicks(field, password);
        QTest::keyClick(field, Qt::Key_Return);
        messages.clear();
    }

    MainWindow& window() const { return assembly->window(); }
    StockListPage* page() const
    {
        return qobject_cast<StockListPage*>(window().page(PageKey::StockList));
    }
    template <class T> T* find(const char* name) const
    {
        T* widget = page()->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no widget named %s", name);
        return widget;
    }
    QPushButton* minimumButton() const { return find<QPushButton>("btnPrikaziRobuIspodMinimuma"); }
    QAction* menuItem() const { return window().menuItem(QStringLiteral("Roba ispod minimuma")); }
    QStringList printed(const QString& element) const
    {
        QStringList texts;
        for (const ReportPage& page : previewer.last().pages)
            texts << page.textsOf(element);
        return texts;
    }

    TestFolder folder;
    ScriptedMessages messages;
    CapturingPreviewer previewer;
    ScriptedFileQuestions questions;
    WindowPreviewer windowPreviewer;
    std::unique_ptr<Assembly> assembly;
};

const QStringList kColumns = {"rowNumber", "code",    "groupName", "name",
                              "stock",     "minimum", "shortfall", "toOrder"};

} // namespace

class MinimumStockTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void additionsComeAfterTheFixedItemsAndServeTheAdministratorOnly()
    {
        Program worker(false, "777");
        QMenu* printing = worker.window().menuBar()->findChild<QMenu*>("menu2");
        QStringList captions;
        for (QAction* action : printing->actions())
            captions << action->text();
        QCOMPARE(captions, QStringList({"Otpremnica", "Prijemnice", "Roba ispod minimuma"}));
        QVERIFY(worker.window().menuItem("Otpremnica")->isEnabled());
        QVERIFY(!worker.menuItem()->isEnabled());
        worker.window().trigger(ActionKey::MinimumStock);
        QCOMPARE(worker.messages.texts(),
                 QStringList({"Ova opcija je dostupna samo administratoru!!!"}));
        QCOMPARE(worker.previewer.count(), 0);

        Program admin;
        QVERIFY(admin.menuItem()->isEnabled());
        // The page's own controls keep their places; the new button is the last one.
        QList<QPushButton*> buttons = admin.page()->findChildren<QPushButton*>();
        QCOMPARE(buttons.last(), admin.minimumButton());
        QCOMPARE(admin.find<QPushButton>("btnPrikaziStanjeUMagacinu")->geometry(),
                 QRect(20, 400, 220, 32));
        QTest::mouseClick(admin.window().findChild<QPushButton*>("glavniMeni"), Qt::LeftButton);
        QVERIFY(!admin.menuItem()->isEnabled());
    }

    void listsTheArticlesBelowTheirMinimumWithShortfallAndOrder()
    {
        ScopedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        Program p;
        p.window().workplace().itemTableView().open();
        p.menuItem()->trigger();
        QCOMPARE(p.window().currentPage(), PageKey::StockList);
        QCOMPARE(p.previewer.count(), 1);
        QCOMPARE(p.previewer.captured().last().title,
                 QStringLiteral("Roba ispod minimalne kolicine"));
        QVERIFY(p.messages.texts().isEmpty());
        QCOMPARE(p.printed("code"), QStringList({"0999", "1001", "1003"}));
        QCOMPARE(p.printed("stock"), QStringList({"1.00", "2.00", ""}));
        QCOMPARE(p.printed("minimum"), QStringList({"10.00", "5.00", "1.50"}));
        QCOMPARE(p.printed("shortfall"), QStringList({"9.00", "3.00", "1.50"}));
        QCOMPARE(p.printed("toOrder"), QStringList({"20.00", "100.00", ""}));
        QCOMPARE(p.printed("minimumTitle"), QStringList({"Roba ispod minimalne kolicine:"}));
        QCOMPARE(p.printed("minimumDate"), QStringList({"08/12/2026"}));
        QCOMPARE(p.printed("minimumScope"), QStringList({"Ceo magacin"}));
        QCOMPARE(p.printed("articleCount"), QStringList({"Broj artikala ispod minimuma: 3"}));
        QVERIFY(!p.window().workplace().itemTableView().isOpen());

        // The page's button follows the page's choice: one group, named as the field holds it.
        QTest::mouseClick(p.find<QRadioButton>("groupGoodsChoice"), Qt::LeftButton);
        for (const QString group : {"Vijci", "O'Neil", "Alati"}) {
            p.find<QLineEdit>("groupField")->setText(group);
            QTest::mouseClick(p.minimumButton(), Qt::LeftButton);
            QCOMPARE(p.printed("minimumScope"), QStringList({"Grupa robe: " + group}));
        }
        QVERIFY(p.printed("code").isEmpty());
        QCOMPARE(p.printed("articleCount"), QStringList({"Broj artikala ispod minimuma: 0"}));
        p.find<QLineEdit>("groupField")->setText("Vijci");
        QTest::mouseClick(p.minimumButton(), Qt::LeftButton);
        QCOMPARE(p.printed("code"), QStringList({"1001", "1003"}));
        QVERIFY(p.messages.texts().isEmpty());

        QTest::mouseClick(p.find<QRadioButton>("allGoodsChoice"), Qt::LeftButton);
        QTest::mouseClick(p.minimumButton(), Qt::LeftButton);
        QCOMPARE(p.printed("code").size(), 3);
        QCOMPARE(p.previewer.count(), 6);
    }

    void previewSavesTheListAsCsvAndPdf()
    {
        ScopedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        QTemporaryDir dir;
        Program p(true);
        p.window().trigger(PageKey::StockList);
        p.questions.answer(dir.filePath("minimum.csv"));
        p.questions.answer(dir.filePath("minimum.pdf"));
        ReportPages shown;
        const bool opened = whilePreviewShows([&] { p.minimumButton()->click(); },
                                              [&](ReportPreviewWindow& preview) {
                                                  shown = preview.document().allPages();
                                                  triggerPreviewAction(preview, "PreviewSaveCsv");
                                                  triggerPreviewAction(preview, "PreviewSavePdf");
                                              });
        QVERIFY(opened);
        QVERIFY(p.messages.errors().isEmpty());
        QCOMPARE(p.questions.asked(),
                 QStringList({"Snimi kao CSV: Roba ispod minimalne kolicine.csv",
                              "Snimi kao PDF: Roba ispod minimalne kolicine.pdf"}));

        const CsvFile csv = readCsvFile(dir.filePath("minimum.csv"));
        QVERIFY2(csv.error.isEmpty(), qPrintable(csv.error));
        QVERIFY(csv.byteOrderMark);
        const QList<QStringList> lines = laidOutRows(shown, kColumns);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(csv.records.size(), 1 + lines.size());
        QCOMPARE(csv.records.first(),
                 QStringList({"Red.br.", "Sifra", "Naziv grupe", "Naziv artikla", "Kolicina",
                              "Minimum", "Manjak", "Za nabavku"}));
        QCOMPARE(csv.records.mid(1), lines);
        QCOMPARE(csv.records.at(1), QStringList({"1", "0999", "O'Neil", "Ploca, \"siva\"", "1.00",
                                                 "10.00", "9.00", "20.00"}));

        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed");
        QProcess process;
        process.start(pdftotext, {"-layout", dir.filePath("minimum.pdf"), "-"});
        QVERIFY(process.waitForFinished(30000));
        const QString text = QString::fromUtf8(process.readAllStandardOutput());
        for (const char* expected : {"Roba ispod minimalne kolicine:", "Ceo magacin", "Za nabavku",
                                     "Ploca, \"siva\"", "Broj artikala ispod minimuma: 3"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    }
};

QTEST_MAIN(MinimumStockTest)
#include "tst_minimumstock.moc"
