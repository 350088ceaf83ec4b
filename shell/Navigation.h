#pragma once

#include <QList>
#include <QString>

namespace kestar {

// The page indices of the main window's page stack.
namespace PageIndex {
constexpr int AdminMenu = 0;
constexpr int Items = 1;
constexpr int Company = 2;
constexpr int DocumentPrint = 3;
constexpr int ItemCard = 5;
constexpr int Groups = 10;
constexpr int StockList = 11;
constexpr int MovementTable = 13;
constexpr int Login = 19;
constexpr int Users = 20;
constexpr int GoodsDocument = 21;
constexpr int WorkerMenu = 22;
constexpr int Backup = 23;
constexpr int Machines = 24;
constexpr int GroupedNote = 25;
} // namespace PageIndex

// Every change of page goes through one of these actions. A menu-bar item and the menu
// button with the same action behave identically.
enum class NavAction
{
    ItemList,
    CompanyData,
    ItemGroups,
    Users,
    Backup,
    MachinePage,
    PrintIssueNotes,
    PrintReceiptNotes,
    GroupedNote,
    NewIssue,
    NewReceipt,
    ItemCard,
    MovementTable,
    StockList,
    BackToAdminMenu,
    LogOut,
    Exit,
    About,
    Contact,
    // Additions after the fixed actions.
    MinimumStock,
};

// The pages and the actions that lead to them, from one table (Navigation.cpp).
namespace Navigation {

// The name of the page at the index, "" for an index without a page.
QString pageName(int index);
// Every index of the page stack, in stack order.
QList<int> pageIndices();
// The page an action shows when no page installed a handler for it; -1 for the actions that
// show no page (log out, exit, about, contact).
int pageOf(NavAction action);
// Whether a worker may take the action; every other action is the administrator's alone.
bool openToWorkers(NavAction action);

} // namespace Navigation
} // namespace kestar
