#include "data/SharedDataStore.h"
#include "goods/GoodsDocumentPage.h"
#include "tests/goods/GoodsDocumentProgram.h"

using namespace kestar;
using namespace kestar::test;

class GoodsDocumentPostingTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void postingAnIssueWritesLedgerStockAndCounters()
    {
        ScopedClock clock(QDateTime(QDate(2026, 3, 5), QTime(9, 0)));
        Program p;
        p.openIssue();
        p.fillExample();
        p.number()->setText("17");
        p.child<QLineEdit>("komentar1")->setText("Za servis");
        p.window().workplace().itemTableView().open();
        p.window().workplace().ledgerTableView().open();
        QTest::mouseClick(p.save(), Qt::LeftButton);

        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("SIFRAROBE"), QStringLiteral("B"));
        QCOMPARE(rows[0].value("KOLICINA"), QStringLiteral("1.5"));
        QCOMPARE(rows[1].value("SIFRAROBE"), QStringLiteral("A"));
        for (const Row& row : rows) {
            QCOMPARE(row.value("BROJDOKUMENTA"), QStringLiteral("42"));
            QCOMPARE(row.value("OTPREMNICA"), QStringLiteral("17"));
            QCOMPARE(row.value("ULAZ"), QStringLiteral("0"));
            QCOMPARE(row.value("UI"), QStringLiteral("K"));
            QCOMPARE(row.value("KUPAC"), QStringLiteral("VLASNIK"));
            QCOMPARE(row.value("KORISNIK"), QStringLiteral("Administrator"));
            QCOMPARE(row.value("DATUM"), QStringLiteral("05/03/2026"));
            QCOMPARE(row.value("KOMENTAR"), QStringLiteral("Za servis"));
            QCOMPARE(row.value("SIFRAMASINE"), QStringLiteral("M1"));
            QCOMPARE(row.value("SIFRAMASINE2"), QStringLiteral("X"));
            QCOMPARE(row.value("NAZIVMASINE"), QStringLiteral("Presa"));
        }
        QCOMPARE(p.stock("A"), QStringLiteral("7/7"));
        QCOMPARE(p.stock("B"), QStringLiteral("2.5/2.5"));
        QCOMPARE(p.counters(), QList<QByteArray>({"42\r\n", "17\r\n", "0\r\n"}));
        QCOMPARE(p.panels(), QStringList({"42", "17", "0"}));
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
        QCOMPARE(p.machineCode()->text(), QString());
        QVERIFY(!p.window().workplace().itemTableView().isOpen());
        QVERIFY(!p.window().workplace().ledgerTableView().isOpen());
        // the document stays in the page until it is opened again
        QCOMPARE(p.cell(0, 0), QStringLiteral("A"));
    }

    void workerPostsAReceiptChosenByTheModeButton()
    {
        Program p("777");
        QCOMPARE(p.window().currentPage(), PageKey::WorkerMenu);
        p.openIssue();
        p.fillExample();
        QTest::mouseClick(p.child<QRadioButton>("radioPrijemnica"), Qt::LeftButton);
        QCOMPARE(p.page()->selectedKind(), DocumentKind::Receipt);
        QCOMPARE(p.save()->text(), QStringLiteral("UPAMTI OTPREMNICU"));
        QVERIFY(p.machineCode()->isVisible());
        QTest::mouseClick(p.save(), Qt::LeftButton);

        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("ULAZ"), QStringLiteral("17"));
        QCOMPARE(rows[0].value("OTPREMNICA"), QStringLiteral("0"));
        QCOMPARE(rows[0].value("KORISNIK"), QStringLiteral("Marko"));
        QCOMPARE(p.stock("A"), QStringLiteral("13/13"));
        QCOMPARE(p.stock("B"), QStringLiteral("5.5/5.5"));
        QCOMPARE(p.counters(), QList<QByteArray>({"42\r\n", "16\r\n", "17\r\n"}));
        QCOMPARE(p.panels(), QStringList({"42", "16", "17"}));
        QCOMPARE(p.window().currentPage(), PageKey::WorkerMenu);
    }

    void equipmentSwitchDecidesOnTheMachine()
    {
        {
            Program p;
            p.openIssue();
            p.fillExample();
            p.page()->clearMachine();
            QTest::mouseClick(p.save(), Qt::LeftButton);
            QCOMPARE(p.messages.texts(),
                     QStringList({Posting::kConfirm, Posting::kMachineMissing}));
            QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
            QVERIFY(p.ledger().isEmpty());
            QCOMPARE(p.stock("A"), QStringLiteral("10/10"));
            QCOMPARE(p.counters(), kCountersBefore);
            QCOMPARE(p.panels(), kPanelsBefore);
        }
        Program p;
        p.window().workplace().setEquipmentSwitch(0);
        p.openIssue();
        p.fillExample();
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("SIFRAMASINE"), QString());
        QCOMPARE(rows[0].value("NAZIVMASINE"), QString());
        QCOMPARE(p.machineCode()->text(), QString());
        QCOMPARE(p.counters(), QList<QByteArray>({"42\r\n", "17\r\n", "0\r\n"}));
    }

    // A machine chosen for an issue that was never posted stays in the page's hidden fields;
    // the receipt posted next must not carry it into that machine's grouped delivery note.
    void receiptNeverCarriesAMachine()
    {
        Program p;
        addRows(p.window().workplace().engine(), "podaci/masina.db",
                {{{"SIFRAMASINE", "M1"}, {"SIFRA2", "X"}, {"NAZIVMASINE", "Presa"}}});
        p.openIssue();
        QTest::mouseClick(p.child<QPushButton>("btnIzaberiOpremu"), Qt::LeftButton);
        MachineChooser* machines = p.assembly->machineChooser();
        auto* codes = machines->findChild<QListWidget*>("machineCodeList");
        QTest::mouseClick(codes->viewport(), Qt::LeftButton, {},
                          codes->visualItemRect(codes->item(0)).center());
        QTest::mouseClick(machines->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M1"));
        p.window().trigger(PageKey::AdminMenu);

        p.openReceipt();
        p.number()->setText("5");
        p.choose(1, "A");
        p.typeQuantity(1, "2");
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0].value("ULAZ"), QStringLiteral("5"));
        for (const char* field : {"SIFRAMASINE", "SIFRAMASINE2", "NAZIVMASINE"})
            QVERIFY2(rows[0].value(field).isEmpty(), field);
        auto machineRows = std::make_unique<Query>(
            p.window().workplace().engine(),
            "SELECT * FROM podaci\\prometx WHERE SIFRAMASINE='M1' AND SIFRAMASINE2='X'");
        machineRows->open();
        QVERIFY(machineRows->isEmpty());
        QCOMPARE(p.stock("A"), QStringLiteral("12/12"));
    }

    void badValueKeepsTheDocumentAndWritesNothing_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("thirdQuantity");
        QTest::addColumn<QString>("error");
        QTest::newRow("quantity on line 3 of 3")
            << "17"
            << "3x"
            << "'3x' is not a valid floating point value for field 'KOLICINA'";
        QTest::newRow("empty quantity of an article") << "17"
                                                      << ""
                                                      << "'' is not a valid floating point value";
        QTest::newRow("number field")
            << "17a"
            << "1"
            << "'17a' is not a valid integer value for field 'OTPREMNICA'";
    }

    void badValueKeepsTheDocumentAndWritesNothing()
    {
        QFETCH(QString, number);
        QFETCH(QString, thirdQuantity);
        QFETCH(QString, error);
        Program p;
        p.openIssue();
        p.fillExample();
        p.choose(3, "A");
        p.typeQuantity(3, thirdQuantity);
        p.number()->setText(number);
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.errors(), QStringList({error}));
        QCOMPARE(p.window().currentPage(), PageKey::GoodsDocument);
        QCOMPARE(p.number()->text(), number);
        QCOMPARE(p.cell(2, 2), thirdQuantity);
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M1"));
        QVERIFY(p.ledger().isEmpty());
        QCOMPARE(p.stock("A"), QStringLiteral("10/10"));
        QCOMPARE(p.stock("B"), QStringLiteral("4/4"));
        QCOMPARE(p.counters(), kCountersBefore);
        QCOMPARE(p.panels(), kPanelsBefore);
    }

    void emptyDocumentIsRefused()
    {
        Program p;
        p.openIssue();
        p.page()->setMachine("M1", "X", "Presa");
        p.grid()->setCurrentCell(0, 2);
        p.grid()->setItem(0, 2, new QTableWidgetItem("5"));
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kNothingToPost}));
        QCOMPARE(p.window().currentPage(), PageKey::AdminMenu);
        QVERIFY(p.ledger().isEmpty());
        QCOMPARE(p.counters(), kCountersBefore);
        QCOMPARE(p.panels(), kPanelsBefore);
    }

    // A number the ledger already holds for the kind is asked about before anything else: No
    // keeps the page with its document, Yes adds the lines to that document under a document
    // number of their own.
    void numberTheLedgerHoldsIsPostedOnlyWhenTheUserAgrees()
    {
        Program p;
        p.openIssue();
        p.fillExample();
        QTest::mouseClick(p.save(), Qt::LeftButton);
        p.openIssue();
        QCOMPARE(p.number()->text(), QStringLiteral("18"));
        p.fillExample();
        p.messages.clear();
        p.messages.answer(false);
        QTest::mouseClick(p.save(), Qt::LeftButton);
        const QString question =
            QStringLiteral("Otpremnica broj 17 vec postoji! Da li zelite da dodate stavke u nju?");
        QCOMPARE(p.messages.texts(), QStringList({question}));
        QCOMPARE(p.window().currentPage(), PageKey::GoodsDocument);
        QCOMPARE(p.cell(1, 2), QStringLiteral("1.5"));
        QCOMPARE(p.ledger().size(), 2);

        p.messages.clear();
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({question, Posting::kConfirm, Posting::kPosted}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(rows[0].value("OTPREMNICA"), QStringLiteral("17"));
        QCOMPARE(rows[0].value("BROJDOKUMENTA"), QStringLiteral("43"));
        QCOMPARE(rows[3].value("BROJDOKUMENTA"), QStringLiteral("42"));
        QCOMPARE(p.stock("A"), QStringLiteral("4/4"));

        // Receipt 17 is another document altogether.
        p.openReceipt();
        p.fillExample();
        p.messages.clear();
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm, Posting::kPosted}));
    }

    // The number the page proposes is only a proposal: another workstation posting it while the
    // page is being filled makes the save take the next free one, with no question, and the
    // message says which. A number the user typed is asked about as above.
    void aProposedNumberTakenMeanwhileGivesWayToTheNextFreeOne()
    {
        Program p;
        p.openIssue();
        QCOMPARE(p.number()->text(), QStringLiteral("17"));
        p.page()->setMachine("M1", "X", "Presa");
        p.choose(1, "A");
        p.typeQuantity(1, "3");
        {
            // Another workstation: an engine and a connection of its own.
            Engine other;
            Table ledger(other, "podaci/prometx.db");
            Table items(other, "podaci/magacin.db");
            const std::unique_ptr<SharedData> shared = DataStore::sharedData(other);
            GoodsDocument elsewhere;
            elsewhere.number = "17";
            elsewhere.date = QDate(2026, 3, 5);
            elsewhere.lines = {{"B", "Artikal B", "1", "01", "Alati"}};
            elsewhere.lastDocumentNumber = 41;
            elsewhere.user = "Marko";
            QCOMPARE(Posting::post({other, ledger, items, *shared}, elsewhere).documentNumber, 42);
        }
        QTest::mouseClick(p.save(), Qt::LeftButton);

        QCOMPARE(p.messages.texts(),
                 QStringList({Posting::kConfirm,
                              Posting::kPosted + QStringLiteral(" Broj 17 je u medjuvremenu "
                                                                "zauzet, pa je otpremnica "
                                                                "upamcena pod brojem 18.")}));
        const QList<Row> rows = p.ledger();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].value("SIFRAROBE"), QStringLiteral("A"));
        QCOMPARE(rows[0].value("OTPREMNICA"), QStringLiteral("18"));
        QCOMPARE(rows[0].value("BROJDOKUMENTA"), QStringLiteral("43"));
        QCOMPARE(rows[1].value("OTPREMNICA"), QStringLiteral("17"));
        QCOMPARE(p.stock("A"), QStringLiteral("7/7"));
        QCOMPARE(p.stock("B"), QStringLiteral("3/3"));
        QCOMPARE(p.counters(), QList<QByteArray>({"43\r\n", "18\r\n", "0\r\n"}));
        QCOMPARE(p.panels(), QStringList({"43", "18", "0"}));
    }

    void answeringNoChangesNothing()
    {
        Program p;
        p.openIssue();
        p.fillExample();
        p.messages.answer(false);
        QTest::mouseClick(p.save(), Qt::LeftButton);
        QCOMPARE(p.messages.texts(), QStringList({Posting::kConfirm}));
        QCOMPARE(p.window().currentPage(), PageKey::GoodsDocument);
        QVERIFY(p.ledger().isEmpty());
        QCOMPARE(p.stock("A"), QStringLiteral("10/10"));
        QCOMPARE(p.counters(), kCountersBefore);
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M1"));
        QCOMPARE(p.cell(1, 2), QStringLiteral("1.5"));
    }

    void machineChooserFillsThePageOnlyWhileItIsShownAndLogOutEmptiesIt()
    {
        Program p;
        p.openIssue();
        MachineChooser* machines = p.assembly->machineChooser();
        QTest::mouseClick(p.child<QPushButton>("btnIzaberiOpremu"), Qt::LeftButton);
        QVERIFY(machines->isVisible());
        emit machines->delivered("M2", "Y", "Bager");
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M2"));
        QCOMPARE(p.child<QLineEdit>("sifra2")->text(), QStringLiteral("Y"));
        QCOMPARE(p.child<QLineEdit>("nazivOpreme")->text(), QStringLiteral("Bager"));

        p.window().trigger(PageKey::AdminMenu);
        emit machines->delivered("M3", "Z", "Kran");
        QCOMPARE(p.machineCode()->text(), QStringLiteral("M2"));

        QTest::mouseClick(p.window().findChild<QPushButton*>("glavniMeni"), Qt::LeftButton);
        QCOMPARE(p.window().currentPage(), PageKey::Login);
        QCOMPARE(p.machineCode()->text(), QString());
        QCOMPARE(p.child<QLineEdit>("sifra2")->text(), QString());
        QCOMPARE(p.child<QLineEdit>("nazivOpreme")->text(), QString());
    }
};

QTEST_MAIN(GoodsDocumentPostingTest)
#include "tst_goodsdocumentposting.moc"
