#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "platform/Regional.h"
#include "tests/support/MemoryDataset.h"
#include "tests/support/ScriptedMessages.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

using namespace kestar;
using kestar::test::MemoryDataset;
using kestar::test::ScriptedMessages;
using Button = RecordNavigator::Button;

namespace {

const QStringList kNames = {"navFirst",  "navPrior", "navNext", "navLast",   "navInsert",
                            "navDelete", "navEdit",  "navPost", "navCancel", "navRefresh"};

} // namespace

class TestRecordNavigator : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional = std::make_unique<ScopedRegional>(Regional::standard());
        m_dataset = std::make_unique<MemoryDataset>(
            QList<FieldDef>{{"KORISNIK", FieldType::Text}, {"SIFRA", FieldType::Text}});
        m_dataset->addRow({"Administrator", "123"});
        m_dataset->addRow({"Pera", "p1"});
        m_dataset->addRow({"Mika", "m2"});
        m_messages = std::make_unique<ScriptedMessages>();
        m_window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(m_window.get());
        m_navigator = new RecordNavigator(*m_messages, m_window.get());
        m_navigator->setDataset(m_dataset.get());
        m_grid = new DataGrid(*m_messages, m_window.get());
        m_grid->setDataset(m_dataset.get());
        layout->addWidget(m_navigator);
        layout->addWidget(m_grid);
        m_window->resize(500, 300);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->activateWindow();
    }

    void cleanup()
    {
        m_window.reset();
        m_dataset.reset();
        m_messages.reset();
        m_regional.reset();
    }

    void buttonsComeInOrderWithHintsAsNames()
    {
        const auto buttons = m_navigator->findChildren<QToolButton*>();
        QCOMPARE(buttons.size(), 10);
        const QStringList hints = {
            "Prvi red",   "Prethodni red", "Sledeci red", "Poslednji red",      "Ubaci red",
            "Obrisi red", "Izmeni red",    "Upamti red",  "Odustani od izmene", "Osvezi podatke"};
        int left = -1;
        for (int i = 0; i < kNames.size(); ++i) {
            auto* button = m_navigator->findChild<QToolButton*>(kNames.at(i));
            QVERIFY2(button, qPrintable(kNames.at(i)));
            QCOMPARE(button, m_navigator->button(Button(i)));
            QCOMPARE(button->toolTip(), hints.at(i));
            QCOMPARE(button->accessibleName(), hints.at(i));
            QVERIFY(!button->text().isEmpty());
            QVERIFY(button->x() > left);
            left = button->x();
        }
    }

    void buttonsFollowTheDatasetState()
    {
        QCOMPARE(enabled(), QString("0000000000")); // closed
        m_dataset->open();
        QCOMPARE(enabled(), QString("0011111001")); // browse on the first row
        click(Button::Next);
        QCOMPARE(enabled(), QString("1111111001"));
        click(Button::Last);
        QCOMPARE(m_dataset->position(), 2);
        QCOMPARE(enabled(), QString("1100111001"));
        click(Button::Edit);
        QCOMPARE(m_dataset->state(), DatasetState::Edit);
        QCOMPARE(enabled(), QString("1100110111"));
        click(Button::Cancel);
        QCOMPARE(m_dataset->state(), DatasetState::Browse);
        click(Button::Insert);
        QCOMPARE(m_dataset->state(), DatasetState::Insert);
        QCOMPARE(enabled(), QString("1111110111"));

        m_dataset->cancel();
        m_dataset->setReadOnly(true);
        QCOMPARE(enabled(), QString("1100000001"));
        m_dataset->close();
        QCOMPARE(enabled(), QString("0000000000"));
        m_dataset->setReadOnly(false);
        m_dataset->open();
        m_dataset->moveTo(0);
        for (int i = 0; i < 3; ++i)
            m_dataset->remove();
        QCOMPARE(enabled(), QString("0000100001")); // empty
    }

    void movesAndEditsGoToTheDataset()
    {
        m_dataset->open();
        click(Button::Next);
        click(Button::Next);
        QCOMPARE(m_dataset->text("KORISNIK"), QStringLiteral("Mika"));
        click(Button::Prior);
        QCOMPARE(m_dataset->position(), 1);
        click(Button::First);
        QCOMPARE(m_dataset->position(), 0);
        QVERIFY(m_dataset->bof());

        click(Button::Edit);
        m_dataset->setText("SIFRA", "999");
        click(Button::Post);
        QCOMPARE(m_dataset->storedText(0, "SIFRA"), QStringLiteral("999"));
        QCOMPARE(m_dataset->state(), DatasetState::Browse);

        click(Button::Insert);
        m_dataset->setText("KORISNIK", "Laza");
        click(Button::Post);
        QCOMPARE(m_dataset->storedRowCount(), 4);
        QCOMPARE(m_dataset->storedText(0, "KORISNIK"), QStringLiteral("Laza"));

        click(Button::Insert);
        click(Button::Cancel);
        QCOMPARE(m_dataset->storedRowCount(), 4);

        m_dataset->addRow({"Zika", "z"});
        click(Button::Refresh);
        QCOMPARE(m_dataset->rowCount(), 5);
        QCOMPARE(m_messages->shown().size(), 0);
    }

    void deleteAsksAndOnlyYesDeletes()
    {
        m_dataset->open();
        m_dataset->moveTo(1);
        m_messages->answer(false);
        click(Button::Delete);
        QCOMPARE(m_messages->texts(), QStringList({"Obrisati izabrani red?"}));
        QCOMPARE(m_dataset->storedRowCount(), 3);

        m_messages->answer(true);
        click(Button::Delete);
        QCOMPARE(m_dataset->storedRowCount(), 2);
        QCOMPARE(m_dataset->storedRow(1), QStringList({"Mika", "m2"}));
        QCOMPARE(m_messages->shown().size(), 2);
    }

    void engineErrorIsShownAndTheRowStays()
    {
        m_dataset->open();
        click(Button::Insert);
        m_dataset->setText("KORISNIK", "Duplikat");
        m_dataset->failPostsWith(QStringLiteral("Key violation"));
        click(Button::Post);
        QCOMPARE(m_messages->errors(), QStringList({"Key violation"}));
        QCOMPARE(m_dataset->state(), DatasetState::Insert);
        QVERIFY(m_navigator->button(Button::Post)->isEnabled());
    }

    void postTakesWhatIsTypedInTheGrid()
    {
        m_dataset->open();
        const QRect cell = m_grid->visualRect(m_grid->model()->index(1, 1));
        QTest::mouseClick(m_grid->viewport(), Qt::LeftButton, {}, cell.center());
        m_grid->setFocus();
        QTest::keyClick(m_grid, 'n');
        QLineEdit* editor = m_grid->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QTest::keyClicks(editor, "ova");
        click(Button::Post);
        QCOMPARE(m_dataset->storedText(1, "SIFRA"), QStringLiteral("nova"));
        QCOMPARE(m_dataset->state(), DatasetState::Browse);
    }

private:
    void click(Button which)
    {
        QToolButton* button = m_navigator->button(which);
        QVERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // One digit per button in navigator order: 1 enabled, 0 disabled.
    QString enabled() const
    {
        QString flags;
        for (int i = 0; i < 10; ++i)
            flags += m_navigator->button(Button(i))->isEnabled() ? '1' : '0';
        return flags;
    }

    std::unique_ptr<ScopedRegional> m_regional;
    std::unique_ptr<MemoryDataset> m_dataset;
    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<QWidget> m_window;
    RecordNavigator* m_navigator = nullptr;
    DataGrid* m_grid = nullptr;
};

QTEST_MAIN(TestRecordNavigator)
#include "tst_recordnavigator.moc"
