#pragma once

#include <QString>
#include <QWidget>

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString Users = QStringLiteral("Korisnici");
} // namespace PageKey

class Navigator;
class Table;
class Workplace;

// The users page: the administrator edits the user table in place. Entering the page does not
// open the table; its own buttons open and close it, and log out leaves it as it is.
class UsersPage : public QWidget
{
    Q_OBJECT
public:
    UsersPage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);

    Table& users() const { return m_users; }

    // Why a row of the user table is not written.
    static inline const QString kPasswordTooLong =
        QStringLiteral("Lozinka moze imati najvise 3 znaka!!! Ispravite je pre snimanja.");

private:
    Table& m_users;
};

} // namespace kestar
