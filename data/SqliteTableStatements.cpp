#include "data/SqliteTableStatements.h"

#include "data/Engine.h"

#include <QStringList>

namespace kestar {

namespace {

QString ident(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

std::unique_ptr<SqliteTableStatements> SqliteTableStatements::prepare(sqlite3* db,
                                                                      const TableFile& file,
                                                                      const QString& orderColumn,
                                                                      bool keyed, qint64 orderStep)
{
    const QString t = file.qualified;
    const QString v = ident(orderColumn);
    QStringList names, columns, parameters;
    for (int i = 0; i < file.fields.size(); ++i) {
        names.append(file.fields.at(i).name);
        columns.append(ident(file.fields.at(i).name));
        parameters.append(QStringLiteral("?%1").arg(i + 1));
    }
    const QString select =
        QStringLiteral("SELECT rowid, %1, %2 FROM %3 ").arg(v, columns.join(", "), t);
    const QString place = QStringLiteral("SELECT rowid, %1 FROM %2 ").arg(v, t);
    const QString asc = QStringLiteral(" ORDER BY %1, rowid").arg(v);
    const QString desc = QStringLiteral(" ORDER BY %1 DESC, rowid DESC").arg(v);
    const QString after = QStringLiteral("WHERE %1 >= ?1 AND (%1 > ?1 OR rowid > ?2)").arg(v);
    const QString before = QStringLiteral("WHERE %1 <= ?1 AND (%1 < ?1 OR rowid < ?2)").arg(v);

    auto sql = std::make_unique<SqliteTableStatements>();
    sql->first = SqliteStatement(db, select + asc + " LIMIT 1");
    sql->last = SqliteStatement(db, select + desc + " LIMIT 1");
    sql->walkNext = SqliteStatement(db, select + after + asc + " LIMIT ?3");
    sql->walkPrior = SqliteStatement(db, select + before + desc + " LIMIT ?3");
    sql->after = SqliteStatement(db, select + after + asc + " LIMIT 1");
    sql->before = SqliteStatement(db, select + before + desc + " LIMIT 1");
    sql->byRowid = SqliteStatement(db, select + "WHERE rowid = ?1");
    sql->nearest =
        SqliteStatement(db, select + QStringLiteral("WHERE %1 >= ?1").arg(v) + asc + " LIMIT 1");
    sql->count = SqliteStatement(db, QStringLiteral("SELECT count(*) FROM %1").arg(t));
    sql->countBefore =
        SqliteStatement(db, QStringLiteral("SELECT count(*) FROM %1 ").arg(t) + before);
    sql->offsetFirst = SqliteStatement(db, place + asc + " LIMIT 1 OFFSET ?1");
    sql->offsetLast = SqliteStatement(db, place + desc + " LIMIT 1 OFFSET ?1");
    sql->offsetAfter = SqliteStatement(db, place + after + asc + " LIMIT 1 OFFSET ?3");
    sql->offsetBefore = SqliteStatement(db, place + before + desc + " LIMIT 1 OFFSET ?3");
    sql->from = SqliteStatement(
        db, select + QStringLiteral("WHERE %1 >= ?1 AND (%1 > ?1 OR rowid >= ?2)").arg(v) + asc +
                " LIMIT ?3");
    const int n = file.fields.size();
    if (keyed) {
        sql->insert = SqliteStatement(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                              .arg(t, columns.join(", "), parameters.join(", ")));
    } else {
        sql->insert = SqliteStatement(db, QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, ?%5)")
                                              .arg(t, columns.join(", "), v, parameters.join(", "))
                                              .arg(n + 1));
        sql->renumber = SqliteStatement(
            db, QStringLiteral("UPDATE %1 AS tgt SET %2 = r.n * %3 FROM (SELECT rowid AS id, "
                               "row_number() OVER (ORDER BY %2, rowid) AS n FROM %1) AS r "
                               "WHERE tgt.rowid = r.id")
                    .arg(t, v)
                    .arg(orderStep));
    }
    sql->updates = SqliteUpdates(db, t, names);
    sql->remove = SqliteStatement(db, QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(t));
    return sql;
}

} // namespace kestar
