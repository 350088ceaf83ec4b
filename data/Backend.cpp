#include "data/Backend.h"

namespace kestar {

namespace {

QString quotedName(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

void runForEach(Statement& statement, const QList<QList<QVariant>>& rows)
{
    for (const QList<QVariant>& row : rows) {
        for (int i = 0; i < row.size(); ++i)
            statement.bind(i + 1, row.at(i));
        statement.run();
    }
}

} // namespace

void Backend::insertRows(const QString& table, const QStringList& columns,
                         const QList<QList<QVariant>>& rows)
{
    if (rows.isEmpty())
        return;
    QStringList names, parameters;
    for (int i = 0; i < columns.size(); ++i) {
        names.append(quotedName(columns.at(i)));
        parameters.append(parameter(i + 1));
    }
    const std::unique_ptr<Statement> insert = prepare(
        QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(table, names.join(QStringLiteral(", ")), parameters.join(QStringLiteral(", "))));
    runForEach(*insert, rows);
}

void Backend::updateRows(const QString& table, const QList<FieldDef>& columns,
                         const QList<QList<QVariant>>& rows)
{
    if (rows.isEmpty() || columns.size() < 2)
        return;
    QStringList assignments;
    for (int i = 1; i < columns.size(); ++i)
        assignments.append(quotedName(columns.at(i).name) + QStringLiteral(" = ") +
                           parameter(i + 1));
    const std::unique_ptr<Statement> update =
        prepare(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = %4")
                    .arg(table, assignments.join(QStringLiteral(", ")),
                         quotedName(columns.first().name), parameter(1)));
    runForEach(*update, rows);
}

QString Backend::spell(const QString& sql) const
{
    const QString id = rowId();
    QString spelled;
    spelled.reserve(sql.size());
    QChar quote;
    for (qsizetype i = 0; i < sql.size();) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            spelled.append(c);
            if (c == quote)
                quote = QChar();
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
            spelled.append(c);
            ++i;
            continue;
        }
        const bool wordStart = i == 0 || !(sql.at(i - 1).isLetterOrNumber() ||
                                           sql.at(i - 1) == u'_' || sql.at(i - 1) == u'.');
        if (c == u'?' && i + 1 < sql.size() && sql.at(i + 1).isDigit()) {
            qsizetype end = i + 1;
            while (end < sql.size() && sql.at(end).isDigit())
                ++end;
            spelled.append(parameter(sql.mid(i + 1, end - i - 1).toInt()));
            i = end;
            continue;
        }
        if (wordStart && (c.isLetter() || c == u'_')) {
            qsizetype end = i;
            while (end < sql.size() && (sql.at(end).isLetterOrNumber() || sql.at(end) == u'_'))
                ++end;
            const QStringView word = QStringView(sql).mid(i, end - i);
            if (word == u"rowid" || word == u"_rowid_")
                spelled.append(id);
            else
                spelled.append(word);
            i = end;
            continue;
        }
        spelled.append(c);
        ++i;
    }
    return spelled;
}

} // namespace kestar
