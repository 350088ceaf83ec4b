// The set-based posting and item card against the cursor walk they replace: the same documents
// and cards, run once each way on data folders made alike, must leave the same bytes in the
// ledger (every field, the order values, the row ids) and in the stock.
#include "data/Backend.h"
#include "data/Engine.h"
#include "data/Query.h"
#include "data/SharedDataStore.h"
#include "data/Statement.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "goods/Posting.h"
#include "platform/Regional.h"
#include "printing/ItemCard.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"

#include <QRandomGenerator>
#include <QtTest>
#include <bit>

using namespace kestar;
using namespace kestar::test;

namespace {

const QString kLedger = QStringLiteral("podaci/prometx.db");
const QString kItems = QStringLiteral("podaci/magacin.db");

// Every stored value with its type, a number by its bits: two tables dump alike only when
// they hold the same bytes.
QStringList dump(Engine& engine, const QString& table, const QString& orderBy)
{
    const auto file = engine.attach(table);
    Backend& backend = engine.backend();
    const std::unique_ptr<Statement> rows = backend.prepare(backend.spell(
        QStringLiteral("SELECT rowid, * FROM %1 ORDER BY %2").arg(file->qualified, orderBy)));
    QStringList lines;
    while (rows->step()) {
        QStringList cells;
        for (int c = 0; c < rows->columnCount(); ++c) {
            const QVariant value = rows->column(c);
            if (!value.isValid())
                cells.append(QStringLiteral("null"));
            else if (value.typeId() == QMetaType::Double)
                cells.append(
                    QStringLiteral("r%1").arg(std::bit_cast<quint64>(value.toDouble()), 0, 16));
            else if (value.typeId() == QMetaType::LongLong)
                cells.append(QStringLiteral("i%1").arg(value.toLongLong()));
            else
                cells.append(QLatin1Char('t') + value.toString());
        }
        lines.append(rows->columnName(0) + QLatin1Char('=') + cells.join(QLatin1Char('|')));
    }
    rows->reset();
    return lines;
}

// Quantities whose sums round differently in another order of additions.
QString quantity(QRandomGenerator& random)
{
    static const QStringList kQuantities = {"0.1",  "0.2",       "0.3", "1.5",  "3", "7.25",
                                            "1e-3", "100000.01", "0",   "-2.5", "12"};
    return kQuantities.at(random.bounded(kQuantities.size()));
}

// Articles A0..A9 (A9 with no stock at all), and, unless empty, a few older ledger rows.
void fill(Engine& engine, bool emptyLedger)
{
    createAllTables();
    QList<Row> articles;
    for (int i = 0; i < 10; ++i) {
        Row article = {{"SIFRA", QStringLiteral("A%1").arg(i)}, {"NAZIV", "Artikal"}};
        if (i < 9) {
            article["KOLICINA"] = QString::number(i * 1.1);
            article["MAGACIN1"] = QString::number(i * 0.7);
        }
        articles.append(article);
    }
    addRows(engine, kItems, articles);
    if (!emptyLedger)
        addRows(engine, kLedger,
                {{{"BROJDOKUMENTA", "3"},
                  {"SIFRAROBE", "A1"},
                  {"ULAZ", "2"},
                  {"OTPREMNICA", "0"},
                  {"KOLICINA", "4"}},
                 {{"BROJDOKUMENTA", "2"},
                  {"SIFRAROBE", "A2"},
                  {"ULAZ", "1"},
                  {"OTPREMNICA", "0"},
                  {"KOLICINA", "0.1"}}});
}

QList<GoodsDocument> documents()
{
    QRandomGenerator random(20);
    QList<GoodsDocument> documents;
    for (int d = 0; d < 6; ++d) {
        GoodsDocument document;
        document.kind = d % 3 == 1 ? DocumentKind::Receipt : DocumentKind::Issue;
        document.number = QString::number(10 + d);
        document.date = QDate(2026, 4, 1 + d);
        document.comment1 = QStringLiteral("Dokument %1").arg(d);
        document.comment2 = d % 2 ? QString() : QStringLiteral("O'Neil");
        document.machineCode = QStringLiteral("M%1").arg(d);
        document.machineName = QStringLiteral("Presa");
        document.user = QStringLiteral("Marko");
        document.equipmentSwitch = d % 2;
        document.lastDocumentNumber = 3 + d;
        const int lines = d == 5 ? 99 : 1 + random.bounded(12);
        for (int l = 0; l < lines; ++l) {
            const int article = random.bounded(12); // A10 and A11 name no article
            DocumentLine line{QStringLiteral("A%1").arg(article), QStringLiteral("Artikal"),
                              quantity(random), QStringLiteral("01"), QStringLiteral("Alati")};
            if (l == 2)
                line = DocumentLine{}; // a line left empty
            document.lines.append(line);
        }
        documents.append(document);
    }
    return documents;
}

// The cursor walk of a posting: a ledger row inserted before the current row for each line
// after a move to the first row, its fields set as text, and the article's stock edited.
void postRowByRow(Engine& engine, const GoodsDocument& document, const PostingResult& numbers)
{
    Table ledger(engine, kLedger);
    Table items(engine, kItems);
    Transaction transaction(engine);
    ledger.open();
    items.open();
    ledger.first();
    const bool issue = document.kind == DocumentKind::Issue;
    const QString date = Regional::formatDate(document.date);
    for (const DocumentLine& line : document.lines) {
        ledger.insert();
        const QList<std::pair<const char*, QString>> fields = {
            {"BROJDOKUMENTA", QString::number(numbers.documentNumber)},
            {"NARUDZBENICA", "0"},
            {"OTPREMNICA", issue ? numbers.kindNumber.text : "0"},
            {"ULAZ", issue ? "0" : numbers.kindNumber.text},
            {"PREDRACUN", "0"},
            {"RADNINALOG", "0"},
            {"RACUN", "0"},
            {"POVRATNICA", "0"},
            {"UMAGACIN", "0"},
            {"MAGACIN", "1"},
            {"KOMENTAR", document.comment1},
            {"KOMENTAR2", document.comment2},
            {"DATUM", date},
            {"VALUTA", date},
            {"SIFRAROBE", line.code},
            {"NAZIV", line.name},
            {"NAZIVGRUPE", line.groupName},
            {"SIFRAGRUPE", line.groupCode},
            {"CENA", "0"},
            {"KOLICINA", line.quantity},
            {"RABAT", "0"},
            {"UI", "K"},
            {"SIFRAKUPCA", "0"},
            {"KUPAC", "VLASNIK"},
            {"VREDNOST", "0"},
            {"KORISNIK", document.user},
        };
        for (const auto& [field, text] : fields)
            ledger.setText(QString::fromLatin1(field), text);
        if (document.equipmentSwitch == 1) {
            ledger.setText("SIFRAMASINE", issue ? document.machineCode : QString());
            ledger.setText("SIFRAMASINE2", issue ? document.machineCode2 : QString());
            ledger.setText("NAZIVMASINE", issue ? document.machineName : QString());
        }
        ledger.post();
        bool ok = false;
        const double change = (issue ? -1 : 1) * Regional::parseNumber(line.quantity, &ok);
        items.findNearest(line.code);
        if (!ok || items.text("SIFRA") != line.code)
            continue;
        items.edit();
        items.setNumber("KOLICINA", items.number("KOLICINA") + change);
        items.setNumber("MAGACIN1", items.number("MAGACIN1") + change);
        items.post();
    }
    transaction.commit();
}

// The cursor walk of the item card: from the last row to the first, each row edited.
void buildCardRowByRow(Engine& engine, const QString& code)
{
    Query card(engine, ItemCard::statement(code));
    Transaction transaction(engine);
    card.open();
    double balance = 0;
    for (card.last(); !card.bof(); card.prior()) {
        if (card.text("OTPREMNICA") == "0")
            balance += card.number("KOLICINA");
        if (card.text("ULAZ") == "0")
            balance -= card.number("KOLICINA");
        card.edit();
        card.setNumber("SALDO", balance);
        card.post();
    }
    transaction.commit();
}

struct Result
{
    QStringList ledger;
    QStringList items;
    QList<PostingResult> numbers;
    QList<QByteArray> counters;
};

const QStringList kCards = {"A0", "A1", "A2", "A5", "A9", "A10"};

// Posts the documents and builds the cards in a data folder of its own, set-based or (given
// the numbers the set-based run chose) by the cursor walks.
Result run(bool emptyLedger, const QList<PostingResult>* rowByRow)
{
    TestFolder folder;
    folder.writeStandardTextFiles();
    folder.write("dokument.txt", "3\r\n");
    Engine engine;
    const std::unique_ptr<SharedData> shared = DataStore::sharedData(engine);
    fill(engine, emptyLedger);
    Result result;
    const QList<GoodsDocument> all = documents();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (rowByRow) {
            postRowByRow(engine, all.at(i), rowByRow->at(i));
            continue;
        }
        Table ledger(engine, kLedger);
        Table items(engine, kItems);
        result.numbers.append(Posting::post({engine, ledger, items, *shared}, all.at(i)));
    }
    for (const QString& code : kCards) {
        if (rowByRow) {
            buildCardRowByRow(engine, code);
        } else {
            Query card(engine);
            ItemCard::build(engine, card, code);
        }
    }
    // The ledger by its natural order, the order value shown: a row in another place differs.
    result.ledger = dump(engine, kLedger, QStringLiteral("_ord, rowid"));
    result.items = dump(engine, kItems, QStringLiteral("rowid"));
    result.counters = {folder.read("dokument.txt"), folder.read("otpremnica.txt"),
                       folder.read("ulaz.txt")};
    return result;
}

} // namespace

class PostingRowByRowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { Regional::setCurrent(Regional::standard()); }

    void setBasedPostingAndCardLeaveTheBytesOfTheCursorWalk_data()
    {
        QTest::addColumn<bool>("emptyLedger");
        QTest::newRow("ledger with older rows") << false;
        QTest::newRow("empty ledger") << true;
    }

    void setBasedPostingAndCardLeaveTheBytesOfTheCursorWalk()
    {
        QFETCH(bool, emptyLedger);
        const Result setBased = run(emptyLedger, nullptr);
        const Result rowByRow = run(emptyLedger, &setBased.numbers);
        qsizetype lines = emptyLedger ? 0 : 2;
        for (const GoodsDocument& document : documents())
            lines += document.lines.size();
        QCOMPARE(setBased.ledger.size(), lines);
        QCOMPARE(setBased.ledger, rowByRow.ledger);
        QCOMPARE(setBased.items, rowByRow.items);
        // The numbers: BROJDOKUMENTA one after another from the panel, each document its own.
        for (qsizetype i = 0; i < setBased.numbers.size(); ++i) {
            QCOMPARE(setBased.numbers.at(i).documentNumber, 4 + i);
            QCOMPARE(setBased.numbers.at(i).kindNumber.text, QString::number(10 + i));
        }
        QCOMPARE(setBased.counters, QList<QByteArray>({"9\r\n", "15\r\n", "14\r\n"}));
    }
};

QTEST_GUILESS_MAIN(PostingRowByRowTest)
#include "tst_postingrowbyrow.moc"
