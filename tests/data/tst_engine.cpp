#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/Transaction.h"
#include "data/sqlite/SqliteBackend.h"
#include "data/sqlite/SqliteLike.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <sqlite3.h>

using namespace kestar;
using namespace Qt::StringLiterals;

using kestar::test::errorOf;

namespace {

void makeTables(const test::TestFolder& folder, const QStringList& names)
{
    for (const QString& name : names)
        Schema::createTableFile(QDir(folder.path()).filePath(u"podaci"_s), Schema::table(name));
}

// Inserts a ledger row before the current row and posts it.
void postLedgerLine(Table& ledger, int document, const QString& item, const QString& quantity)
{
    ledger.insert();
    ledger.setText(u"BROJDOKUMENTA"_s, QString::number(document));
    ledger.setText(u"OTPREMNICA"_s, QString::number(document));
    ledger.setText(u"ULAZ"_s, u"0"_s);
    ledger.setText(u"SIFRAROBE"_s, item);
    ledger.setText(u"KOLICINA"_s, quantity);
    ledger.post();
}

QStringList column(Table& table, const QString& field)
{
    QStringList values;
    for (table.first(); !table.eof(); table.next())
        values.append(table.text(field));
    return values;
}

void addItem(Table& items, const QString& code, const QString& name = {})
{
    items.insert();
    items.setText(u"SIFRA"_s, code);
    items.setText(u"NAZIV"_s, name);
    items.post();
}

} // namespace

class TestEngine : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_regional = std::make_unique<ScopedRegional>(Regional::standard()); }
    void cleanup() { m_regional.reset(); }

    void oneTableNamedSeveralWaysIsOneFile()
    {
        test::TestFolder folder;
        makeTables(folder, {u"prometx"_s});
        Engine engine;
        const auto a = engine.attach(u"podaci/prometx.DB"_s);
        const auto b = engine.attach(u"podaci\\prometx"_s);
        const auto c = engine.attach(u"PODACI\\Prometx.db"_s);
        QCOMPARE(b->alias, a->alias);
        QCOMPARE(c->alias, a->alias);
        QCOMPARE(a->table, u"prometx"_s);

        auto writer = std::make_unique<Table>(engine, u"podaci/prometx.DB"_s);
        writer->open();
        postLedgerLine(*writer, 1, u"A"_s, u"2"_s);
        auto reader = std::make_unique<Table>(engine, u"podaci\\prometx"_s);
        reader->open();
        QCOMPARE(reader->rowCount(), 1);
        QCOMPARE(reader->text(u"sifrarobe"_s), u"A"_s);
    }

    void missingTableIsAnErrorAndNeverCreated()
    {
        test::TestFolder folder;
        Engine engine;
        auto machines = std::make_unique<Table>(engine, u"podaci\\masina.db"_s);
        QCOMPARE(errorOf([&] { machines->open(); }), u"Table does not exist: podaci\\masina.db"_s);
        QVERIFY(!machines->isOpen());
        QVERIFY(!QFileInfo::exists(folder.dataPath(u"masina.db"_s)));
        QCOMPARE(errorOf([&] { engine.attach(u"nema/masina"_s); }),
                 u"Table does not exist: nema/masina"_s);
    }

    void ledgerReadsNewestDocumentFirstWithItsLastLineOnTop()
    {
        test::TestFolder folder;
        makeTables(folder, {u"prometx"_s});
        Engine engine;
        auto ledger = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        ledger->open();
        for (int document : {1, 2}) {
            ledger->first();
            for (const QString& item : {u"L1"_s, u"L2"_s, u"L3"_s})
                postLedgerLine(*ledger, document, QString::number(document) + item, u"1"_s);
        }
        QCOMPARE(column(*ledger, u"SIFRAROBE"_s),
                 QStringList({u"2L3"_s, u"2L2"_s, u"2L1"_s, u"1L3"_s, u"1L2"_s, u"1L1"_s}));
        // The order survives a new cursor: it is stored, not remembered.
        auto again = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        again->open();
        again->last();
        QCOMPARE(again->text(u"SIFRAROBE"_s), u"1L1"_s);
        QCOMPARE(again->position(), 5);
    }

    void insertGoesBeforeTheCurrentRowAndRenumbersWhenTheGapRunsOut()
    {
        test::TestFolder folder;
        makeTables(folder, {u"korisnici"_s});
        Engine engine;
        auto users = std::make_unique<Table>(engine, u"podaci/korisnici.db"_s);
        users->open();
        for (const QString& name : {u"C"_s, u"B"_s, u"A"_s}) {
            users->first();
            users->insert();
            users->setText(u"KORISNIK"_s, name);
            users->post();
        }
        users->first();
        users->next();
        QCOMPARE(users->text(u"KORISNIK"_s), u"B"_s);
        // Insert many times at the same place: the gap halves each time and must be renewed.
        for (int i = 0; i < 30; ++i) {
            users->insert();
            QCOMPARE(users->position(), 1);
            QCOMPARE(users->rowCount(), 4 + i);
            users->setText(u"KORISNIK"_s, u"X%1"_s.arg(i));
            users->post();
            QCOMPARE(users->position(), 1);
            QCOMPARE(users->text(u"KORISNIK"_s), u"X%1"_s.arg(i));
        }
        const QStringList names = column(*users, u"KORISNIK"_s);
        QCOMPARE(names.size(), 33);
        QCOMPARE(names.first(), u"A"_s);
        QCOMPARE(names.at(1), u"X29"_s);
        QCOMPARE(names.at(30), u"X0"_s);
        QCOMPARE(names.at(31), u"B"_s);
        QCOMPARE(names.last(), u"C"_s);
    }

    void aMovePostsAChangedRowAndDropsAnUnchangedOne()
    {
        test::TestFolder folder;
        makeTables(folder, {u"masina"_s});
        Engine engine;
        auto machines = std::make_unique<Table>(engine, u"podaci\\masina.db"_s);
        machines->open();
        QVERIFY(machines->isEmpty());
        QVERIFY(machines->eof() && machines->bof());

        machines->insert();
        machines->setText(u"SIFRAMASINE"_s, u"M1"_s);
        machines->next(); // posts
        QCOMPARE(machines->state(), DatasetState::Browse);
        QCOMPARE(machines->rowCount(), 1);

        machines->insert();
        QCOMPARE(machines->rowCount(), 2);
        QVERIFY(!machines->isModified());
        machines->first(); // drops the untouched row
        QCOMPARE(machines->rowCount(), 1);

        machines->edit();
        machines->setText(u"NAZIVMASINE"_s, u"Strug"_s);
        machines->last();
        QCOMPARE(machines->text(u"NAZIVMASINE"_s), u"Strug"_s);

        machines->edit();
        machines->setText(u"NAZIVMASINE"_s, u"Glodalica"_s);
        machines->cancel();
        QCOMPARE(machines->text(u"NAZIVMASINE"_s), u"Strug"_s);

        // Delete during an insert drops only the new row.
        machines->insert();
        machines->setText(u"SIFRAMASINE"_s, u"M2"_s);
        machines->remove();
        QCOMPARE(machines->state(), DatasetState::Browse);
        QCOMPARE(machines->rowCount(), 1);
        QCOMPARE(machines->text(u"SIFRAMASINE"_s), u"M1"_s);

        // Emptying the table the way the program does it.
        machines->first();
        while (!machines->eof())
            machines->remove();
        QVERIFY(machines->isEmpty());
        QCOMPARE(machines->text(u"SIFRAMASINE"_s), QString());
    }

    void keyedTableKeepsKeyOrderAndRefusesARepeatedKey()
    {
        test::TestFolder folder;
        makeTables(folder, {u"magacin"_s});
        Engine engine;
        auto items = std::make_unique<Table>(engine, u"podaci/magacin.db"_s);
        items->open();
        items->findNearest(u"100"_s);
        QCOMPARE(items->text(u"SIFRA"_s), QString());

        for (const QString& code : {u"B20"_s, u"C30"_s, u"A10"_s})
            addItem(*items, code);
        QCOMPARE(column(*items, u"SIFRA"_s), QStringList({u"A10"_s, u"B20"_s, u"C30"_s}));

        items->findNearest(u"B"_s);
        QCOMPARE(items->text(u"SIFRA"_s), u"B20"_s);
        QCOMPARE(items->position(), 1);
        items->findNearest(u"B20"_s);
        QCOMPARE(items->text(u"SIFRA"_s), u"B20"_s);
        items->findNearest(u"Z"_s);
        QCOMPARE(items->text(u"SIFRA"_s), u"C30"_s);

        items->insert();
        items->setText(u"SIFRA"_s, u"A10"_s);
        QCOMPARE(errorOf([&] { items->post(); }), u"Key violation"_s);
        QCOMPARE(items->state(), DatasetState::Insert);
        QCOMPARE(errorOf([&] { items->next(); }), u"Key violation"_s);
        items->setText(u"SIFRA"_s, u"A15"_s);
        items->post();
        QCOMPARE(items->position(), 1);
        QCOMPARE(items->rowCount(), 4);

        // Editing the key moves the row to its new place.
        items->edit();
        items->setText(u"SIFRA"_s, u"D40"_s);
        items->post();
        QCOMPARE(items->position(), 3);
        QCOMPARE(column(*items, u"SIFRA"_s), QStringList({u"A10"_s, u"B20"_s, u"C30"_s, u"D40"_s}));
    }

    void valuesConvertThroughTheRegionalSettings()
    {
        test::TestFolder folder;
        makeTables(folder, {u"prometx"_s});
        Engine engine;
        auto ledger = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        ledger->open();
        ledger->insert();
        QCOMPARE(errorOf([&] { ledger->setText(u"OTPREMNICA"_s, u"17a"_s); }),
                 u"'17a' is not a valid integer value for field 'OTPREMNICA'"_s);
        QCOMPARE(errorOf([&] { ledger->setText(u"OTPREMNICA"_s, u"2147483648"_s); }),
                 u"'2147483648' is not a valid integer value for field 'OTPREMNICA'"_s);
        QCOMPARE(errorOf([&] { ledger->setText(u"KOLICINA"_s, u"abc"_s); }),
                 u"'abc' is not a valid floating point value for field 'KOLICINA'"_s);
        QCOMPARE(errorOf([&] { ledger->setText(u"DATUM"_s, u"31/02/2026"_s); }),
                 u"'31/02/2026' is not a valid date for field 'DATUM'"_s);
        QCOMPARE(errorOf([&] { ledger->setNumber(u"ULAZ"_s, 1.5); }),
                 u"'1.5' is not a valid integer value for field 'ULAZ'"_s);
        QCOMPARE(errorOf([&] { ledger->setText(u"NEMA"_s, u"1"_s); }), u"Field 'NEMA' not found"_s);

        ledger->setText(u"OTPREMNICA"_s, u"-2147483648"_s);
        ledger->setText(u"KOLICINA"_s, u"1.5"_s);
        ledger->setText(u"SALDO"_s, u"7"_s);
        ledger->setText(u"CENA"_s, u"0.1"_s);
        ledger->setText(u"DATUM"_s, u"12/02/2026"_s);
        ledger->setText(u"ULAZ"_s, QString());
        ledger->post();
        QCOMPARE(ledger->text(u"OTPREMNICA"_s), u"-2147483648"_s);
        QCOMPARE(ledger->text(u"KOLICINA"_s), u"1.5"_s);
        QCOMPARE(ledger->text(u"SALDO"_s), u"7"_s);
        QCOMPARE(ledger->text(u"CENA"_s), u"0.1"_s);
        QCOMPARE(ledger->text(u"DATUM"_s), u"12/02/2026"_s);
        QCOMPARE(ledger->text(u"ULAZ"_s), QString());
        QCOMPARE(ledger->number(u"ULAZ"_s), 0.0);
        QCOMPARE(ledger->number(u"KOLICINA"_s), 1.5);

        // Stored as the types say: dates in ISO form, empty text as NULL.
        if (test::onPostgres()) {
            auto stored =
                engine.backend().prepare(u"SELECT CAST(\"DATUM\" AS text), \"ULAZ\" IS NULL, "
                                         "CAST(pg_typeof(\"KOLICINA\") AS text) FROM prometx"_s);
            QVERIFY(stored->step());
            QCOMPARE(stored->column(0).toString(), u"2026-02-12"_s);
            QCOMPARE(stored->columnInt(1), 1);
            QCOMPARE(stored->column(2).toString(), u"double precision"_s);
            stored->reset();
        } else {
            sqlite3_stmt* raw = nullptr;
            QCOMPARE(sqlite3_prepare_v2(static_cast<SqliteBackend&>(engine.backend()).handle(),
                                        "SELECT DATUM, typeof(ULAZ), typeof(KOLICINA) FROM "
                                        "t1.prometx",
                                        -1, &raw, nullptr),
                     SQLITE_OK);
            QCOMPARE(sqlite3_step(raw), SQLITE_ROW);
            QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0))),
                     u"2026-02-12"_s);
            QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 1))),
                     u"null"_s);
            QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(raw, 2))),
                     u"real"_s);
            sqlite3_finalize(raw);
        }

        // A comma as decimal separator reads and writes with the comma.
        RegionalSettings comma = Regional::standard();
        comma.decimalSeparator = QLatin1Char(',');
        comma.thousandsSeparator = QLatin1Char('.');
        ScopedRegional regional(comma);
        QCOMPARE(ledger->text(u"KOLICINA"_s), u"1,5"_s);
        ledger->edit();
        ledger->setText(u"KOLICINA"_s, u"2,25"_s);
        QCOMPARE(errorOf([&] { ledger->setText(u"SALDO"_s, u"2.25"_s); }),
                 u"'2.25' is not a valid floating point value for field 'SALDO'"_s);
        ledger->post();
        QCOMPARE(ledger->number(u"KOLICINA"_s), 2.25);
    }

    void operationsOutOfStateAreRefusedWithClearTexts()
    {
        test::TestFolder folder;
        makeTables(folder, {u"korisnici"_s});
        Engine engine;
        auto users = std::make_unique<Table>(engine, u"podaci/korisnici.db"_s);
        const QString closed = u"Cannot perform this operation on a closed dataset"_s;
        QCOMPARE(errorOf([&] { users->text(u"SIFRA"_s); }), closed);
        QCOMPARE(errorOf([&] { users->next(); }), closed);
        QCOMPARE(errorOf([&] { users->insert(); }), closed);
        users->close(); // closing a closed table does nothing
        users->open();
        users->open();
        QCOMPARE(errorOf([&] { users->setText(u"SIFRA"_s, u"1"_s); }),
                 u"Dataset not in edit or insert mode"_s);
        users->setReadOnly(true);
        QCOMPARE(errorOf([&] { users->insert(); }), u"Cannot modify a read-only dataset"_s);
        users->setReadOnly(false);
        // Closing drops an edit that was not posted.
        users->insert();
        users->setText(u"KORISNIK"_s, u"Pera"_s);
        users->close();
        users->open();
        QVERIFY(users->isEmpty());
    }

    void aRolledBackTransactionLeavesBothFilesUnchanged()
    {
        test::TestFolder folder;
        makeTables(folder, {u"magacin"_s, u"prometx"_s});
        Engine engine;
        auto items = std::make_unique<Table>(engine, u"podaci/magacin.db"_s);
        auto ledger = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        items->open();
        ledger->open();
        addItem(*items, u"A"_s);
        items->edit();
        items->setText(u"KOLICINA"_s, u"10"_s);
        items->post();
        postLedgerLine(*ledger, 1, u"A"_s, u"10"_s);
        {
            Transaction tx(engine);
            postLedgerLine(*ledger, 2, u"A"_s, u"3"_s);
            items->edit();
            items->setNumber(u"KOLICINA"_s, 7);
            items->post();
            QCOMPARE(ledger->rowCount(), 2);
            QCOMPARE(items->text(u"KOLICINA"_s), u"7"_s);
        }
        QCOMPARE(ledger->rowCount(), 1);
        QCOMPARE(ledger->text(u"BROJDOKUMENTA"_s), u"1"_s);
        QCOMPARE(items->text(u"KOLICINA"_s), u"10"_s);

        // Another connection sees the same files unchanged too.
        Engine other;
        auto otherLedger = std::make_unique<Table>(other, u"podaci\\prometx"_s);
        otherLedger->open();
        QCOMPARE(otherLedger->rowCount(), 1);
    }

    void committedDataSurvivesAnotherEngine()
    {
        test::TestFolder folder;
        makeTables(folder, {u"magacin"_s, u"prometx"_s});
        {
            Engine engine;
            auto items = std::make_unique<Table>(engine, u"podaci/magacin.db"_s);
            auto ledger = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
            items->open();
            ledger->open();
            Transaction tx(engine);
            {
                Transaction inner(engine);
                addItem(*items, u"A"_s, u"Čekić"_s);
                inner.commit();
            }
            {
                Transaction dropped(engine);
                addItem(*items, u"B"_s);
            }
            postLedgerLine(*ledger, 5, u"A"_s, u"2"_s);
            tx.commit();
            QCOMPARE(items->rowCount(), 1);
        }
        Engine engine;
        auto items = std::make_unique<Table>(engine, u"podaci/MAGACIN.DB"_s);
        items->open();
        QCOMPARE(column(*items, u"NAZIV"_s), QStringList{u"Čekić"_s});
        auto ledger = std::make_unique<Table>(engine, u"podaci/prometx"_s);
        ledger->open();
        QCOMPARE(ledger->text(u"OTPREMNICA"_s), u"5"_s);
    }

    void anotherCursorSeesAChangeAndKeepsItsRow()
    {
        test::TestFolder folder;
        makeTables(folder, {u"prometx"_s});
        Engine engine;
        QSignalSpy changed(&engine, &Engine::tableChanged);
        auto ledger = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        ledger->open();
        for (int i = 1; i <= 3; ++i)
            postLedgerLine(*ledger, i, u"A"_s, u"1"_s);
        QCOMPARE(changed.count(), 3);
        // On PostgreSQL the table is named as its file would be.
        const QString path =
            test::onPostgres()
                ? QFileInfo(folder.dataPath({})).canonicalFilePath() + u"/prometx.db"_s
                : QFileInfo(folder.dataPath(u"prometx.db"_s)).canonicalFilePath();
        QCOMPARE(changed.last().first().toString(), path);

        auto grid = std::make_unique<Table>(engine, u"podaci/prometx.db"_s);
        grid->open();
        grid->moveTo(1);
        QCOMPARE(grid->textAt(2, grid->fieldIndex(u"BROJDOKUMENTA"_s)), u"1"_s);
        QSignalSpy reset(grid.get(), &Dataset::rowsReset);

        ledger->moveTo(1);
        ledger->edit();
        ledger->setText(u"SALDO"_s, u"42"_s);
        ledger->post();
        ledger->first();
        postLedgerLine(*ledger, 4, u"B"_s, u"1"_s);

        QCOMPARE(grid->text(u"SALDO"_s), u"42"_s);
        QCOMPARE(grid->rowCount(), 4);
        QCOMPARE(grid->position(), 2);
        QCOMPARE(grid->textAt(0, grid->fieldIndex(u"SIFRAROBE"_s)), u"B"_s);
        QTRY_COMPARE(reset.count(), 1);
    }
    void likeIgnoresCaseOfEveryLetter()
    {
        QVERIFY(likeMatches(u"%č%", u"ČEKIĆ"));
        QVERIFY(likeMatches(u"%a%", u"BAR"));
        QVERIFY(likeMatches(u"%A%", u"bar"));
        QVERIFY(likeMatches(u"ž_c%", u"ŽICA"));
        QVERIFY(likeMatches(u"%%", u""));
        QVERIFY(!likeMatches(u"_", u""));
        QVERIFY(likeMatches(u"%ab%ab", u"xxabyyabab"));
        QVERIFY(!likeMatches(u"%ab%abc", u"xxabyyabab"));
        QVERIFY(!likeMatches(u"c%", u"ČEKIĆ"));
    }

private:
    std::unique_ptr<ScopedRegional> m_regional;
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
