#pragma once

#include <QString>

namespace kestar {

class Engine;
class Query;

// The item card: one article's receipts and issues from the ledger with a running balance,
// which is written into SALDO of each of those ledger rows.
namespace ItemCard {

// The card's statement for an article code; the code goes in through sql::quoted(), so an
// apostrophe in it simply belongs to the code.
QString statement(const QString& code);

// Runs the card's statement on card (a live query over the ledger) after writing the running
// balance into the ledger: the article's rows are taken from the last to the first in the
// ledger's natural order (newest first, so from the oldest movement to the newest); a row whose
// OTPREMNICA reads exactly "0" adds its KOLICINA to the balance, then a row whose ULAZ reads
// exactly "0" subtracts it; each row's SALDO becomes the balance. The rows are read in one
// statement, locked until the balances are written where other workstations may write them,
// and written in one more, however many they are.
//
// Every SALDO of one build is written in one transaction: an error anywhere (a refused write,
// the commit) raises EngineError and leaves every SALDO as it was, the card showing the old
// values. After a success the card stays open on its first row. An article without receipts or
// issues gives an empty card and writes nothing; so does an empty (or blank) code, which leaves
// the card closed: it names no article, even though ledger rows of lines without an article
// have an empty code.
void build(Engine& engine, Query& card, const QString& code);

} // namespace ItemCard
} // namespace kestar
