#pragma once

#include "shell/Navigation.h"

#include <QString>
#include <functional>

class QWidget;

namespace kestar {

// What a page may ask of the frame it lives in: its place in the page stack, the change of
// page, the status panels, the navigation actions and the log out. The main window implements
// it; a test gives a page a recording one and builds the page alone.
//
// Pages and actions are named by keys (Navigation.h). Registering a page under its key also
// makes the key an action that shows the page; a menu button names the key of its action.
class Navigator
{
public:
    virtual ~Navigator() = default;

    // Puts the page into the page stack under its key, and makes the key an action that shows
    // the page, open to those access allows. The navigator takes ownership of the page.
    virtual void addPage(const QString& key, QWidget* page,
                         Access access = Access::Administrator) = 0;
    // Shows the page registered under the key; nothing happens for a key without a page.
    virtual void showPage(const QString& key) = 0;
    // The key of the page shown, "" when none is.
    virtual QString currentPage() const = 0;
    // The administrator's menu for the administrator, the worker's menu for anyone else.
    virtual void returnToMenu() = 0;
    // Performs the action named by the key as its menu button does.
    virtual void trigger(const QString& key) = 0;
    // Makes the key an action that runs the handler, open to those access allows. For the key
    // of a page that needs its own preparation it replaces the plain page change.
    virtual void registerAction(const QString& key, Access access,
                                std::function<void()> handler) = 0;
    // Shows a text in a status panel, as start-up does before anyone logs in.
    virtual void setPanel(int panel, const QString& text) = 0;
    // Steps a page adds to the log out (closing its views, emptying its fields), run in the
    // order they were added after the login page is shown.
    virtual void addLogOutStep(std::function<void()> step) = 0;
    // The window the program's dialogs belong to.
    virtual QWidget* dialogParent() = 0;
};

} // namespace kestar
