#pragma once

#include "reporting/ReportDefinition.h"

#include <QFont>
#include <QString>

namespace kestar {

// The family a report font is drawn with. The report definitions name the fonts of the
// office machines they were drawn for; each is drawn with its metric twin from
// fonts-liberation2, so that texts keep their widths: Arial -> Liberation Sans,
// Times New Roman -> Liberation Serif, Courier New -> Liberation Mono. Other names are kept.
QString printedFamily(const QString& family);

// The font for a report text at a given size in points (the size already scaled for zoom).
QFont reportFont(const FontSpec& spec, double pointSize);

} // namespace kestar
