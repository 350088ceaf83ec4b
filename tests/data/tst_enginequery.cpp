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
#include <QTest>
#include <functional>

using namespace kestar;
using namespace Qt::StringLiterals;

using kestar::test::errorOf;

namespace {

QStringList column(Dataset& data, const QString& field)
{
    QStringList values;
    for (data.first(); !data.eof(); data.next())
        values.append(data.text(field));
    return values;
}

struct Movement
{
    int document;
    int issue;
    int receipt;
    QString item;
    QString quantity;
    QString machine = {};
};

} // namespace

class TestEngineQuery : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional = std::make_unique<ScopedRegional>(Regional::standard());
        m_folder = std::make_unique<test::TestFolder>();
        for (const QString& name : {u"magacin"_s, u"prometx"_s})
            Schema::createTableFile(QDir(m_folder->path()).filePath(u"podaci"_s),
                                    Schema::table(name));
        m_engine = std::make_unique<Engine>();
    }
    void cleanup()
    {
        m_engine.reset();
        m_folder.reset();
        m_regional.reset();
    }

    void quotedNumbersAndZeroComparisonsFindTheirRows()
    {
        post({{1, 12, 0, u"A"_s, u"3"_s}, {2, 0, 7, u"A"_s, u"10"_s}, {3, 120, 0, u"B"_s, u"1"_s}});
        auto query = std::make_unique<Query>(
            *m_engine,
            u"Select OTPREMNICA, SIFRAROBE from podaci\\prometx where (OTPREMNICA='12')"_s);
        query->open();
        QCOMPARE(query->rowCount(), 1);
        QCOMPARE(query->text(u"sifrarobe"_s), u"A"_s);
        QVERIFY(query->isReadOnly() || query->isLive());

        auto card = std::make_unique<Query>(*m_engine);
        card->setSql(
            u"select ULAZ,OTPREMNICA,DATUM,KOLICINA,SALDO,KORISNIK,KOMENTAR, BROJDOKUMENTA from "
            "podaci\\prometx where ((SIFRAROBE='A') AND ((ULAZ<>0) OR (OTPREMNICA<>0)))"_s);
        card->open();
        QVERIFY(card->isLive());
        // Natural order: the newest row first.
        QCOMPARE(column(*card, u"BROJDOKUMENTA"_s), QStringList({u"2"_s, u"1"_s}));

        auto receipts =
            std::make_unique<Query>(*m_engine, u"select * from podaci\\prometx.db where ULAZ<>0"_s);
        receipts->open();
        QCOMPARE(column(*receipts, u"ULAZ"_s), QStringList{u"7"_s});
        QCOMPARE(receipts->fields().size(), Schema::table(u"prometx"_s).fields.size());
    }

    void summedColumnReadsAsUkupnoAndGroupedResultIsReadOnly()
    {
        post({{1, 1, 0, u"A"_s, u"3"_s, u"M1"_s},
              {2, 2, 0, u"A"_s, u"1.5"_s, u"M1"_s},
              {3, 3, 0, u"B"_s, u"2"_s, u"M1"_s},
              {4, 4, 0, u"A"_s, u"9"_s, u"M2"_s}});
        auto query = std::make_unique<Query>(
            *m_engine,
            u"select NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, sum(kolicina) as ukupno from "
            "podaci\\prometx.db where siframasine='M1' and siframasine2='' group by NAZIVGRUPE, "
            "SIFRAGRUPE, SIFRAROBE, NAZIV"_s);
        query->open();
        QVERIFY(!query->isLive());
        QVERIFY(query->isReadOnly());
        QVERIFY(query->fieldIndex(u"UKUPNO"_s) >= 0);
        QCOMPARE(column(*query, u"SIFRAROBE"_s), QStringList({u"A"_s, u"B"_s}));
        query->first();
        QCOMPARE(query->text(u"UKUPNO"_s), u"4.5"_s);
        QCOMPARE(query->number(u"ukupno"_s), 4.5);
        QCOMPARE(errorOf([&] { query->edit(); }), u"Cannot modify a read-only dataset"_s);
        QCOMPARE(errorOf([&] { query->text(u"X"_s); }), u"Field 'X' not found"_s);
    }

    void liveQueryPostsEditsBackIntoTheTable()
    {
        post({{1, 0, 10, u"A"_s, u"10"_s}, {2, 0, 5, u"A"_s, u"5"_s}, {3, 3, 0, u"A"_s, u"3"_s}});
        auto ledger = std::make_unique<Table>(*m_engine, u"podaci/prometx.db"_s);
        ledger->open();
        auto card = std::make_unique<Query>(
            *m_engine, u"select ULAZ,OTPREMNICA,KOLICINA,SALDO from podaci\\prometx where "
                       "((SIFRAROBE='A') AND ((ULAZ<>0) OR (OTPREMNICA<>0)))"_s);
        card->open();
        // The item card's walk: from the oldest row up, inside one transaction.
        {
            Transaction tx(*m_engine);
            double balance = 0;
            for (card->last(); !card->bof(); card->prior()) {
                if (card->text(u"OTPREMNICA"_s) == u"0"_s)
                    balance += card->number(u"KOLICINA"_s);
                if (card->text(u"ULAZ"_s) == u"0"_s)
                    balance -= card->number(u"KOLICINA"_s);
                card->edit();
                card->setNumber(u"SALDO"_s, balance);
                card->post();
            }
            tx.commit();
        }
        QCOMPARE(column(*card, u"SALDO"_s), QStringList({u"12"_s, u"15"_s, u"10"_s}));
        QCOMPARE(column(*ledger, u"SALDO"_s), QStringList({u"12"_s, u"15"_s, u"10"_s}));

        // A value typed into the result is written when the row is left.
        card->first();
        card->edit();
        card->setText(u"SALDO"_s, u"99"_s);
        card->next();
        QCOMPARE(ledger->textAt(0, ledger->fieldIndex(u"SALDO"_s)), u"99"_s);
        QCOMPARE(errorOf([&] { card->setText(u"KOLICINA"_s, u"x"_s); }),
                 u"Dataset not in edit or insert mode"_s);

        // A change made through the table shows in the open result.
        ledger->first();
        ledger->edit();
        ledger->setText(u"SALDO"_s, u"1"_s);
        ledger->post();
        card->first();
        QCOMPARE(card->text(u"SALDO"_s), u"1"_s);
    }

    void likeSearchFindsNamesWhateverTheirCase()
    {
        auto items = std::make_unique<Table>(*m_engine, u"podaci/magacin.db"_s);
        items->open();
        for (const auto& [code, name] :
             {std::pair{u"1"_s, u"ČEKIĆ VELIKI"_s}, std::pair{u"2"_s, u"čekić mali"_s},
              std::pair{u"3"_s, u"Bušilica"_s}}) {
            items->insert();
            items->setText(u"SIFRA"_s, code);
            items->setText(u"NAZIV"_s, name);
            items->post();
        }
        auto query = std::make_unique<Query>(
            *m_engine, u"Select * from podaci\\magacin where (NAZIV LIKE '%čekić%')"_s);
        query->open();
        QCOMPARE(column(*query, u"SIFRA"_s), QStringList({u"1"_s, u"2"_s}));
        query->setSql(u"Select * from podaci\\magacin where (NAZIV LIKE '%A%')"_s);
        QVERIFY(!query->isOpen());
        query->open();
        QCOMPARE(column(*query, u"SIFRA"_s), QStringList({u"2"_s, u"3"_s}));
        query->setSql(u"Select * from podaci\\nema where (NAZIV LIKE '%A%')"_s);
        QCOMPARE(errorOf([&] { query->open(); }), u"Table does not exist: podaci\\nema"_s);
    }

    void positionalAccessFollowsInsertsAndDeletes()
    {
        auto ledger = std::make_unique<Table>(*m_engine, u"podaci/prometx.db"_s);
        ledger->open();
        constexpr int kRows = 3000;
        {
            Transaction tx(*m_engine);
            for (int i = 0; i < kRows; ++i) {
                ledger->first();
                ledger->insert();
                ledger->setText(u"BROJDOKUMENTA"_s, QString::number(i));
                ledger->post();
            }
            tx.commit();
        }
        const int document = ledger->fieldIndex(u"BROJDOKUMENTA"_s);
        auto grid = std::make_unique<Table>(*m_engine, u"podaci/prometx.db"_s);
        grid->open();
        QCOMPARE(grid->rowCount(), kRows);
        // Row i holds document kRows-1-i; read far apart and out of order.
        for (qint64 row : {qint64(kRows - 1), qint64(0), qint64(1500), qint64(1499),
                           qint64(2999 - 128), qint64(7), qint64(2000)})
            QCOMPARE(grid->textAt(row, document), QString::number(kRows - 1 - row));
        grid->moveTo(kRows - 1);
        QCOMPARE(grid->position(), kRows - 1);
        QCOMPARE(grid->text(u"BROJDOKUMENTA"_s), u"0"_s);
        grid->moveTo(1234);
        QCOMPARE(grid->text(u"BROJDOKUMENTA"_s), QString::number(kRows - 1 - 1234));
        grid->prior();
        QCOMPARE(grid->position(), 1233);
        QCOMPARE(grid->text(u"BROJDOKUMENTA"_s), QString::number(kRows - 1 - 1233));

        // A pending insert sits at the cursor and pushes the rows after it down.
        grid->insert();
        QCOMPARE(grid->rowCount(), kRows + 1);
        QCOMPARE(grid->position(), 1233);
        QCOMPARE(grid->textAt(1233, document), QString());
        QCOMPARE(grid->textAt(1234, document), QString::number(kRows - 1 - 1233));
        grid->setText(u"BROJDOKUMENTA"_s, u"-1"_s);
        grid->post();
        QCOMPARE(grid->rowCount(), kRows + 1);
        QCOMPARE(grid->textAt(1233, document), u"-1"_s);
        QCOMPARE(ledger->rowCount(), kRows + 1);
        QCOMPARE(ledger->textAt(1233, document), u"-1"_s);

        grid->moveTo(10);
        grid->remove();
        grid->remove();
        QCOMPARE(grid->rowCount(), kRows - 1);
        QCOMPARE(grid->position(), 10);
        QCOMPARE(grid->text(u"BROJDOKUMENTA"_s), QString::number(kRows - 1 - 12));
        QCOMPARE(grid->textAt(kRows - 2, document), u"0"_s);
        grid->last();
        QCOMPARE(grid->position(), kRows - 2);
        grid->remove();
        QVERIFY(grid->eof());
        QCOMPARE(grid->position(), kRows - 3);
        QCOMPARE(ledger->rowCount(), kRows - 2);
    }

private:
    void post(const QList<Movement>& movements)
    {
        auto ledger = std::make_unique<Table>(*m_engine, u"podaci/prometx.DB"_s);
        ledger->open();
        for (const Movement& m : movements) {
            ledger->first();
            ledger->insert();
            ledger->setText(u"BROJDOKUMENTA"_s, QString::number(m.document));
            ledger->setText(u"OTPREMNICA"_s, QString::number(m.issue));
            ledger->setText(u"ULAZ"_s, QString::number(m.receipt));
            ledger->setText(u"SIFRAROBE"_s, m.item);
            ledger->setText(u"KOLICINA"_s, m.quantity);
            ledger->setText(u"SIFRAMASINE"_s, m.machine);
            ledger->setText(u"SIFRAMASINE2"_s, QString());
            ledger->post();
        }
    }

    std::unique_ptr<ScopedRegional> m_regional;
    std::unique_ptr<test::TestFolder> m_folder;
    std::unique_ptr<Engine> m_engine;
};

QTEST_GUILESS_MAIN(TestEngineQuery)
#include "tst_enginequery.moc"
