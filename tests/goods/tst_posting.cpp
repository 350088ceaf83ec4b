#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/SharedData.h"
#include "data/SharedDataStore.h"
#include "data/Table.h"
#include "data/pg/PgConnection.h"
#include "goods/Posting.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"

#include <QFile>
#include <QtTest>
#include <sqlite3.h>

using namespace kestar;
using namespace kestar::test;

namespace {

Row article(const QString& code, const QString& stock)
{
    return {{"SIFRA", code},         {"NAZIV", "Artikal " + code}, {"GRUPAROBE", "01"},
            {"NAZIVGRUPE", "Alati"}, {"KOLICINA", stock},          {"MAGACIN1", stock}};
}

DocumentLine line(const QString& code, const QString& quantity)
{
    return {code, "Artikal " + code, quantity, "01", "Alati"};
}

// A data folder with articles A (10), B (4) and C (0), one older ledger row, the document
// counter at 41 and the issue and receipt counters at 16 and 5.
struct Data
{
    Data()
    {
        folder.writeStandardTextFiles();
        folder.write("dokument.txt", "41\r\n");
        folder.write("otpremnica.txt", "16\r\n");
        folder.write("ulaz.txt", "5\r\n");
        createAllTables();
        engine = std::make_unique<Engine>();
        shared = DataStore::sharedData(*engine);
        ledger = std::make_unique<Table>(*engine, "podaci/prometx.DB");
        items = std::make_unique<Table>(*engine, "podaci/magacin.db");
        addRows(*engine, "podaci/magacin.db",
                {article("A", "10"), article("B", "4"), article("C", "0")});
        addRows(*engine, "podaci/prometx.db", {{{"BROJDOKUMENTA", "41"}, {"SIFRAROBE", "OLD"}}});
    }

    GoodsDocument issue() const
    {
        GoodsDocument document;
        document.kind = DocumentKind::Issue;
        document.number = "17";
        document.date = QDate(2026, 3, 5);
        document.comment1 = "Za servis";
        document.comment2 = "Hitno";
        document.machineCode = "M1";
        document.machineCode2 = "X";
        document.machineName = "Presa";
        document.lines = {line("A", "3"), line("B", "1.5")};
        document.lastDocumentNumber = 41;
        document.user = "Marko";
        document.equipmentSwitch = 1;
        return document;
    }

    // The last document number a posting starts from: the session's where one running copy
    // has the tables to itself, the locked counter's where other workstations post too.
    void setLastDocument(GoodsDocument& document, int number) const
    {
        document.lastDocumentNumber = number;
        if (onPostgres())
            shared->setLastNumber(Counter::Document, QString::number(number));
    }

    PostingResult post(const GoodsDocument& document) const
    {
        return Posting::post({*engine, *ledger, *items, *shared}, document);
    }

    QList<Row> ledgerRows() const { return readRows(*engine, "podaci/prometx.db"); }
    QString stock(const QString& code, const QString& field = "KOLICINA") const
    {
        for (const Row& row : readRows(*engine, "podaci/magacin.db")) {
            if (row.value("SIFRA") == code)
                return row.value(field);
        }
        return "missing";
    }
    QList<QByteArray> counters() const
    {
        return {folder.read("dokument.txt"), folder.read("otpremnica.txt"),
                folder.read("ulaz.txt")};
    }

    TestFolder folder;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<Table> ledger;
    std::unique_ptr<Table> items;
    std::unique_ptr<SharedData> shared;
};

const QList<QByteArray> kCountersBefore = {"41\r\n", "16\r\n", "5\r\n"};

} // namespace

class PostingTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void issueWritesEveryFieldLastLineFirstAndLowersStock()
    {
        Data data;
        const PostingResult result = data.post(data.issue());
        QCOMPARE(result.documentNumber, 42);
        QCOMPARE(result.kindNumber.text, QStringLiteral("17"));
        QCOMPARE(result.kindNumber.value, 17);
        QCOMPARE(result.kind, DocumentKind::Issue);

        const QList<Row> rows = data.ledgerRows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0].value("SIFRAROBE"), QStringLiteral("B"));
        QCOMPARE(rows[1].value("SIFRAROBE"), QStringLiteral("A"));
        QCOMPARE(rows[2].value("SIFRAROBE"), QStringLiteral("OLD"));

        Row expected = {
            {"BROJDOKUMENTA", "42"},
            {"NARUDZBENICA", "0"},
            {"OTPREMNICA", "17"},
            {"ULAZ", "0"},
            {"PREDRACUN", "0"},
            {"RADNINALOG", "0"},
            {"RACUN", "0"},
            {"POVRATNICA", "0"},
            {"UMAGACIN", "0"},
            {"MAGACIN", "1"},
            {"KOMENTAR", "Za servis"},
            {"KOMENTAR2", "Hitno"},
            {"DATUM", "05/03/2026"},
            {"VALUTA", "05/03/2026"},
            {"SIFRAROBE", "A"},
            {"NAZIV", "Artikal A"},
            {"NAZIVGRUPE", "Alati"},
            {"SIFRAGRUPE", "01"},
            {"CENA", "0"},
            {"KOLICINA", "3"},
            {"RABAT", "0"},
            {"UI", "K"},
            {"SIFRAKUPCA", "0"},
            {"KUPAC", "VLASNIK"},
            {"VREDNOST", "0"},
            {"KORISNIK", "Marko"},
            {"SIFRAMASINE", "M1"},
            {"SIFRAMASINE2", "X"},
            {"NAZIVMASINE", "Presa"},
            {"SALDO", ""},
        };
        QCOMPARE(rows[1], expected);
        expected["SIFRAROBE"] = "B";
        expected["NAZIV"] = "Artikal B";
        expected["KOLICINA"] = "1.5";
        QCOMPARE(rows[0], expected);

        QCOMPARE(data.stock("A"), QStringLiteral("7"));
        QCOMPARE(data.stock("A", "MAGACIN1"), QStringLiteral("7"));
        QCOMPARE(data.stock("B"), QStringLiteral("2.5"));
        QCOMPARE(data.stock("B", "MAGACIN1"), QStringLiteral("2.5"));
        QCOMPARE(data.counters(), QList<QByteArray>({"42\r\n", "17\r\n", "5\r\n"}));
        QVERIFY(!data.ledger->isOpen());
        QVERIFY(!data.items->isOpen());
    }

    void receiptRaisesStockAndWritesItsOwnCounter()
    {
        Data data;
        GoodsDocument document = data.issue();
        document.kind = DocumentKind::Receipt;
        const PostingResult result = data.post(document);
        QCOMPARE(result.kind, DocumentKind::Receipt);
        const QList<Row> rows = data.ledgerRows();
        QCOMPARE(rows[0].value("ULAZ"), QStringLiteral("17"));
        QCOMPARE(rows[0].value("OTPREMNICA"), QStringLiteral("0"));
        // the quantity keeps its sign for either kind; a receipt never carries a machine,
        // though the document names one
        QCOMPARE(rows[1].value("KOLICINA"), QStringLiteral("3"));
        for (const char* field : {"SIFRAMASINE", "SIFRAMASINE2", "NAZIVMASINE"})
            QCOMPARE(rows[1].value(field), QString());
        QCOMPARE(data.stock("A"), QStringLiteral("13"));
        QCOMPARE(data.stock("B", "MAGACIN1"), QStringLiteral("5.5"));
        QCOMPARE(data.counters(), QList<QByteArray>({"42\r\n", "16\r\n", "17\r\n"}));
    }

    void linesChangeStockByExactCodeOnly()
    {
        Data data;
        GoodsDocument document = data.issue();
        document.equipmentSwitch = 0;
        // the same article twice, a code no article has, an empty line, a code that only
        // differs in case, and more than the stock
        document.lines = {line("A", "2"), line("Z9", "5"),  DocumentLine{},
                          line("a", "1"), line("A", "2.5"), line("C", "4")};
        data.post(document);
        const QList<Row> rows = data.ledgerRows();
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows[3].value("SIFRAROBE"), QString());
        QCOMPARE(rows[3].value("KOLICINA"), QString());
        QCOMPARE(rows[3].value("NAZIV"), QString());
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(rows[i].value("SIFRAMASINE"), QString());
            QCOMPARE(rows[i].value("NAZIVMASINE"), QString());
        }
        QCOMPARE(data.stock("A"), QStringLiteral("5.5"));
        QCOMPARE(data.stock("B"), QStringLiteral("4"));
        QCOMPARE(data.stock("C"), QStringLiteral("-4"));
        QCOMPARE(data.stock("C", "MAGACIN1"), QStringLiteral("-4"));
    }

    void badValueWritesNothing_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("thirdQuantity");
        QTest::addColumn<bool>("receipt");
        QTest::addColumn<QString>("error");
        QTest::newRow("quantity that is no number on line 3")
            << "17"
            << "41"
            << "abc" << false << "'abc' is not a valid floating point value for field 'KOLICINA'";
        QTest::newRow("empty quantity on a line whose article exists")
            << "17"
            << "41"
            << "" << false << "'' is not a valid floating point value";
        QTest::newRow("number field that is no whole number")
            << "17a"
            << "41"
            << "1" << false << "'17a' is not a valid integer value for field 'OTPREMNICA'";
        QTest::newRow("receipt number that is no whole number")
            << "17a"
            << "41"
            << "1" << true << "'17a' is not a valid integer value for field 'ULAZ'";
        QTest::newRow("empty number field")
            << ""
            << "41"
            << "1" << false << "'' is not a valid integer value for field 'OTPREMNICA'";
        QTest::newRow("number with a trailing blank, which start-up could not read back")
            << "17 "
            << "41"
            << "1" << false << "'17 ' is not a valid integer value for field 'OTPREMNICA'";
        QTest::newRow("document number beyond the whole-number range")
            << "17"
            << "2147483647"
            << "1" << false
            << "'2147483648' is not a valid integer value for field 'BROJDOKUMENTA'";
    }

    void badValueWritesNothing()
    {
        QFETCH(QString, number);
        QFETCH(QString, panel);
        QFETCH(QString, thirdQuantity);
        QFETCH(bool, receipt);
        QFETCH(QString, error);
        Data data;
        GoodsDocument document = data.issue();
        document.kind = receipt ? DocumentKind::Receipt : DocumentKind::Issue;
        document.number = number;
        data.setLastDocument(document, panel.toInt());
        const QList<QByteArray> before = data.counters();
        document.lines.append(line("C", thirdQuantity));
        try {
            data.post(document);
            QFAIL("the posting went through");
        } catch (const EngineError& e) {
            QCOMPARE(e.text(), error);
        }
        QCOMPARE(data.ledgerRows().size(), 1);
        QCOMPARE(data.stock("A"), QStringLiteral("10"));
        QCOMPARE(data.stock("B"), QStringLiteral("4"));
        QCOMPARE(data.counters(), before);
    }

    void emptyQuantityOnLineWithoutArticleIsWritten()
    {
        Data data;
        GoodsDocument document = data.issue();
        document.lines.append(line("NEMA", ""));
        data.post(document);
        QCOMPARE(data.ledgerRows().first().value("SIFRAROBE"), QStringLiteral("NEMA"));
        QCOMPARE(data.ledgerRows().first().value("KOLICINA"), QString());
    }

    void refusalNamesMissingMachineAndEmptyDocument()
    {
        Data data;
        GoodsDocument document = data.issue();
        QCOMPARE(Posting::refusal(document), QString());
        document.machineCode.clear();
        QCOMPARE(Posting::refusal(document), Posting::kMachineMissing);
        document.kind = DocumentKind::Receipt;
        QCOMPARE(Posting::refusal(document), QString());
        document.kind = DocumentKind::Issue;
        document.equipmentSwitch = 0;
        QCOMPARE(Posting::refusal(document), QString());
        document.lines = {line("", "3"), line("  ", "1")};
        QCOMPARE(Posting::refusal(document), Posting::kNothingToPost);
        document.lines = {};
        QCOMPARE(Posting::refusal(document), Posting::kNothingToPost);
        // a code that matches no article still makes a document
        document.lines = {line("", ""), line("NEMA", "1")};
        QCOMPARE(Posting::refusal(document), QString());
    }

    // BROJDOKUMENTA is the program's own running number: a panel behind the ledger (a damaged or
    // old counter file) does not make a posting share a number with an older one.
    void documentNumberTheLedgerHoldsIsNotTakenAgain()
    {
        Data data;
        addRows(*data.engine, "podaci/prometx.db", {{{"BROJDOKUMENTA", "57"}}});
        GoodsDocument document = data.issue();
        data.setLastDocument(document, 40); // 41 is taken: the next after the largest, 57
        QCOMPARE(data.post(document).documentNumber, 58);
        QCOMPARE(data.ledgerRows().first().value("BROJDOKUMENTA"), QStringLiteral("58"));
        QCOMPARE(data.counters().first(), QByteArray("58\r\n"));
        data.setLastDocument(document, 41); // 42 is free: the last one's next, gaps are kept
        QCOMPARE(data.post(document).documentNumber, 42);
    }

    // An issue or receipt number is the user's: the ledger holding it for the same kind is only
    // asked about (the page does), for the other kind it is no question at all.
    void numberHeldIsTheKindsNumberInTheLedger()
    {
        Data data;
        const PostingTarget target{*data.engine, *data.ledger, *data.items, *data.shared};
        QVERIFY(!Posting::numberHeld(target, DocumentKind::Issue, "17"));
        data.post(data.issue());
        QVERIFY(Posting::numberHeld(target, DocumentKind::Issue, "17"));
        QVERIFY(Posting::numberHeld(target, DocumentKind::Issue, " 17"));
        QVERIFY(!Posting::numberHeld(target, DocumentKind::Receipt, "17"));
        // The other kind's rows hold 0 in the field; a text is no number at all.
        QVERIFY(!Posting::numberHeld(target, DocumentKind::Receipt, "0"));
        QVERIFY(!Posting::numberHeld(target, DocumentKind::Issue, "17a"));
        QCOMPARE(Posting::numberHeldQuestion(DocumentKind::Receipt, " 5"),
                 QStringLiteral("Prijemnica broj 5 vec postoji! Da li zelite da dodate stavke u "
                                "nju?"));
    }

    // The number on the page is a proposal: when the ledger holds it by the time of posting
    // (another workstation posted it meanwhile) and the user did not choose to add to that
    // document, the next free one is taken and the message says which.
    void numberTakenMeanwhileGivesWayUnlessAddingWasChosen()
    {
        Data data;
        data.post(data.issue());
        GoodsDocument document = data.issue();
        document.lines = {line("A", "1")};
        const PostingResult taken = data.post(document);
        QCOMPARE(taken.kindNumber.text, QStringLiteral("18"));
        QCOMPARE(taken.documentNumber, 43);
        QCOMPARE(data.ledgerRows().first().value("OTPREMNICA"), QStringLiteral("18"));
        QCOMPARE(data.counters(), QList<QByteArray>({"43\r\n", "18\r\n", "5\r\n"}));
        QCOMPARE(Posting::postedMessage(document, taken),
                 Posting::kPosted +
                     QStringLiteral(" Broj 17 je u medjuvremenu zauzet, pa je otpremnica "
                                    "upamcena pod brojem 18."));

        // A counter behind the ledger gives no number the ledger holds either.
        data.shared->setLastNumber(Counter::Issue, "3");
        document.lastDocumentNumber = 43;
        QCOMPARE(data.post(document).kindNumber.text, QStringLiteral("19"));

        document.addToHeldNumber = true;
        document.lastDocumentNumber = 44;
        const PostingResult added = data.post(document);
        QCOMPARE(added.kindNumber.text, QStringLiteral("17"));
        QCOMPARE(Posting::postedMessage(document, added), Posting::kPosted);
        QCOMPARE(data.counters().at(1), QByteArray("17\r\n"));
    }

    void counterThatCannotBeWrittenUndoesEverything()
    {
        Data data;
        // The issue counter refuses to be written: a read-only file, or a row the server
        // refuses.
        const QString refuse =
            "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF "
            "NEW.datoteka = 'otpremnica.txt' THEN RAISE EXCEPTION 'kept'; END IF; RETURN NEW; "
            "END $$; CREATE TRIGGER refuse BEFORE UPDATE ON deljeni_podaci FOR EACH ROW EXECUTE "
            "FUNCTION refuse()";
        if (test::onPostgres())
            PgConnection("dbname=" + data.folder.database()).exec(refuse);
        QFile::setPermissions(data.folder.dataPath("otpremnica.txt"),
                              QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QVERIFY_THROWS_EXCEPTION(EngineError, data.post(data.issue()));
        QCOMPARE(data.counters(), kCountersBefore);
        QCOMPARE(data.ledgerRows().size(), 1);
        QCOMPARE(data.stock("A"), QStringLiteral("10"));
        QCOMPARE(data.stock("B", "MAGACIN1"), QStringLiteral("4"));
        if (test::onPostgres())
            PgConnection("dbname=" + data.folder.database())
                .exec("DROP TRIGGER refuse ON deljeni_podaci");
        QFile::setPermissions(data.folder.dataPath("otpremnica.txt"),
                              QFile::ReadOwner | QFile::WriteOwner);
        data.post(data.issue());
        QCOMPARE(data.counters(), QList<QByteArray>({"42\r\n", "17\r\n", "5\r\n"}));
    }

    void failedCommitPutsCountersBack()
    {
        if (test::onPostgres())
            QSKIP("the fault is injected into a SQLite file; tst_pgbackend loses a connection "
                  "instead");
        Data data;
        // Another reader holds the ledger file, so the commit cannot take it over and fails
        // once the engine stops waiting.
        sqlite3* reader = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(data.folder.dataPath("prometx.db")).constData(),
                              &reader),
                 SQLITE_OK);
        sqlite3_stmt* statement = nullptr;
        QCOMPARE(sqlite3_exec(reader, "BEGIN", nullptr, nullptr, nullptr), SQLITE_OK);
        QCOMPARE(
            sqlite3_prepare_v2(reader, "SELECT count(*) FROM prometx", -1, &statement, nullptr),
            SQLITE_OK);
        QCOMPARE(sqlite3_step(statement), SQLITE_ROW);
        sqlite3_finalize(statement);

        QString error;
        try {
            data.post(data.issue());
        } catch (const EngineError& e) {
            error = e.text();
        }
        sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(reader);

        QVERIFY2(!error.isEmpty(), "the commit went through");
        QCOMPARE(data.counters(), kCountersBefore);
        QCOMPARE(data.ledgerRows().size(), 1);
        QCOMPARE(data.stock("A"), QStringLiteral("10"));
    }
};

QTEST_GUILESS_MAIN(PostingTest)
#include "tst_posting.moc"
