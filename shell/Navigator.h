#pragma once

#include "shell/Navigation.h"

#include <QString>
#include <functional>

class QWidget;

namespace kestar {

// What a page may ask of the frame it lives in: its place in the page stack, the change of
// page, the status panels, the navigation actions and the log out. The main window implements
// it; a test gives a page a recording one and builds the page alone.
class Navigator
{
public:
    virtual ~Navigator() = default;

    // Puts the page at its index of the page stack; the navigator takes ownership.
    virtual void setPage(int index, QWidget* page) = 0;
    virtual void showPage(int index) = 0;
    // The index of the page shown, -1 when none is.
    virtual int currentPageIndex() const = 0;
    // The administrator's menu for the administrator, the worker's menu for anyone else.
    virtual void returnToMenu() = 0;
    // Performs a navigation action as its menu button does.
    virtual void trigger(NavAction action) = 0;
    // Shows a text in a status panel, as start-up does before anyone logs in.
    virtual void setPanel(int panel, const QString& text) = 0;
    // A page that needs its own preparation installs a handler, which then replaces the plain
    // page change of the action.
    virtual void setNavigationHandler(NavAction action, std::function<void()> handler) = 0;
    // Steps a page adds to the log out (closing its views, emptying its fields), run in the
    // order they were added after the login page is shown.
    virtual void addLogOutStep(std::function<void()> step) = 0;
    // The window the program's dialogs belong to.
    virtual QWidget* dialogParent() = 0;
};

} // namespace kestar
