#pragma once

#include "data/sql/SqlAst.h"
#include "data/sql/SqlDialect.h"

#include <optional>

namespace kestar::sql {

// Checks a parsed statement against the table it names and writes it as the backend's SQL
// (SQLite's when no backend is given).
//
// Promises of the output:
// - every field is checked against TableInfo::fields without regard to case and written with
//   the stored spelling, double-quoted; an unknown one raises "Invalid field name: X";
// - result columns are named by the stored field name, a SUM by its alias in upper case, or
//   "SUM OF <FIELD>" without one; "*" stands for TableInfo::fields in order;
// - on SQLite, column references stay bare (no CAST, COLLATE or expression around them), so
//   that the column's affinity makes a quoted number compare as a number with a number field;
//   where the backend compares typed values (Backend::typedComparisons(), PostgreSQL), a
//   literal compared with a field is written in the field's type instead (a text that is no
//   number matches nothing with "=" and every present value with "<>"), and a field of
//   another type than text goes through Backend::asText() and the case-folding LIKE wraps
//   its operand (Backend::foldingLike());
// - rows come in the table's natural order without ORDER BY, grouped rows by their group
//   columns; an ORDER BY is followed by the natural (or, grouped, the group) columns as a
//   tie-break, so equal keys keep the table's order;
// - a statement without grouping and without SUM is live: _rowid_ comes first in the result;
// - the restricted and paged forms (Translation) keep the condition whole and only add to it.
class SqlTranslator
{
public:
    SqlTranslator(const ast::Select& select, const TableInfo& table,
                  const Backend* backend = nullptr);

    Translation translate() const;

private:
    QString field(const ast::Name& name) const;
    QString condition(const ast::Condition& condition) const;
    void collectLikes(const ast::Condition& condition,
                      QList<std::pair<QString, QString>>& likes) const;
    QString operand(const ast::Operand& operand) const;
    QString comparison(const ast::Condition& condition, const QString& op) const;
    QString like(const ast::Condition& condition) const;
    QString orderTerm(const QString& column, bool descending) const;
    std::optional<FieldType> typeOf(const ast::Operand& operand) const;
    QStringList resultColumns(Translation& translation) const;
    QStringList orderTerms(const QStringList& sumAliases, const QStringList& groupFields) const;
    void checkGrouping(const QStringList& groupFields) const;

    const ast::Select& m_select;
    const TableInfo& m_table;
    const Backend* m_backend = nullptr;
    bool m_grouped = false;
};

// The name as SQLite reads it: in double quotes, inner double quotes doubled.
QString quotedName(const QString& name);

// The text as an SQLite string literal: in single quotes, inner single quotes doubled.
QString quotedLiteral(const QString& text);

} // namespace kestar::sql
