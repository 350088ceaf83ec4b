#include "reporting/ReportPreviewer.h"

namespace kestar {

PreviewOutcome ReportPreviewer::preview(const QString& title, ReportPages pages)
{
    if (isPreviewOpen()) {
        raisePreview();
        return PreviewOutcome::AlreadyOpen;
    }
    if (!title.isEmpty())
        pages.title = title;
    showPreview(std::make_unique<ReportDocument>(std::move(pages)));
    return PreviewOutcome::Shown;
}

PreviewOutcome ReportPreviewer::preview(const QString& title, const ReportDefinition& definition,
                                        const RowSource& source)
{
    if (isPreviewOpen()) {
        raisePreview();
        return PreviewOutcome::AlreadyOpen;
    }
    showPreview(std::make_unique<ReportDocument>(definition, source, title));
    return PreviewOutcome::Shown;
}

} // namespace kestar
