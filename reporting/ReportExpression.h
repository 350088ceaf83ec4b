#pragma once

#include <QString>
#include <QStringList>

namespace kestar {

// The expressions a report computes: the product of one or more fields of the current row,
// the difference of two fields, or the sum of either over every detail row. Evaluated in
// double; an empty value, or one that is not a number, counts as 0.
struct ReportExpression
{
    QStringList factors; // field names, without a dataset qualifier
    bool sum = false;
    // The first field less the second (factors then holds exactly two names).
    bool difference = false;

    // Reads "KOLICINA * CENANABAVNA", "Query5.KOLICINA * Query5.CENANABAVNA",
    // "SUM(Query5.KOLICINA*Query5.CENANABAVNA)", "MINKOLICINA - KOLICINA" or a single field;
    // letter case of SUM is ignored. Anything else throws std::invalid_argument naming the
    // expression.
    static ReportExpression parse(const QString& text);

    QString toString() const;
};

} // namespace kestar
