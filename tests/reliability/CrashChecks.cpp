#include "tests/reliability/CrashChecks.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/JournalRecovery.h"
#include "data/Query.h"
#include "data/Table.h"
#include "data/TextFiles.h"
#include "goods/Posting.h"
#include "platform/Regional.h"
#include "printing/ItemCard.h"
#include "tests/reliability/CrashChildPlan.h"
#include "tests/support/Fixture.h"
#include "tests/support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>

namespace kestar::test::CrashChecks {

namespace Plan = kestar::test::CrashChildPlan;

// The SQLite files of the data folder read as sound, and no journal left behind once the
// program opened them.
void checkFiles(const TestFolder& folder, Violations& violations)
{
    for (const char* name : {"prometx.db", "magacin.db", "pmagacin.db"}) {
        const QString path = folder.dataPath(QString::fromLatin1(name));
        if (JournalRecovery::stateOf(path + QStringLiteral("-journal")) ==
            JournalRecovery::State::Hot)
            violations.add(
                QStringLiteral("%1 still has a hot journal after it was opened").arg(name));
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY,
                            nullptr) != SQLITE_OK) {
            violations.add(QStringLiteral("%1 does not open").arg(name));
            sqlite3_close(db);
            continue;
        }
        sqlite3_stmt* check = nullptr;
        QString result;
        if (sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &check, nullptr) == SQLITE_OK &&
            sqlite3_step(check) == SQLITE_ROW)
            result =
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        sqlite3_finalize(check);
        sqlite3_close(db);
        if (result != QLatin1String("ok"))
            violations.add(QStringLiteral("%1 fails its check: %2").arg(name, result));
    }
}

namespace {

double numberOf(const QString& text)
{
    if (text.isEmpty())
        return 0;
    bool ok = false;
    const double value = Regional::parseNumber(text, &ok);
    return ok ? value : qQNaN();
}

int counterValue(const QString& name, Violations& violations)
{
    try {
        return TextFiles::readFirstLineNumber(name).value;
    } catch (const EngineError& error) {
        violations.add(QStringLiteral("%1 cannot be read: %2").arg(name, error.text()));
        return -1;
    }
}

// One ledger row as the checks need it.
struct LedgerRow
{
    int document = 0;
    QString issue;
    QString receipt;
    QString code;
    QString quantity;
};

QList<LedgerRow> ledgerRows(Engine& engine)
{
    auto ledger = std::make_unique<Table>(engine, QStringLiteral("podaci/prometx.db"));
    ledger->open();
    QList<LedgerRow> rows;
    for (ledger->first(); !ledger->eof(); ledger->next()) {
        rows.append(
            {ledger->text(QStringLiteral("BROJDOKUMENTA")).toInt(),
             ledger->text(QStringLiteral("OTPREMNICA")), ledger->text(QStringLiteral("ULAZ")),
             ledger->text(QStringLiteral("SIFRAROBE")), ledger->text(QStringLiteral("KOLICINA"))});
    }
    ledger->close();
    return rows;
}

} // namespace

// Checks the ledger, the stock and the counters after a kill of the posting child; returns
// the document numbers in the ledger.
QSet<int> checkPostings(Engine& engine, quint32 seed, const QSet<int>& reported,
                        Violations& violations)
{
    const QList<LedgerRow> rows = ledgerRows(engine);
    QHash<QString, double> stock;
    for (const Plan::Article& article : Plan::articles())
        stock.insert(article.code, article.stock);

    QSet<int> documents;
    int maxIssue = 0;
    int maxReceipt = 0;
    int previousDocument = INT_MAX;
    int previousNumber[2] = {INT_MAX, INT_MAX};
    for (qsizetype at = 0; at < rows.size();) {
        const int number = rows.at(at).document;
        qsizetype end = at;
        while (end < rows.size() && rows.at(end).document == number)
            ++end;
        if (number >= previousDocument || documents.contains(number))
            violations.add(QStringLiteral("document %1 stands out of order").arg(number));
        previousDocument = number;
        documents.insert(number);

        const GoodsDocument expected = Plan::document(seed, number);
        const bool issue = expected.kind == DocumentKind::Issue;
        const qsizetype count = end - at;
        if (count != expected.lines.size()) {
            violations.add(QStringLiteral("document %1 has %2 of its %3 lines")
                               .arg(number)
                               .arg(count)
                               .arg(expected.lines.size()));
            at = end;
            continue;
        }
        const QString kindNumber = issue ? rows.at(at).issue : rows.at(at).receipt;
        for (qsizetype i = 0; i < count; ++i) {
            const LedgerRow& row = rows.at(at + i);
            const DocumentLine& line = expected.lines.at(count - 1 - i);
            const QString own = issue ? row.issue : row.receipt;
            const QString other = issue ? row.receipt : row.issue;
            if (row.code != line.code || row.quantity != line.quantity || own != kindNumber ||
                other != QLatin1String("0") || kindNumber.toInt() <= 0)
                violations.add(QStringLiteral("document %1 line %2 reads %3 %4 (%5/%6)")
                                   .arg(number)
                                   .arg(count - i)
                                   .arg(row.code, row.quantity, row.issue, row.receipt));
            if (stock.contains(line.code))
                stock[line.code] += (issue ? -1 : 1) * numberOf(line.quantity);
        }
        // Each document took the number after the last one of its kind.
        int& previous = previousNumber[issue ? 0 : 1];
        if (kindNumber.toInt() >= previous)
            violations.add(
                QStringLiteral("document %1 repeats number %2").arg(number).arg(kindNumber));
        previous = kindNumber.toInt();
        (issue ? maxIssue : maxReceipt) = qMax(issue ? maxIssue : maxReceipt, kindNumber.toInt());
        at = end;
    }

    auto items = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin.db"));
    items->open();
    int articles = 0;
    for (items->first(); !items->eof(); items->next()) {
        const QString code = items->text(QStringLiteral("SIFRA"));
        ++articles;
        for (const char* field : {"KOLICINA", "MAGACIN1"}) {
            const double value = numberOf(items->text(QString::fromLatin1(field)));
            if (value != stock.value(code))
                violations.add(QStringLiteral("%1 of %2 is %3, the ledger makes it %4")
                                   .arg(QString::fromLatin1(field), code)
                                   .arg(value)
                                   .arg(stock.value(code)));
        }
    }
    items->close();
    if (articles != Plan::articles().size())
        violations.add(QStringLiteral("magacin holds %1 articles").arg(articles));

    for (const int number : reported) {
        if (!documents.contains(number))
            violations.add(
                QStringLiteral("document %1 was reported posted and is not in the ledger")
                    .arg(number));
    }
    const int maxDocument =
        documents.isEmpty() ? 0 : *std::max_element(documents.begin(), documents.end());
    if (counterValue(QStringLiteral("podaci/dokument.txt"), violations) < maxDocument)
        violations.add(
            QStringLiteral("the document counter is behind document %1").arg(maxDocument));
    if (counterValue(QStringLiteral("podaci/otpremnica.txt"), violations) < maxIssue)
        violations.add(QStringLiteral("the issue counter is behind issue %1").arg(maxIssue));
    if (counterValue(QStringLiteral("podaci/ulaz.txt"), violations) < maxReceipt)
        violations.add(QStringLiteral("the receipt counter is behind receipt %1").arg(maxReceipt));
    return documents;
}

// Checks magacin and pmagacin after a kill of the saving child; returns the last batch saved.
int checkSaves(Engine& engine, quint32 seed, int reported, Violations& violations)
{
    QHash<QString, double> start;
    for (const Plan::Article& article : Plan::articles())
        start.insert(article.code, article.stock);
    QHash<QString, QStringList> saved; // code -> NAZIV, KOLICINA, MAGACIN1 .. MAGACIN5
    int last = 0;
    auto items = std::make_unique<Table>(engine, QStringLiteral("podaci/magacin.db"));
    items->open();
    for (items->first(); !items->eof(); items->next()) {
        const QString code = items->text(QStringLiteral("SIFRA"));
        QStringList values = {items->text(QStringLiteral("NAZIV"))};
        for (const char* field :
             {"KOLICINA", "MAGACIN1", "MAGACIN2", "MAGACIN3", "MAGACIN4", "MAGACIN5"})
            values.append(items->text(QString::fromLatin1(field)));
        const int batch = Plan::batchOf(code);
        if (batch == 0) {
            if (!start.contains(code) || numberOf(values.at(1)) != start.value(code) ||
                values.at(0) != QStringLiteral("Artikal ") + code)
                violations.add(
                    QStringLiteral("article %1 changed: %2").arg(code, values.join('|')));
            continue;
        }
        saved.insert(code, values);
        last = qMax(last, batch);
    }
    items->close();

    int expectedCount = start.size();
    for (int batch = 1; batch <= last; ++batch) {
        QSet<QString> seen;
        for (const Plan::StagedArticle& row : Plan::batch(seed, batch)) {
            if (Plan::batchOf(row.code) != batch || seen.contains(row.code))
                continue; // skipped by the save
            seen.insert(row.code);
            const QStringList expected = {row.name, row.quantity, row.quantity, "0", "0", "0", "0"};
            QStringList found = saved.value(row.code);
            for (int i = 1; i < found.size(); ++i)
                found[i] = Regional::formatNumber(numberOf(found.at(i)));
            if (found != expected)
                violations.add(QStringLiteral("batch %1: %2 reads %3")
                                   .arg(batch)
                                   .arg(row.code, found.join('|')));
        }
        expectedCount += seen.size();
    }
    if (last < reported)
        violations.add(QStringLiteral("batch %1 was reported saved, magacin holds batches up to %2")
                           .arg(reported)
                           .arg(last));
    if (saved.size() + start.size() != expectedCount)
        violations.add(QStringLiteral("magacin holds %1 new articles where batches 1 to %2 have %3")
                           .arg(saved.size())
                           .arg(last)
                           .arg(expectedCount - start.size()));

    QList<Plan::StagedArticle> staged;
    auto pending = std::make_unique<Table>(engine, QStringLiteral("podaci/pmagacin.db"));
    pending->open();
    for (pending->first(); !pending->eof(); pending->next())
        staged.append({pending->text(QStringLiteral("SIFRA")),
                       pending->text(QStringLiteral("NAZIV")),
                       pending->text(QStringLiteral("KOLICINA"))});
    pending->close();
    if (!staged.isEmpty()) {
        const QList<Plan::StagedArticle> next = Plan::batch(seed, last + 1);
        bool same = staged.size() == next.size();
        for (qsizetype i = 0; same && i < staged.size(); ++i)
            same = staged.at(i).code == next.at(i).code && staged.at(i).name == next.at(i).name &&
                   numberOf(staged.at(i).quantity) == numberOf(next.at(i).quantity);
        if (!same)
            violations.add(QStringLiteral("pmagacin holds %1 rows that are not batch %2 unsaved")
                               .arg(staged.size())
                               .arg(last + 1));
    }
    return last;
}

void followCardReports(const QStringList& lines, QHash<QString, CardExpectation>& expected)
{
    const QStringList codes = Plan::cardArticles();
    for (const QString& line : lines) {
        const QString word = line.section(QLatin1Char(' '), 0, 0);
        const int build = line.section(QLatin1Char(' '), 1).toInt();
        CardExpectation::State state;
        if (word == QLatin1String("marking"))
            state = CardExpectation::State::Any;
        else if (word == QLatin1String("building"))
            state = CardExpectation::State::MarkedOrBuilt;
        else if (word == QLatin1String("built"))
            state = CardExpectation::State::Built;
        else
            continue;
        expected[codes.at(build % codes.size())] = {state, build};
    }
}

// The card of every card article: its SALDO values are all the running balance of its rows
// (a finished build) or all one value (as before a build); anything else is a half build.
void checkCards(Engine& engine, const QHash<QString, CardExpectation>& expected,
                Violations& violations, int& finished, int& before)
{
    for (const QString& code : Plan::cardArticles()) {
        auto card = std::make_unique<Query>(engine, ItemCard::statement(code));
        card->open();
        QList<double> balances;
        QStringList saldo;
        double balance = 0;
        for (card->last(); !card->bof(); card->prior()) {
            const double quantity = numberOf(card->text(QStringLiteral("KOLICINA")));
            if (card->text(QStringLiteral("OTPREMNICA")) == QLatin1String("0"))
                balance += quantity;
            if (card->text(QStringLiteral("ULAZ")) == QLatin1String("0"))
                balance -= quantity;
            balances.append(balance);
            saldo.append(card->text(QStringLiteral("SALDO")));
        }
        card->close();
        int fresh = 0;
        for (qsizetype i = 0; i < saldo.size(); ++i) {
            if (!saldo.at(i).isEmpty() && numberOf(saldo.at(i)) == balances.at(i))
                ++fresh;
        }
        const bool built = fresh == saldo.size();
        const bool uniform = saldo.count(saldo.value(0)) == saldo.size();
        if (built)
            ++finished;
        else if (uniform)
            ++before;
        else
            violations.add(QStringLiteral("card %1: %2 of %3 rows hold the new balance")
                               .arg(code)
                               .arg(fresh)
                               .arg(saldo.size()));
        const CardExpectation expectation = expected.value(code);
        if (expectation.state == CardExpectation::State::Built && !built)
            violations.add(QStringLiteral("card %1 was reported built (build %2) and is not")
                               .arg(code)
                               .arg(expectation.build));
        if (expectation.state == CardExpectation::State::MarkedOrBuilt && !built &&
            (!uniform || numberOf(saldo.value(0)) != Plan::cardMarker(expectation.build)))
            violations.add(QStringLiteral("card %1 lost the marking of build %2 reported done")
                               .arg(code)
                               .arg(expectation.build));
    }
}

} // namespace kestar::test::CrashChecks
