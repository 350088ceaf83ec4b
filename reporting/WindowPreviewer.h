#pragma once

#include "reporting/ReportPreviewer.h"

#include <QPointer>
#include <QWidget>

namespace kestar {

class FileQuestions;
class Messages;
class ReportPreviewWindow;

// Shows a report in the preview window and waits, in an event loop of its own, until the user
// closes it; the owner window stays usable meanwhile. A call while the preview is open brings
// that preview to the front and returns at once.
class WindowPreviewer : public ReportPreviewer
{
public:
    // messages: where the previews tell a failed print or save; owner: the window the previews
    // belong to (may be null); questions: how the previews ask for the files they save (null:
    // the system's file dialog).
    explicit WindowPreviewer(Messages& messages, QWidget* owner = nullptr,
                             FileQuestions* questions = nullptr)
        : m_messages(messages), m_owner(owner), m_questions(questions)
    {
    }

    bool isPreviewOpen() const override;
    void closePreview() override;
    // The open preview, nullptr when there is none.
    ReportPreviewWindow* openWindow() const;

protected:
    void raisePreview() override;
    void showPreview(std::unique_ptr<ReportDocument> report) override;

private:
    Messages& m_messages;
    QPointer<QWidget> m_owner;
    FileQuestions* m_questions = nullptr;
    QPointer<ReportPreviewWindow> m_window;
};

} // namespace kestar
