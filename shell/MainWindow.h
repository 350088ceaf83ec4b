#pragma once

#include "shell/Navigation.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QPushButton;
class QStackedWidget;

namespace kestar {

class Engine;
class Messages;
class Query;
class StatusPanels;
class Table;

// The four texts at the head of every printed report, composed from the company data at
// start-up. Before that they hold their placeholders.
struct Letterhead
{
    QString name = QStringLiteral("Naziv firme");
    QString address = QStringLiteral("Adresa");
    QString registration = QStringLiteral("Maticni broj");
    QString telephone = QStringLiteral("Telefon");
};

// The one main window (TForm1): top strip, page stack, status bar and menu bar. It holds the
// state the pages share and performs the navigation actions; the pages themselves are handed
// to it by the application.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 791;
    static constexpr int kClientHeight = 556;

    explicit MainWindow(Messages& messages, QWidget* parent = nullptr);
    ~MainWindow() override;

    Messages& messages() const { return m_messages; }

    // The table engine and the views the pages share: the item table view over magacin, the
    // ledger table view over prometx and the document result set of the print pages.
    Engine& engine() const { return *m_engine; }
    Table& itemTableView() const { return *m_itemTable; }
    Table& ledgerTableView() const { return *m_ledgerTable; }
    Query& documentResultSet() const { return *m_documentResult; }

    // True when the user panel names the administrator exactly.
    bool isAdministrator() const;

    // Pages by index. Indices without a page of their own show a placeholder named after the
    // page; setPage() replaces it (the window takes ownership).
    void setPage(int index, QWidget* page);
    QWidget* page(int index) const;
    void showPage(int index);
    int currentPageIndex() const;
    static QString pageName(int index);
    static QList<int> pageIndices();

    QString panel(int number) const;
    void setPanel(int number, const QString& text);

    // Applies the return-to-menu rule: exactly "Administrator" in the user panel shows the
    // admin menu, anything else the worker menu.
    void returnToMenu();

    // Navigation: every menu button and menu-bar item calls trigger(). A page that needs its
    // own preparation installs a handler, which then replaces the plain page change.
    void trigger(NavAction action);
    void setNavigationHandler(NavAction action, std::function<void()> handler);
    // Steps a page adds to the log out (closing its views, emptying its fields), run in the
    // order they were added after the login page is shown.
    void addLogOutStep(std::function<void()> step);
    // The field that receives the keyboard focus when the login page shows.
    void setLoginFocusWidget(QWidget* widget) { m_loginFocus = widget; }

    // The eight menu-bar items switched by role: menu 0 to 3, item 0 or 1. The administrator's
    // items also enable the additions open to the administrator alone; disabling disables all.
    QAction* switchableItem(int menu, int item) const;
    void enableAdminItems();
    void enableWorkerItems();
    void disableSwitchableItems();
    QAction* menuItem(const QString& caption) const;

    QString programFolder() const { return m_programFolder; }
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }
    int equipmentSwitch() const { return m_equipmentSwitch; }
    void setEquipmentSwitch(int value) { m_equipmentSwitch = value; }
    const Letterhead& letterhead() const { return m_letterhead; }
    void setLetterhead(const Letterhead& letterhead) { m_letterhead = letterhead; }

    // Set by start-up; a failed date-format check ends the program when the window would be
    // shown.
    void setDateCheckFailed(bool failed) { m_dateCheckFailed = failed; }
    bool dateCheckFailed() const { return m_dateCheckFailed; }
    // Shows the window, or closes it at once when the date-format check failed. Returns
    // whether the window is shown.
    bool showOrEnd();

private:
    void buildTopStrip(QWidget* strip);
    void buildMenuBar();
    void logOut();
    void defaultNavigation(NavAction action);

    Messages& m_messages;
    std::unique_ptr<Engine> m_engine;
    std::unique_ptr<Table> m_itemTable;
    std::unique_ptr<Table> m_ledgerTable;
    std::unique_ptr<Query> m_documentResult;
    QStackedWidget* m_stack = nullptr;
    StatusPanels* m_status = nullptr;
    QHash<int, QWidget*> m_pages;
    QHash<int, std::function<void()>> m_handlers;
    QList<std::function<void()>> m_logOutSteps;
    QList<QAction*> m_switchable; // menu * 2 + item
    QList<QAction*> m_adminOnly;  // additions enabled for the administrator alone
    QList<QAction*> m_allItems;
    QWidget* m_loginFocus = nullptr;
    QString m_programFolder;
    int m_equipmentSwitch = 0;
    Letterhead m_letterhead;
    bool m_dateCheckFailed = false;
};

} // namespace kestar
