#include "reporting/ReportLayout.h"

namespace kestar {

ReportPages layoutReport(const ReportDefinition& definition, const RowSource& source,
                         const QString& title)
{
    return ReportFlow(definition, source).layOutAll(title);
}

} // namespace kestar
