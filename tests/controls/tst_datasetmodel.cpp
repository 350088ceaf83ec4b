#include "data/EngineError.h"
#include "data/controls/DatasetModel.h"
#include "platform/Regional.h"
#include "tests/support/MemoryDataset.h"
#include "tests/support/ScriptedMessages.h"

#include <QAbstractItemModelTester>
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
            {QStringLiteral("CENA"), FieldType::Number},
            {QStringLiteral("DATUM"), FieldType::Date}};
}

std::unique_ptr<MemoryDataset> articles(int rows)
{
    auto dataset = std::make_unique<MemoryDataset>(articleFields());
    for (int i = 0; i < rows; ++i) {
        dataset->addRow({QString::number(i + 1), QStringLiteral("Artikal %1").arg(i + 1),
                         QStringLiteral("%1.5").arg(i), QStringLiteral("01/02/2024")});
    }
    return dataset;
}

QStringList headers(const QAbstractItemModel& model)
{
    QStringList list;
    for (int i = 0; i < model.columnCount(); ++i)
        list << model.headerData(i, Qt::Horizontal).toString();
    return list;
}

} // namespace

class TestDatasetModel : public QObject
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

    void columnsFollowFieldOrderOrTheGivenList()
    {
        auto dataset = articles(300);
        dataset->open();
        ScriptedMessages messages;
        DatasetModel model(messages);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setDataset(dataset.get());
        QCOMPARE(model.rowCount(), 300);
        QCOMPARE(headers(model), QStringList({"SIFRA", "NAZIV", "CENA", "DATUM"}));
        QCOMPARE(model.index(299, 1).data().toString(), QStringLiteral("Artikal 300"));
        QCOMPARE(model.index(4, 2).data().toString(), QStringLiteral("4.5"));
        QCOMPARE(model.index(4, 3).data().toString(), QStringLiteral("01/02/2024"));
        QCOMPARE(model.index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::AlignRight | Qt::AlignVCenter);

        // Names of the list are matched without regard to case; an unknown one stays empty.
        model.setColumns({"naziv", "CENA", "SIFRA", "NEMA"});
        QCOMPARE(headers(model), QStringList({"NAZIV", "CENA", "SIFRA", "NEMA"}));
        QCOMPARE(model.index(9, 0).data().toString(), QStringLiteral("Artikal 10"));
        QCOMPARE(model.index(9, 2).data().toString(), QStringLiteral("10"));
        QCOMPARE(model.index(9, 3).data().toString(), QString());
        QVERIFY(!(model.flags(model.index(9, 3)) & Qt::ItemIsEditable));
        QCOMPARE(model.columnOf("cena"), 1);
        QCOMPARE(model.fieldName(0), QStringLiteral("NAZIV"));
    }

    void closedOrMissingDatasetShowsNothing()
    {
        ScriptedMessages messages;
        DatasetModel model(messages);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);

        auto dataset = articles(5);
        model.setDataset(dataset.get());
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);

        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        dataset->open();
        QVERIFY(resets.count() >= 1);
        QCOMPARE(model.rowCount(), 5);
        QCOMPARE(model.columnCount(), 4);

        resets.clear();
        dataset->close();
        QCOMPARE(resets.count(), 1);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QCOMPARE(model.index(0, 0).data(), QVariant());

        dataset->open();
        QCOMPARE(model.rowCount(), 5);
        dataset.reset();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QCOMPARE(model.dataset(), nullptr);
    }

    void rowChangesAndResetsReachTheModel()
    {
        auto dataset = articles(200);
        dataset->open();
        ScriptedMessages messages;
        DatasetModel model(messages);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setDataset(dataset.get());

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        dataset->moveTo(17);
        dataset->edit();
        dataset->setText("NAZIV", "Novo ime");
        dataset->post();
        QVERIFY(!changed.isEmpty());
        const QModelIndex topLeft = changed.last().at(0).toModelIndex();
        const QModelIndex bottomRight = changed.last().at(1).toModelIndex();
        QCOMPARE(topLeft.row(), 17);
        QCOMPARE(bottomRight.row(), 17);
        QVERIFY(topLeft.column() <= 1 && bottomRight.column() >= 1);
        QCOMPARE(model.index(17, 1).data().toString(), QStringLiteral("Novo ime"));
        // Edit and browse come and go without resetting the view.
        QCOMPARE(resets.count(), 0);

        dataset->insert();
        QCOMPARE(model.rowCount(), 201);
        dataset->cancel();
        QCOMPARE(model.rowCount(), 200);
        dataset->moveTo(0);
        dataset->remove();
        QCOMPARE(model.rowCount(), 199);
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("Artikal 2"));
        dataset->addRow({"999", "Poslednji"});
        QCOMPARE(model.rowCount(), 200);
        QCOMPARE(model.index(199, 1).data().toString(), QStringLiteral("Poslednji"));
    }

    void editingACellLeavesTheRowPendingUntilTheDatasetMoves()
    {
        auto dataset = articles(50);
        dataset->open();
        ScriptedMessages messages;
        DatasetModel model(messages);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setDataset(dataset.get());

        QVERIFY(model.flags(model.index(5, 1)) & Qt::ItemIsEditable);
        QVERIFY(model.setData(model.index(5, 1), QStringLiteral("Promenjen")));
        QCOMPARE(dataset->position(), 5);
        QCOMPARE(dataset->state(), DatasetState::Edit);
        QCOMPARE(model.index(5, 1).data().toString(), QStringLiteral("Promenjen"));
        QCOMPARE(dataset->storedText(5, "NAZIV"), QStringLiteral("Artikal 6"));
        QVERIFY(model.setData(model.index(5, 2), QStringLiteral("12.25")));

        dataset->moveTo(6);
        QCOMPARE(dataset->storedText(5, "NAZIV"), QStringLiteral("Promenjen"));
        QCOMPARE(dataset->storedText(5, "CENA"), QStringLiteral("12.25"));
        QCOMPARE(messages.shown().size(), 0);
    }

    void refusedTextIsShownAndTheRowStaysPending()
    {
        auto dataset = articles(20);
        dataset->open();
        ScriptedMessages messages;
        DatasetModel model(messages);
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setDataset(dataset.get());
        QSignalSpy refused(&model, &DatasetModel::editRefused);

        QVERIFY(model.setData(model.index(3, 1), QStringLiteral("Dobar")));
        bool result = true;
        try {
            result = model.setData(model.index(3, 0), QStringLiteral("17a"));
        } catch (...) {
            QFAIL("an engine error left the model");
        }
        QVERIFY(!result);
        QCOMPARE(messages.errors(),
                 QStringList({"'17a' is not a valid integer value for field 'SIFRA'"}));
        QCOMPARE(refused.count(), 1);
        QCOMPARE(refused.at(0).at(0).toInt(), 3);
        QVERIFY(!model.setData(model.index(3, 2), QStringLiteral("abc")));
        QCOMPARE(messages.errors().last(),
                 QStringLiteral("'abc' is not a valid floating point value for field 'CENA'"));

        QCOMPARE(dataset->state(), DatasetState::Edit);
        QVERIFY(dataset->isModified());
        QCOMPARE(model.index(3, 0).data().toString(), QStringLiteral("4"));
        QCOMPARE(model.index(3, 1).data().toString(), QStringLiteral("Dobar"));
    }

    void unchangedTextWritesNothing()
    {
        auto dataset = articles(10);
        dataset->open();
        ScriptedMessages messages;
        DatasetModel model(messages);
        model.setDataset(dataset.get());
        QVERIFY(model.setData(model.index(2, 1), QStringLiteral("Artikal 3")));
        QCOMPARE(dataset->state(), DatasetState::Browse);

        // An editor opened on a new row and closed empty must leave the row droppable.
        dataset->moveTo(2);
        dataset->insert();
        QVERIFY(model.setData(model.index(2, 1), QString()));
        QVERIFY(!dataset->isModified());
        dataset->moveTo(5);
        QCOMPARE(dataset->rowCount(), 10);
        QCOMPARE(dataset->postCount(), 0);
    }

    void readOnlyModelOrDatasetRefusesEdits()
    {
        auto dataset = articles(10);
        dataset->open();
        ScriptedMessages messages;
        DatasetModel model(messages);
        model.setDataset(dataset.get());

        model.setReadOnly(true);
        QVERIFY(model.isReadOnly());
        QVERIFY(!(model.flags(model.index(1, 1)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(1, 1), QStringLiteral("x")));

        model.setReadOnly(false);
        dataset->setReadOnly(true);
        QVERIFY(model.isReadOnly());
        QVERIFY(!(model.flags(model.index(1, 1)) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(model.index(1, 1), QStringLiteral("x")));
        QCOMPARE(dataset->state(), DatasetState::Browse);
        QCOMPARE(dataset->storedText(1, "NAZIV"), QStringLiteral("Artikal 2"));
        QCOMPARE(messages.shown().size(), 0);
    }

private:
    std::unique_ptr<ScopedRegional> m_regional;
};

QTEST_GUILESS_MAIN(TestDatasetModel)
#include "tst_datasetmodel.moc"
