#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

struct pg_conn;
struct pg_result;

namespace kestar {

// One libpq connection to the database of a data folder, shared by the backend and its
// statements. It turns libpq's failures into the engine's errors: a statement the server
// refuses raises the server's text, a connection that is gone raises the program's own text
// naming the database. A connection lost while a transaction was open stays broken until the
// engine rolls back, so that a commit never runs on a new connection and reports success for
// work the server has thrown away; after that, the next statement connects anew.
class PgConnection
{
public:
    // Connects; raises EngineError naming the database when it cannot.
    explicit PgConnection(const QString& connectionString);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    pg_conn* handle() const { return m_conn; }
    // Grows by one each time the connection is made anew: statements prepared on an older one
    // are prepared again.
    int generation() const { return m_generation; }
    // A fresh name for a prepared statement.
    QByteArray nextStatementName();

    // Before a statement: connects anew when the connection was lost outside a transaction;
    // raises the lost-connection text when it cannot, or when a transaction was lost.
    void ensureOpen();
    // Takes a result of the server: returns it when it succeeded, else frees it and raises the
    // server's text (or the lost-connection text). Remembers the error's SQL state.
    pg_result* check(pg_result* result);
    // Runs statements without results.
    void exec(const QString& sql);
    // Runs one statement once with its parameters as text (nothing for NULL), without
    // preparing it first: one way to the server and back.
    void execParams(const QByteArray& sql, const QList<std::optional<QByteArray>>& parameters);
    // Runs ROLLBACK; a transaction lost with the connection counts as rolled back.
    void rollback();
    // Runs statementsFirst and COMMIT in one way to the server and back. When the connection
    // is lost before the answer comes, a new connection asks the server what became of the
    // transaction: kept, this returns as if the answer had come; thrown away, it raises the
    // lost-connection text; not to be learnt, it raises undecidedText().
    void commit(const QString& statementsFirst);

    bool inTransaction() const;
    QByteArray lastState() const { return m_lastState; }
    // Prepared statements that could not be freed at once (the transaction had failed), freed
    // before the next statement.
    void deallocateLater(const QByteArray& name) { m_unused.append(name); }
    void deallocate(const QByteArray& name);

    // The program's text for a connection that is gone.
    QString lostText() const;
    // The text for a commit whose outcome could not be learnt.
    QString undecidedText() const;

    // For benchmarks only: every answer of the server is taken this much later, as on a
    // network between the workstation and the server. Never set by the program itself.
    static void setAddedRoundTripDelay(std::chrono::microseconds delay);
    // Called after every result the server gives (notices may have come in with it).
    void setAfterResult(std::function<void()> hook) { m_afterResult = std::move(hook); }

private:
    void setUpSession();
    static void waitAddedDelay();
    [[noreturn]] void raiseLost();
    void connectAnew();
    // On a new connection: returns when the transaction of xid was kept, else raises.
    void settleLostCommit(const QByteArray& xid);
    pg_result* runParams(const QByteArray& sql, const QList<std::optional<QByteArray>>& parameters);
    // The first value of the one row a statement gives ("" for NULL).
    QByteArray value(const QByteArray& sql, const QList<std::optional<QByteArray>>& parameters);

    pg_conn* m_conn = nullptr;
    QString m_database;
    int m_generation = 0;
    int m_nextName = 0;
    bool m_lostTransaction = false;
    bool m_transactionBefore = false; // a transaction was open when the statement began
    QByteArray m_lastState;
    QList<QByteArray> m_unused;
    std::function<void()> m_afterResult;
};

} // namespace kestar
