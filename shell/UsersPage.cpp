#include "shell/UsersPage.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/controls/RecordNavigator.h"
#include "shell/LoginPage.h"
#include "shell/MainWindow.h"
#include "shell/PageKit.h"

#include <QPushButton>

namespace kestar {

UsersPage::UsersPage(MainWindow& window, QWidget* parent)
    : QWidget(parent), m_window(window),
      m_users(window.engine().table(QStringLiteral("podaci/korisnici.db")))
{
    setObjectName(QStringLiteral("Korisnici"));
    // The login field takes LoginPage::kPasswordLength characters: a user with a longer
    // password could never log in, the administrator included.
    m_users->setPostCheck([](const Table& users) {
        if (users.text(QStringLiteral("SIFRA")).size() > LoginPage::kPasswordLength)
            throw EngineError(kPasswordTooLong);
    });
    PageKit::title(this, QStringLiteral("Administracija korisnika"), QRect(20, 12, 500, 30), 24);

    m_navigator = new RecordNavigator(this);
    m_navigator->setObjectName(QStringLiteral("usersNavigator"));
    m_navigator->setGeometry(20, 56, 300, 26);
    m_navigator->setMessages(&window.messages());
    m_navigator->setDataset(m_users.get());

    m_grid = new DataGrid(this);
    m_grid->setObjectName(QStringLiteral("usersGrid"));
    m_grid->setAccessibleName(QStringLiteral("Administracija korisnika"));
    m_grid->setGeometry(20, 88, 440, 330);
    m_grid->setMessages(&window.messages());
    m_grid->setDataset(m_users.get());

    QPushButton* open = PageKit::button(this, QStringLiteral("Otvori tabelu sa korisnicima"),
                                        QRect(480, 88, 290, 40));
    QPushButton* close =
        PageKit::button(this, QStringLiteral("Zatvori tabelu"), QRect(480, 136, 290, 40));
    PageKit::backToAdminMenu(window, this, QRect(480, 378, 290, 40));

    connect(open, &QPushButton::clicked, this,
            [this] { guarded(m_window.messages(), [this] { m_users->open(); }); });
    connect(close, &QPushButton::clicked, this,
            [this] { guarded(m_window.messages(), [this] { m_users->close(); }); });
}

UsersPage::~UsersPage()
{
    // The grid and navigator go before the table they show.
    delete m_grid;
    delete m_navigator;
}

} // namespace kestar
