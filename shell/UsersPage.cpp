#include "shell/UsersPage.h"

#include "data/EngineError.h"
#include "data/Table.h"
#include "shell/LoginPage.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

namespace kestar {

UsersPage::UsersPage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_users(workplace.ownTable(QStringLiteral("podaci/korisnici.db")))
{
    setObjectName(PageKey::Users);
    // The login field takes LoginPage::kPasswordLength characters: a user with a longer
    // password could never log in, the administrator included.
    m_users.setPostCheck([](const Table& users) {
        if (users.text(QStringLiteral("SIFRA")).size() > LoginPage::kPasswordLength)
            throw EngineError(kPasswordTooLong);
    });
    const QString title = QStringLiteral("Administracija korisnika");
    PageKit::title(this, title, QRect(20, 12, 500, 30), 24);
    PageKit::TablePageLayout layout;
    layout.navigatorName = QStringLiteral("usersNavigator");
    layout.navigatorGeometry = QRect(20, 56, 300, 26);
    layout.navigatorNamed = false;
    layout.gridName = QStringLiteral("usersGrid");
    layout.gridCaption = title;
    layout.gridGeometry = QRect(20, 88, 440, 330);
    layout.openCaption = QStringLiteral("Otvori tabelu sa korisnicima");
    layout.openGeometry = QRect(480, 88, 290, 40);
    layout.closeCaption = QStringLiteral("Zatvori tabelu");
    layout.closeGeometry = QRect(480, 136, 290, 40);
    layout.backGeometry = QRect(480, 378, 290, 40);
    PageKit::tablePage(this, workplace.messages(), navigator, m_users, layout);
}

} // namespace kestar
