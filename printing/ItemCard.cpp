#include "printing/ItemCard.h"

#include "data/EngineError.h"
#include "data/Query.h"
#include "data/Transaction.h"
#include "data/sql/SqlDialect.h"

namespace kestar::ItemCard {

namespace {

const QString kOtpremnica = QStringLiteral("OTPREMNICA");
const QString kUlaz = QStringLiteral("ULAZ");
const QString kKolicina = QStringLiteral("KOLICINA");
const QString kSaldo = QStringLiteral("SALDO");
const QString kZero = QStringLiteral("0");

void walk(Query& card)
{
    double balance = 0;
    for (card.last(); !card.bof(); card.prior()) {
        // The texts, not the numbers: an empty OTPREMNICA or ULAZ is neither an issue nor a
        // receipt of nothing, and counts for neither side.
        if (card.text(kOtpremnica) == kZero)
            balance += card.number(kKolicina);
        if (card.text(kUlaz) == kZero)
            balance -= card.number(kKolicina);
        card.edit();
        card.setNumber(kSaldo, balance);
        card.post();
    }
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
        card.open();
        walk(card);
        transaction.commit();
    } catch (...) {
        // The row being written is dropped; the rollback has the card reread the old values,
        // which it then shows from the top as a finished card would.
        card.cancel();
        try {
            card.first();
        } catch (const EngineError&) {
        }
        throw;
    }
    card.first();
}

} // namespace kestar::ItemCard
