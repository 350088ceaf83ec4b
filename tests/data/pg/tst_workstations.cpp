// Two workstations on one database: each is an engine of its own, with a connection of its own
// to the server, as two copies of the program on two computers have.
#include "data/Engine.h"
#include "data/Query.h"
#include "data/RowUpdates.h"
#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/PostgresOnlyTest.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TestFolder.h"
#include "tests/tools/pg/ScratchDatabase.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

using namespace kestar;
using namespace Qt::StringLiterals;
using kestar::test::ScriptedMessages;

namespace {

const QString kMachines = u"podaci/masina.db"_s;

// A page with a navigator and a grid over one dataset of this workstation.
class GridPage
{
public:
    explicit GridPage(Dataset& dataset)
        : m_navigator(new RecordNavigator(messages, &m_page)),
          m_grid(new DataGrid(messages, &m_page))
    {
        auto* layout = new QVBoxLayout(&m_page);
        layout->addWidget(m_navigator);
        layout->addWidget(m_grid);
        m_navigator->setDataset(&dataset);
        m_grid->setDataset(&dataset);
        m_page.resize(600, 400);
        m_page.show();
        if (QTest::qWaitForWindowExposed(&m_page))
            m_page.activateWindow();
    }

    DataGrid& grid() { return *m_grid; }
    int rows() const { return m_grid->model()->rowCount(); }
    QString cell(int row, const QString& field) const
    {
        return m_grid->model()
            ->index(row, m_grid->datasetModel()->columnOf(field))
            .data()
            .toString();
    }
    void click(int row, const QString& field)
    {
        const int column = m_grid->datasetModel()->columnOf(field);
        const QRect rect = m_grid->visualRect(m_grid->model()->index(row, column));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QLineEdit* editor() const { return test::openCellEditor(m_grid); }
    // Types into the cell at the grid's cursor; the editor stays open.
    void type(const QString& text)
    {
        QTest::keyClick(m_grid, Qt::Key_F2);
        QLineEdit* line = editor();
        QVERIFY(line);
        line->selectAll();
        QTest::keyClicks(line, text);
    }
    void key(Qt::Key key)
    {
        QWidget* target = editor();
        QTest::keyClick(target ? target : m_grid, key);
    }
    void pressDelete()
    {
        QTest::mouseClick(m_navigator->findChild<QToolButton*>(u"navDelete"_s), Qt::LeftButton);
    }

    ScriptedMessages messages;

private:
    QWidget m_page;
    RecordNavigator* m_navigator;
    DataGrid* m_grid;
};

// What the database holds, read on a connection of its own as psql would.
QStringList machinesInDatabase(const test::TestFolder& folder)
{
    return test::selectRows(u"dbname="_s + folder.database(),
                            u"SELECT \"SIFRAMASINE\", \"NAZIVMASINE\" FROM masina ORDER BY "
                            "\"SIFRAMASINE\""_s);
}

void addMachines(Engine& engine)
{
    test::addRows(engine, kMachines,
                  {{{u"SIFRAMASINE"_s, u"M1"_s}, {u"NAZIVMASINE"_s, u"Presa"_s}},
                   {{u"SIFRAMASINE"_s, u"M2"_s}, {u"NAZIVMASINE"_s, u"Strug"_s}},
                   {{u"SIFRAMASINE"_s, u"M3"_s}, {u"NAZIVMASINE"_s, u"Busilica"_s}}});
}

// The other workstation changes one field of the row at position row and commits.
void changeElsewhere(Engine& other, int row, const QString& field, const QString& text)
{
    Table machines(other, kMachines);
    machines.open();
    machines.moveTo(row);
    machines.edit();
    machines.setText(field, text);
    machines.post();
}

// The machines of one database, shown in a grid here; other is the second workstation.
struct MachinesHereAndThere
{
    explicit MachinesHereAndThere(bool listening)
    {
        test::createAllTables();
        addMachines(here);
        if (listening)
            here.listenToOtherWorkstations();
        machines.open();
        page = std::make_unique<GridPage>(machines);
    }
    QStringList inDatabase() const { return machinesInDatabase(folder); }

    test::TestFolder folder;
    Engine here;
    Engine other;
    Table machines{here, kMachines};
    std::unique_ptr<GridPage> page;
};

} // namespace

class TestWorkstations : public test::PostgresOnlyTest
{
    Q_OBJECT

private slots:
    void gridEditOfARowChangedOrDeletedElsewhereIsRefusedAndShowsTheRowAsItIs()
    {
        MachinesHereAndThere workstations(false);
        GridPage& page = *workstations.page;
        Engine& other = workstations.other;

        // Being typed over here, changed there.
        page.click(1, u"NAZIVMASINE"_s);
        page.type(u"Strug stari"_s);
        changeElsewhere(other, 1, u"NAZIVMASINE"_s, u"Strug CNC"_s);
        page.key(Qt::Key_Return);
        page.key(Qt::Key_Down);
        QCOMPARE(page.messages.errors(),
                 QStringList{RowUpdates::refusal(RowUpdates::Since::Changed, false)});
        QCOMPARE(workstations.machines.state(), DatasetState::Browse);
        QCOMPARE(page.grid().currentIndex().row(), 1);
        QCOMPARE(page.cell(1, u"NAZIVMASINE"_s), u"Strug CNC"_s);
        QCOMPARE(workstations.inDatabase(),
                 QStringList({u"M1|Presa"_s, u"M2|Strug CNC"_s, u"M3|Busilica"_s}));

        // Typed again over the row as it is now, the edit goes through; so does one of a row
        // nobody else touched, and one of a field nobody else changed, beside the other's.
        page.messages.clear();
        page.type(u"Strug novi"_s);
        page.key(Qt::Key_Return);
        page.key(Qt::Key_Down);
        page.type(u"Busilica 2"_s);
        changeElsewhere(other, 2, u"SIFRA2"_s, u"B-7"_s);
        page.key(Qt::Key_Return);
        page.key(Qt::Key_Up);
        QCOMPARE(page.messages.shown().size(), 0);
        QCOMPARE(workstations.inDatabase(),
                 QStringList({u"M1|Presa"_s, u"M2|Strug novi"_s, u"M3|Busilica 2"_s}));
        QCOMPARE(test::selectRows(u"dbname="_s + workstations.folder.database(),
                                  u"SELECT \"SIFRA2\" FROM masina WHERE \"SIFRAMASINE\" = 'M3'"_s),
                 QStringList{u"B-7"_s});

        // A row deleted there is not written here, and the grid no longer shows it.
        page.click(0, u"NAZIVMASINE"_s);
        page.type(u"Presa 2"_s);
        {
            Table there(other, kMachines);
            there.open();
            there.remove();
        }
        page.key(Qt::Key_Return);
        page.key(Qt::Key_Down);
        QCOMPARE(page.messages.errors(),
                 QStringList{RowUpdates::refusal(RowUpdates::Since::Gone, false)});
        QTRY_COMPARE(page.rows(), 2);
        QCOMPARE(page.cell(0, u"SIFRAMASINE"_s), u"M2"_s);
        QCOMPARE(workstations.inDatabase(), QStringList({u"M2|Strug novi"_s, u"M3|Busilica 2"_s}));
    }

    void deleteOfARowChangedElsewhereIsRefused()
    {
        MachinesHereAndThere workstations(false);
        GridPage& page = *workstations.page;
        Engine& other = workstations.other;

        page.click(2, u"SIFRAMASINE"_s);
        changeElsewhere(other, 2, u"NAZIVMASINE"_s, u"Busilica velika"_s);
        page.messages.answer(true);
        page.pressDelete();
        QCOMPARE(page.messages.errors(),
                 QStringList{RowUpdates::refusal(RowUpdates::Since::Changed, true)});
        QCOMPARE(page.rows(), 3);
        QCOMPARE(page.cell(2, u"NAZIVMASINE"_s), u"Busilica velika"_s);
        QCOMPARE(workstations.inDatabase().size(), 3);

        // Seen as it is now, it can go.
        page.messages.clear();
        page.messages.answer(true);
        page.pressDelete();
        QCOMPARE(page.messages.errors(), QStringList());
        QCOMPARE(workstations.inDatabase(), QStringList({u"M1|Presa"_s, u"M2|Strug"_s}));
    }

    void editOfAQueryResultChangedElsewhereIsRefused()
    {
        // The item card's grid edits the ledger through its query.
        test::TestFolder folder;
        test::createAllTables();
        Engine here;
        Engine other;
        test::addRows(here, u"podaci/prometx.db"_s,
                      {{{u"SIFRAROBE"_s, u"A"_s},
                        {u"DATUM"_s, u"08/12/2026"_s},
                        {u"KOLICINA"_s, u"1.5"_s},
                        {u"OTPREMNICA"_s, u"7"_s}},
                       {{u"SIFRAROBE"_s, u"A"_s},
                        {u"DATUM"_s, u"09/12/2026"_s},
                        {u"KOLICINA"_s, u"2"_s},
                        {u"ULAZ"_s, u"3"_s}}});
        Query card(here, u"select ULAZ,OTPREMNICA,DATUM,KOLICINA,SALDO,KOMENTAR from "
                         "podaci\\prometx where SIFRAROBE='A'"_s);
        card.open();
        GridPage page(card);

        // A row nobody else touched takes the edit, dates and fractions compared as read.
        page.click(0, u"SALDO"_s);
        page.type(u"10"_s);
        page.key(Qt::Key_Return);
        page.key(Qt::Key_Down);
        QCOMPARE(page.messages.shown().size(), 0);

        // There the card was built anew (and a comment written); here a balance typed over
        // the one read before is refused.
        {
            Table ledger(other, u"podaci/prometx.db"_s);
            ledger.open();
            ledger.last();
            ledger.edit();
            ledger.setText(u"SALDO"_s, u"-2"_s);
            ledger.setText(u"KOMENTAR"_s, u"popravljeno"_s);
            ledger.post();
        }
        page.click(1, u"SALDO"_s);
        page.type(u"99"_s);
        page.key(Qt::Key_Return);
        page.key(Qt::Key_Up);
        QCOMPARE(page.messages.errors(),
                 QStringList{RowUpdates::refusal(RowUpdates::Since::Changed, false)});
        QCOMPARE(page.cell(1, u"KOMENTAR"_s), u"popravljeno"_s);
        QCOMPARE(page.cell(1, u"SALDO"_s), u"-2"_s);
        QCOMPARE(test::selectRows(
                     u"dbname="_s + folder.database(),
                     u"SELECT \"SALDO\", \"KOMENTAR\" FROM prometx ORDER BY \"KOLICINA\""_s),
                 QStringList({u"10|<null>"_s, u"-2|popravljeno"_s}));
    }

    void commitElsewhereShowsInTheGridWithoutAnyAction()
    {
        MachinesHereAndThere workstations(true);
        GridPage& page = *workstations.page;
        Engine& other = workstations.other;
        QCOMPARE(page.rows(), 3);

        test::addRows(other, kMachines,
                      {{{u"SIFRAMASINE"_s, u"M0"_s}, {u"NAZIVMASINE"_s, u"Kompresor"_s}}});
        QTRY_COMPARE(page.rows(), 4);
        QCOMPARE(page.cell(0, u"NAZIVMASINE"_s), u"Kompresor"_s);

        changeElsewhere(other, 3, u"NAZIVMASINE"_s, u"Busilica stubna"_s);
        QTRY_COMPARE(page.cell(3, u"NAZIVMASINE"_s), u"Busilica stubna"_s);
        QCOMPARE(page.messages.shown().size(), 0);
    }

    void rowBeingTypedKeepsItsTypingWhileOthersCommit()
    {
        MachinesHereAndThere workstations(true);
        GridPage& page = *workstations.page;
        Engine& other = workstations.other;
        QSignalSpy heard(&workstations.here, &Engine::tableChanged);

        page.click(2, u"NAZIVMASINE"_s);
        page.type(u"Busilica"_s);
        QTest::keyClicks(page.editor(), u" mala"_s);
        test::addRows(other, kMachines,
                      {{{u"SIFRAMASINE"_s, u"M0"_s}, {u"NAZIVMASINE"_s, u"Kompresor"_s}}});
        QTRY_VERIFY(heard.count() > 0);
        QTest::qWait(100);
        QVERIFY(page.editor());
        QCOMPARE(page.editor()->text(), u"Busilica mala"_s);
        QCOMPARE(page.rows(), 3);

        // Posted, the row is kept and the other's row comes in.
        page.key(Qt::Key_Return);
        page.key(Qt::Key_Up);
        QTRY_COMPARE(page.rows(), 4);
        QCOMPARE(page.messages.shown().size(), 0);
        QCOMPARE(workstations.inDatabase(), QStringList({u"M0|Kompresor"_s, u"M1|Presa"_s,
                                                         u"M2|Strug"_s, u"M3|Busilica mala"_s}));
    }

};

QTEST_MAIN(TestWorkstations)
#include "tst_workstations.moc"
