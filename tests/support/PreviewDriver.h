#pragma once

#include "reporting/ReportPreviewWindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

namespace kestar::test {

// Runs action, which is to open a report preview window and wait for it; once the window shows,
// hands it to inPreview and then closes it, as the user would. Returns whether a preview
// showed (a preview that never opens leaves the action to return on its own).
inline bool whilePreviewShows(const std::function<void()>& action,
                              const std::function<void(ReportPreviewWindow&)>& inPreview)
{
    bool shown = false;
    QTimer poll;
    poll.setInterval(10);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* preview = qobject_cast<ReportPreviewWindow*>(widget);
            if (!preview || !preview->isVisible())
                continue;
            poll.stop();
            shown = true;
            inPreview(*preview);
            preview->close();
            return;
        }
        if (waited.elapsed() > 20000)
            poll.stop();
    });
    poll.start();
    action();
    return shown;
}

// Triggers one of the preview window's tool actions by object name ("PreviewSaveCsv").
inline bool triggerPreviewAction(ReportPreviewWindow& preview, const char* name)
{
    auto* action = preview.findChild<QAction*>(QString::fromLatin1(name));
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

} // namespace kestar::test
