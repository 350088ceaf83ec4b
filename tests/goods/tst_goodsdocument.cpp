#include "goods/GoodsDocumentPage.h"
#include "tests/goods/GoodsDocumentProgram.h"

using namespace kestar;
using namespace kestar::test;

class GoodsDocumentTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void issueModeProposesNextNumberWithItsCaptions()
    {
        ScopedClock clock(QDateTime(QDate(2026, 3, 5), QTime(9, 0)));
        Program p;
        p.openIssue();
        QCOMPARE(p.window().currentPage(), PageKey::GoodsDocument);
        QCOMPARE(p.child<QLabel>("documentTitle")->text(), QStringLiteral("Formiranje otpremnice"));
        QCOMPARE(p.save()->text(), QStringLiteral("UPAMTI OTPREMNICU"));
        QCOMPARE(p.number()->text(), QStringLiteral("17"));
        QVERIFY(!(p.number()->focusPolicy() & Qt::TabFocus));
        QVERIFY(!(p.child<QLineEdit>("komentar1")->focusPolicy() & Qt::TabFocus));
        QVERIFY(p.child<QRadioButton>("radioOtpremnica")->isChecked());
        QVERIFY(p.machineCode()->isVisible());
        QVERIFY(p.machineCode()->isReadOnly());
        QVERIFY(p.child<QPushButton>("btnIzaberiOpremu")->isVisible());
        auto* date = p.child<QDateEdit>("documentDate");
        QCOMPARE(date->date(), QDate(2026, 3, 5));
        QCOMPARE(date->text(), QStringLiteral("05/03/2026"));
        QVERIFY(date->calendarPopup());

        QTableWidget* grid = p.grid();
        QCOMPARE(grid->rowCount(), 99);
        QCOMPARE(grid->columnCount(), 5);
        QCOMPARE(grid->horizontalHeaderItem(0)->text(), QStringLiteral("Sifra"));
        QCOMPARE(grid->horizontalHeaderItem(4)->text(), QStringLiteral("Naziv grupe"));
        QCOMPARE(grid->columnWidth(1), 200);
        QCOMPARE(grid->currentRow(), 0);
        QCOMPARE(grid->currentColumn(), 0);
        QCOMPARE(p.page()->lineCount(), 1);
        QVERIFY(p.messages.texts().isEmpty());

        // the cursor stops at line 99
        grid->setCurrentCell(98, 0);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentRow(), 98);

        // the counter file changes only when a document is posted
        p.window().trigger(ActionKey::NewIssue);
        QCOMPARE(p.number()->text(), QStringLiteral("17"));
    }

    void reopeningStartsANewDocumentAndKeepsTheMachine()
    {
        Program p;
        p.openIssue();
        p.page()->setMachine("M1", "X", "Presa");
        p.choose(1, "A");
        p.choose(2, "B");
        p.child<QLineEdit>("komentar1")->setText("stari");
        p.folder.write("ulaz.txt", "");
        p.window().menuItem("Prijemnica (ulaz robe)")->trigger();

        QCOMPARE(p.child<QLabel>("documentTitle")->text(), QStringLiteral("Formiranje prijemnice"));
        QCOMPARE(p.save()->text(), QStringLiteral("UPAMTI PRIJEMNICU"));
        QVERIFY(p.child<QRadioButton>("radioPrijemnica")->isChecked());
        QCOMPARE(p.number()->text(), QStringLiteral("1"));
        QCOMPARE(p.cell(0, 0), QString());
        QCOMPARE(p.cell(1, 2), QString());
        QCOMPARE(p.child<QLineEdit>("komentar1")->text(), QString());
        QCOMPARE(p.page()->lineCount(), 1);
        QVERIFY(!p.machineCode()->isVisible());
        QVERIFY(!p.child<QPushButton>("btnIzaberiOpremu")->isVisible());
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M1"));
        QCOMPARE(p.child<QLineEdit>("nazivOpreme")->text(), QStringLiteral("Presa"));
    }

    void failedCounterReadLeavesNumberEmptyAndFocusWhereItWas()
    {
        Program p;
        p.openIssue();
        QVERIFY(QTest::qWaitForWindowActive(&p.window()));
        QCOMPARE(QApplication::focusWidget(), p.grid());
        QLineEdit* comment = p.child<QLineEdit>("komentar1");
        comment->setFocus();
        p.folder.write("otpremnica.txt", "abc\r\n");
        p.window().trigger(ActionKey::NewIssue);
        QCOMPARE(p.window().currentPage(), PageKey::GoodsDocument);
        QCOMPARE(p.messages.errors(), QStringList({"Invalid numeric input"}));
        QCOMPARE(p.number()->text(), QString());
        QCOMPARE(p.save()->text(), QStringLiteral("UPAMTI OTPREMNICU"));
        QCOMPARE(QApplication::focusWidget(), comment);
    }

    void enterInSifraChoosesForThatLine()
    {
        Program p;
        p.openIssue();
        ItemChooser* chooser = p.assembly->goods().itemChooser;
        p.window().workplace().itemTableView().open();
        p.grid()->setCurrentCell(2, 0);
        QTest::keyClick(p.grid(), Qt::Key_Return);
        QVERIFY(chooser->isVisible());
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
        QCOMPARE(p.page()->lineCount(), 3);
        p.page()->deliverItem("B", "Artikal B", "01", "Alati");
        QCOMPARE(p.cell(2, 0), QStringLiteral("B"));
        QCOMPARE(p.cell(2, 1), QStringLiteral("Artikal B"));
        QCOMPARE(p.cell(2, 2), QStringLiteral("0"));
        QCOMPARE(p.cell(2, 3), QStringLiteral("01"));
        QCOMPARE(p.cell(2, 4), QStringLiteral("Alati"));
        QCOMPARE(p.grid()->currentRow(), 2);
        QCOMPARE(p.grid()->currentColumn(), 2);

        // Enter in another column chooses nothing
        chooser->hide();
        p.grid()->setCurrentCell(0, 2);
        QTest::keyClick(p.grid(), Qt::Key_Return);
        QVERIFY(!chooser->isVisible());
        QCOMPARE(p.page()->lineCount(), 3);

        // a code typed into the cell and ended with Enter chooses as well
        p.grid()->setCurrentCell(4, 0);
        QTest::keyClick(p.grid(), Qt::Key_X);
        QWidget* editor = p.grid()->indexWidget(p.grid()->currentIndex());
        QVERIFY(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(chooser->isVisible());
        QCOMPARE(p.page()->lineCount(), 5);
        QCOMPARE(p.cell(4, 0), QStringLiteral("x"));
    }

    void aCodeInTheSifraCellTakesItsArticleOver()
    {
        Program p;
        addRows(p.window().workplace().engine(), "podaci/magacin.db",
                {{{"SIFRA", "4006381333931"},
                  {"NAZIV", "Olovka"},
                  {"GRUPAROBE", "02"},
                  {"NAZIVGRUPE", "Pribor"},
                  {"KOLICINA", "50"},
                  {"MAGACIN1", "50"}},
                 {{"SIFRA", "40063813339"}, {"NAZIV", "Gumica"}, {"KOLICINA", "5"}}});
        p.openIssue();
        p.number()->setText("17");
        p.page()->setMachine("M1", "X", "Presa");
        ItemChooser* chooser = p.assembly->goods().itemChooser;
        QVERIFY(QTest::qWaitForWindowActive(&p.window()));
        // The user comes back to the page with the chooser still open, or after closing it.
        // The offscreen platform keeps its focus window on the dialog, so from here on the keys
        // go to the focus widget one by one, as the keyboard would send them.
        auto backToTheGrid = [&](int row, bool closeChooser) {
            if (closeChooser)
                chooser->close();
            QApplication::setActiveWindow(&p.window());
            QVERIFY(QTest::qWaitForWindowActive(&p.window()));
            p.grid()->setFocus();
            p.grid()->setCurrentCell(row, 0);
        };

        // Typed by hand, key by key, into line 1.
        p.window().workplace().itemTableView().open();
        QTest::keyClicks(kFocused, "B", Qt::NoModifier, 30);
        QTest::keyClick(kFocused, Qt::Key_Return);
        QTRY_COMPARE(p.cell(0, 1), QStringLiteral("Artikal B"));
        QVERIFY(!chooser->isVisible());
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
        QCOMPARE(p.page()->lineCount(), 1);
        QCOMPARE(p.cell(0, 2), QStringLiteral("0"));
        QCOMPARE(p.cell(0, 3), QStringLiteral("01"));
        QCOMPARE(p.cell(0, 4), QStringLiteral("Alati"));
        QCOMPARE(p.grid()->currentRow(), 0);
        QCOMPARE(p.grid()->currentColumn(), GoodsDocumentPage::kQuantityColumn);
        QTest::keyClicks(kFocused, "2");
        QTest::keyClick(kFocused, Qt::Key_Down);
        QTest::keyClick(kFocused, Qt::Key_Left);
        QTest::keyClick(kFocused, Qt::Key_Left);
        QCOMPARE(p.grid()->currentColumn(), GoodsDocumentPage::kCodeColumn);

        // A scanner's keys, all at once, into line 2; the shorter code is another article.
        QTest::keyClicks(kFocused, "4006381333931");
        QTest::keyClick(kFocused, Qt::Key_Return);
        QTRY_COMPARE(p.cell(1, 1), QStringLiteral("Olovka"));
        QVERIFY(!chooser->isVisible());
        QCOMPARE(p.page()->lineCount(), 2);
        QCOMPARE(p.cell(1, 0), QStringLiteral("4006381333931"));
        QCOMPARE(p.cell(1, 4), QStringLiteral("Pribor"));
        QTest::keyClicks(kFocused, "3");
        QTest::keyClick(kFocused, Qt::Key_Return);
        QTRY_COMPARE(p.cell(1, 2), QStringLiteral("3"));

        // A code that is no article's (a part of one, other letter case) opens the chooser, or
        // brings the open one to the front, with the text in its name search; the cell keeps the
        // text until the chooser delivers.
        for (const QString typed : {"400638133393", "b", "Olov"}) {
            backToTheGrid(2, false);
            typeKeys(typed);
            typeKeys(Qt::Key_Return);
            QTRY_VERIFY(chooser->isVisible());
            auto* name = chooser->findChild<QLineEdit*>("nazivRobe");
            QTRY_COMPARE(name->text(), typed);
            QCOMPARE(p.cell(2, 0), typed);
            QCOMPARE(p.page()->lineCount(), 3);
            QTRY_COMPARE(QApplication::focusWidget(), name);
            const QAbstractItemModel* found =
                chooser->findChild<QAbstractItemView*>("DBGrid1")->model();
            QCOMPARE(found->rowCount(), typed == "400638133393" ? 0 : 1);
        }
        // An empty cell opens it as it always did.
        backToTheGrid(3, true);
        typeKeys(Qt::Key_Return);
        QTRY_VERIFY(chooser->isVisible());
        QCOMPARE(chooser->findChild<QLineEdit*>("nazivRobe")->text(), QString());
        QCOMPARE(p.page()->lineCount(), 4);

        // Enter on a line that already holds its article keeps the quantity typed and opens the
        // chooser, as it always has, to choose another one.
        backToTheGrid(1, true);
        typeKeys(Qt::Key_Return);
        QTRY_VERIFY(chooser->isVisible());
        QCOMPARE(chooser->findChild<QLineEdit*>("nazivRobe")->text(), QString());
        QCOMPARE(p.cell(1, 2), QStringLiteral("3"));
        QCOMPARE(p.cell(1, 1), QStringLiteral("Olovka"));
        QCOMPARE(p.page()->lineCount(), 2);
        chooser->close();

        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        QCOMPARE(p.stock("B"), QStringLiteral("2/2"));
        QCOMPARE(p.stock("4006381333931"), QStringLiteral("47/47"));
        QCOMPARE(p.stock("40063813339"), QStringLiteral("5/"));
    }

    void rechoosingAnEarlierLineShortensTheDocument()
    {
        Program p;
        p.openIssue();
        p.page()->setMachine("M1", "X", "Presa");
        p.choose(1, "A");
        p.typeQuantity(1, "1");
        p.choose(2, "A");
        p.typeQuantity(2, "2");
        p.choose(3, "B");
        p.typeQuantity(3, "1");
        QCOMPARE(p.page()->lineCount(), 3);
        p.choose(2, "B"); // replaces line 2 and resets its quantity
        QCOMPARE(p.page()->lineCount(), 2);
        QCOMPARE(p.cell(1, 0), QStringLiteral("B"));
        QCOMPARE(p.cell(1, 2), QStringLiteral("0"));
        // the quantity typed last is still in the cell editor when the button is clicked
        p.grid()->setCurrentCell(1, 2);
        QTest::keyClick(p.grid(), Qt::Key_2);
        QVERIFY(p.grid()->indexWidget(p.grid()->currentIndex()));
        QTest::mouseClick(p.save(), Qt::LeftButton);

        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("SIFRAROBE"), QStringLiteral("B"));
        QCOMPARE(rows[0].value("KOLICINA"), QStringLiteral("2"));
        QCOMPARE(rows[1].value("SIFRAROBE"), QStringLiteral("A"));
        QCOMPARE(p.stock("A"), QStringLiteral("9/9"));
        QCOMPARE(p.stock("B"), QStringLiteral("2/2"));
    }
};

QTEST_MAIN(GoodsDocumentTest)
#include "tst_goodsdocument.moc"
