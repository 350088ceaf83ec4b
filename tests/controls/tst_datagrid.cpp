#include "data/EngineError.h"
#include "data/controls/DataGrid.h"
#include "platform/Regional.h"
#include "tests/support/Fixture.h"
#include "tests/support/MemoryDataset.h"
#include "tests/support/ScriptedMessages.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace kestar;
using kestar::test::MemoryDataset;
using kestar::test::ScriptedMessages;

namespace {

QList<FieldDef> articleFields()
{
    return {{QStringLiteral("SIFRA"), FieldType::Integer},
            {QStringLiteral("NAZIV"), FieldType::Text},
            {QStringLiteral("CENA"), FieldType::Number}};
}

// A read-only cursor over a million generated rows that counts how many cells were read.
class LargeDataset : public Dataset
{
public:
    static constexpr qint64 kRows = 1'000'000;
    mutable qint64 cellsRead = 0;

    void open() override { setOpen(true); }
    void close() override { setOpen(false); }
    bool isOpen() const override { return m_open; }
    DatasetState state() const override
    {
        return m_open ? DatasetState::Browse : DatasetState::Closed;
    }
    bool isReadOnly() const override { return true; }
    void setReadOnly(bool) override {}
    void first() override { moveTo(0); }
    void next() override { moveTo(m_position + 1); }
    void prior() override { moveTo(m_position - 1); }
    void last() override { moveTo(kRows - 1); }
    bool eof() const override { return false; }
    bool bof() const override { return false; }
    bool isEmpty() const override { return false; }
    QList<FieldDef> fields() const override { return articleFields(); }
    int fieldIndex(const QString& name) const override
    {
        const QList<FieldDef> list = fields();
        for (int i = 0; i < list.size(); ++i) {
            if (list.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
    QString text(const QString& field) const override
    {
        return textAt(m_position, fieldIndex(field));
    }
    void setText(const QString&, const QString&) override { refuse(); }
    double number(const QString&) const override { return 0; }
    void setNumber(const QString&, double) override { refuse(); }
    void insert() override { refuse(); }
    void edit() override { refuse(); }
    void post() override {}
    void cancel() override {}
    void remove() override { refuse(); }
    bool isModified() const override { return false; }
    void refresh() override { emit rowsReset(); }
    qint64 rowCount() const override { return m_open ? kRows : 0; }
    qint64 position() const override { return m_open ? m_position : -1; }
    void moveTo(qint64 row) override
    {
        const qint64 target = qBound<qint64>(0, row, kRows - 1);
        if (target != m_position) {
            m_position = target;
            emit currentChanged();
        }
    }
    QString textAt(qint64 row, int column) const override
    {
        ++cellsRead;
        return QStringLiteral("%1/%2").arg(row).arg(column);
    }

private:
    void setOpen(bool open)
    {
        if (open == m_open)
            return;
        m_open = open;
        m_position = 0;
        emit stateChanged();
        emit rowsReset();
    }
    [[noreturn]] static void refuse() { throw EngineError(QStringLiteral("Read-only")); }
    bool m_open = false;
    qint64 m_position = 0;
};

} // namespace

class TestDataGrid : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        m_regional = std::make_unique<ScopedRegional>(Regional::standard());
        m_dataset = std::make_unique<MemoryDataset>(articleFields());
        for (int i = 0; i < 30; ++i) {
            m_dataset->addRow({QString::number(i + 1), QStringLiteral("Artikal %1").arg(i + 1),
                               QStringLiteral("%1.5").arg(i)});
        }
        m_dataset->open();
        m_messages = std::make_unique<ScriptedMessages>();
        m_grid = std::make_unique<DataGrid>(*m_messages);
        m_grid->setDataset(m_dataset.get());
        m_tester = std::make_unique<QAbstractItemModelTester>(
            m_grid->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_grid->resize(500, 400);
        m_grid->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_grid.get()));
        m_grid->activateWindow();
        m_grid->setFocus();
    }

    void cleanup()
    {
        m_tester.reset();
        m_grid.reset();
        m_dataset.reset();
        m_messages.reset();
        m_regional.reset();
    }

    void gridAndDatasetFollowEachOther()
    {
        QCOMPARE(m_grid->currentIndex().row(), 0);
        clickCell(3, 1);
        QCOMPARE(m_dataset->position(), 3);
        QCOMPARE(m_grid->selectedField(), QStringLiteral("NAZIV"));

        m_dataset->moveTo(7);
        QCOMPARE(m_grid->currentIndex().row(), 7);
        QCOMPARE(m_grid->currentIndex().column(), 1);
        m_dataset->last();
        QCOMPARE(m_grid->currentIndex().row(), 29);

        QTest::keyClick(m_grid.get(), Qt::Key_Up);
        QCOMPARE(m_dataset->position(), 28);
        QCOMPARE(m_dataset->state(), DatasetState::Browse);
        QCOMPARE(m_dataset->postCount(), 0);
    }

    void typedChangeIsPostedOnLeavingTheRow()
    {
        clickCell(2, 1);
        typeIntoCell(QStringLiteral("Zamena"));
        QTest::keyClick(editor(), Qt::Key_Down);
        QCOMPARE(m_dataset->position(), 3);
        QCOMPARE(m_dataset->state(), DatasetState::Browse);
        QCOMPARE(m_dataset->storedText(2, "NAZIV"), QStringLiteral("Zamena"));
        QCOMPARE(m_dataset->postCount(), 1);

        // Two cells of one row: Tab stays in the row, so the row is posted once, on leaving.
        clickCell(5, 1);
        typeIntoCell(QStringLiteral("Peti"));
        QTest::keyClick(editor(), Qt::Key_Tab);
        QCOMPARE(m_dataset->state(), DatasetState::Edit);
        QCOMPARE(m_grid->selectedField(), QStringLiteral("CENA"));
        typeIntoCell(QStringLiteral("7.75"));
        QTest::keyClick(editor(), Qt::Key_Up);
        QCOMPARE(m_dataset->position(), 4);
        QCOMPARE(m_dataset->storedRow(5), QStringList({"6", "Peti", "7.75"}));
        QCOMPARE(m_dataset->postCount(), 2);
        QCOMPARE(m_messages->shown().size(), 0);
    }

    void untouchedInsertedRowIsDroppedOnLeavingIt()
    {
        m_dataset->moveTo(4);
        m_dataset->insert();
        QCOMPARE(m_grid->model()->rowCount(), 31);
        QCOMPARE(m_grid->currentIndex().row(), 4);
        QCOMPARE(m_grid->model()->index(4, 1).data().toString(), QString());

        QTest::keyClick(m_grid.get(), Qt::Key_Down);
        QCOMPARE(m_dataset->state(), DatasetState::Browse);
        QCOMPARE(m_grid->model()->rowCount(), 30);
        QCOMPARE(m_dataset->postCount(), 0);
        // The row below the dropped one is where the cursor went.
        QCOMPARE(m_dataset->text("NAZIV"), QStringLiteral("Artikal 5"));
        QCOMPARE(m_grid->currentIndex().row(), m_dataset->position());

        // A typed one is kept.
        m_dataset->insert();
        QVERIFY(m_grid->setSelectedField("NAZIV"));
        typeIntoCell(QStringLiteral("Novi"));
        QTest::keyClick(editor(), Qt::Key_Down);
        QCOMPARE(m_dataset->storedRowCount(), 31);
        QCOMPARE(m_dataset->storedText(4, "NAZIV"), QStringLiteral("Novi"));
        QCOMPARE(m_grid->currentIndex().row(), m_dataset->position());
    }

    void enterReportsTheSelectedField()
    {
        QSignalSpy entered(m_grid.get(), &DataGrid::enterPressed);
        QVERIFY(m_grid->setSelectedField("cena"));
        QTest::keyClick(m_grid.get(), Qt::Key_Return);
        QCOMPARE(entered.count(), 1);
        QCOMPARE(entered.at(0).at(0).toString(), QStringLiteral("CENA"));
        QTest::keyClick(m_grid.get(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(entered.count(), 2);

        // Enter in an open editor finishes the cell, and says so apart.
        QSignalSpy editorEntered(m_grid.get(), &DataGrid::editorEntered);
        typeIntoCell(QStringLiteral("3"));
        QTest::keyClick(editor(), Qt::Key_Return);
        // The cell editor commits on Enter through a queued call.
        QTRY_VERIFY(!m_grid->isEditing());
        QCOMPARE(entered.count(), 2);
        QCOMPARE(m_dataset->text("CENA"), QStringLiteral("3"));
        QCOMPARE(editorEntered.count(), 1);
        QCOMPARE(editorEntered.at(0).at(0).toString(), QStringLiteral("CENA"));
        // Not when the row refused the text, nor when Escape or Tab closed the editor.
        typeIntoCell(QStringLiteral("x"));
        QTest::keyClick(editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
        QTest::keyClick(m_grid.get(), Qt::Key_Escape);
        typeIntoCell(QStringLiteral("4"));
        QTest::keyClick(editor(), Qt::Key_Escape);
        QCoreApplication::processEvents();
        QCOMPARE(editorEntered.count(), 1);

        m_dataset->close();
        QCOMPARE(m_grid->selectedField(), QString());
        QTest::keyClick(m_grid.get(), Qt::Key_Return);
        QCOMPARE(entered.count(), 3);
        QCOMPARE(entered.at(2).at(0).toString(), QString());
    }

    void readOnlyGridRefusesEditsAndReportsKeys()
    {
        m_grid->setReadOnly(true);
        m_grid->setColumns({"NAZIV", "SIFRA"});
        QSignalSpy typed(m_grid.get(), &DataGrid::keyTyped);
        QSignalSpy entered(m_grid.get(), &DataGrid::enterPressed);
        clickCell(2, 0);
        QTest::keyClicks(m_grid.get(), QStringLiteral("m"));
        QTest::mouseDClick(m_grid->viewport(), Qt::LeftButton, {},
                           m_grid->visualRect(m_grid->model()->index(2, 0)).center());
        QTest::keyClick(m_grid.get(), Qt::Key_F2);
        QVERIFY(!m_grid->isEditing());
        QCOMPARE(m_dataset->state(), DatasetState::Browse);
        QCOMPARE(typed.count(), 1);
        QCOMPARE(typed.at(0).at(0).toString(), QStringLiteral("NAZIV"));
        QCOMPARE(typed.at(0).at(1).toString(), QStringLiteral("m"));
        QTest::keyClick(m_grid.get(), Qt::Key_Return);
        QCOMPARE(entered.at(0).at(0).toString(), QStringLiteral("NAZIV"));
        // Arrow keys still move.
        QTest::keyClick(m_grid.get(), Qt::Key_Down);
        QCOMPARE(m_dataset->position(), 3);
        QCOMPARE(typed.count(), 1);

        // A read-only dataset makes the grid read-only as well.
        m_grid->setReadOnly(false);
        m_dataset->setReadOnly(true);
        QVERIFY(m_grid->isReadOnly());
        QTest::keyClicks(m_grid.get(), QStringLiteral("x"));
        QVERIFY(!m_grid->isEditing());
        QCOMPARE(typed.count(), 2);
    }

    void refusedTextKeepsTheGridOnItsRow()
    {
        clickCell(1, 2);
        typeIntoCell(QStringLiteral("abc"));
        QTest::keyClick(editor(), Qt::Key_Down);
        QCOMPARE(m_messages->errors(),
                 QStringList({"'abc' is not a valid floating point value for field 'CENA'"}));
        QCOMPARE(m_grid->currentIndex().row(), 1);
        QCOMPARE(m_dataset->position(), 1);
        QTest::keyClick(m_grid.get(), Qt::Key_Down);
        QCOMPARE(m_dataset->position(), 1);

        // A good value lets the row go.
        typeIntoCell(QStringLiteral("2.5"));
        QTest::keyClick(editor(), Qt::Key_Down);
        QCOMPARE(m_dataset->position(), 2);
        QCOMPARE(m_dataset->storedText(1, "CENA"), QStringLiteral("2.5"));

        // Escape gives the whole row up.
        clickCell(6, 1);
        typeIntoCell(QStringLiteral("Privremeno"));
        QTest::keyClick(editor(), Qt::Key_Tab);
        typeIntoCell(QStringLiteral("x"));
        QTest::keyClick(editor(), Qt::Key_Down);
        QCOMPARE(m_dataset->position(), 6);
        QTest::keyClick(m_grid.get(), Qt::Key_Escape);
        QCOMPARE(m_dataset->state(), DatasetState::Browse);
        QTest::keyClick(m_grid.get(), Qt::Key_Down);
        QCOMPARE(m_dataset->position(), 7);
        QCOMPARE(m_dataset->storedText(6, "NAZIV"), QStringLiteral("Artikal 7"));
    }

    void refusedPostKeepsBothOnTheRow()
    {
        clickCell(3, 1);
        typeIntoCell(QStringLiteral("Novo"));
        m_dataset->failPostsWith(QStringLiteral("Key violation"));
        QTest::keyClick(editor(), Qt::Key_Down);
        QCOMPARE(m_messages->errors(), QStringList({"Key violation"}));
        QCOMPARE(m_dataset->position(), 3);
        QCOMPARE(m_grid->currentIndex().row(), 3);
        QCOMPARE(m_dataset->state(), DatasetState::Edit);
    }

    void moveMadeElsewhereDropsAnOpenEditor()
    {
        clickCell(2, 1);
        typeIntoCell(QStringLiteral("Napola"));
        m_dataset->moveTo(10);
        QCOMPARE(m_grid->currentIndex().row(), 10);
        QCOMPARE(m_dataset->position(), 10);
        QCOMPARE(m_dataset->state(), DatasetState::Browse);
        QCOMPARE(m_dataset->storedText(2, "NAZIV"), QStringLiteral("Artikal 3"));
        QVERIFY(!m_grid->isEditing());

        // commitEdit() is the way to keep it.
        clickCell(4, 1);
        typeIntoCell(QStringLiteral("Zadrzan"));
        QVERIFY(m_grid->commitEdit());
        m_dataset->post();
        QCOMPARE(m_dataset->storedText(4, "NAZIV"), QStringLiteral("Zadrzan"));
    }

    void gridHintAndRowsAreSetUpForLargeTables()
    {
        m_grid->setToolTip(
            QStringLiteral("Kada se pozicionirate na kolonu GRUPA pritisnite ENTER"));
        QCOMPARE(m_grid->viewport()->toolTip(), m_grid->toolTip());
        QCOMPARE(m_grid->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
        QVERIFY(m_grid->columnWidth(1) > m_grid->fontMetrics().horizontalAdvance("NAZIV"));

        // A width the user chose survives reopening.
        m_grid->setColumnWidth(1, 250);
        m_dataset->close();
        m_dataset->open();
        QCOMPARE(m_grid->columnWidth(1), 250);

        LargeDataset large;
        large.open();
        m_grid->setDataset(&large);
        QCOMPARE(m_grid->model()->rowCount(), int(LargeDataset::kRows));
        QVERIFY(large.cellsRead < 2000);
        large.last();
        QCOMPARE(m_grid->currentIndex().row(), int(LargeDataset::kRows) - 1);
        QTest::qWait(20);
        QVERIFY(large.cellsRead < 4000);
        m_grid->setDataset(nullptr);
        QCOMPARE(m_grid->model()->rowCount(), 0);
    }

private:
    void clickCell(int row, int column)
    {
        const QRect rect = m_grid->visualRect(m_grid->model()->index(row, column));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QLineEdit* editor() const { return test::openCellEditor(m_grid.get()); }

    // The first key opens the cell editor through the grid, the rest go to the editor. An
    // editor opened already (Tab opens the next cell's) has its text replaced.
    void typeIntoCell(const QString& text)
    {
        QLineEdit* line = editor();
        if (line) {
            line->selectAll();
            QTest::keyClicks(line, text);
        } else {
            QTest::keyClick(m_grid.get(), text.at(0).toLatin1());
            line = editor();
            QVERIFY(line);
            QTest::keyClicks(line, text.mid(1));
        }
        QCOMPARE(line->text(), text);
    }

    std::unique_ptr<ScopedRegional> m_regional;
    std::unique_ptr<MemoryDataset> m_dataset;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<DataGrid> m_grid;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

QTEST_MAIN(TestDataGrid)
#include "tst_datagrid.moc"
