#pragma once

#include "tools/check/BackupCopies.h"
#include "tools/check/StoredTable.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace kestar::check {

class CheckReport;

// Stock against the ledger since a backup. The ledger rows present now and not in the backup
// copy (a multiset difference over every field but SALDO, which the item card rewrites) give
// each article's receipts minus issues; KOLICINA now minus KOLICINA in the backup must equal
// it, and so must the change of MAGACIN1. Ledger rows that are in the backup and gone now are
// reported too. Rows are compared by a 128-bit digest in a hash map, so a million-row ledger
// needs neither a statement per row nor a copy of every row.
class MovementCheck
{
public:
    MovementCheck();
    ~MovementCheck();

    // Reads the backup copies; ledgerNow tells which fields make a row. Returns false, with
    // the reason kept for report(), when a copy cannot be read.
    bool loadBackup(const BackupCopies& copies, const StoredTable& ledgerNow);

    // The walk of the current ledger, after loadBackup.
    void prepareLedger(const StoredTable& ledger);
    void takeLedgerRow(sqlite3_stmt* row);
    // The walk of the current article table.
    void prepareArticles(const StoredTable& articles);
    void takeArticle(sqlite3_stmt* row);

    // Reports the articles whose stock moved otherwise than the ledger says and the ledger
    // rows gone since the backup. complete tells whether both current tables were read to
    // their end; if not, nothing is compared.
    void report(bool complete, CheckReport& report) const;

private:
    struct Digest
    {
        quint64 first = 0;
        quint64 second = 0;
        friend bool operator==(const Digest&, const Digest&) = default;
        friend size_t qHash(const Digest& digest, size_t seed = 0) noexcept
        {
            return size_t(digest.first) ^ seed;
        }
    };
    struct Bucket
    {
        qint32 count = 0; // rows of the backup not yet matched by a row of now
        qint64 rowId = 0; // one of them, to show it
    };
    struct Stock
    {
        double quantity = 0;   // KOLICINA
        double warehouse1 = 0; // MAGACIN1
    };
    struct LedgerColumns
    {
        QList<int> digest; // the columns that make a row, -1 for a field the file lacks
        int code = -1, quantity = -1, issue = -1, receipt = -1;
    };
    struct ArticleColumns
    {
        int code = -1, quantity = -1, warehouse1 = -1;
    };

    static LedgerColumns ledgerColumns(const StoredTable& table, const QStringList& digestFields);
    static ArticleColumns articleColumns(const StoredTable& table, QString* missing);
    Digest digestOf(sqlite3_stmt* row, const QList<int>& columns);
    static QByteArray code(sqlite3_stmt* row, int column);
    static Stock stockOf(sqlite3_stmt* row, const ArticleColumns& columns);
    void reportGoneRows(CheckReport& report) const;

    BackupCopies m_copies;
    QString m_failure; // why the backup could not be read
    QStringList m_digestFields;
    std::unique_ptr<StoredTable> m_ledgerThen;
    QHash<Digest, Bucket> m_rowsThen;
    QHash<QByteArray, Stock> m_stockThen;

    LedgerColumns m_ledgerNow;
    ArticleColumns m_articlesNow;
    QString m_articlesNowMissing;
    QHash<QByteArray, double> m_movement; // article code -> receipts minus issues since then
    qint64 m_newRows = 0;
    QList<std::pair<QByteArray, Stock>> m_stockNow; // in key order
    std::string m_buffer;
};

} // namespace kestar::check
