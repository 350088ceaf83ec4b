#pragma once

#include "data/Dataset.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace kestar {

class Backend;
class EngineScratch;
class Statement;
struct TableStatements;

// One table file as the engine has attached it.
struct TableFile
{
    QString path;             // canonical absolute path of the file (on PostgreSQL, where it
                              // would lie: the data folder's path and the table's name)
    QString alias;            // the schema name it is attached under, e.g. t1
    QString table;            // the table inside the file, e.g. prometx
    QString qualified;        // how statements reach it: "t1"."prometx"
    QList<FieldDef> fields;   // visible fields in field order (the order column is not one)
    QString key;              // primary key field, "" for a table in stored order
    bool hasOrder = false;    // the hidden order column is present
    QStringList searchFields; // fields with a name search index in the file (SearchIndex)
};

// The table engine: one backend connection reaching every table file of the data folder.
// Table files are attached when a cursor or query first needs them, once per file however
// the file is named. On SQLite the connection's main database is a private scratch file, so
// that a transaction over several table files commits atomically. A data folder that names a
// PostgreSQL database (DataStore) keeps its tables there instead: the engine chooses when it
// is made, by the data folder of the working folder of that moment.
class Engine : public QObject
{
    Q_OBJECT
public:
    explicit Engine(QObject* parent = nullptr);
    // An engine on the store the data folder names, whatever the working folder holds (the
    // set-up tool makes and fills folders that are not the working folder's).
    explicit Engine(const QString& dataFolder, QObject* parent = nullptr);
    ~Engine() override;

    // Where the tables are kept; every statement of the engine goes through it.
    Backend& backend() { return *m_backend; }
    // A statement of the engine's own lookups, prepared once and kept (until a file it may
    // name is detached). The caller resets it after use.
    Statement& prepared(const QString& sql);

    // The canonical path of the file a table name reaches: "/" and "\" both separate, the
    // extension ".db" may be left out, and a name that does not exist exactly matches a file
    // or folder whose name differs only in letter case. On PostgreSQL the file's name without
    // extension names a table of the database, letter case ignored. Raises
    // "Table does not exist: <name as given>".
    QString resolve(const QString& name) const;
    // Attaches the table file once and describes it. Inside a transaction a file can only be
    // reached when it was attached before; the engine attaches every table file of the data
    // folder when a transaction begins. A writable file of one of the program's tables made by
    // an older version gets the indexes it lacks first (TableUpgrade).
    std::shared_ptr<const TableFile> attach(const QString& name);

    // Whether any row of the table holds value in the field; the largest whole number the
    // field holds (none when the table has no row with a value there). The table is named as
    // for a Table; a field it lacks raises "Field 'NAME' not found". With an index on the field
    // each is one seek, however long the table.
    bool holds(const QString& table, const QString& field, const QVariant& value);
    std::optional<qint64> largestInteger(const QString& table, const QString& field);

    // The prepared statements of a cursor on the file: made once, handed back when the cursor
    // closes and handed out again to the next cursor on the file, so that views opened and
    // closed around every posting do not prepare them each time.
    std::unique_ptr<TableStatements> tableStatements(const TableFile& file,
                                                     const QString& orderColumn, bool keyed,
                                                     qint64 orderStep);
    void keepTableStatements(const TableFile& file, std::unique_ptr<TableStatements> statements);

    // Runs one write of a cursor as a transaction of its own, or inside the open transaction;
    // a failed write leaves nothing behind. Afterwards the other cursors of the table hear of it.
    void write(const QString& path, const QObject* writer, const std::function<void()>& work);

    // From here on, the commits of other workstations on the same tables reach the cursors as
    // their own writes do (tableWritten without writer, then tableChanged), from the event
    // loop. Nothing happens where no other workstation shares the tables.
    void listenToOtherWorkstations();

    // Inside a transaction: another workstation that locks one of the same keys of the table
    // (named as for a Table) waits until this transaction ends, even for a key no row holds
    // yet; so a row looked up by one of the keys afterwards stays as found until the commit.
    void lockKeys(const QString& table, const QStringList& keys);

    bool inTransaction() const { return !m_levels.isEmpty(); }
    // A number for the outermost transaction now open, never given twice; 0 outside one.
    quint64 transactionNumber() const { return m_levels.isEmpty() ? 0 : m_transactionNumber; }
    // Used by Transaction: nesting goes through savepoints.
    void begin();
    void commit();
    void rollback();

signals:
    // After a commit that wrote the table (and after a rollback that undid writes to it).
    void tableChanged(const QString& canonicalPath);
    // For the engine's cursors: the table was written by writer (nullptr: by a rollback), the
    // rows they hold may be stale.
    void tableWritten(const QString& canonicalPath, const QObject* writer);
    // For the engine's cursors: a write or the end of a transaction follows; reset any
    // statement that is still stepping.
    void aboutToWrite();

private:
    std::shared_ptr<TableFile> attachFile(const QString& path);
    // The field's column as statements on the file name it.
    static QString column(const TableFile& file, const QString& field);
    void attachDataFolder();
    void detachUnused();
    void reopenWritable();
    void notifyWritten(const QSet<QString>& paths, bool committed, bool rolledBack);
    // Commits the outermost transaction, telling other workstations which tables it wrote.
    void commitWritten(const QSet<QString>& paths);
    void heardFromOthers(const QStringList& tables);
    void forgetStatements(const QString& path);

    std::unique_ptr<EngineScratch> m_scratch; // holds the connection's main database
    std::unique_ptr<Backend> m_backend;
    QHash<QString, std::shared_ptr<TableFile>> m_files;
    int m_nextAlias = 1;
    QList<QSet<QString>> m_levels; // tables written per open transaction level
    quint64 m_transactionNumber = 0;
    std::unique_ptr<Statement> m_begin;
    // One savepoint around each write inside a transaction: prepared once, run many times.
    std::unique_ptr<Statement> m_savepoint, m_release, m_rollbackTo;
    // Statements of closed cursors by file path, for the next cursor on the same file.
    std::map<QString, std::vector<std::unique_ptr<TableStatements>>> m_idleStatements;
    std::map<QString, std::unique_ptr<Statement>> m_ownStatements;
};

} // namespace kestar
