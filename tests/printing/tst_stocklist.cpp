#include "app/Assembly.h"
#include "data/Query.h"
#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "platform/Clock.h"
#include "platform/Regional.h"
#include "printing/StockListPage.h"
#include "printing/StockListReport.h"
#include "reporting/ReportLayout.h"
#include "reporting/WindowPreviewer.h"
#include "shell/MainWindow.h"
#include "shell/StatusPanels.h"
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
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace kestar;
using namespace kestar::test;

namespace {

Row article(const QString& code, const QString& group, const QString& name, const QString& quantity,
            const QString& price)
{
    return {{"SIFRA", code},
            {"NAZIVGRUPE", group},
            {"NAZIV", name},
            {"KOLICINA", quantity},
            {"CENANABAVNA", price}};
}

const QList<Row> kExample = {article("1001", "Vijci", "Vijak M8", "2", "10.50"),
                             article("1002", "Vijci M8", "Vijak M8x40", "0", "99"),
                             article("1003", "O'Neil", "Ploca", "1.5", "")};

// The started program with the administrator logged in, the articles given and a group file.
struct Program
{
    // shown: how reports are shown, the capturing previewer when none is given.
    explicit Program(const QList<Row>& articles = kExample,
                     const QByteArray& groups = "Vijci\r\nVijci M8\r\nO'Neil\r\n",
                     ReportPreviewer* shown = nullptr)
    {
        folder.writeStandardTextFiles();
        folder.write(QStringLiteral("grupe.txt"), groups);
        createAllTables();
        assembly = std::make_unique<Assembly>(messages, shown ? shown : &previewer);
        addRows(window().workplace().engine(), QStringLiteral("podaci/magacin.db"), articles);
        assembly->start();
        window().workplace().setUser(QStringLiteral("Administrator"));
        messages.clear();
        window().trigger(PageKey::StockList);
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
    QListWidget* groups() const { return find<QListWidget>("groupList"); }
    QLineEdit* groupField() const { return find<QLineEdit>("groupField"); }
    DataGrid* grid() const { return find<DataGrid>("stockGrid"); }
    QStringList groupEntries() const
    {
        QStringList texts;
        for (int i = 0; i < groups()->count(); ++i)
            texts << groups()->item(i)->text();
        return texts;
    }
    void clickGroup(const QString& name) const
    {
        const auto items = groups()->findItems(name, Qt::MatchExactly);
        QCOMPARE(items.size(), 1);
        QTest::mouseClick(groups()->viewport(), Qt::LeftButton, {},
                          groups()->visualItemRect(items.first()).center());
    }
    void chooseOneGroup() const
    {
        QTest::mouseClick(find<QRadioButton>("groupGoodsChoice"), Qt::LeftButton);
    }
    void print() const
    {
        QTest::mouseClick(find<QPushButton>("btnPrikaziStanjeUMagacinu"), Qt::LeftButton);
    }
    // The grid's column of a field, top to bottom.
    QStringList gridColumn(const QString& field) const
    {
        QAbstractItemModel* model = grid()->model();
        int column = -1;
        for (int c = 0; c < model->columnCount(); ++c) {
            if (model->headerData(c, Qt::Horizontal).toString() == field)
                column = c;
        }
        QStringList texts;
        for (int r = 0; r < model->rowCount(); ++r)
            texts << model->index(r, column).data().toString();
        return texts;
    }
    // Texts of an element over every page of the last preview.
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
    std::unique_ptr<Assembly> assembly;
};

} // namespace

class StockListTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void printedValuesCountEmptyPriceAsZero()
    {
        ScopedClock clock(QDateTime(QDate(2026, 12, 8), QTime(9, 30)));
        Program p;
        p.window().workplace().itemTableView().open();
        p.print();

        QCOMPARE(p.previewer.count(), 1);
        QVERIFY(p.messages.texts().isEmpty());
        QCOMPARE(p.printed("code"), QStringList({"1001", "1002", "1003"}));
        QCOMPARE(p.printed("rowNumber"), QStringList({"1", "2", "3"}));
        QCOMPARE(p.printed("quantity"), QStringList({"2.00", "0.00", "1.50"}));
        QCOMPARE(p.printed("price"), QStringList({"10.50", "99.00", ""}));
        QCOMPARE(p.printed("value"), QStringList({"21.00", "0.00", "0.00"}));
        QCOMPARE(p.printed("total"), QStringList({"21.00"}));
        QCOMPARE(p.printed("totalCaption"), QStringList({"UKUPNO:"}));
        QCOMPARE(p.printed("stockTitle"), QStringList({"Popis robe u magacinu:"}));
        QCOMPARE(p.printed("stockDate"), QStringList({"08/12/2026"}));
        QCOMPARE(p.printed("headValue"), QStringList({"Vrednost"}));
        QCOMPARE(p.printed("footerPage"), QStringList({"Strana: 1"}));
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
        QCOMPARE(p.page()->stockResult().sql(), QStringLiteral("select * from podaci\\magacin"));
    }

    void previewSavesTheListAsCsvWithItsTotal()
    {
        QTemporaryDir dir;
        ScriptedFileQuestions questions;
        ScriptedMessages previewMessages;
        WindowPreviewer windows(previewMessages, nullptr, &questions);
        QList<Row> articles = kExample;
        articles << article("1004", "Vijci", "Ploca, \"siva\" 2m", "3", "0.333");
        Program p(articles, "Vijci\r\n", &windows);
        questions.answer(dir.filePath("popis"));
        ReportPages shown;
        QVERIFY(whilePreviewShows([&] { p.print(); },
                                  [&](ReportPreviewWindow& preview) {
                                      shown = preview.document().allPages();
                                      QVERIFY(triggerPreviewAction(preview, "PreviewSaveCsv"));
                                  }));
        QCOMPARE(questions.asked(), QStringList({"Snimi kao CSV: Popis robe u magacinu.csv"}));
        QVERIFY(previewMessages.errors().isEmpty());

        const CsvFile file = readCsvFile(dir.filePath("popis.csv"));
        QVERIFY2(file.error.isEmpty(), qPrintable(file.error));
        QVERIFY(file.byteOrderMark);
        QCOMPARE(file.records.first(),
                 QStringList({"Red.br.", "Sifra", "Naziv grupe", "Naziv artikla", "Kolicina",
                              "Cena", "Vrednost"}));
        const QList<QStringList> lines = laidOutRows(
            shown, {"rowNumber", "code", "groupName", "name", "quantity", "price", "value"});
        QCOMPARE(lines.size(), 4);
        QCOMPARE(file.records.mid(1, 4), lines);
        QCOMPARE(file.records.at(4),
                 QStringList({"4", "1004", "Vijci", "Ploca, \"siva\" 2m", "3.00", "0.33", "1.00"}));
        QCOMPARE(file.records.last(), QStringList({"UKUPNO:", "", "", "", "", "", "22.00"}));
        QCOMPARE(file.records.size(), 1 + 4 + 1);
    }

    void reportDefinitionCarriesTheLayoutsTexts()
    {
        Letterhead head;
        head.name = QStringLiteral("Firma d.o.o.");
        ReportDefinition report = StockListReport::definition(head);
        QCOMPARE(report.element("letterName").text, QStringLiteral("Firma d.o.o."));
        QCOMPARE(report.title.ruleBelow, 2.0);
        QCOMPARE(report.summary.ruleAbove, 2.0);
        QCOMPARE(report.fontOf(report.element("stockTitle")).pointSize, 12.0);
        QVERIFY(report.fontOf(report.element("stockDate")).bold);
        QVERIFY(report.fontOf(report.element("totalCaption")).bold);
        QCOMPARE(report.element("value").expression.factors,
                 QStringList({"KOLICINA", "CENANABAVNA"}));
        QVERIFY(report.element("total").expression.sum);
        const QStringList headings = {"headRow",      "headCode",  "headGroup", "headName",
                                      "headQuantity", "headPrice", "headValue"};
        QStringList texts;
        for (const QString& name : headings)
            texts << report.element(name).text;
        QCOMPARE(texts, QStringList({"Red.br.", "Sifra", "Naziv grupe", "Naziv artikla", "Kolicina",
                                     "Cena", "Vrednost"}));
    }

    void longListRepeatsHeaderAndFooterOnEveryPage()
    {
        QList<Row> many;
        for (int i = 0; i < 130; ++i)
            many << article(QStringLiteral("A%1").arg(i, 4, 10, QLatin1Char('0')), "Vijci",
                            QStringLiteral("Artikal %1").arg(i), "1", "2");
        Program p(many);
        p.print();
        const ReportPages& pages = p.previewer.last();
        QVERIFY(pages.pageCount() >= 3);
        for (const ReportPage& page : pages.pages) {
            QVERIFY(page.find("letterName"));
            QCOMPARE(page.textsOf("footerPage"),
                     QStringList({QStringLiteral("Strana: %1").arg(page.number)}));
        }
        QCOMPARE(p.printed("code").size(), 130);
        QCOMPARE(p.printed("rowNumber").last(), QStringLiteral("130"));
        QCOMPARE(p.printed("total"), QStringList({"260.00"}));
        QCOMPARE(pages.pages.first().textsOf("stockTitle").size(), 1);
        QVERIFY(pages.pages.last().textsOf("stockTitle").isEmpty());
    }

    void groupFilterComparesTheWholeNameAndTakesApostrophes()
    {
        Program p;
        p.chooseOneGroup();
        p.clickGroup(QStringLiteral("Vijci"));
        QCOMPARE(p.groupField()->text(), QStringLiteral("Vijci"));
        QCOMPARE(p.page()->stockResult().sql(),
                 QStringLiteral("select * from podaci\\magacin where NAZIVGRUPE='Vijci'"));
        QCOMPARE(p.gridColumn("SIFRA"), QStringList({"1001"}));

        p.clickGroup(QStringLiteral("O'Neil"));
        QVERIFY(p.messages.texts().isEmpty());
        QCOMPARE(p.gridColumn("SIFRA"), QStringList({"1003"}));

        // A name typed into the field is used as typed.
        p.groupField()->setText(QStringLiteral("Vijci M8"));
        p.print();
        QCOMPARE(p.printed("code"), QStringList({"1002"}));
        QCOMPARE(p.printed("total"), QStringList({"0.00"}));

        p.groupField()->setText(QStringLiteral("vijci"));
        p.print();
        QVERIFY(p.printed("code").isEmpty());
        QVERIFY(p.messages.texts().isEmpty());
    }

    void clickingAGroupWithAllGoodsChosenShowsAll()
    {
        Program p;
        QVERIFY(p.find<QRadioButton>("allGoodsChoice")->isChecked());
        p.clickGroup(QStringLiteral("Vijci"));
        QCOMPARE(p.groupField()->text(), QStringLiteral("Vijci"));
        QCOMPARE(p.gridColumn("SIFRA"), QStringList({"1001", "1002", "1003"}));
        QVERIFY(p.grid()->isReadOnly());
        p.print();
        QCOMPARE(p.printed("code").size(), 3);
    }

    void reopeningKeepsTheChoiceAndEmptiesTheField()
    {
        Program p;
        p.chooseOneGroup();
        p.clickGroup(QStringLiteral("Vijci"));
        QCOMPARE(p.groupEntries(), QStringList({"Vijci", "Vijci M8", "O'Neil"}));

        p.folder.write(QStringLiteral("grupe.txt"), "Ekseri\r\n");
        p.find<QPushButton>("btnPovratakNaMeniAdministratora")->click();
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
        p.window().trigger(PageKey::StockList);
        QCOMPARE(p.window().currentPage(), PageKey::StockList);
        QCOMPARE(p.groupField()->text(), QString());
        QCOMPARE(p.groupEntries(), QStringList({"Ekseri"}));
        QVERIFY(p.find<QRadioButton>("groupGoodsChoice")->isChecked());
        // The grid keeps the last result until the next query.
        QCOMPARE(p.gridColumn("SIFRA"), QStringList({"1001"}));

        p.print();
        QVERIFY(p.printed("code").isEmpty());
        QCOMPARE(p.printed("total"), QStringList({"0.00"}));

        // Logging out leaves the stock result set open.
        p.window().trigger(ActionKey::LogOut);
        QVERIFY(p.page()->stockResult().isOpen());
    }

    void missingGroupFileIsReportedAfterThePageShows()
    {
        Program p;
        p.groupField()->setText(QStringLiteral("Vijci"));
        p.folder.remove(QStringLiteral("grupe.txt"));
        p.window().trigger(PageKey::StockList);
        QCOMPARE(p.window().currentPage(), PageKey::StockList);
        QCOMPARE(p.groupField()->text(), QString());
        QCOMPARE(p.groups()->count(), 0);
        QCOMPARE(p.messages.errors().size(), 1);
        QVERIFY2(p.messages.errors().first().contains(QLatin1String("grupe.txt")),
                 qPrintable(p.messages.errors().first()));
    }
};

QTEST_MAIN(StockListTest)
#include "tst_stocklist.moc"
