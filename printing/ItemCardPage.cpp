#include "printing/ItemCardPage.h"

#include "data/Query.h"
#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "printing/ItemCard.h"
#include "shell/Navigation.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestar {

namespace {

QLineEdit* field(QWidget* page, const QString& caption, const QString& objectName,
                 const QRect& geometry)
{
    return PageKit::lineEdit(page, caption, geometry.translated(0, -18).adjusted(0, 0, 0, -8),
                             geometry, objectName);
}

} // namespace

ItemCardPage::ItemCardPage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_workplace(workplace), m_card(workplace.ownQuery())
{
    setObjectName(PageKey::ItemCard);
    buildControls(navigator);
}

void ItemCardPage::buildControls(Navigator& navigator)
{
    Messages& messages = m_workplace.messages();
    PageKit::title(this, QStringLiteral("Kartica robe"), QRect(16, 6, 300, 28), 22);

    m_code = field(this, QStringLiteral("Izabrana sifra robe"), QStringLiteral("izabranaSifraRobe"),
                   QRect(16, 58, 150, 22));
    m_name = field(this, QStringLiteral("Izabrani naziv robe"), QStringLiteral("izabraniNazivRobe"),
                   QRect(180, 58, 330, 22));

    QPushButton* choose =
        PageKit::button(this, QStringLiteral("Izaberi artikal za koji hoces da vidis promet"),
                        QRect(16, 88, 360, 30), QStringLiteral("btnIzaberiArtikal"));
    connect(choose, &QPushButton::clicked, this, &ItemCardPage::itemChooserRequested);
    QPushButton* build =
        PageKit::button(this, QStringLiteral("Prikazi promet za izabranu robu..."),
                        QRect(388, 88, 387, 30), QStringLiteral("btnPrikaziPromet"));
    QFont buildFont = build->font();
    buildFont.setBold(true);
    build->setFont(buildFont);
    connect(build, &QPushButton::clicked, this, &ItemCardPage::buildCard);

    m_cardGrid = new DataGrid(messages, this);
    m_cardGrid->setObjectName(QStringLiteral("cardGrid"));
    m_cardGrid->setAccessibleName(QStringLiteral("Kartica robe"));
    m_cardGrid->setGeometry(16, 126, 759, 214);
    m_cardGrid->setDataset(&m_card);

    Table& ledger = m_workplace.ledgerTableView();
    m_ledgerNavigator = new RecordNavigator(messages, this);
    m_ledgerNavigator->setObjectName(QStringLiteral("ledgerNavigator"));
    m_ledgerNavigator->setGeometry(16, 348, 300, 26);
    m_ledgerNavigator->setDataset(&ledger);

    m_ledgerGrid = new DataGrid(messages, this);
    m_ledgerGrid->setObjectName(QStringLiteral("ledgerGrid"));
    m_ledgerGrid->setAccessibleName(QStringLiteral("Tabela prometa"));
    m_ledgerGrid->setGeometry(16, 378, 460, 108);
    m_ledgerGrid->setDataset(&ledger);

    PageKit::backToAdminMenu(navigator, this, QRect(490, 446, 285, 40));
}

void ItemCardPage::deliverItem(const QString& code, const QString& name)
{
    m_code->setText(code);
    m_name->setText(name);
}

void ItemCardPage::buildCard()
{
    // A value typed into the card is written into the ledger before the card is built anew;
    // the new statement would otherwise drop it unseen.
    if (m_cardGrid->isEditing() && !m_cardGrid->commitEdit())
        return;
    guarded(m_workplace.messages(), [this] {
        if (m_card.isModified())
            m_card.post();
    });
    if (m_card.isModified())
        return;
    // The grid would follow every row of the walk; it is shown the finished card instead.
    m_cardGrid->setDataset(nullptr);
    guarded(m_workplace.messages(), [this] {
        m_workplace.itemTableView().close();
        ItemCard::build(m_workplace.engine(), m_card, m_code->text());
    });
    m_cardGrid->setDataset(&m_card);
}

void ItemCardPage::clear()
{
    m_code->clear();
    m_name->clear();
    m_card.close();
}

} // namespace kestar
