#include "printing/MovementTablePage.h"

#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "shell/MainWindow.h"
#include "shell/PageKit.h"

#include <QLabel>
#include <QPushButton>

namespace kestar {

const QString MovementTablePage::kWarning = QStringLiteral(
    "Tabela prometa! - PAZNJA! - u ovoj tabeli nalaze se podaci vezani za kompletan promet!!! "
    "Svaka promena moze uticati na vec kreirane dokumente!");

MovementTablePage::MovementTablePage(MainWindow& window, QWidget* parent)
    : QWidget(parent), m_window(window)
{
    setObjectName(MainWindow::pageName(PageIndex::MovementTable));

    QLabel* warning = PageKit::label(this, kWarning, QRect(16, 6, 759, 36), true);
    warning->setObjectName(QStringLiteral("movementWarning"));
    warning->setStyleSheet(QStringLiteral("color: #FF0000;"));

    Table& ledger = m_window.ledgerTableView();
    auto* navigator = new RecordNavigator(this);
    navigator->setObjectName(QStringLiteral("movementNavigator"));
    navigator->setGeometry(16, 50, 300, 26);
    navigator->setMessages(&m_window.messages());
    navigator->setDataset(&ledger);

    QPushButton* open =
        PageKit::button(this, QStringLiteral("Otvori tabelu"), QRect(330, 48, 140, 30));
    QPushButton* close =
        PageKit::button(this, QStringLiteral("Zatvori tabelu"), QRect(480, 48, 140, 30));
    connect(open, &QPushButton::clicked, this, [this] {
        guarded(m_window.messages(), [this] { m_window.ledgerTableView().open(); });
    });
    connect(close, &QPushButton::clicked, this, [this] {
        guarded(m_window.messages(), [this] { m_window.ledgerTableView().close(); });
    });

    auto* grid = new DataGrid(this);
    grid->setObjectName(QStringLiteral("movementGrid"));
    grid->setAccessibleName(QStringLiteral("Tabela prometa"));
    grid->setGeometry(16, 86, 759, 352);
    grid->setMessages(&m_window.messages());
    grid->setDataset(&ledger);

    PageKit::backToAdminMenu(m_window, this, QRect(490, 446, 285, 40));
}

} // namespace kestar
