#pragma once

#include "reporting/ReportDefinition.h"
#include "reporting/ReportDocument.h"
#include "reporting/ReportPages.h"
#include "reporting/RowSource.h"

#include <QString>
#include <memory>

namespace kestar {

enum class PreviewOutcome
{
    Shown,       // the preview was shown, and closed again by the user
    AlreadyOpen, // a preview was open already: it was brought to the front, nothing else done
};

// How the pages show a report: the real previewer opens the preview window and returns when
// the user has closed it; tests capture the pages instead. Only one preview is open at a time.
class ReportPreviewer
{
public:
    virtual ~ReportPreviewer() = default;

    PreviewOutcome preview(const QString& title, ReportPages pages);
    // Only when no preview is open: takes what the report prints from the source (the source
    // may change or go once this returns) and shows the report, laid out page by page as the
    // preview asks for pages.
    PreviewOutcome preview(const QString& title, const ReportDefinition& definition,
                           const RowSource& source);

    virtual bool isPreviewOpen() const = 0;
    // Closes the open preview, if any, as its own close button would (log out leaves none
    // behind for the next user).
    virtual void closePreview() = 0;

protected:
    virtual void raisePreview() = 0;
    virtual void showPreview(std::unique_ptr<ReportDocument> report) = 0;
};

} // namespace kestar
