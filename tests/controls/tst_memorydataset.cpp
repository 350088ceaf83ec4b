#include "data/EngineError.h"
#include "platform/Regional.h"
#include "tests/support/MemoryDataset.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace kestar;
using kestar::test::MemoryDataset;

namespace {

QString engineError(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EngineError& error) {
        return error.text();
    }
    return QString();
}

} // namespace

// The stand-in cursor other tests rely on keeps the rules of the real tables.
class TestMemoryDataset : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // A model that works says nothing: any warning (the model tester's among them) fails.
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        m_regional = std::make_unique<ScopedRegional>(Regional::standard());
    }
    void cleanup() { m_regional.reset(); }

    void walkSetsEndsAndMovesFinishPendingRows()
    {
        MemoryDataset data({{"NAZIV", FieldType::Text}});
        data.addRow({"a"});
        data.addRow({"b"});
        data.addRow({"c"});
        QCOMPARE(engineError([&] { data.first(); }),
                 QStringLiteral("Cannot perform this operation on a closed dataset"));
        QCOMPARE(data.rowCount(), 0);
        data.open();
        QStringList walked;
        for (data.first(); !data.eof(); data.next())
            walked << data.text("naziv");
        QCOMPARE(walked, QStringList({"a", "b", "c"}));
        QCOMPARE(data.position(), 2);
        data.first();
        QVERIFY(data.bof());
        data.prior();
        QVERIFY(data.bof());
        QCOMPARE(data.position(), 0);

        // Insert goes before the current row; an untouched one is dropped by a move.
        data.moveTo(1);
        data.insert();
        QCOMPARE(data.rowCount(), 4);
        QCOMPARE(data.position(), 1);
        data.insert(); // twice without typing: still one new row
        QCOMPARE(data.rowCount(), 4);
        data.next();
        QCOMPARE(data.rowCount(), 3);
        QCOMPARE(data.text("NAZIV"), QStringLiteral("b"));
        QCOMPARE(data.postCount(), 0);

        // A changed one is posted.
        data.insert();
        data.setText("NAZIV", "novo");
        data.moveTo(0);
        QCOMPARE(data.storedRowCount(), 4);
        QCOMPARE(data.storedText(1, "NAZIV"), QStringLiteral("novo"));
        data.edit();
        data.setText("NAZIV", "izmena");
        data.cancel();
        QCOMPARE(data.text("NAZIV"), QStringLiteral("a"));

        // Deleting from the first row until eof empties the table.
        for (data.first(); !data.eof();)
            data.remove();
        QVERIFY(data.isEmpty());
        QCOMPARE(data.position(), -1);
        QCOMPARE(data.text("NAZIV"), QString());
    }

    void textsConvertWithTheEngineErrors()
    {
        MemoryDataset data({{"OTPREMNICA", FieldType::Integer},
                            {"KOLICINA", FieldType::Number},
                            {"DATUM", FieldType::Date}});
        data.open();
        data.insert();
        QCOMPARE(engineError([&] { data.setText("OTPREMNICA", "17a"); }),
                 QStringLiteral("'17a' is not a valid integer value for field 'OTPREMNICA'"));
        QCOMPARE(engineError([&] { data.setText("KOLICINA", "abc"); }),
                 QStringLiteral("'abc' is not a valid floating point value for field 'KOLICINA'"));
        QCOMPARE(engineError([&] { data.text("NEMA"); }), QStringLiteral("Field 'NEMA' not found"));
        QVERIFY(!data.isModified());
        data.setText("OTPREMNICA", "12");
        data.setNumber("KOLICINA", 0.1 + 0.2);
        data.setText("DATUM", "05/03/2024");
        data.post();
        QCOMPARE(data.storedRow(0), QStringList({"12", "0.30000000000000004", "05/03/2024"}));
        QCOMPARE(data.number("OTPREMNICA"), 12.0);
        data.edit();
        data.setText("KOLICINA", "");
        data.post();
        QCOMPARE(data.text("KOLICINA"), QString());
        QCOMPARE(data.number("KOLICINA"), 0.0);
    }

    void keyedRowsKeepKeyOrderAndRefuseRepeats()
    {
        MemoryDataset data({{"SIFRA", FieldType::Integer}, {"NAZIV", FieldType::Text}});
        data.setKeyField("SIFRA");
        data.addRow({"30", "c"});
        data.addRow({"10", "a"});
        data.open();
        data.insert();
        data.setText("SIFRA", "20");
        data.post();
        QCOMPARE(data.position(), 1);
        QCOMPARE(data.storedRow(0), QStringList({"10", "a"}));
        QCOMPARE(data.storedRow(1), QStringList({"20", ""}));
        data.insert();
        data.setText("SIFRA", "10");
        QCOMPARE(engineError([&] { data.post(); }), QStringLiteral("Key violation"));
        QCOMPARE(data.state(), DatasetState::Insert);
        data.cancel();
        QCOMPARE(data.storedRowCount(), 3);
    }

    void readOnlyAndSignals()
    {
        MemoryDataset data({{"NAZIV", FieldType::Text}});
        data.addRow({"a"});
        QSignalSpy state(&data, &Dataset::stateChanged);
        QSignalSpy resets(&data, &Dataset::rowsReset);
        QSignalSpy rows(&data, &Dataset::rowChanged);
        data.open();
        QCOMPARE(state.count(), 1);
        QCOMPARE(resets.count(), 1);
        data.edit();
        data.setText("NAZIV", "b");
        data.post();
        QCOMPARE(state.count(), 3);
        QVERIFY(!rows.isEmpty());
        QCOMPARE(rows.last().at(0).toLongLong(), 0);
        data.setReadOnly(true);
        QCOMPARE(state.count(), 4);
        QCOMPARE(engineError([&] { data.edit(); }),
                 QStringLiteral("Cannot modify a read-only dataset"));
        QCOMPARE(engineError([&] { data.insert(); }),
                 QStringLiteral("Cannot modify a read-only dataset"));
        data.close();
        QCOMPARE(state.count(), 5);
        QVERIFY(!data.isOpen());
    }

private:
    std::unique_ptr<ScopedRegional> m_regional;
};

QTEST_GUILESS_MAIN(TestMemoryDataset)
#include "tst_memorydataset.moc"
