#include "data/Table.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/RowUpdates.h"
#include "data/Schema.h"
#include "data/TableStatements.h"

namespace kestar {

Table::Table(Engine& engine, const QString& name, QObject* parent)
    : Cursor(parent), m_engine(engine), m_name(name)
{
    connect(&m_engine, &Engine::aboutToWrite, this, &Table::resetWalks);
    connect(&m_engine, &Engine::tableWritten, this,
            [this](const QString& path, const QObject* writer) {
                if (isOpen() && writer != this && m_file && m_file->path == path)
                    markStale();
            });
}

Table::~Table() = default;

void Table::prepare()
{
    const TableFile& file = *m_file;
    m_keyField = -1;
    setFields(file.fields);
    for (int i = 0; i < file.fields.size(); ++i) {
        if (!file.key.isEmpty() &&
            file.fields.at(i).name.compare(file.key, Qt::CaseInsensitive) == 0)
            m_keyField = i;
    }
    if (m_keyField < 0 && !file.hasOrder)
        throw EngineError(
            QStringLiteral("Tabela %1 nema ni kljuc ni kolonu redosleda!!!").arg(m_name));
    m_orderColumn = m_keyField >= 0 ? file.fields.at(m_keyField).name
                                    : QString::fromLatin1(Schema::kOrderColumn);

    m_sql = m_engine.tableStatements(file, m_orderColumn, m_keyField >= 0, kOrderStep);
    // A walk's pages take the row id, the order value and the fields read so far.
    m_walkFields = QBitArray(file.fields.size() + 2);
    m_walkFields.setBit(0);
    m_walkFields.setBit(1);
    m_pages.reset(m_sql.get(), file.fields.size(), m_name);
}

// ---- opening and closing ----------------------------------------------------------------

void Table::open()
{
    if (isOpen())
        return;
    m_file = m_engine.attach(m_name);
    prepare();
    setState(DatasetState::Browse);
    forgetRows();
    clearStale();
    first();
    emit stateChanged();
    emit rowsReset();
}

void Table::close()
{
    if (!isOpen())
        return;
    m_pages.reset(nullptr, 0, m_name);
    m_engine.keepTableStatements(*m_file, std::move(m_sql));
    setState(DatasetState::Closed);
    clearPending();
    setNoRow();
    forgetRows();
    m_walkingForward = m_walkingBackward = false;
    emit stateChanged();
    emit rowsReset();
}

void Table::refresh()
{
    checkOpen();
    finishPending();
    markStale();
    refreshIfStale();
    emit rowsReset();
    emit currentChanged();
}

void Table::forgetRows()
{
    m_pages.clear();
    m_count = -1;
    m_fromStart = m_fromEnd = -1;
}

void Table::dropCachedRows()
{
    forgetRows();
    resetWalks();
}

void Table::rereadStale()
{
    if (!m_hasRow) {
        if (!loadRow(*m_sql->first))
            setNoRow();
        else
            m_eof = m_bof = false;
        return;
    }
    const Place old = m_row.place;
    if (seekRowid(old.rowid))
        return;
    // The row is gone: stand on the row that followed it, else on the one before.
    Statement& after = *m_sql->after;
    after.bind(1, old.order);
    after.bind(2, old.rowid);
    if (loadRow(after))
        return;
    Statement& before = *m_sql->before;
    before.bind(1, old.order);
    before.bind(2, old.rowid);
    if (!loadRow(before))
        setNoRow();
}

// ---- rows -----------------------------------------------------------------------------------

void Table::takeRow(const Statement& statement)
{
    m_row.place.rowid = statement.columnInt(0);
    m_row.place.order = statement.column(1);
    // Fields are decoded only when read: a walk over many rows touches few of them.
    m_row.values.clear(m_file->fields.size());
    m_row.values.append(statement, 2);
    m_rowInPage = false;
    m_hasRow = true;
}

void Table::takeWalkRow()
{
    m_row.place.rowid = m_walk.value(m_walkRow, 0).toLongLong();
    m_row.place.order = m_walk.value(m_walkRow, 1);
    m_row.values.clear(m_file->fields.size());
    m_rowInPage = true;
    m_hasRow = true;
}

void Table::keepRow()
{
    if (!m_rowInPage)
        return;
    // A field the walk's page left out: the row is read whole by its row id.
    bool whole = true;
    for (int field = 0; whole && field < m_file->fields.size(); ++field)
        whole = m_walk.has(m_walkRow, field + 2);
    if (!whole && seekRowid(m_row.place.rowid))
        return;
    QList<QVariant> fields = m_walk.row(m_walkRow);
    fields.remove(0, 2);
    m_row.values.clear(m_file->fields.size());
    m_row.values.append(fields);
    m_rowInPage = false;
}

void Table::resetWalks()
{
    keepRow();
    m_walk.clear(0);
    m_walkRow = -1;
    m_walkingForward = m_walkingBackward = false;
    m_walkPage = kFirstWalkPage;
}

QVariant Table::currentValue(int field) const
{
    if (m_rowInPage) {
        bool present = false;
        QVariant value = m_walk.value(m_walkRow, field + 2, &present);
        if (present)
            return value;
        // The first read of this field in the walk: the pages from now on take it, and this row
        // is read whole.
        auto* self = const_cast<Table*>(this);
        self->m_walkFields.setBit(field + 2);
        self->keepRow();
    }
    return m_row.values.value(0, field);
}

bool Table::loadRow(Statement& statement)
{
    const bool found = statement.step();
    if (found)
        takeRow(statement);
    statement.reset();
    return found;
}

bool Table::seekRowid(qint64 rowid)
{
    m_sql->byRowid->bind(1, rowid);
    return loadRow(*m_sql->byRowid);
}

void Table::setNoRow()
{
    m_hasRow = false;
    m_rowInPage = false;
    m_row = Row();
    m_eof = m_bof = true;
    m_fromStart = m_fromEnd = -1;
}

void Table::afterMove()
{
    m_walkingForward = m_walkingBackward = false;
    emit currentChanged();
}

// ---- moving ---------------------------------------------------------------------------------

void Table::first()
{
    beginMove();
    if (loadRow(*m_sql->first)) {
        m_bof = true;
        m_eof = false;
        setPositionFromStart(0);
    } else {
        setNoRow();
    }
    afterMove();
}

void Table::last()
{
    beginMove();
    if (loadRow(*m_sql->last)) {
        m_bof = m_eof = false;
        setPositionFromEnd(0);
    } else {
        setNoRow();
    }
    afterMove();
}

void Table::next()
{
    step(true);
}

void Table::prior()
{
    step(false);
}

void Table::step(bool forward)
{
    beginMove();
    bool& atEnd = forward ? m_eof : m_bof;
    if (!m_hasRow || !walkTo(forward)) {
        atEnd = true;
        return;
    }
    takeWalkRow();
    m_bof = false;
    m_eof = false;
    shiftPosition(forward ? 1 : -1);
    emit currentChanged();
}

bool Table::walkTo(bool forward)
{
    bool& walking = forward ? m_walkingForward : m_walkingBackward;
    if (walking) {
        if (m_walkRow + 1 < m_walk.size()) {
            ++m_walkRow;
            return true;
        }
        // A page shorter than asked for was the last one.
        if (m_walk.size() < m_walkPage)
            return false;
        m_walkPage = qMin(m_walkPage * 2, kLastWalkPage);
    } else {
        resetWalks();
    }
    // The next rows after the current one, read as one page and the statement reset at once:
    // between two moves no statement is left open, so the file stays free for other writers.
    keepRow();
    m_walk.clear(m_file->fields.size() + 2);
    Statement& walk = forward ? *m_sql->walkNext : *m_sql->walkPrior;
    walk.bind(1, m_row.place.order);
    walk.bind(2, m_row.place.rowid);
    walk.bind(3, m_walkPage);
    try {
        while (walk.step())
            m_walk.append(walk, 0, &m_walkFields);
    } catch (...) {
        resetWalks();
        throw;
    }
    walk.reset();
    walking = true;
    if (m_walk.size() == 0) {
        walking = false;
        return false;
    }
    m_walkRow = 0;
    return true;
}

bool Table::eof() const
{
    if (!isOpen())
        return true;
    refreshIfStale();
    return state() == DatasetState::Insert ? false : m_eof;
}

bool Table::bof() const
{
    if (!isOpen())
        return true;
    refreshIfStale();
    return state() == DatasetState::Insert ? false : m_bof;
}

bool Table::isEmpty() const
{
    if (!isOpen())
        return true;
    refreshIfStale();
    return !m_hasRow && state() != DatasetState::Insert;
}

void Table::findNearest(const QString& key)
{
    checkOpen();
    if (m_keyField < 0)
        throw EngineError(QStringLiteral("Table %1 has no primary key").arg(m_name));
    finishPending();
    refreshIfStale();
    m_sql->nearest->bind(1, key);
    if (loadRow(*m_sql->nearest) || loadRow(*m_sql->last)) {
        m_eof = m_bof = false;
        m_fromStart = m_fromEnd = -1;
    } else {
        setNoRow();
    }
    afterMove();
}

void Table::moveTo(qint64 row)
{
    beginMove();
    const qint64 count = rowCount();
    if (count == 0) {
        setNoRow();
        afterMove();
        return;
    }
    row = qBound<qint64>(0, row, count - 1);
    const TablePages::Anchor current{knownPosition(), m_row.place};
    const bool anchored = m_hasRow && current.position >= 0;
    if (!seekRowid(m_pages.locate(row, m_count, anchored ? &current : nullptr).rowid))
        throw EngineError(
            QStringLiteral("Red %1 tabele %2 ne moze da se procita!!!").arg(row).arg(m_name));
    m_eof = m_bof = false;
    setPositionFromStart(row);
    afterMove();
}

// ---- positions ------------------------------------------------------------------------------

void Table::setPositionFromStart(qint64 position)
{
    m_fromStart = position;
    m_fromEnd = -1;
}

void Table::setPositionFromEnd(qint64 position)
{
    m_fromEnd = position;
    m_fromStart = -1;
}

void Table::shiftPosition(qint64 delta)
{
    if (m_fromStart >= 0)
        m_fromStart += delta;
    if (m_fromEnd >= 0)
        m_fromEnd -= delta;
}

qint64 Table::knownPosition() const
{
    if (!m_hasRow)
        return -1;
    if (m_fromStart < 0 && m_fromEnd >= 0 && m_count >= 0)
        m_fromStart = m_count - 1 - m_fromEnd;
    return m_fromStart;
}

qint64 Table::rowCount() const
{
    if (!isOpen())
        return 0;
    refreshIfStale();
    if (m_count < 0) {
        m_sql->count->step();
        m_count = m_sql->count->columnInt(0);
        m_sql->count->reset();
    }
    return m_count + (state() == DatasetState::Insert ? 1 : 0);
}

qint64 Table::position() const
{
    if (!isOpen())
        return -1;
    refreshIfStale();
    if (!m_hasRow)
        return state() == DatasetState::Insert ? 0 : -1;
    if (m_fromStart < 0 && m_fromEnd >= 0)
        rowCount();
    if (knownPosition() < 0) {
        Statement& count = *m_sql->countBefore;
        count.bind(1, m_row.place.order);
        count.bind(2, m_row.place.rowid);
        count.step();
        m_fromStart = count.columnInt(0);
        count.reset();
    }
    return m_fromStart;
}

QVariant Table::cachedValue(qint64 row, int column) const
{
    if (m_hasRow && knownPosition() >= 0) {
        const TablePages::Anchor current{m_fromStart, m_row.place};
        return m_pages.value(row, column, m_count, &current);
    }
    return m_pages.value(row, column, m_count, nullptr);
}

QString Table::textAt(qint64 row, int column) const
{
    if (!isOpen())
        return {};
    refreshIfStale();
    if (column < 0 || column >= m_file->fields.size() || row < 0 || row >= rowCount())
        return {};
    const FieldType type = m_file->fields.at(column).type;
    if (isPending()) {
        const qint64 current = position();
        if (row == current)
            return FieldValue::toText(m_buffer.value(column), type);
        if (state() == DatasetState::Insert && row > current)
            --row;
    }
    return FieldValue::toText(cachedValue(row, column), type);
}

// ---- fields ---------------------------------------------------------------------------------

QVariant Table::valueInBuffer(int field) const
{
    if (isPending())
        return m_buffer.at(field);
    if (!m_hasRow)
        return {};
    return currentValue(field);
}

QString Table::text(const QString& field) const
{
    const int index = checkedField(field);
    refreshIfStale();
    return FieldValue::toText(valueInBuffer(index), m_file->fields.at(index).type);
}

double Table::number(const QString& field) const
{
    const int index = checkedField(field);
    refreshIfStale();
    return FieldValue::toNumber(valueInBuffer(index), m_file->fields.at(index));
}

QVariant Table::storedFromText(int field, const QString& text) const
{
    QVariant value = FieldValue::fromText(text, m_file->fields.at(field));
    // A key is never NULL: an empty key is the empty text, which can stand once.
    if (field == m_keyField && value.isNull())
        value = QString(QLatin1String(""));
    return value;
}

QVariant Table::storedFromNumber(int field, double value) const
{
    return FieldValue::fromNumber(value, m_file->fields.at(field));
}

void Table::setValues(const QList<QVariant>& stored)
{
    checkOpen();
    if (!isPending())
        throw EngineError(QStringLiteral("Dataset not in edit or insert mode"));
    if (stored.size() != m_buffer.size())
        throw EngineError(QStringLiteral("Red ima %1 vrednosti, a tabela %2 ima %3 polja!!!")
                              .arg(stored.size())
                              .arg(m_name)
                              .arg(m_buffer.size()));
    m_buffer = stored;
    if (m_keyField >= 0 && m_buffer.at(m_keyField).isNull())
        m_buffer[m_keyField] = QString(QLatin1String(""));
    m_modified = true;
    announceRowChanged();
}

} // namespace kestar
