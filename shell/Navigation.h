#pragma once

#include <QString>

namespace kestar {

// Who may take a navigation action: every action is the administrator's alone unless its page
// opens it to everyone.
enum class Access
{
    Administrator,
    Everyone,
};

// Pages and actions are named by keys. A page's key is its name; it is declared beside the page
// class, in this namespace, and the page's installer registers the page under it
// (Navigator::addPage). The menus name the keys of the actions their buttons take.
namespace PageKey {
inline const QString Login = QStringLiteral("LOGIN");
inline const QString AdminMenu = QStringLiteral("Meni");
inline const QString WorkerMenu = QStringLiteral("STAMPA RADNIKA");
} // namespace PageKey

// Actions that are no page: the frame's own, and further ways into a page (registered by the
// page's installer with Navigator::registerAction, and declared beside it).
namespace ActionKey {
inline const QString LogOut = QStringLiteral("Odjava");
inline const QString Exit = QStringLiteral("Izlaz iz programa");
inline const QString About = QStringLiteral("O programu");
inline const QString Contact = QStringLiteral("Kontakt");
} // namespace ActionKey

} // namespace kestar
