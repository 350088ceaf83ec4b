#include "printing/ItemCard.h"

#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Query.h"
#include "data/Schema.h"
#include "data/Statement.h"
#include "data/TableBatch.h"
#include "data/Transaction.h"
#include "data/sql/SqlDialect.h"
#include "data/sql/SqlTranslator.h"

#include <bit>

namespace kestar::ItemCard {

namespace {

using sql::quotedName;

const QString kLedger = QStringLiteral("podaci/prometx.db");
const QString kOtpremnica = QStringLiteral("OTPREMNICA");
const QString kUlaz = QStringLiteral("ULAZ");
const QString kKolicina = QStringLiteral("KOLICINA");
const QString kSaldo = QStringLiteral("SALDO");
const QString kZero = QStringLiteral("0");

bool sameStored(const QVariant& stored, const QVariant& value)
{
    return stored.typeId() == value.typeId() && stored.typeId() == QMetaType::Double &&
           std::bit_cast<quint64>(stored.toDouble()) == std::bit_cast<quint64>(value.toDouble());
}

// The card's rows from the oldest movement to the newest (the ledger's natural order turned
// round), locked for the transaction where other workstations may write them, and the
// running balance written into SALDO of every row whose SALDO does not hold it already: one
// statement to read, one to write, however many rows.
void writeBalances(Engine& engine, const QString& code)
{
    const auto file = engine.attach(kLedger);
    Backend& backend = engine.backend();
    const FieldDef otpremnica = Schema::field(file->fields, kOtpremnica);
    const FieldDef ulaz = Schema::field(file->fields, kUlaz);
    const FieldDef kolicina = Schema::field(file->fields, kKolicina);
    const FieldDef saldo = Schema::field(file->fields, kSaldo);
    const QString order = quotedName(QString::fromLatin1(Schema::kOrderColumn));
    Statement& rows = engine.prepared(backend.spell(
        QStringLiteral("SELECT rowid, %1, %2, %3, %4 FROM %5 WHERE \"SIFRAROBE\" = ?1 AND "
                       "(%2 <> 0 OR %1 <> 0) ORDER BY %6 DESC, rowid DESC")
            .arg(quotedName(otpremnica.name), quotedName(ulaz.name), quotedName(kolicina.name),
                 quotedName(saldo.name), file->qualified, order) +
        backend.lockForUpdate()));
    rows.bind(1, code);
    double balance = 0;
    QList<QList<QVariant>> changed;
    {
        const ResetOnExit reset(rows);
        while (rows.step()) {
            // The texts, not the numbers: an empty OTPREMNICA or ULAZ is neither an issue nor a
            // receipt of nothing, and counts for neither side.
            const double quantity = FieldValue::toNumber(rows.column(3), kolicina);
            if (FieldValue::toText(rows.column(1), otpremnica.type) == kZero)
                balance += quantity;
            if (FieldValue::toText(rows.column(2), ulaz.type) == kZero)
                balance -= quantity;
            const QVariant value = FieldValue::fromNumber(balance, saldo);
            if (!sameStored(rows.column(4), value))
                changed.append({rows.column(0), value});
        }
    }
    TableBatch::updateByRowId(engine, kLedger, {saldo.name}, changed);
}

} // namespace

QString statement(const QString& code)
{
    return QStringLiteral("select ULAZ,OTPREMNICA,DATUM,KOLICINA,SALDO,KORISNIK,KOMENTAR, "
                          "BROJDOKUMENTA from podaci\\prometx where ((SIFRAROBE='") +
           sql::quoted(code) + QStringLiteral("')") +
           QStringLiteral(" AND ((ULAZ<>0) OR (OTPREMNICA<>0)))");
}

void build(Engine& engine, Query& card, const QString& code)
{
    card.setSql(statement(code));
    // Postings also write the lines that name no article, so the statement would find those
    // rows for an empty code and give them balances of their own; no article, no card.
    if (code.trimmed().isEmpty())
        return;
    try {
        Transaction transaction(engine);
        writeBalances(engine, code);
        card.open();
        transaction.commit();
    } catch (...) {
        // The rollback has put every SALDO back: the card shows the old values from the top,
        // as a finished card would.
        try {
            card.open();
            card.first();
        } catch (const EngineError&) {
        }
        throw;
    }
    card.first();
}

} // namespace kestar::ItemCard
