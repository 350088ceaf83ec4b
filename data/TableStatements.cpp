#include "data/TableStatements.h"

#include "data/Backend.h"
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

std::unique_ptr<TableStatements> TableStatements::prepare(Backend& db, const TableFile& file,
                                                          const QString& orderColumn, bool keyed,
                                                          qint64 orderStep)
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

    // Written in SQLite's spelling; the backend puts them in its own.
    const auto prepare = [&db](const QString& text) { return db.prepare(db.spell(text)); };
    auto sql = std::make_unique<TableStatements>();
    sql->first = prepare(select + asc + " LIMIT 1");
    sql->last = prepare(select + desc + " LIMIT 1");
    sql->walkNext = prepare(select + after + asc + " LIMIT ?3");
    sql->walkPrior = prepare(select + before + desc + " LIMIT ?3");
    sql->after = prepare(select + after + asc + " LIMIT 1");
    sql->before = prepare(select + before + desc + " LIMIT 1");
    sql->byRowid = prepare(select + "WHERE rowid = ?1");
    if (!db.lockForUpdate().isEmpty())
        sql->lockRow = prepare(select + "WHERE rowid = ?1" + db.lockForUpdate());
    sql->nearest = prepare(select + QStringLiteral("WHERE %1 >= ?1").arg(v) + asc + " LIMIT 1");
    sql->count = prepare(QStringLiteral("SELECT count(*) FROM %1").arg(t));
    sql->countBefore = prepare(QStringLiteral("SELECT count(*) FROM %1 ").arg(t) + before);
    sql->offsetFirst = prepare(place + asc + " LIMIT 1 OFFSET ?1");
    sql->offsetLast = prepare(place + desc + " LIMIT 1 OFFSET ?1");
    sql->offsetAfter = prepare(place + after + asc + " LIMIT 1 OFFSET ?3");
    sql->offsetBefore = prepare(place + before + desc + " LIMIT 1 OFFSET ?3");
    sql->from =
        prepare(select + QStringLiteral("WHERE %1 >= ?1 AND (%1 > ?1 OR rowid >= ?2)").arg(v) +
                asc + " LIMIT ?3");
    const int n = file.fields.size();
    if (keyed) {
        sql->insert = prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                  .arg(t, columns.join(", "), parameters.join(", ")));
    } else {
        sql->insert = prepare(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, ?%5)")
                                  .arg(t, columns.join(", "), v, parameters.join(", "))
                                  .arg(n + 1));
        sql->renumber =
            prepare(QStringLiteral("UPDATE %1 AS tgt SET %2 = r.n * %3 FROM (SELECT rowid AS id, "
                                   "row_number() OVER (ORDER BY %2, rowid) AS n FROM %1) AS r "
                                   "WHERE tgt.rowid = r.id")
                        .arg(t, v)
                        .arg(orderStep));
    }
    sql->updates = RowUpdates(db, t, names);
    sql->remove = prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(t));
    return sql;
}

} // namespace kestar
