#include "tools/check/MovementCheck.h"

#include "data/EngineError.h"
#include "platform/Regional.h"
#include "tools/check/CheckReport.h"
#include "tools/check/ValueCheck.h"

#include <QDir>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <sqlite3.h>

namespace kestar::check {

namespace {

const QString kSaldo = QStringLiteral("SALDO");
constexpr size_t kFirstSeed = 0x6b657374; // two independent halves of one digest
constexpr size_t kSecondSeed = 0x61723132;

// Stock figures come from sums of typed quantities: tiny rounding differences are no fault.
bool differs(double expected, double actual)
{
    const double scale = std::max({1.0, std::abs(expected), std::abs(actual)});
    return std::abs(expected - actual) > 1e-6 * scale;
}

QString figure(double value)
{
    // Rounded to what a person typed, so that 0.1 + 0.2 does not show its binary tail.
    const double rounded = std::round(value * 1e9) / 1e9;
    return Regional::formatNumber(rounded == 0 ? 0.0 : rounded);
}

void append(std::string& buffer, const void* data, size_t size)
{
    buffer.append(static_cast<const char*>(data), size);
}

} // namespace

MovementCheck::MovementCheck() = default;
MovementCheck::~MovementCheck() = default;

MovementCheck::LedgerColumns MovementCheck::ledgerColumns(const StoredTable& table,
                                                          const QStringList& digestFields)
{
    LedgerColumns columns;
    for (const QString& field : digestFields)
        columns.digest.append(table.fieldIndex(field));
    columns.code = table.fieldIndex(QStringLiteral("SIFRAROBE"));
    columns.quantity = table.fieldIndex(QStringLiteral("KOLICINA"));
    columns.issue = table.fieldIndex(QStringLiteral("OTPREMNICA"));
    columns.receipt = table.fieldIndex(QStringLiteral("ULAZ"));
    return columns;
}

MovementCheck::ArticleColumns MovementCheck::articleColumns(const StoredTable& table,
                                                            QString* missing)
{
    ArticleColumns columns{table.fieldIndex(QStringLiteral("SIFRA")),
                           table.fieldIndex(QStringLiteral("KOLICINA")),
                           table.fieldIndex(QStringLiteral("MAGACIN1"))};
    QStringList absent;
    if (columns.code < 0)
        absent << QStringLiteral("SIFRA");
    if (columns.quantity < 0)
        absent << QStringLiteral("KOLICINA");
    if (columns.warehouse1 < 0)
        absent << QStringLiteral("MAGACIN1");
    if (missing)
        *missing = absent.join(QLatin1String(", "));
    return columns;
}

MovementCheck::Digest MovementCheck::digestOf(sqlite3_stmt* row, const QList<int>& columns)
{
    m_buffer.clear();
    for (const int column : columns) {
        const int type = column < 0 ? SQLITE_NULL : sqlite3_column_type(row, column);
        const char tag = char(type);
        m_buffer.push_back(tag);
        switch (type) {
        case SQLITE_NULL:
            break;
        case SQLITE_INTEGER: {
            const sqlite3_int64 value = sqlite3_column_int64(row, column);
            append(m_buffer, &value, sizeof value);
            break;
        }
        case SQLITE_FLOAT: {
            const double value = sqlite3_column_double(row, column);
            append(m_buffer, &value, sizeof value);
            break;
        }
        default: {
            const void* data = sqlite3_column_blob(row, column);
            const int size = sqlite3_column_bytes(row, column);
            append(m_buffer, &size, sizeof size);
            append(m_buffer, data, size_t(size));
            break;
        }
        }
    }
    return Digest{quint64(qHashBits(m_buffer.data(), m_buffer.size(), kFirstSeed)),
                  quint64(qHashBits(m_buffer.data(), m_buffer.size(), kSecondSeed))};
}

QByteArray MovementCheck::code(sqlite3_stmt* row, int column)
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(row, column));
    return QByteArray(data, sqlite3_column_bytes(row, column));
}

MovementCheck::Stock MovementCheck::stockOf(sqlite3_stmt* row, const ArticleColumns& columns)
{
    return Stock{ValueCheck::number(row, columns.quantity),
                 ValueCheck::number(row, columns.warehouse1)};
}

bool MovementCheck::loadBackup(const BackupCopies& copies, const StoredTable& ledgerNow)
{
    m_copies = copies;
    m_digestFields.clear();
    for (const FieldDef& field : ledgerNow.fields()) {
        if (field.name.compare(kSaldo, Qt::CaseInsensitive) != 0)
            m_digestFields.append(field.name);
    }
    try {
        const StoredTable articles(copies.magacin);
        QString missing;
        const ArticleColumns columns = articleColumns(articles, &missing);
        if (!missing.isEmpty()) {
            m_failure = QStringLiteral("%1 has no field %2")
                            .arg(QDir::toNativeSeparators(copies.magacin), missing);
            return false;
        }
        articles.walk(
            [&](qint64, sqlite3_stmt* row) {
                m_stockThen.insert(code(row, columns.code), stockOf(row, columns));
            },
            false);

        m_ledgerThen = std::make_unique<StoredTable>(copies.prometx);
        const LedgerColumns ledger = ledgerColumns(*m_ledgerThen, m_digestFields);
        const int rowIdColumn = m_ledgerThen->rowIdColumn();
        // Growing a hash of a million rows step by step costs more than counting them first.
        m_rowsThen.reserve(qsizetype(m_ledgerThen->rowCount()));
        m_ledgerThen->walk(
            [&](qint64, sqlite3_stmt* row) {
                Bucket& bucket = m_rowsThen[digestOf(row, ledger.digest)];
                if (bucket.count++ == 0)
                    bucket.rowId = sqlite3_column_int64(row, rowIdColumn);
            },
            false);
    } catch (const EngineError& error) {
        m_failure = QStringLiteral("the backup copies cannot be read: %1").arg(error.text());
        m_rowsThen.clear();
        m_stockThen.clear();
        m_ledgerThen.reset();
        return false;
    }
    return true;
}

void MovementCheck::prepareLedger(const StoredTable& ledger)
{
    m_ledgerNow = ledgerColumns(ledger, m_digestFields);
    m_movement.clear();
    m_newRows = 0;
}

void MovementCheck::takeLedgerRow(sqlite3_stmt* row)
{
    const auto found = m_rowsThen.find(digestOf(row, m_ledgerNow.digest));
    if (found != m_rowsThen.end() && found->count > 0) {
        --found->count;
        return;
    }
    ++m_newRows;
    if (m_ledgerNow.code < 0 || m_ledgerNow.quantity < 0)
        return;
    const double quantity = ValueCheck::number(row, m_ledgerNow.quantity);
    double movement = 0;
    // A row is a receipt when ULAZ is not 0 and an issue when OTPREMNICA is not 0.
    if (m_ledgerNow.receipt >= 0 && ValueCheck::number(row, m_ledgerNow.receipt) != 0)
        movement += quantity;
    if (m_ledgerNow.issue >= 0 && ValueCheck::number(row, m_ledgerNow.issue) != 0)
        movement -= quantity;
    if (movement != 0)
        m_movement[code(row, m_ledgerNow.code)] += movement;
}

void MovementCheck::prepareArticles(const StoredTable& articles)
{
    m_articlesNow = articleColumns(articles, &m_articlesNowMissing);
    m_stockNow.clear();
}

void MovementCheck::takeArticle(sqlite3_stmt* row)
{
    if (!m_articlesNowMissing.isEmpty())
        return;
    m_stockNow.append({code(row, m_articlesNow.code), stockOf(row, m_articlesNow)});
}

void MovementCheck::report(bool complete, CheckReport& report) const
{
    if (!m_failure.isEmpty()) {
        report.problem(QStringLiteral("Stock movement not compared: %1").arg(m_failure));
        return;
    }
    if (!complete || !m_articlesNowMissing.isEmpty()) {
        report.problem(QStringLiteral(
            "Stock movement not compared: the current article table or ledger could not be read"));
        return;
    }
    report.note(QStringLiteral("Backup copies: %1, %2")
                    .arg(QDir::toNativeSeparators(m_copies.magacin),
                         QDir::toNativeSeparators(m_copies.prometx)));
    report.note(QStringLiteral("Ledger rows added since the backup: %1").arg(m_newRows));

    qint64 newArticles = 0;
    for (const auto& [code, now] : m_stockNow) {
        const auto then = m_stockThen.constFind(code);
        if (then == m_stockThen.constEnd()) {
            // An article saved after the backup starts with a typed stock, not with a ledger row.
            ++newArticles;
            continue;
        }
        const double movement = m_movement.value(code);
        QStringList faults;
        for (const auto& [field, before, after] :
             {std::tuple{QStringLiteral("KOLICINA"), then->quantity, now.quantity},
              std::tuple{QStringLiteral("MAGACIN1"), then->warehouse1, now.warehouse1}}) {
            if (!differs(before + movement, after))
                continue;
            faults.append(QStringLiteral("%1 then %2, now %3, ledger movement %4, difference %5")
                              .arg(field, figure(before), figure(after), figure(movement),
                                   figure(after - before - movement)));
        }
        if (!faults.isEmpty())
            report.problem(QStringLiteral("article %1: %2")
                               .arg(QString::fromUtf8(code), faults.join(QLatin1String("; "))));
    }
    if (newArticles > 0)
        report.note(
            QStringLiteral("Articles new since the backup, not compared: %1").arg(newArticles));
    reportGoneRows(report);
}

void MovementCheck::reportGoneRows(CheckReport& report) const
{
    QList<std::pair<qint64, qint32>> gone; // row id in the copy, how many such rows
    for (const Bucket& bucket : m_rowsThen) {
        if (bucket.count > 0)
            gone.append({bucket.rowId, bucket.count});
    }
    std::sort(gone.begin(), gone.end());
    if (gone.isEmpty() || !m_ledgerThen)
        return;
    static const QStringList shown{QStringLiteral("BROJDOKUMENTA"), QStringLiteral("OTPREMNICA"),
                                   QStringLiteral("ULAZ"),          QStringLiteral("DATUM"),
                                   QStringLiteral("SIFRAROBE"),     QStringLiteral("NAZIV"),
                                   QStringLiteral("KOLICINA"),      QStringLiteral("KORISNIK")};
    const QList<FieldDef>& fields = m_ledgerThen->fields();
    for (const auto& [rowId, count] : gone) {
        QString description;
        m_ledgerThen->visitRow(rowId, [&](qint64, sqlite3_stmt* row) {
            QStringList parts;
            for (const QString& name : shown) {
                const int column = m_ledgerThen->fieldIndex(name);
                if (column >= 0)
                    parts.append(name + QLatin1Char(' ') +
                                 ValueCheck::display(row, column, fields.at(column).type));
            }
            description = parts.join(QLatin1String(", "));
        });
        for (qint32 i = 0; i < count; ++i)
            report.problem(QStringLiteral("ledger row gone since the backup: %1").arg(description));
    }
}

} // namespace kestar::check
