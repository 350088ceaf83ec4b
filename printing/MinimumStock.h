#pragma once

#include "reporting/ReportDefinition.h"

#include <QList>
#include <QString>

namespace kestar {

class RowSource;
struct Letterhead;

// The articles whose stock (KOLICINA) has fallen below their minimum (MINKOLICINA), with the
// shortfall and the quantity to order (KOLICINAZANABAVKU). An article without a minimum (empty
// or 0) is never listed; an empty stock counts as 0.
namespace MinimumStock {

inline constexpr const char* kTitle = "Roba ispod minimalne kolicine";

// The statement for the articles to look at: the whole warehouse, or only the group of that
// name (equal character for character), ordered by group name and code.
QString statement(const QString& groupName, bool onlyThatGroup);

// The rows of articles (fields of magacin) that lie below their minimum, in source order.
QList<qint64> belowMinimum(const RowSource& articles);

// The report: the shared letterhead and footer, the title with the date and the scope (the
// group or the whole warehouse), the column headings, one line per article and the number of
// articles listed.
ReportDefinition definition(const Letterhead& letterhead, const QString& groupName,
                            bool onlyThatGroup);

} // namespace MinimumStock
} // namespace kestar
