#include "masterdata/ItemsPage.h"

#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "masterdata/NewArticles.h"
#include "platform/Messages.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QLabel>
#include <QPushButton>

namespace kestar {

namespace {
const QString kGroupHint = QStringLiteral("Kada se pozicionirate na kolonu GRUPA pritisnite ENTER");
const QString kItemCaption =
    QStringLiteral("Ovo je tabela gde mozete pregledati sve artikle i sve magacine...");
} // namespace

ItemsPage::ItemsPage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_workplace(workplace),
      m_staged(workplace.ownTable(QStringLiteral("podaci/pmagacin.db")))
{
    setObjectName(PageKey::Items);
    PageKit::title(this, QStringLiteral("Podesavanje robe u magacinu"), QRect(12, 6, 440, 30), 22);
    PageKit::backToAdminMenu(navigator, this, QRect(490, 6, 290, 30));

    QPushButton* add =
        PageKit::button(this, QStringLiteral("Dodaj novi artikal"), QRect(12, 42, 150, 28));
    QPushButton* giveUp =
        PageKit::button(this, QStringLiteral("Odustani od novog artikla"), QRect(168, 42, 170, 28));
    QPushButton* save =
        PageKit::button(this, QStringLiteral("Upamti novi arikal"), QRect(344, 42, 150, 28));
    QLabel* hint = PageKit::label(this, kGroupHint, QRect(502, 40, 280, 32), true);

    Messages& messages = workplace.messages();
    m_newGrid = new DataGrid(messages, this);
    m_newGrid->setObjectName(QStringLiteral("newArticleGrid"));
    m_newGrid->setAccessibleName(kGroupHint);
    m_newGrid->setToolTip(kGroupHint);
    m_newGrid->setGeometry(12, 76, 767, 128);
    m_newGrid->setDataset(&m_staged);
    hint->setBuddy(m_newGrid);

    m_navigator = new RecordNavigator(messages, this);
    m_navigator->setObjectName(QStringLiteral("itemNavigator"));
    m_navigator->setGeometry(12, 212, 260, 26);
    m_navigator->setDataset(&workplace.itemTableView());
    QPushButton* open =
        PageKit::button(this, QStringLiteral("Otvori tabelu"), QRect(284, 210, 120, 28));
    QPushButton* close =
        PageKit::button(this, QStringLiteral("Zatvori tabelu"), QRect(410, 210, 120, 28));

    QLabel* caption = PageKit::label(this, kItemCaption, QRect(12, 242, 767, 18), true);
    m_itemGrid = new DataGrid(messages, this);
    m_itemGrid->setObjectName(QStringLiteral("itemGrid"));
    m_itemGrid->setAccessibleName(kItemCaption);
    m_itemGrid->setGeometry(12, 262, 767, 224);
    m_itemGrid->setDataset(&workplace.itemTableView());
    caption->setBuddy(m_itemGrid);

    connect(add, &QPushButton::clicked, this, &ItemsPage::addArticle);
    connect(giveUp, &QPushButton::clicked, this, &ItemsPage::giveUpArticles);
    connect(save, &QPushButton::clicked, this, &ItemsPage::saveArticles);
    connect(open, &QPushButton::clicked, this, [this] {
        guarded(m_workplace.messages(), [this] { m_workplace.itemTableView().open(); });
    });
    connect(close, &QPushButton::clicked, this, [this] {
        guarded(m_workplace.messages(), [this] { m_workplace.itemTableView().close(); });
    });
    connect(m_newGrid, &DataGrid::enterPressed, this, &ItemsPage::onNewGridEnter);
    // Tab out of a cell opens an editor in the next one: Enter there counts at the first press.
    connect(m_newGrid, &DataGrid::editorEntered, this, &ItemsPage::onNewGridEnter);
}

void ItemsPage::addArticle()
{
    guarded(m_workplace.messages(), [this] {
        m_staged.open();
        m_newGrid->setFocus();
        if (m_newGrid->isEditing() && !m_newGrid->commitEdit())
            return;
        // Every new article is typed from its code on, whatever column was used last.
        m_newGrid->setSelectedField(QStringLiteral("SIFRA"));
        m_staged.insert();
        m_newGrid->setSelectedField(QStringLiteral("SIFRA"));
    });
}

void ItemsPage::giveUpArticles()
{
    guarded(m_workplace.messages(), [this] {
        // A cell editor still open goes with the rows: the grid drops it when the table moves.
        m_staged.open();
        m_staged.first();
        while (!m_staged.eof())
            m_staged.remove();
        m_staged.close();
    });
}

void ItemsPage::saveArticles()
{
    Messages& messages = m_workplace.messages();
    guarded(messages, [this, &messages] {
        if (!messages.confirm(Messages::kAreYouSure))
            return;
        if (m_newGrid->isEditing() && !m_newGrid->commitEdit())
            return;
        NewArticles::save(m_workplace.engine(), m_staged, m_workplace.itemTableView());
        messages.show(QStringLiteral("Artikli su uspesno upamceni"));
    });
}

void ItemsPage::onNewGridEnter(const QString& fieldName)
{
    if (!m_staged.isOpen())
        return;
    if (fieldName.compare(QLatin1String("GRUPAROBE"), Qt::CaseInsensitive) == 0 ||
        fieldName.compare(QLatin1String("NAZIVGRUPE"), Qt::CaseInsensitive) == 0)
        emit groupListRequested();
}

} // namespace kestar
