#include "reporting/ReportFonts.h"

namespace kestar {

QString printedFamily(const QString& family)
{
    const QString key = family.trimmed().toLower();
    if (key == QLatin1String("arial") || key == QLatin1String("helvetica") ||
        key == QLatin1String("ms sans serif"))
        return QStringLiteral("Liberation Sans");
    if (key == QLatin1String("times new roman") || key == QLatin1String("times"))
        return QStringLiteral("Liberation Serif");
    if (key == QLatin1String("courier new") || key == QLatin1String("courier"))
        return QStringLiteral("Liberation Mono");
    return family;
}

QFont reportFont(const FontSpec& spec, double pointSize)
{
    QFont font(printedFamily(spec.family));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize > 0 ? pointSize : 1);
    font.setBold(spec.bold);
    // Unhinted glyphs keep the same proportions on screen at every zoom as on paper.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace kestar
