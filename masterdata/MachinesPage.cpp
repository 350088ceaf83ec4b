#include "masterdata/MachinesPage.h"

#include "data/Table.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

namespace kestar {

MachinesPage::MachinesPage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_machines(workplace.ownTable(QStringLiteral("podaci\\masina.db")))
{
    setObjectName(PageKey::Machines);
    const QString title = QStringLiteral("PODACI O MASINAMA");
    PageKit::title(this, title, QRect(20, 12, 500, 30), 24);
    PageKit::TablePageLayout layout;
    layout.navigatorName = QStringLiteral("machinesNavigator");
    layout.navigatorGeometry = QRect(20, 56, 300, 26);
    layout.gridName = QStringLiteral("machinesGrid");
    layout.gridCaption = title;
    layout.gridGeometry = QRect(20, 88, 440, 330);
    layout.openCaption = QStringLiteral("Otvori tabelu sa opremom");
    layout.openGeometry = QRect(480, 88, 290, 40);
    layout.closeCaption = QStringLiteral("Zatvori tabelu sa opremom");
    layout.closeGeometry = QRect(480, 136, 290, 40);
    layout.backGeometry = QRect(480, 378, 290, 40);
    PageKit::tablePage(this, workplace.messages(), navigator, m_machines, layout);
}

} // namespace kestar
