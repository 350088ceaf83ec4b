#include "data/RowUpdates.h"

#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/RowStore.h"

namespace kestar {

namespace {

// Edits come in few shapes (a quantity, a balance, a whole form); more than this many means a
// caller that changes columns at random, and then the oldest statements are not worth keeping.
constexpr int kMaxStatements = 32;

QString ident(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

} // namespace

RowUpdates::RowUpdates(Backend& backend, const QString& qualifiedTable, const QStringList& columns)
    : m_backend(&backend), m_table(qualifiedTable), m_columns(columns)
{
}

Statement& RowUpdates::statementFor(const QList<int>& changed)
{
    auto it = m_statements.find(changed);
    if (it != m_statements.end())
        return *it.value();
    QStringList assignments;
    for (int i = 0; i < changed.size(); ++i)
        assignments.append(
            QStringLiteral("%1=?%2").arg(ident(m_columns.at(changed.at(i)))).arg(i + 1));
    std::shared_ptr<Statement> statement =
        m_backend->prepare(m_backend->spell(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?%3")
                                                .arg(m_table, assignments.join(QLatin1String(", ")))
                                                .arg(changed.size() + 1)));
    if (m_statements.size() >= kMaxStatements)
        m_statements.clear();
    return *m_statements.insert(changed, statement).value();
}

int RowUpdates::write(qint64 rowid, const QList<int>& changed, const QList<QVariant>& row)
{
    if (changed.isEmpty()) {
        // Nothing to set; still report whether the row is there, as an update would.
        if (!m_exists)
            m_exists = m_backend->prepare(
                m_backend->spell(QStringLiteral("SELECT 1 FROM %1 WHERE rowid=?1").arg(m_table)));
        m_exists->bind(1, rowid);
        const bool found = m_exists->step();
        m_exists->reset();
        return found ? 1 : 0;
    }
    Statement& update = statementFor(changed);
    for (int i = 0; i < changed.size(); ++i)
        update.bind(i + 1, row.at(changed.at(i)));
    update.bind(changed.size() + 1, rowid);
    update.run();
    return int(update.changes());
}

RowUpdates::Since RowUpdates::since(qint64 rowid, const QList<int>& compared,
                                    const QList<QVariant>& read)
{
    auto kept = m_locks.find(compared);
    if (kept == m_locks.end()) {
        QStringList columns;
        for (const int column : compared)
            columns.append(ident(m_columns.at(column)));
        if (columns.isEmpty())
            columns.append(QStringLiteral("1"));
        std::shared_ptr<Statement> statement = m_backend->prepare(
            m_backend->spell(QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?1")
                                 .arg(columns.join(QLatin1String(", ")), m_table)) +
            m_backend->lockForUpdate());
        if (m_locks.size() >= kMaxStatements)
            m_locks.clear();
        kept = m_locks.insert(compared, statement);
    }
    Statement& lockRow = *kept.value();
    // The values go through a row store, as every read of the cursors does, so that both
    // sides of the comparison have the same types.
    RowStore now(int(compared.size()));
    bool found = false;
    {
        const ResetOnExit reset(lockRow);
        lockRow.bind(1, rowid);
        found = lockRow.step();
        if (found && !compared.isEmpty())
            now.append(lockRow, 0);
    }
    if (!found)
        return Since::Gone;
    if (compared.isEmpty())
        return Since::Unchanged;
    QList<QVariant> before;
    for (const int column : compared)
        before.append(read.value(column));
    return changedColumns(before, now.row(0)).isEmpty() ? Since::Unchanged : Since::Changed;
}

QString RowUpdates::refusal(Since since, bool deleting)
{
    if (since == Since::Gone)
        return deleting ? QStringLiteral("Ovaj red je u medjuvremenu obrisan!!! Prikazani su "
                                         "redovi kakvi su sada.")
                        : QStringLiteral("Ovaj red je u medjuvremenu obrisan!!! Izmena nije "
                                         "upamcena.");
    return deleting ? QStringLiteral("Ovaj red je u medjuvremenu promenio drugi korisnik!!! Red "
                                     "nije obrisan; prikazan je red kakav je sada. Ako i dalje "
                                     "treba da se obrise, obrisite ga ponovo.")
                    : QStringLiteral("Ovaj red je u medjuvremenu promenio drugi korisnik!!! "
                                     "Izmena nije upamcena; prikazan je red kakav je sada. "
                                     "Ponovite izmenu.");
}

void RowUpdates::writeUnlessChanged(Engine& engine, const QString& path, const QObject* writer,
                                    bool deleting, const std::function<Since()>& check,
                                    const std::function<void()>& work,
                                    const std::function<void()>& showAsItIs)
{
    Since since = Since::Unchanged;
    try {
        engine.write(path, writer, [&]() {
            since = check();
            if (since != Since::Unchanged)
                throw EngineError(refusal(since, deleting));
            work();
        });
    } catch (const EngineError&) {
        if (since == Since::Unchanged)
            throw;
        showAsItIs();
        throw;
    }
}

QList<int> changedColumns(const QList<QVariant>& original, const QList<QVariant>& row)
{
    QList<int> changed;
    for (int i = 0; i < row.size(); ++i) {
        const QVariant& before = i < original.size() ? original.at(i) : QVariant();
        const QVariant& after = row.at(i);
        if (before.typeId() != after.typeId() || before != after)
            changed.append(i);
    }
    return changed;
}

} // namespace kestar
