#include "printing/StockListPage.h"

#include "data/Query.h"
#include "data/SharedData.h"
#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/sql/SqlDialect.h"
#include "printing/MinimumStock.h"
#include "printing/StockListReport.h"
#include "reporting/DatasetRowSource.h"
#include "reporting/ReportPreviewer.h"
#include "reporting/SelectedRowSource.h"
#include "shell/Navigator.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

namespace kestar {

StockListPage::StockListPage(Workplace& workplace, Navigator& navigator, ReportPreviewer& previewer,
                             QWidget* parent)
    : QWidget(parent), m_workplace(workplace), m_navigator(navigator), m_previewer(previewer),
      m_stock(workplace.ownQuery())
{
    setObjectName(PageKey::StockList);
    PageKit::title(this, QStringLiteral("Spisak robe u celom magacinu..."), QRect(20, 10, 600, 30),
                   22);

    const QString groupsCaption = QStringLiteral("Grupe robe");
    QLabel* groupsLabel = PageKit::label(this, groupsCaption, QRect(20, 48, 200, 20), true);
    m_groups = new QListWidget(this);
    m_groups->setObjectName(QStringLiteral("groupList"));
    m_groups->setAccessibleName(groupsCaption);
    m_groups->setGeometry(20, 70, 220, 200);
    groupsLabel->setBuddy(m_groups);

    const QString fieldCaption = QStringLiteral("Izabrana grupa robe");
    QLabel* fieldLabel = PageKit::label(this, fieldCaption, QRect(20, 280, 200, 20), true);
    m_groupField = new QLineEdit(this);
    m_groupField->setObjectName(QStringLiteral("groupField"));
    m_groupField->setAccessibleName(fieldCaption);
    m_groupField->setGeometry(20, 302, 220, 23);
    fieldLabel->setBuddy(m_groupField);

    // Both choices share the page as parent, so they exclude each other.
    m_allGoods = new QRadioButton(QStringLiteral("Prikazi svu robu u magacinu"), this);
    m_allGoods->setObjectName(QStringLiteral("allGoodsChoice"));
    m_allGoods->setGeometry(20, 334, 232, 22);
    m_allGoods->setChecked(true);
    m_oneGroup = new QRadioButton(QStringLiteral("Prikazi robu samo za izabranu grupu robe"), this);
    m_oneGroup->setObjectName(QStringLiteral("groupGoodsChoice"));
    m_oneGroup->setGeometry(20, 360, 232, 22);

    QPushButton* print =
        PageKit::button(this, QStringLiteral("Prikazi stanje u magacinu"), QRect(20, 400, 220, 32));

    const QString gridCaption = QStringLiteral("Stanje u magacinu");
    m_grid = new DataGrid(workplace.messages(), this);
    m_grid->setObjectName(QStringLiteral("stockGrid"));
    m_grid->setAccessibleName(gridCaption);
    m_grid->setGeometry(256, 48, 515, 384);
    m_grid->setReadOnly(true);
    // Read as far as the grid scrolls and the report's pages need: the list of the whole
    // warehouse shows at once however many articles it holds.
    m_stock.setInPages(true);
    m_grid->setDataset(&m_stock);

    PageKit::backToAdminMenu(navigator, this, QRect(471, 444, 300, 36));
    QPushButton* minimum = PageKit::button(this, QStringLiteral("Prikazi robu ispod minimuma"),
                                           QRect(20, 444, 220, 32));

    connect(m_groups, &QListWidget::itemClicked, this, &StockListPage::groupClicked);
    connect(print, &QPushButton::clicked, this, &StockListPage::print);
    connect(minimum, &QPushButton::clicked, this, [this] { printMinimumStock(false); });
}

QString StockListPage::stockStatement(const QString& groupName, bool onlyThatGroup)
{
    QString statement = QStringLiteral("select * from podaci\\magacin");
    if (onlyThatGroup)
        statement += QStringLiteral(" where NAZIVGRUPE=") + QLatin1Char('\'') +
                     sql::quoted(groupName) + QLatin1Char('\'');
    return statement;
}

void StockListPage::openPage()
{
    m_navigator.showPage(PageKey::StockList);
    m_groupField->clear();
    m_groups->clear();
    guarded(m_workplace.messages(),
            [this] { m_groups->addItems(m_workplace.sharedData().groupNames()); });
}

void StockListPage::groupClicked(QListWidgetItem* item)
{
    if (!item)
        return;
    m_groupField->setText(item->text());
    guarded(m_workplace.messages(), [this] { runStockQuery(); });
}

void StockListPage::runStockQuery()
{
    m_stock.setSql(stockStatement(m_groupField->text(), m_oneGroup->isChecked()));
    m_stock.open();
    m_workplace.itemTableView().close();
}

void StockListPage::print()
{
    guarded(m_workplace.messages(), [this] {
        runStockQuery();
        const ReportDefinition report = StockListReport::definition(m_workplace.letterhead());
        const DatasetRowSource rows(m_stock);
        m_previewer.preview(QStringLiteral("Popis robe u magacinu"), report, rows);
        m_workplace.itemTableView().close();
    });
}

void StockListPage::printMinimumStock(bool wholeWarehouse)
{
    guarded(m_workplace.messages(), [this, wholeWarehouse] {
        const bool oneGroup = !wholeWarehouse && m_oneGroup->isChecked();
        const QString group = oneGroup ? m_groupField->text() : QString();
        Query articles(m_workplace.engine(), MinimumStock::statement(group, oneGroup));
        articles.open();
        m_workplace.itemTableView().close();
        const DatasetRowSource all(articles);
        const SelectedRowSource below(all, MinimumStock::belowMinimum(all));
        const ReportDefinition report =
            MinimumStock::definition(m_workplace.letterhead(), group, oneGroup);
        m_previewer.preview(QLatin1String(MinimumStock::kTitle), report, below);
    });
}

} // namespace kestar
