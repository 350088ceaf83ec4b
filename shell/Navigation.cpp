#include "shell/Navigation.h"

namespace kestar::Navigation {

namespace {

struct PageEntry
{
    int index;
    const char* name;
};

// The page stack, in stack order. A page is installed at its index by its feature; until then
// a placeholder named after it stands there.
const PageEntry kPages[] = {
    {PageIndex::AdminMenu, "Meni"},
    {PageIndex::Items, "Roba"},
    {PageIndex::Company, "Firma"},
    {PageIndex::DocumentPrint, "Predracun"},
    {PageIndex::ItemCard, "Kartica robe"},
    {PageIndex::Groups, "Grupe robe"},
    {PageIndex::StockList, "Ceo magacin"},
    {PageIndex::MovementTable, "Tabela prometa"},
    {PageIndex::Login, "LOGIN"},
    {PageIndex::Users, "Korisnici"},
    {PageIndex::GoodsDocument, "OTPREMNICA SAMO"},
    {PageIndex::WorkerMenu, "STAMPA RADNIKA"},
    {PageIndex::Backup, "BACK UP"},
    {PageIndex::Machines, "Masina"},
    {PageIndex::GroupedNote, "Grupna otpremnica"},
};

enum class Access
{
    Administrator,
    Everyone
};

struct Route
{
    NavAction action;
    int page; // -1: the action shows no page
    Access access;
};

// Every navigation action: the page it shows unless a page installed a handler for it, and
// who may take it.
const Route kRoutes[] = {
    {NavAction::ItemList, PageIndex::Items, Access::Administrator},
    {NavAction::CompanyData, PageIndex::Company, Access::Administrator},
    {NavAction::ItemGroups, PageIndex::Groups, Access::Administrator},
    {NavAction::Users, PageIndex::Users, Access::Administrator},
    {NavAction::Backup, PageIndex::Backup, Access::Administrator},
    {NavAction::MachinePage, PageIndex::Machines, Access::Administrator},
    {NavAction::PrintIssueNotes, PageIndex::DocumentPrint, Access::Everyone},
    {NavAction::PrintReceiptNotes, PageIndex::DocumentPrint, Access::Everyone},
    {NavAction::GroupedNote, PageIndex::GroupedNote, Access::Administrator},
    {NavAction::NewIssue, PageIndex::GoodsDocument, Access::Everyone},
    {NavAction::NewReceipt, PageIndex::GoodsDocument, Access::Everyone},
    {NavAction::ItemCard, PageIndex::ItemCard, Access::Administrator},
    {NavAction::MovementTable, PageIndex::MovementTable, Access::Administrator},
    {NavAction::StockList, PageIndex::StockList, Access::Administrator},
    {NavAction::BackToAdminMenu, PageIndex::AdminMenu, Access::Administrator},
    {NavAction::LogOut, -1, Access::Everyone},
    {NavAction::Exit, -1, Access::Everyone},
    {NavAction::About, -1, Access::Everyone},
    {NavAction::Contact, -1, Access::Everyone},
    {NavAction::MinimumStock, PageIndex::StockList, Access::Administrator},
};

const Route* routeOf(NavAction action)
{
    for (const Route& route : kRoutes) {
        if (route.action == action)
            return &route;
    }
    return nullptr;
}

} // namespace

QString pageName(int index)
{
    for (const PageEntry& entry : kPages) {
        if (entry.index == index)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

QList<int> pageIndices()
{
    QList<int> indices;
    for (const PageEntry& entry : kPages)
        indices << entry.index;
    return indices;
}

int pageOf(NavAction action)
{
    const Route* route = routeOf(action);
    return route ? route->page : -1;
}

bool openToWorkers(NavAction action)
{
    const Route* route = routeOf(action);
    return route && route->access == Access::Everyone;
}

} // namespace kestar::Navigation
