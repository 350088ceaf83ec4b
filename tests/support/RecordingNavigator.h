#pragma once

#include "shell/Navigator.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QWidget>
#include <functional>
#include <memory>

namespace kestar::test {

// A navigator for a page built alone: it keeps the pages handed to it in a plain host widget
// and records every request, so a test sees where the page wanted to go.
class RecordingNavigator : public Navigator
{
public:
    RecordingNavigator() : m_host(std::make_unique<QWidget>()) {}

    void setPage(int index, QWidget* page) override
    {
        page->setParent(m_host.get());
        m_pages.insert(index, page);
    }
    void showPage(int index) override
    {
        shown.append(index);
        m_current = index;
    }
    int currentPageIndex() const override { return m_current; }
    void returnToMenu() override { ++returnsToMenu; }
    void trigger(NavAction action) override
    {
        triggered.append(action);
        const auto handler = m_handlers.constFind(int(action));
        if (handler != m_handlers.constEnd())
            (*handler)();
    }
    void setPanel(int panel, const QString& text) override { panels.insert(panel, text); }
    void setNavigationHandler(NavAction action, std::function<void()> handler) override
    {
        m_handlers.insert(int(action), std::move(handler));
    }
    void addLogOutStep(std::function<void()> step) override { logOutSteps.append(step); }
    QWidget* dialogParent() override { return m_host.get(); }

    QWidget* page(int index) const { return m_pages.value(index); }
    void logOut() const
    {
        for (const auto& step : logOutSteps)
            step();
    }

    QList<int> shown;
    QList<NavAction> triggered;
    int returnsToMenu = 0;
    QMap<int, QString> panels;
    QList<std::function<void()>> logOutSteps;

private:
    std::unique_ptr<QWidget> m_host;
    QHash<int, QWidget*> m_pages;
    QHash<int, std::function<void()>> m_handlers;
    int m_current = -1;
};

} // namespace kestar::test
