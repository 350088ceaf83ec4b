#pragma once

#include "reporting/ReportPreviewer.h"

#include <QList>

namespace kestar::test {

// A previewer for tests: lays out and keeps every page of the report it is given and returns
// at once, as if the user had closed the preview straight away.
class CapturingPreviewer : public ReportPreviewer
{
public:
    struct Capture
    {
        QString title;
        ReportPages pages;
    };

    const QList<Capture>& captured() const { return m_captured; }
    qsizetype count() const { return m_captured.size(); }
    // The pages of the last preview; empty pages when there was none.
    const ReportPages& last() const
    {
        return m_captured.isEmpty() ? m_none : m_captured.last().pages;
    }
    void clear() { m_captured.clear(); }

    // While set, the previewer behaves as if a preview were open: nothing is captured and
    // the callers are told so.
    void setPreviewOpen(bool open) { m_open = open; }
    bool isPreviewOpen() const override { return m_open; }
    void closePreview() override { m_open = false; }
    int raiseCount() const { return m_raised; }

protected:
    void raisePreview() override { ++m_raised; }
    void showPreview(std::unique_ptr<ReportDocument> report) override
    {
        m_captured.append({report->title(), report->allPages()});
    }

private:
    QList<Capture> m_captured;
    ReportPages m_none;
    bool m_open = false;
    int m_raised = 0;
};

} // namespace kestar::test
