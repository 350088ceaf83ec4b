#pragma once

#include "shell/Navigator.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <functional>

class QAction;
class QStackedWidget;

namespace kestar {

class StatusPanels;
class Workplace;

// The one main window (TForm1): top strip, page stack, status bar and menu bar. It is the
// frame only: the data session is the Workplace, which outlives it, and the pages are handed
// to it by the application. The status panels show the workplace's user and last numbers.
class MainWindow : public QMainWindow, public Navigator
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 791;
    static constexpr int kClientHeight = 556;

    explicit MainWindow(Workplace& workplace, QWidget* parent = nullptr);
    ~MainWindow() override;

    Workplace& workplace() const { return m_workplace; }

    // Pages by key, in the order they were added; adding a page under a key that has one
    // replaces it (the window takes ownership).
    void addPage(const QString& key, QWidget* page, Access access = Access::Administrator) override;
    QWidget* page(const QString& key) const;
    void showPage(const QString& key) override;
    QString currentPage() const override;

    QString panel(int number) const;
    void setPanel(int number, const QString& text) override;

    // Applies the return-to-menu rule: exactly "Administrator" as the user shows the admin
    // menu, anything else the worker menu.
    void returnToMenu() override;

    // Navigation: every menu button and menu-bar item calls trigger() with its key (a menu-bar
    // item holds it as its data). An action a worker may not take shows the refusal instead.
    void trigger(const QString& key) override;
    void registerAction(const QString& key, Access access, std::function<void()> handler) override;
    bool hasAction(const QString& key) const;
    void addLogOutStep(std::function<void()> step) override;
    QWidget* dialogParent() override { return this; }
    // The field that receives the keyboard focus when the login page shows.
    void setLoginFocusWidget(QWidget* widget) { m_loginFocus = widget; }

    // The eight menu-bar items switched by role: menu 0 to 3, item 0 or 1. The administrator's
    // items also enable the additions open to the administrator alone; disabling disables all.
    QAction* switchableItem(int menu, int item) const;
    void enableAdminItems();
    void enableWorkerItems();
    void disableSwitchableItems();
    QAction* menuItem(const QString& caption) const;

    // Shows the window, or closes it at once when the workplace's date-format check failed.
    // Returns whether the window is shown.
    bool showOrEnd();

private:
    void buildTopStrip(QWidget* strip);
    void buildMenuBar();
    void showSession();
    void logOut();

    Workplace& m_workplace;
    QStackedWidget* m_stack = nullptr;
    StatusPanels* m_status = nullptr;
    struct Action
    {
        Access access;
        std::function<void()> run;
    };
    QHash<QString, QWidget*> m_pages;
    QHash<QString, Action> m_actions;
    QList<std::function<void()>> m_logOutSteps;
    QList<QAction*> m_switchable; // menu * 2 + item
    QList<QAction*> m_adminOnly;  // additions enabled for the administrator alone
    QList<QAction*> m_allItems;
    QWidget* m_loginFocus = nullptr;
};

} // namespace kestar
