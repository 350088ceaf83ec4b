#include "tools/check/StoredTable.h"

#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Schema.h"
#include "data/sqlite/SqliteStatement.h"
#include "tools/check/JournalCheck.h"

#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace kestar::check {

namespace {

QString identifier(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// SQLite's header marks a file in WAL mode by 2 in bytes 18 and 19. Such a file cannot be read
// without SQLite creating its companion files beside it, and the program never sets that mode.
bool inWalMode(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(20);
    return header.size() == 20 && header.startsWith(QByteArrayView("SQLite format 3\0", 16)) &&
           (header.at(18) == 2 || header.at(19) == 2);
}

} // namespace

StoredTable::StoredTable(const QString& path) : m_path(path)
{
    if (inWalMode(path))
        throw EngineError(QStringLiteral("the file is in WAL journal mode, which the program never "
                                         "uses; it is left unread, as reading it would write "
                                         "beside it"));
    // SQLITE_OPEN_READONLY keeps SQLite from writing the file or creating a journal beside it.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        const QString error = m_db ? sqliteError(m_db) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw EngineError(error);
    }
    try {
        // An unfinished write leaves a journal that only a writer may roll back.
        sqliteExec(m_db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
        SqliteStatement tables(m_db, QStringLiteral("SELECT name FROM sqlite_master WHERE "
                                                    "type='table' AND substr(name,1,7)<>'sqlite_' "
                                                    "ORDER BY rowid"));
        const QString baseName = QFileInfo(path).completeBaseName();
        while (tables.step()) {
            const QString table = tables.column(0).toString();
            if (m_table.isEmpty() || table.compare(baseName, Qt::CaseInsensitive) == 0)
                m_table = table;
        }
        tables.reset();
        if (m_table.isEmpty())
            throw EngineError(QStringLiteral("The file holds no table: %1").arg(path));

        SqliteStatement info(m_db,
                             QStringLiteral("PRAGMA table_info(%1)").arg(identifier(m_table)));
        int keyCount = 0;
        QString key;
        while (info.step()) {
            const QString column = info.column(1).toString();
            if (column.compare(QLatin1String(Schema::kOrderColumn), Qt::CaseInsensitive) == 0) {
                m_hasOrder = true;
                continue;
            }
            m_fields.append({column, FieldValue::typeFromSql(info.column(2).toString())});
            if (info.columnInt(5) > 0) {
                ++keyCount;
                key = column;
            }
        }
        info.reset();
        if (keyCount == 1)
            m_key = key;
    } catch (const EngineError& error) {
        sqlite3_close(m_db);
        m_db = nullptr;
        const QString note = journalNote(path);
        if (!note.isEmpty())
            throw EngineError(QStringLiteral("%1 (%2)").arg(error.text(), note));
        throw;
    }
}

StoredTable::~StoredTable()
{
    sqlite3_close_v2(m_db);
}

int StoredTable::fieldIndex(const QString& name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString StoredTable::selectList() const
{
    QStringList columns;
    for (const FieldDef& field : m_fields)
        columns.append(identifier(field.name));
    columns.append(QStringLiteral("rowid"));
    return columns.join(QLatin1Char(','));
}

qint64 StoredTable::rowCount() const
{
    SqliteStatement count(m_db, QStringLiteral("SELECT count(*) FROM %1").arg(identifier(m_table)));
    return count.step() ? count.columnInt(0) : 0;
}

qint64 StoredTable::walk(const RowVisitor& visit, bool naturalOrder) const
{
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(selectList(), identifier(m_table));
    if (naturalOrder) {
        // The engine's own order: key order, else the hidden order column, rowid breaking ties.
        if (!m_key.isEmpty())
            sql += QStringLiteral(" ORDER BY %1, rowid").arg(identifier(m_key));
        else if (m_hasOrder)
            sql += QStringLiteral(" ORDER BY %1, rowid")
                       .arg(identifier(QString::fromLatin1(Schema::kOrderColumn)));
        else
            sql += QStringLiteral(" ORDER BY rowid");
    }
    SqliteStatement select(m_db, sql);
    qint64 row = 0;
    try {
        while (select.step())
            visit(++row, select.get());
    } catch (const EngineError& error) {
        throw EngineError(
            QStringLiteral("reading stopped after row %1: %2").arg(row).arg(error.text()));
    }
    return row;
}

bool StoredTable::visitRow(qint64 rowId, const RowVisitor& visit) const
{
    SqliteStatement select(
        m_db,
        QStringLiteral("SELECT %1 FROM %2 WHERE rowid=?1").arg(selectList(), identifier(m_table)));
    select.bind(1, rowId);
    if (!select.step())
        return false;
    visit(0, select.get());
    return true;
}

} // namespace kestar::check
