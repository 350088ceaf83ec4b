#pragma once

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

} // namespace kestar
