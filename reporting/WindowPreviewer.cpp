#include "reporting/WindowPreviewer.h"

#include "reporting/ReportPreviewWindow.h"

#include <QEventLoop>

namespace kestar {

bool WindowPreviewer::isPreviewOpen() const
{
    return !m_window.isNull();
}

void WindowPreviewer::closePreview()
{
    if (m_window)
        m_window->close();
}

ReportPreviewWindow* WindowPreviewer::openWindow() const
{
    return m_window.data();
}

void WindowPreviewer::raisePreview()
{
    if (!m_window)
        return;
    if (m_window->isMinimized())
        m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

void WindowPreviewer::showPreview(std::unique_ptr<ReportDocument> report)
{
    auto* window =
        new ReportPreviewWindow(std::move(report), m_messages, m_owner.data(), m_questions);
    m_window = window;
    QEventLoop loop;
    // The window deletes itself after closing; it counts as closed from the moment it closes.
    QObject::connect(window, &ReportPreviewWindow::closed, &loop, [this, &loop] {
        m_window.clear();
        loop.quit();
    });
    QObject::connect(window, &QObject::destroyed, &loop, [this, &loop] {
        m_window.clear();
        loop.quit();
    });
    window->show();
    window->raise();
    window->activateWindow();
    loop.exec();
}

} // namespace kestar
