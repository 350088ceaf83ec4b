#include "data/sql/SqlDialect.h"

#include "data/sql/SqlParser.h"
#include "data/sql/SqlTranslator.h"

namespace kestar::sql {

Translation translate(const QString& statement, const TableResolver& resolve,
                      const Backend* backend)
{
    // The whole statement is read before the table is resolved, so that a mistake in the
    // text is reported as such and not as a table that cannot be opened.
    const ast::Select select = parse(statement);
    const TableInfo table = resolve(select.table.text);
    return SqlTranslator(select, table, backend).translate();
}

QString quoted(const QString& value)
{
    return QString(value).replace(QLatin1Char('\''), QLatin1String("''"));
}

} // namespace kestar::sql
