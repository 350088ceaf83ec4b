#pragma once

#include "data/Backend.h"

#include <QHash>
#include <QString>
#include <memory>

namespace kestar {

class PgChangeListener;
class PgConnection;
struct TableDef;

// The backend of a data folder kept in a PostgreSQL database (podaci/baza.txt names it): each
// table of the program is a table of the database, reached by the name of its file without the
// extension ("podaci/magacin.db" -> magacin). Text is COLLATE "C" (the byte order SQLite
// keeps), whole numbers integer, numbers double precision, dates date; every table has a row
// id column "rowid" (bigserial), and a table without key the hidden order column, indexed with
// the row id as tie-break.
class PgBackend final : public Backend
{
public:
    // Connects with a libpq connection string (a password comes from ~/.pgpass); raises
    // EngineError naming the database when it cannot.
    explicit PgBackend(const QString& connectionString);
    ~PgBackend() override;

    std::unique_ptr<Statement> prepare(const QString& sql) override;
    void exec(const QString& sql) override;

    QString rowId() const override { return QStringLiteral("rowid"); }
    QString parameter(int n) const override { return QStringLiteral("$%1").arg(n); }
    QString foldingLike(const QString& operand, const QString& pattern) const override;
    QString lockForUpdate() const override { return QStringLiteral(" FOR UPDATE"); }
    QString beginTransaction() const override { return QStringLiteral("BEGIN"); }
    void rollback() override;
    void commit(const QStringList& writtenTables) override;
    QString integerValuesOnly(const QString&) const override { return QStringLiteral("false"); }
    QString rowIdIn(const QString& jsonArray) const override;
    bool sharedByWorkstations() const override { return true; }
    QString orderTerm(const QString& column, bool descending) const override;
    bool typedComparisons() const override { return true; }
    QString asText(const QString& operand) const override;

    bool keepsTablesInFiles() const override { return false; }
    QString tableNamed(const QString& name) override;
    std::shared_ptr<TableFile> attach(const QString& path, const QString& alias,
                                      const std::function<void()>& makeRoom) override;
    bool detach(const TableFile&) override { return true; }
    void prepareWrite(const QList<std::shared_ptr<TableFile>>&) override {}
    std::optional<QList<qint64>> searchCandidates(const TableFile&, const QString&, const QString&,
                                                  int) override
    {
        // The server narrows a folding LIKE on a search field by itself, through the field's
        // trigram index (addSearchIndex); the program's statement decides every row.
        return std::nullopt;
    }

    void insertRows(const QString& table, const QStringList& columns,
                    const QList<QList<QVariant>>& rows) override;
    void updateRows(const QString& table, const QList<FieldDef>& columns,
                    const QList<QList<QVariant>>& rows) override;
    bool listenForChanges(std::function<void(const QStringList&)> heard) override;
    void lockKeys(const QString& table, const QStringList& keys) override;

    bool inTransaction() const override;
    bool lastErrorIsKeyViolation() const override;

    // Makes one of the program's tables in the database, with its keys and indexes; raises
    // "Table already exists: NAME" when the database holds it.
    void createTable(const TableDef& def);

private:
    void readTableNames();
    void addSearchIndex(const QString& table, const QString& field);

    std::unique_ptr<PgConnection> m_connection;
    std::unique_ptr<PgChangeListener> m_listener;
    QHash<QString, QString> m_tables; // lower case -> as stored
};

} // namespace kestar
