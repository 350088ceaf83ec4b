#include "goods/Posting.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Table.h"
#include "data/TextFiles.h"
#include "data/Transaction.h"
#include "platform/Regional.h"

#include <QPair>

namespace kestar::Posting {

namespace {

using FieldText = QPair<QString, QString>; // field name, text handed to it
using RowTexts = QList<FieldText>;

bool isIssue(const GoodsDocument& document)
{
    return document.kind == DocumentKind::Issue;
}

// The ledger row of one line, field by field in the order they are set.
RowTexts ledgerRow(const GoodsDocument& document, const DocumentLine& line,
                   const QString& documentNumber)
{
    const QString zero = QStringLiteral("0");
    const QString date = Regional::formatDate(document.date);
    RowTexts row = {
        {QStringLiteral("BROJDOKUMENTA"), documentNumber},
        {QStringLiteral("NARUDZBENICA"), zero},
        {QStringLiteral("OTPREMNICA"), isIssue(document) ? document.number : zero},
        {QStringLiteral("ULAZ"), isIssue(document) ? zero : document.number},
        {QStringLiteral("PREDRACUN"), zero},
        {QStringLiteral("RADNINALOG"), zero},
        {QStringLiteral("RACUN"), zero},
        {QStringLiteral("POVRATNICA"), zero},
        {QStringLiteral("UMAGACIN"), zero},
        {QStringLiteral("MAGACIN"), QStringLiteral("1")},
        {QStringLiteral("KOMENTAR"), document.comment1},
        {QStringLiteral("KOMENTAR2"), document.comment2},
        {QStringLiteral("DATUM"), date},
        {QStringLiteral("VALUTA"), date},
        {QStringLiteral("SIFRAROBE"), line.code},
        {QStringLiteral("NAZIV"), line.name},
        {QStringLiteral("NAZIVGRUPE"), line.groupName},
        {QStringLiteral("SIFRAGRUPE"), line.groupCode},
        {QStringLiteral("CENA"), zero},
        {QStringLiteral("KOLICINA"), line.quantity},
        {QStringLiteral("RABAT"), zero},
        {QStringLiteral("UI"), QStringLiteral("K")},
        {QStringLiteral("SIFRAKUPCA"), zero},
        {QStringLiteral("KUPAC"), QStringLiteral("VLASNIK")},
        {QStringLiteral("VREDNOST"), zero},
        {QStringLiteral("KORISNIK"), document.user},
    };
    if (document.equipmentSwitch == 1) {
        // Goods are issued to a machine, never received from one: a machine left in the page's
        // hidden fields by an issue that was not posted must not put a receipt into that
        // machine's grouped delivery note.
        const bool issue = isIssue(document);
        row.append({QStringLiteral("SIFRAMASINE"), issue ? document.machineCode : QString()});
        row.append({QStringLiteral("SIFRAMASINE2"), issue ? document.machineCode2 : QString()});
        row.append({QStringLiteral("NAZIVMASINE"), issue ? document.machineName : QString()});
    }
    return row;
}

FieldDef fieldOf(const Table& table, const QString& name)
{
    const int index = table.fieldIndex(name);
    if (index < 0)
        throw EngineError(QStringLiteral("Field '%1' not found").arg(name));
    return table.fields().at(index);
}

// Converts every text of the row as the ledger will, so that a bad value stops the posting
// before its first write.
void checkRow(const Table& ledger, const RowTexts& row)
{
    for (const FieldText& value : row)
        FieldValue::fromText(value.second, fieldOf(ledger, value.first));
}

// The number field goes into a whole-number field of the ledger and, unchanged, into the
// counter file, which start-up reads back strictly: it must be a whole number both ways.
void checkDocumentNumber(const Table& ledger, const GoodsDocument& document)
{
    const FieldDef field =
        fieldOf(ledger, isIssue(document) ? QStringLiteral("OTPREMNICA") : QStringLiteral("ULAZ"));
    FieldValue::fromText(document.number, field);
    bool strict = !document.number.isEmpty();
    if (strict) {
        try {
            TextFiles::toStrictInteger(document.number);
        } catch (const EngineError&) {
            strict = false;
        }
    }
    if (!strict) {
        throw EngineError(QStringLiteral("'%1' is not a valid integer value for field '%2'")
                              .arg(document.number, field.name));
    }
}

// The article a line's code names: the key is unique, so a nearest-key search finds the only
// row whose code can equal the line's character for character.
bool findArticle(Table& items, const QString& code)
{
    if (items.isEmpty())
        return false;
    items.findNearest(code);
    return items.text(QStringLiteral("SIFRA")) == code;
}

double quantityOf(const DocumentLine& line)
{
    bool ok = false;
    const double quantity = Regional::parseNumber(line.quantity, &ok);
    if (!ok)
        throw EngineError(
            QStringLiteral("'%1' is not a valid floating point value").arg(line.quantity));
    return quantity;
}

void changeStock(Table& items, const DocumentLine& line, double sign)
{
    if (!findArticle(items, line.code))
        return;
    const double quantity = sign * quantityOf(line);
    const QString total = QStringLiteral("KOLICINA");
    const QString warehouse = QStringLiteral("MAGACIN1");
    items.edit();
    items.setNumber(total, items.number(total) + quantity);
    items.setNumber(warehouse, items.number(warehouse) + quantity);
    items.post();
}

// BROJDOKUMENTA is the program's own running number: the last one plus one, unless the ledger
// holds that already (the counter was damaged or put back from an older copy); then the number
// after the largest in the ledger. Both are single seeks on the field's index.
QString freeDocumentNumber(Engine& engine, const Table& ledger, int last)
{
    const QString field = QStringLiteral("BROJDOKUMENTA");
    qint64 number = qint64(last) + 1;
    if (engine.holds(ledger.name(), field, number))
        number = engine.largestInteger(ledger.name(), field).value_or(0) + 1;
    return QString::number(number);
}

} // namespace

Counter counterOf(DocumentKind kind)
{
    return kind == DocumentKind::Issue ? Counter::Issue : Counter::Receipt;
}

QString refusal(const GoodsDocument& document)
{
    if (document.equipmentSwitch == 1 && isIssue(document) && document.machineCode.isEmpty())
        return kMachineMissing;
    for (const DocumentLine& line : document.lines) {
        if (!line.code.trimmed().isEmpty())
            return {};
    }
    return kNothingToPost;
}

QString numberHeldQuestion(DocumentKind kind, const QString& number)
{
    return QStringLiteral("%1 broj %2 vec postoji! Da li zelite da dodate stavke u nju?")
        .arg(kind == DocumentKind::Issue ? QStringLiteral("Otpremnica")
                                         : QStringLiteral("Prijemnica"),
             number.trimmed());
}

bool numberHeld(const PostingTarget& target, DocumentKind kind, const QString& number)
{
    int value = 0;
    try {
        value = TextFiles::toStrictInteger(number);
    } catch (const EngineError&) {
        return false; // the posting refuses it with its own message
    }
    // A row with 0 in the field is a document of the other kind, never one numbered 0.
    if (value == 0)
        return false;
    const QString field =
        kind == DocumentKind::Issue ? QStringLiteral("OTPREMNICA") : QStringLiteral("ULAZ");
    try {
        return target.engine.holds(target.ledger.name(), field, value);
    } catch (const EngineError&) {
        return false; // a ledger that cannot be read stops the posting with its own error
    }
}

PostingResult post(const PostingTarget& target, const GoodsDocument& document)
{
    Table& ledger = target.ledger;
    Table& items = target.items;
    ledger.open();
    items.open();
    checkDocumentNumber(ledger, document);
    const std::unique_ptr<CounterChange> counters =
        target.shared.changeCounters({Counter::Document, counterOf(document.kind)});
    const double sign = isIssue(document) ? -1.0 : 1.0;

    QString documentNumber;
    try {
        Transaction transaction(target.engine);
        documentNumber = freeDocumentNumber(target.engine, ledger, document.lastDocumentNumber);
        QList<RowTexts> rows;
        rows.reserve(document.lines.size());
        for (const DocumentLine& line : document.lines) {
            rows.append(ledgerRow(document, line, documentNumber));
            checkRow(ledger, rows.last());
            if (findArticle(items, line.code))
                quantityOf(line);
        }
        ledger.first();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            ledger.insert();
            for (const FieldText& value : rows.at(i))
                ledger.setText(value.first, value.second);
            ledger.post();
            changeStock(items, document.lines.at(i), sign);
        }
        // The counters are set while the rows are still uncommitted: a crash from here on
        // skips at most one number, it never leaves a counter behind the ledger. A failure puts
        // back every counter already set, and says so when it cannot.
        counters->write({documentNumber, document.number});
        try {
            transaction.commit();
        } catch (const EngineError& error) {
            throw EngineError(counters->undoAfter(error.text()));
        }
    } catch (...) {
        // A refused post leaves its row pending in the view, and the next posting's first move
        // would write it after all.
        ledger.cancel();
        items.cancel();
        throw;
    }
    ledger.close();
    items.close();

    PostingResult result;
    result.kind = document.kind;
    result.documentNumber = documentNumber.toInt();
    result.kindNumber = {TextFiles::toStrictInteger(document.number), document.number};
    return result;
}

} // namespace kestar::Posting
