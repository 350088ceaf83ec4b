#pragma once

#include "shell/Navigator.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QStringList>
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

    void addPage(const QString& key, QWidget* page, Access access = Access::Administrator) override
    {
        page->setParent(m_host.get());
        m_pages.insert(key, page);
        if (!m_actions.contains(key))
            registerAction(key, access, [this, key] { showPage(key); });
    }
    void showPage(const QString& key) override
    {
        shown.append(key);
        m_current = key;
    }
    QString currentPage() const override { return m_current; }
    void returnToMenu() override { ++returnsToMenu; }
    void trigger(const QString& key) override
    {
        triggered.append(key);
        const auto action = m_actions.constFind(key);
        if (action != m_actions.constEnd())
            (*action)();
    }
    void setPanel(int panel, const QString& text) override { panels.insert(panel, text); }
    void registerAction(const QString& key, Access, std::function<void()> handler) override
    {
        m_actions.insert(key, std::move(handler));
    }
    void addLogOutStep(std::function<void()> step) override { logOutSteps.append(step); }
    QWidget* dialogParent() override { return m_host.get(); }

    QWidget* page(const QString& key) const { return m_pages.value(key); }
    void logOut() const
    {
        for (const auto& step : logOutSteps)
            step();
    }

    QStringList shown;
    QStringList triggered;
    int returnsToMenu = 0;
    QMap<int, QString> panels;
    QList<std::function<void()>> logOutSteps;

private:
    std::unique_ptr<QWidget> m_host;
    QHash<QString, QWidget*> m_pages;
    QHash<QString, std::function<void()>> m_actions;
    QString m_current;
};

} // namespace kestar::test
