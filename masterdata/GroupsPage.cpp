#include "masterdata/GroupsPage.h"

#include "data/SharedData.h"
#include "data/controls/ActionGuard.h"
#include "platform/Messages.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>

// The groups picture lives in the masterdata library's resources, which a static library must
// register itself.
static QPixmap groupsPicture()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(masterdata);
        return true;
    }();
    (void)registered;
    QPixmap pixmap(QStringLiteral(":/pictures/groups.jpg"));
    if (pixmap.isNull()) {
        pixmap = QPixmap(240, 200);
        pixmap.fill(QColor(0xDF, 0xE9, 0xF3));
    }
    return pixmap;
}

namespace kestar {

namespace {
QListWidget* makeList(QWidget* page, const QString& objectName, const QString& caption,
                      const QRect& geometry)
{
    QLabel* label = PageKit::label(
        page, caption, QRect(geometry.x(), geometry.y() - 22, geometry.width(), 20), true);
    auto* list = new QListWidget(page);
    list->setObjectName(objectName);
    list->setAccessibleName(caption);
    list->setGeometry(geometry);
    label->setBuddy(list);
    return list;
}

QLineEdit* makeEntry(QWidget* page, const QString& objectName, const QString& caption, int y,
                     int width)
{
    QLabel* label = PageKit::label(page, caption, QRect(20, y + 3, 130, 20));
    auto* edit = new QLineEdit(page);
    edit->setObjectName(objectName);
    edit->setAccessibleName(caption);
    edit->setGeometry(156, y, width, 23);
    label->setBuddy(edit);
    return edit;
}
} // namespace

GroupsPage::GroupsPage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_workplace(workplace)
{
    setObjectName(PageKey::Groups);
    PageKit::title(this, QStringLiteral("Podesavanje grupa robe"), QRect(20, 10, 500, 34), 24);

    m_newCode =
        makeEntry(this, QStringLiteral("newGroupCode"), QStringLiteral("Sifra nove grupe"), 60, 60);
    m_newCode->setMaxLength(3);
    m_newName = makeEntry(this, QStringLiteral("newGroupName"), QStringLiteral("Naziv nove grupe"),
                          92, 250);
    QPushButton* add =
        PageKit::button(this, QStringLiteral("Ubaci grupu u spisak"), QRect(430, 58, 190, 28));
    QPushButton* save =
        PageKit::button(this, QStringLiteral("Snimi grupe"), QRect(430, 90, 190, 28));

    m_codes = makeList(this, QStringLiteral("groupCodeList"), QStringLiteral("Sifre grupe"),
                       QRect(20, 156, 90, 320));
    m_names = makeList(this, QStringLiteral("groupNameList"), QStringLiteral("Naziv grupe"),
                       QRect(116, 156, 290, 320));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("groupsPicture"));
    picture->setPixmap(groupsPicture());
    picture->setGeometry(470, 156, 240, 200);
    picture->setScaledContents(true);

    PageKit::backToAdminMenu(navigator, this, QRect(430, 420, 340, 40));

    setTabOrder(m_newCode, m_newName);

    connect(add, &QPushButton::clicked, this, &GroupsPage::addGroup);
    connect(save, &QPushButton::clicked, this, &GroupsPage::save);
    // The code list follows the names; it has no say over them.
    connect(m_names, &QListWidget::currentRowChanged, m_codes, [this](int row) {
        if (row >= 0 && row < m_codes->count())
            m_codes->setCurrentRow(row);
    });
    connect(m_names, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { removeGroup(m_names->row(item)); });
}

void GroupsPage::load()
{
    m_names->clear();
    m_codes->clear();
    guarded(m_workplace.messages(), [this] {
        const Groups groups = m_workplace.sharedData().groups();
        m_names->addItems(groups.names);
        m_codes->addItems(groups.codes);
    });
}

void GroupsPage::addGroup()
{
    m_names->addItem(m_newName->text());
    m_codes->addItem(m_newCode->text());
}

void GroupsPage::removeGroup(int row)
{
    if (row < 0)
        return;
    delete m_names->takeItem(row);
    delete m_codes->takeItem(row);
}

bool GroupsPage::save()
{
    bool written = false;
    Messages& messages = m_workplace.messages();
    guarded(messages, [this, &messages, &written] {
        if (!messages.confirm(Messages::kAreYouSure))
            return;
        Groups groups;
        for (int i = 0; i < m_names->count(); ++i)
            groups.names.append(m_names->item(i)->text());
        for (int i = 0; i < m_codes->count(); ++i)
            groups.codes.append(m_codes->item(i)->text());
        m_workplace.sharedData().setGroups(groups);
        written = true;
        messages.show(QStringLiteral("Podaci o grupama robe su uspesno snimljeni!"));
        m_newCode->clear();
        m_newName->clear();
    });
    return written;
}

} // namespace kestar
