#include "printing/MovementTablePage.h"

#include "data/Table.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "shell/Navigation.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QLabel>
#include <QPushButton>

namespace kestar {

const QString MovementTablePage::kWarning = QStringLiteral(
    "Tabela prometa! - PAZNJA! - u ovoj tabeli nalaze se podaci vezani za kompletan promet!!! "
    "Svaka promena moze uticati na vec kreirane dokumente!");

const QString MovementTablePage::kEntryWarning =
    QStringLiteral("NE MENJATI TABELU PROMETA BEZ!!! PROMENE SE NE KNJIZE AUTOMATSKI!!!");

MovementTablePage::MovementTablePage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(PageKey::MovementTable);

    QLabel* warning = PageKit::label(this, kWarning, QRect(16, 6, 759, 36), true);
    warning->setObjectName(QStringLiteral("movementWarning"));
    warning->setStyleSheet(QStringLiteral("color: #FF0000;"));

    PageKit::TablePageLayout layout;
    layout.navigatorName = QStringLiteral("movementNavigator");
    layout.navigatorGeometry = QRect(16, 50, 300, 26);
    layout.navigatorNamed = false;
    layout.gridName = QStringLiteral("movementGrid");
    layout.gridCaption = QStringLiteral("Tabela prometa");
    layout.gridGeometry = QRect(16, 86, 759, 352);
    layout.openCaption = QStringLiteral("Otvori tabelu");
    layout.openGeometry = QRect(330, 48, 140, 30);
    layout.closeCaption = QStringLiteral("Zatvori tabelu");
    layout.closeGeometry = QRect(480, 48, 140, 30);
    layout.backGeometry = QRect(490, 446, 285, 40);
    const PageKit::TablePageControls controls = PageKit::tablePage(
        this, workplace.messages(), navigator, workplace.ledgerTableView(), layout);
    // Tab goes along the row of controls above the grid before it enters the grid.
    setTabOrder(controls.navigator, controls.open);
    setTabOrder(controls.open, controls.close);
    setTabOrder(controls.close, controls.grid);
    setTabOrder(controls.grid, controls.back);
}

} // namespace kestar
