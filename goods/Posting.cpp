#include "goods/Posting.h"

#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Table.h"
#include "data/TextFiles.h"
#include "data/Transaction.h"
#include "platform/Regional.h"

#include <optional>

namespace kestar::Posting {

namespace {

bool isIssue(const GoodsDocument& document)
{
    return document.kind == DocumentKind::Issue;
}

int fieldOf(const Table& table, const QString& name)
{
    const int index = table.fieldIndex(name);
    if (index < 0)
        throw EngineError(QStringLiteral("Field '%1' not found").arg(name));
    return index;
}

// The ledger rows of one document in the form the ledger stores them, each value converted
// once: the fields every line shares when the document is taken in, the line's own fields
// when the line is.
class LedgerRows
{
public:
    LedgerRows(const Table& ledger, const GoodsDocument& document) : m_ledger(ledger)
    {
        const QString zero = QStringLiteral("0");
        const QString date = Regional::formatDate(document.date);
        m_shared = QList<QVariant>(ledger.fields().size());
        const QList<std::pair<const char*, QString>> shared = {
            {"NARUDZBENICA", zero},
            {"OTPREMNICA", isIssue(document) ? document.number : zero},
            {"ULAZ", isIssue(document) ? zero : document.number},
            {"PREDRACUN", zero},
            {"RADNINALOG", zero},
            {"RACUN", zero},
            {"POVRATNICA", zero},
            {"UMAGACIN", zero},
            {"MAGACIN", QStringLiteral("1")},
            {"KOMENTAR", document.comment1},
            {"KOMENTAR2", document.comment2},
            {"DATUM", date},
            {"VALUTA", date},
            {"CENA", zero},
            {"RABAT", zero},
            {"UI", QStringLiteral("K")},
            {"SIFRAKUPCA", zero},
            {"KUPAC", QStringLiteral("VLASNIK")},
            {"VREDNOST", zero},
            {"KORISNIK", document.user},
        };
        for (const auto& [field, text] : shared)
            set(m_shared, QString::fromLatin1(field), text);
        if (document.equipmentSwitch == 1) {
            // Goods are issued to a machine, never received from one: a machine left in the
            // page's hidden fields by an issue that was not posted must not put a receipt into
            // that machine's grouped delivery note.
            const bool issue = isIssue(document);
            set(m_shared, QStringLiteral("SIFRAMASINE"), issue ? document.machineCode : QString());
            set(m_shared, QStringLiteral("SIFRAMASINE2"),
                issue ? document.machineCode2 : QString());
            set(m_shared, QStringLiteral("NAZIVMASINE"), issue ? document.machineName : QString());
        }
        m_code = fieldOf(ledger, QStringLiteral("SIFRAROBE"));
        m_name = fieldOf(ledger, QStringLiteral("NAZIV"));
        m_groupName = fieldOf(ledger, QStringLiteral("NAZIVGRUPE"));
        m_groupCode = fieldOf(ledger, QStringLiteral("SIFRAGRUPE"));
        m_quantity = fieldOf(ledger, QStringLiteral("KOLICINA"));
    }

    // BROJDOKUMENTA, the same for every line.
    void setDocumentNumber(const QString& number)
    {
        set(m_shared, QStringLiteral("BROJDOKUMENTA"), number);
    }

    // The row of one line; a value that does not convert raises the engine's error.
    QList<QVariant> row(const DocumentLine& line) const
    {
        QList<QVariant> row = m_shared;
        const QList<FieldDef> fields = m_ledger.fields();
        row[m_code] = FieldValue::fromText(line.code, fields.at(m_code));
        row[m_name] = FieldValue::fromText(line.name, fields.at(m_name));
        row[m_groupName] = FieldValue::fromText(line.groupName, fields.at(m_groupName));
        row[m_groupCode] = FieldValue::fromText(line.groupCode, fields.at(m_groupCode));
        row[m_quantity] = FieldValue::fromText(line.quantity, fields.at(m_quantity));
        return row;
    }

private:
    void set(QList<QVariant>& row, const QString& field, const QString& text) const
    {
        const int index = fieldOf(m_ledger, field);
        row[index] = FieldValue::fromText(text, m_ledger.fields().at(index));
    }

    const Table& m_ledger;
    QList<QVariant> m_shared;
    int m_code = -1, m_name = -1, m_groupName = -1, m_groupCode = -1, m_quantity = -1;
};

// The number field goes into a whole-number field of the ledger and, unchanged, into the
// counter file, which start-up reads back strictly: it must be a whole number both ways.
void checkDocumentNumber(const Table& ledger, const GoodsDocument& document)
{
    const FieldDef field = ledger.fields().at(
        fieldOf(ledger, isIssue(document) ? QStringLiteral("OTPREMNICA") : QStringLiteral("ULAZ")));
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

// The stock change of a line: its quantity, which must be a number when the line's code names
// an article. Only a quantity that is no number needs the article looked up here.
std::optional<double> stockChange(Table& items, const DocumentLine& line)
{
    bool ok = false;
    const double quantity = Regional::parseNumber(line.quantity, &ok);
    if (ok)
        return quantity;
    if (findArticle(items, line.code))
        throw EngineError(
            QStringLiteral("'%1' is not a valid floating point value").arg(line.quantity));
    return std::nullopt;
}

void changeStock(Table& items, const QString& code, double change)
{
    if (!findArticle(items, code))
        return;
    const QString total = QStringLiteral("KOLICINA");
    const QString warehouse = QStringLiteral("MAGACIN1");
    items.edit();
    items.setNumber(total, items.number(total) + change);
    items.setNumber(warehouse, items.number(warehouse) + change);
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
        LedgerRows ledgerRows(ledger, document);
        ledgerRows.setDocumentNumber(documentNumber);
        QList<QList<QVariant>> rows;
        QList<std::optional<double>> changes;
        rows.reserve(document.lines.size());
        changes.reserve(document.lines.size());
        for (const DocumentLine& line : document.lines) {
            rows.append(ledgerRows.row(line));
            changes.append(stockChange(items, line));
        }
        ledger.first();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            ledger.insert();
            ledger.setValues(rows.at(i));
            ledger.post();
            if (changes.at(i))
                changeStock(items, document.lines.at(i).code, sign * *changes.at(i));
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
