#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <functional>

using namespace kestar;
using namespace Qt::StringLiterals;

using kestar::test::errorOf;

namespace {

void makeTables(const test::TestFolder& folder, const QStringList& names)
{
    for (const QString& name : names)
        Schema::createTableFile(QDir(folder.path()).filePath(u"podaci"_s), Schema::table(name));
}

// Ledger rows with the given item codes, in that order from the first row.
void fillLedger(Table& ledger, const QStringList& items)
{
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        ledger.first();
        ledger.insert();
        ledger.setText(u"BROJDOKUMENTA"_s, QString::number(i + 1));
        ledger.setText(u"SIFRAROBE"_s, items.at(i));
        ledger.setText(u"KOLICINA"_s, QString::number(i + 1));
        ledger.post();
    }
}

void addItem(Table& items, const QString& code, const QString& name, const QString& quantity)
{
    items.insert();
    items.setText(u"SIFRA"_s, code);
    items.setText(u"NAZIV"_s, name);
    items.setText(u"KOLICINA"_s, quantity);
    items.post();
}

} // namespace

// How table cursors and live results behave while they walk, edit and announce changes.
class TestEngineCursor : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_regional = std::make_unique<ScopedRegional>(Regional::standard()); }
    void cleanup() { m_regional.reset(); }

    void walksReadEveryRowAndKeepTheirRowAtEitherEnd()
    {
        test::TestFolder folder;
        makeTables(folder, {u"prometx"_s, u"magacin"_s});
        Engine engine;
        auto ledger = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        ledger->open();
        fillLedger(*ledger, {u"A"_s, u"B"_s, u"C"_s, u"D"_s});

        QStringList seen;
        for (ledger->first(); !ledger->eof(); ledger->next())
            seen.append(ledger->text(u"SIFRAROBE"_s) + ledger->text(u"KOLICINA"_s));
        QCOMPARE(seen, QStringList({u"A1"_s, u"B2"_s, u"C3"_s, u"D4"_s}));
        // Past the end the cursor still stands on the last row, whole.
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"D"_s);
        QCOMPARE(ledger->text(u"BROJDOKUMENTA"_s), u"4"_s);
        QCOMPARE(ledger->position(), 3);

        // Turning round in the middle of a walk.
        ledger->prior();
        ledger->prior();
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"B"_s);
        ledger->next();
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"C"_s);
        ledger->prior();
        ledger->prior();
        ledger->prior();
        QVERIFY(ledger->bof());
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"A"_s);
        QCOMPARE(ledger->number(u"KOLICINA"_s), 1.0);

        // Writes elsewhere (a transaction beginning, another table) leave the row in hand whole.
        auto items = std::make_unique<Table>(engine, u"podaci/magacin.db"_s);
        items->open();
        ledger->next();
        {
            Transaction transaction(engine);
            QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"B"_s);
            addItem(*items, u"X"_s, u"Vijak"_s, u"1"_s);
            QCOMPARE(ledger->text(u"KOLICINA"_s), u"2"_s);
        }
        QCOMPARE(ledger->text(u"BROJDOKUMENTA"_s), u"2"_s);
        ledger->next();
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"C"_s);
        ledger->first();

        // Another cursor writes while this one walks: the row in hand stays readable and the
        // walk goes on from it.
        auto other = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        other->open();
        ledger->next();
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"B"_s);
        other->last();
        other->edit();
        other->setText(u"SIFRAROBE"_s, u"Z"_s);
        other->post();
        QCOMPARE(ledger->text(u"KOLICINA"_s), u"2"_s);
        ledger->next();
        ledger->next();
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"Z"_s);

        // A row reached by walking is edited and deleted like any other.
        ledger->first();
        ledger->next();
        ledger->edit();
        ledger->setText(u"KOLICINA"_s, u"20"_s);
        ledger->next();
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"C"_s);
        ledger->remove();
        QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"Z"_s);
        QStringList after;
        for (other->first(); !other->eof(); other->next())
            after.append(other->text(u"SIFRAROBE"_s) + other->text(u"KOLICINA"_s));
        QCOMPARE(after, QStringList({u"A1"_s, u"B20"_s, u"Z4"_s}));
    }

    // Between two moves no statement stays open: another process (here a connection of its own
    // that will not wait) can write the table file at once, wherever the walk stands.
    void walksLeaveTheFileFreeForAnotherWriter()
    {
        test::TestFolder folder;
        makeTables(folder, {u"prometx"_s});
        Engine engine;
        auto ledger = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        ledger->open();
        const int rows = 1200; // several pages of a walk, the largest among them
        {
            Transaction transaction(engine);
            QStringList items;
            for (int i = 0; i < rows; ++i)
                items.append(u"A%1"_s.arg(i + 1));
            fillLedger(*ledger, items);
            transaction.commit();
        }
        const QString path = folder.dataPath(u"prometx.db"_s);
        int commits = 0;
        const auto otherWriterCommits = [&]() {
            ++commits;
            return test::writesAtOnce(path,
                                      "UPDATE prometx SET \"KOMENTAR\"='drugi' WHERE rowid = 1");
        };

        int seen = 0;
        for (ledger->first(); !ledger->eof(); ledger->next()) {
            ++seen;
            QCOMPARE(ledger->text(u"BROJDOKUMENTA"_s), QString::number(seen));
            // A field first read in the middle of a walk, and from then on.
            if (seen >= 300)
                QCOMPARE(ledger->text(u"SIFRAROBE"_s), u"A%1"_s.arg(seen));
            if (seen % 97 == 1 || seen > rows - 3)
                QVERIFY(otherWriterCommits());
        }
        QCOMPARE(seen, rows);
        for (int i = rows; !ledger->bof(); ledger->prior(), --i) {
            QCOMPARE(ledger->text(u"BROJDOKUMENTA"_s), QString::number(i));
            if (i % 89 == 0)
                QVERIFY(otherWriterCommits());
        }
        ledger->last();
        QVERIFY(otherWriterCommits());
        ledger->moveTo(700);
        QCOMPARE(ledger->textAt(1000, 0), u"1001"_s);
        QVERIFY(otherWriterCommits());
        QCOMPARE(ledger->text(u"BROJDOKUMENTA"_s), u"701"_s);
        ledger->next();
        QVERIFY(otherWriterCommits());

        auto query = std::make_unique<Query>(
            engine, u"select * from podaci\\prometx where SIFRAROBE like 'A1%'"_s);
        query->open();
        query->next();
        QVERIFY(otherWriterCommits());
        QVERIFY(commits > 20);
    }

    void anEditWritesBackOnlyTheFieldsItChanged()
    {
        test::TestFolder folder;
        makeTables(folder, {u"magacin"_s, u"prometx"_s});
        Engine engine;
        auto items = std::make_unique<Table>(engine, u"podaci/magacin.db"_s);
        items->open();
        addItem(*items, u"A1"_s, u"Vijak"_s, u"10"_s);
        addItem(*items, u"A2"_s, u"Matica"_s, u"5"_s);

        // Two cursors edit the same article at once, each a field of its own: neither undoes
        // the other's change.
        auto stock = std::make_unique<Table>(engine, u"podaci/magacin.db"_s);
        stock->open();
        stock->findNearest(u"A2"_s);
        stock->edit();
        items->findNearest(u"A2"_s);
        items->edit();
        items->setText(u"NAZIV"_s, u"Matica M8"_s);
        items->post();
        stock->setNumber(u"KOLICINA"_s, stock->number(u"KOLICINA"_s) - 2);
        stock->post();
        QCOMPARE(stock->text(u"NAZIV"_s), u"Matica M8"_s);
        QCOMPARE(stock->text(u"KOLICINA"_s), u"3"_s);
        items->refresh();
        QCOMPARE(items->text(u"KOLICINA"_s), u"3"_s);

        // Posting an edit that changed nothing still finds out that the row is gone.
        stock->edit();
        stock->setText(u"NAZIV"_s, u"Matica M8"_s);
        items->remove();
        QCOMPARE(errorOf([&] { stock->post(); }),
                 u"Ovaj red je u medjuvremenu obrisan!!! Izmena nije upamcena."_s);
        stock->cancel();

        // A key changed by an edit still moves the row and is still checked.
        stock->findNearest(u"A1"_s);
        stock->edit();
        stock->setText(u"SIFRA"_s, u"B1"_s);
        stock->post();
        QCOMPARE(stock->position(), 0);
        addItem(*stock, u"A0"_s, u"Podloska"_s, u"1"_s);
        stock->edit();
        stock->setText(u"SIFRA"_s, u"B1"_s);
        QCOMPARE(errorOf([&] { stock->post(); }), u"Key violation"_s);
        stock->cancel();

        // A live result writes only what was typed into it, too.
        auto ledger = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        ledger->open();
        fillLedger(*ledger, {u"A1"_s, u"A1"_s});
        auto card = std::make_unique<Query>(
            engine,
            u"select KOLICINA, SALDO, KOMENTAR from podaci\\prometx where SIFRAROBE='A1'"_s);
        card->open();
        card->edit();
        ledger->first();
        ledger->edit();
        ledger->setText(u"KOMENTAR"_s, u"storno"_s);
        ledger->post();
        card->setText(u"SALDO"_s, u"7"_s);
        card->post();
        ledger->first();
        QCOMPARE(ledger->text(u"KOMENTAR"_s), u"storno"_s);
        QCOMPARE(ledger->text(u"SALDO"_s), u"7"_s);
        QCOMPARE(ledger->text(u"KOLICINA"_s), u"1"_s);
    }

    void rowChangedNamesThePositionOfARowFoundByKey()
    {
        test::TestFolder folder;
        makeTables(folder, {u"magacin"_s});
        Engine engine;
        auto items = std::make_unique<Table>(engine, u"podaci/magacin.db"_s);
        items->open();
        for (const QString& code : {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s})
            addItem(*items, code, code, u"1"_s);

        QSignalSpy changed(items.get(), &Dataset::rowChanged);
        items->findNearest(u"D"_s);
        items->edit();
        items->setNumber(u"KOLICINA"_s, 4);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.last().first().toLongLong(), 3);
        items->post();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.last().first().toLongLong(), 3);
        items->findNearest(u"BB"_s);
        items->edit();
        items->setText(u"NAZIV"_s, u"Cc"_s);
        items->cancel();
        QCOMPARE(changed.count(), 4);
        QCOMPARE(changed.last().first().toLongLong(), 2);
    }

    void aFailedWriteInsideATransactionLeavesTheOthersStanding()
    {
        test::TestFolder folder;
        makeTables(folder, {u"magacin"_s});
        Engine engine;
        auto items = std::make_unique<Table>(engine, u"podaci/magacin.db"_s);
        items->open();
        {
            Transaction transaction(engine);
            addItem(*items, u"A"_s, u"Prvi"_s, u"1"_s);
            QCOMPARE(errorOf([&] { addItem(*items, u"A"_s, u"Drugi"_s, u"2"_s); }),
                     u"Key violation"_s);
            items->cancel();
            addItem(*items, u"B"_s, u"Treci"_s, u"3"_s);
            transaction.commit();
        }
        Engine again;
        auto check = std::make_unique<Table>(again, u"podaci/magacin.db"_s);
        check->open();
        QCOMPARE(check->rowCount(), 2);
        QCOMPARE(check->text(u"NAZIV"_s), u"Prvi"_s);
        check->next();
        QCOMPARE(check->text(u"NAZIV"_s), u"Treci"_s);
    }

private:
    std::unique_ptr<ScopedRegional> m_regional;
};

QTEST_GUILESS_MAIN(TestEngineCursor)
#include "tst_enginecursor.moc"
