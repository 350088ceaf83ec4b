#pragma once

#include "data/Statement.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

struct pg_result;

namespace kestar {

class PgConnection;

// One statement prepared on the server (PQprepare) and run with PQexecPrepared: the first
// step() sends it with its parameters as text and the server's answer is walked row by row;
// reset() lets the answer go. Values cross as the engine's: NULL, qint64 for whole numbers,
// double for numbers, QString for text and dates (ISO). An INSERT hands back the row id it gave.
class PgStatement final : public Statement
{
public:
    // Prepares sql (written with $N parameters); returningRowId: the statement is an INSERT
    // ending in "RETURNING rowid", whose row is taken as newRowId() and not stepped over.
    PgStatement(PgConnection& connection, const QString& sql, bool returningRowId);
    ~PgStatement() override;
    PgStatement(const PgStatement&) = delete;
    PgStatement& operator=(const PgStatement&) = delete;

    // A value as a parameter crosses to the server: text, or nothing for NULL.
    static std::optional<QByteArray> parameterText(const QVariant& value);

    void bind(int index, const QVariant& value) override;
    void reset() override;
    bool step() override;

    int columnCount() const override;
    QVariant column(int index) const override;
    qint64 columnInt(int index) const override;
    QString columnName(int index) const override;
    void appendRow(RowStore& rows, int first, const QBitArray* wanted) const override;
    qint64 changes() const override { return m_changes; }
    qint64 newRowId() const override { return m_newRowId; }

private:
    void prepareOnServer();
    void execute();

    PgConnection& m_connection;
    QByteArray m_sql;
    QByteArray m_name;
    int m_generation = -1;
    bool m_returningRowId = false;
    QList<std::optional<QByteArray>> m_parameters;
    pg_result* m_result = nullptr;
    int m_row = -1;
    int m_rows = 0;
    qint64 m_changes = 0;
    qint64 m_newRowId = 0;
};

} // namespace kestar
