#include "data/pg/PgSharedData.h"

#include "data/Backend.h"
#include "data/CodePage.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FileSharedData.h"
#include "data/Statement.h"
#include "data/TextFiles.h"

namespace kestar {

namespace {

const QString kCompany = QStringLiteral("firma.txt");
const QString kGroupNames = QStringLiteral("grupe.txt");
const QString kGroupCodes = QStringLiteral("sgrupe.txt");
const QString kEquipment = QStringLiteral("oprema.txt");

QString storedLines(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    return text;
}

QStringList linesOf(const QString& stored)
{
    return TextFiles::splitLines(stored);
}

QString missingRowText(const QString& name)
{
    return QStringLiteral("U bazi podataka nema zapisa %1!!!").arg(name);
}

QString counterName(Counter counter)
{
    return QString::fromLatin1(counterFileName(counter));
}

// The counters of one change of the tables. Inside a transaction their writes are statements
// of it and a failed commit takes them back with the tables; outside one the former rows are
// written back by undoAfter().
class PgCounterChange : public CounterChange
{
public:
    PgCounterChange(PgSharedData& data, QStringList names, QList<std::optional<QStringList>> before)
        : m_data(data), m_names(std::move(names)), m_before(std::move(before))
    {
    }

    void write(const QStringList& values) override
    {
        QList<std::pair<QString, QStringList>> rows;
        for (qsizetype i = 0; i < m_names.size() && i < values.size(); ++i)
            rows.append({m_names.at(i), {values.at(i)}});
        m_ownTransaction = !m_data.inTransaction();
        m_data.write(rows);
        m_written = rows.size();
    }

    QString undoAfter(const QString& error) override
    {
        const qsizetype written = m_written;
        m_written = 0;
        if (written == 0 || !m_ownTransaction)
            return error;
        QList<std::pair<QString, QStringList>> kept;
        QStringList absent;
        for (qsizetype i = 0; i < written; ++i) {
            if (m_before.at(i))
                kept.append({m_names.at(i), *m_before.at(i)});
            else
                absent.append(m_names.at(i));
        }
        try {
            if (!kept.isEmpty())
                m_data.write(kept);
            if (!absent.isEmpty())
                m_data.remove(absent);
        } catch (const EngineError& failure) {
            return error + QLatin1Char('\n') + failure.text();
        }
        return error;
    }

private:
    PgSharedData& m_data;
    QStringList m_names;
    QList<std::optional<QStringList>> m_before;
    qsizetype m_written = 0;
    bool m_ownTransaction = false;
};

} // namespace

PgSharedData::PgSharedData(Engine& engine) : m_engine(engine) {}

void PgSharedData::createTable(Backend& database)
{
    if (!database.tableNamed(QString::fromLatin1(kTable)).isEmpty())
        throw EngineError(QStringLiteral("Table already exists: %1").arg(kTable));
    database.exec(createStatement());
}

QString PgSharedData::createStatement()
{
    return QStringLiteral("CREATE TABLE %1 (datoteka text COLLATE \"C\" NOT NULL PRIMARY KEY, "
                          "redovi text NOT NULL)")
        .arg(kTable);
}

QString PgSharedData::missingTableText()
{
    return QStringLiteral("U bazi podataka nema tabele %1, koja cuva brojace, podatke o firmi, "
                          "grupe i opremu: bazu je napravila starija verzija programa. Napravite "
                          "back up i vratite ga u bazu programom kestar-setup restore!!!")
        .arg(kTable);
}

QStringList PgSharedData::rowNames()
{
    return FileSharedData::fileNames();
}

QByteArray PgSharedData::fileBytes(const QString& name, const QString& stored)
{
    return TextFiles::encodeLines(name, linesOf(stored));
}

QString PgSharedData::storedText(const QByteArray& bytes)
{
    return storedLines(TextFiles::splitLines(CodePage::decode(bytes)));
}

bool PgSharedData::inTransaction() const
{
    return m_engine.inTransaction();
}

void PgSharedData::requireTable()
{
    if (m_tableSeen)
        return;
    if (m_engine.backend().tableNamed(QString::fromLatin1(kTable)).isEmpty())
        throw EngineError(missingTableText());
    m_tableSeen = true;
}

std::optional<QStringList> PgSharedData::read(const QString& name, bool lockInTransaction)
{
    requireTable();
    QString sql = QStringLiteral("SELECT redovi FROM %1 WHERE datoteka = $1").arg(kTable);
    // The lock is the server's and ends with the transaction: a second workstation taking a
    // number waits here until the first has committed its own.
    if (lockInTransaction && m_engine.inTransaction())
        sql += m_engine.backend().lockForUpdate();
    Statement& select = m_engine.prepared(sql);
    const ResetOnExit reset(select);
    select.bind(1, name);
    if (!select.step())
        return std::nullopt;
    return linesOf(select.column(0).toString());
}

QStringList PgSharedData::lines(const QString& name, bool lockInTransaction)
{
    std::optional<QStringList> stored = read(name, lockInTransaction);
    if (!stored)
        throw EngineError(missingRowText(name));
    return *stored;
}

void PgSharedData::write(const QList<std::pair<QString, QStringList>>& rows)
{
    if (rows.isEmpty())
        return;
    QStringList texts;
    for (const auto& [name, lines] : rows) {
        TextFiles::encodeLines(name, lines); // refuses what the file would refuse
        texts.append(storedLines(lines));
    }
    requireTable();
    QStringList values;
    for (qsizetype i = 0; i < rows.size(); ++i)
        values.append(QStringLiteral("($%1::text, $%2::text)").arg(2 * i + 1).arg(2 * i + 2));
    // One statement: the rows are written together or not at all.
    Statement& upsert = m_engine.prepared(
        QStringLiteral("WITH n (datoteka, redovi) AS (VALUES %1) INSERT INTO %2 (datoteka, redovi) "
                       "SELECT datoteka, redovi FROM n ON CONFLICT (datoteka) DO UPDATE SET "
                       "redovi = EXCLUDED.redovi")
            .arg(values.join(QStringLiteral(", ")), kTable));
    const ResetOnExit reset(upsert);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        upsert.bind(int(2 * i + 1), rows.at(i).first);
        upsert.bind(int(2 * i + 2), texts.at(i));
    }
    upsert.run();
}

void PgSharedData::remove(const QStringList& names)
{
    requireTable();
    Statement& erase = m_engine.prepared(
        QStringLiteral("DELETE FROM %1 WHERE datoteka = ANY (string_to_array($1, '/'))")
            .arg(kTable));
    const ResetOnExit reset(erase);
    erase.bind(1, names.join(QLatin1Char('/')));
    erase.run();
}

NumberLine PgSharedData::lastNumber(Counter counter)
{
    const QStringList stored = lines(counterName(counter), true);
    const QString first = stored.isEmpty() ? QString() : stored.first();
    return {TextFiles::toStrictInteger(first), first};
}

int PgSharedData::firstNumber(Counter counter)
{
    const QString name = counterName(counter);
    return TextFiles::firstNumberIn(TextFiles::encodeLines(name, lines(name, true)));
}

bool PgSharedData::holdsCounter(Counter counter)
{
    return read(counterName(counter)).has_value();
}

void PgSharedData::setLastNumber(Counter counter, const QString& text)
{
    write({{counterName(counter), {text}}});
}

std::unique_ptr<CounterChange> PgSharedData::changeCounters(const QList<Counter>& counters)
{
    QStringList names;
    QList<std::optional<QStringList>> before;
    for (Counter counter : counters) {
        names.append(counterName(counter));
        before.append(read(names.last(), true));
    }
    return std::make_unique<PgCounterChange>(*this, names, before);
}

QStringList PgSharedData::companyLines()
{
    return lines(kCompany);
}

void PgSharedData::setCompanyLines(const QStringList& companyLines)
{
    write({{kCompany, companyLines}});
}

QStringList PgSharedData::groupNames()
{
    return lines(kGroupNames);
}

Groups PgSharedData::groups()
{
    // One statement reads both, so that a change written meanwhile is seen whole or not at all.
    requireTable();
    Statement& select = m_engine.prepared(
        QStringLiteral("SELECT datoteka, redovi FROM %1 WHERE datoteka IN ($1, $2)").arg(kTable));
    const ResetOnExit reset(select);
    select.bind(1, kGroupNames);
    select.bind(2, kGroupCodes);
    std::optional<QStringList> names;
    std::optional<QStringList> codes;
    while (select.step()) {
        const QStringList stored = linesOf(select.column(1).toString());
        (select.column(0).toString() == kGroupNames ? names : codes) = stored;
    }
    if (!names || !codes)
        throw EngineError(missingRowText(names ? kGroupCodes : kGroupNames));
    return {*names, *codes};
}

void PgSharedData::setGroups(const Groups& groups)
{
    write({{kGroupNames, groups.names}, {kGroupCodes, groups.codes}});
}

NumberLine PgSharedData::equipmentSwitch()
{
    return TextFiles::firstListedNumber(lines(kEquipment));
}

void PgSharedData::setEquipmentSwitch(int value)
{
    write({{kEquipment, {QString::number(value)}}});
}

} // namespace kestar
