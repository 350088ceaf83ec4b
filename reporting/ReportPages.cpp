#include "reporting/ReportPages.h"

namespace kestar {

QStringList ReportPage::textsOf(const QString& element) const
{
    QStringList result;
    for (const PageText& text : texts) {
        if (text.element == element)
            result.append(text.text);
    }
    return result;
}

const PageText* ReportPage::find(const QString& element) const
{
    for (const PageText& text : texts) {
        if (text.element == element)
            return &text;
    }
    return nullptr;
}

} // namespace kestar
