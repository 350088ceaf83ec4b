#include "reporting/ReportPreviewer.h"

#include "reporting/ReportLayout.h"

namespace kestar {

PreviewOutcome ReportPreviewer::preview(const QString& title, ReportPages pages)
{
    if (isPreviewOpen()) {
        raisePreview();
        return PreviewOutcome::AlreadyOpen;
    }
    if (!title.isEmpty())
        pages.title = title;
    showPreview(std::move(pages));
    return PreviewOutcome::Shown;
}

PreviewOutcome ReportPreviewer::preview(const QString& title, const ReportDefinition& definition,
                                        const RowSource& source)
{
    if (isPreviewOpen()) {
        raisePreview();
        return PreviewOutcome::AlreadyOpen;
    }
    return preview(title, layoutReport(definition, source, title));
}

} // namespace kestar
