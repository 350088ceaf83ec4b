#include "goods/Posting.h"

#include "data/Backend.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Schema.h"
#include "data/Table.h"
#include "data/TableBatch.h"
#include "data/TextFiles.h"
#include "data/Transaction.h"
#include "platform/Regional.h"

#include <QHash>
#include <algorithm>

namespace kestar::Posting {

namespace {

bool isIssue(const GoodsDocument& document)
{
    return document.kind == DocumentKind::Issue;
}

QString kindField(DocumentKind kind)
{
    return kind == DocumentKind::Issue ? QStringLiteral("OTPREMNICA") : QStringLiteral("ULAZ");
}

const QString kTotal = QStringLiteral("KOLICINA");
const QString kWarehouse = QStringLiteral("MAGACIN1");

// The ledger rows of one document in the form the ledger stores them, each value converted
// once: the fields every line shares when the document is taken in, the line's own fields
// when the line is.
class LedgerRows
{
public:
    LedgerRows(const QList<FieldDef>& fields, const GoodsDocument& document) : m_fields(fields)
    {
        const QString zero = QStringLiteral("0");
        const QString date = Regional::formatDate(document.date);
        m_shared = QList<QVariant>(fields.size());
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
            set(QString::fromLatin1(field), text);
        if (document.equipmentSwitch == 1) {
            // Goods are issued to a machine, never received from one: a machine left in the
            // page's hidden fields by an issue that was not posted must not put a receipt into
            // that machine's grouped delivery note.
            const bool issue = isIssue(document);
            set(QStringLiteral("SIFRAMASINE"), issue ? document.machineCode : QString());
            set(QStringLiteral("SIFRAMASINE2"), issue ? document.machineCode2 : QString());
            set(QStringLiteral("NAZIVMASINE"), issue ? document.machineName : QString());
        }
        m_code = Schema::fieldIndex(fields, QStringLiteral("SIFRAROBE"));
        m_name = Schema::fieldIndex(fields, QStringLiteral("NAZIV"));
        m_groupName = Schema::fieldIndex(fields, QStringLiteral("NAZIVGRUPE"));
        m_groupCode = Schema::fieldIndex(fields, QStringLiteral("SIFRAGRUPE"));
        m_quantity = Schema::fieldIndex(fields, QStringLiteral("KOLICINA"));
    }

    // A field every line shares (BROJDOKUMENTA, the kind's number).
    void set(const QString& field, const QString& text)
    {
        const int index = Schema::fieldIndex(m_fields, field);
        m_shared[index] = FieldValue::fromText(text, m_fields.at(index));
    }

    // The row of one line; a value that does not convert raises the engine's error.
    QList<QVariant> row(const DocumentLine& line) const
    {
        QList<QVariant> row = m_shared;
        row[m_code] = FieldValue::fromText(line.code, m_fields.at(m_code));
        row[m_name] = FieldValue::fromText(line.name, m_fields.at(m_name));
        row[m_groupName] = FieldValue::fromText(line.groupName, m_fields.at(m_groupName));
        row[m_groupCode] = FieldValue::fromText(line.groupCode, m_fields.at(m_groupCode));
        row[m_quantity] = FieldValue::fromText(line.quantity, m_fields.at(m_quantity));
        return row;
    }

private:
    const QList<FieldDef> m_fields;
    QList<QVariant> m_shared;
    int m_code = -1, m_name = -1, m_groupName = -1, m_groupCode = -1, m_quantity = -1;
};

// The number field goes into a whole-number field of the ledger and, unchanged, into the
// counter file, which start-up reads back strictly: it must be a whole number both ways.
void checkDocumentNumber(const QList<FieldDef>& fields, const GoodsDocument& document)
{
    const FieldDef field = Schema::field(fields, kindField(document.kind));
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

// The next number of a field after last, unless the ledger holds that already (another
// workstation took it, or the counter was damaged or put back from an older copy); then the
// number after the largest in the ledger. Both are single seeks on the field's index.
qint64 freeNumber(Engine& engine, const QString& ledger, const QString& field, qint64 last)
{
    const qint64 number = last + 1;
    if (!engine.holds(ledger, field, number))
        return number;
    return engine.largestInteger(ledger, field).value_or(0) + 1;
}

// The stock of the articles the lines name, each line's quantity added to (receipt) or taken
// from (issue) its article's KOLICINA and MAGACIN1 in line order, as the article row would be
// edited for each line in turn. Only a quantity that is no number on a line whose code names
// an article stops the posting; a code that names no article changes nothing.
class StockChanges
{
public:
    StockChanges(const QList<FieldDef>& itemFields, QHash<QString, QList<QVariant>> stock)
        : m_total(Schema::field(itemFields, kTotal)),
          m_warehouse(Schema::field(itemFields, kWarehouse)), m_stock(std::move(stock))
    {
    }

    void add(const DocumentLine& line, double sign)
    {
        const auto article = m_stock.find(line.code);
        bool ok = false;
        const double quantity = Regional::parseNumber(line.quantity, &ok);
        if (!ok && article != m_stock.end())
            throw EngineError(
                QStringLiteral("'%1' is not a valid floating point value").arg(line.quantity));
        if (!ok || article == m_stock.end())
            return;
        const double change = sign * quantity;
        QList<QVariant>& values = article.value();
        values[0] =
            FieldValue::fromNumber(FieldValue::toNumber(values[0], m_total) + change, m_total);
        values[1] = FieldValue::fromNumber(FieldValue::toNumber(values[1], m_warehouse) + change,
                                           m_warehouse);
        if (!m_changed.contains(line.code))
            m_changed.append(line.code);
    }

    // Each changed article's key, KOLICINA and MAGACIN1.
    QList<QList<QVariant>> rows() const
    {
        QList<QList<QVariant>> rows;
        for (const QString& code : m_changed)
            rows.append(QList<QVariant>{code} + m_stock.value(code));
        return rows;
    }

private:
    const FieldDef m_total;
    const FieldDef m_warehouse;
    QHash<QString, QList<QVariant>> m_stock;
    QStringList m_changed;
};

} // namespace

Counter counterOf(DocumentKind kind)
{
    return kind == DocumentKind::Issue ? Counter::Issue : Counter::Receipt;
}

QString postedMessage(const GoodsDocument& document, const PostingResult& result)
{
    if (result.kindNumber.text == document.number)
        return kPosted;
    return kPosted + QLatin1Char(' ') +
           QStringLiteral("Broj %1 je u medjuvremenu zauzet, pa je %2 upamcena pod brojem %3.")
               .arg(document.number,
                    result.kind == DocumentKind::Issue ? QStringLiteral("otpremnica")
                                                       : QStringLiteral("prijemnica"),
                    result.kindNumber.text);
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
    try {
        return target.engine.holds(target.ledger.name(), kindField(kind), value);
    } catch (const EngineError&) {
        return false; // a ledger that cannot be read stops the posting with its own error
    }
}

PostingResult post(const PostingTarget& target, const GoodsDocument& document)
{
    Engine& engine = target.engine;
    Table& ledger = target.ledger;
    Table& items = target.items;
    // A change still pending in a view is the user's own earlier edit: written first, as any
    // move of the view writes it.
    for (Table* view : {&ledger, &items}) {
        if (view->isOpen())
            view->first();
    }
    const QList<FieldDef> ledgerFields = engine.attach(ledger.name())->fields;
    const QList<FieldDef> itemFields = engine.attach(items.name())->fields;
    checkDocumentNumber(ledgerFields, document);
    const Counter kindCounter = counterOf(document.kind);
    const bool shared = engine.backend().sharedByWorkstations();

    PostingResult result;
    result.kind = document.kind;
    {
        Transaction transaction(engine);
        // Where other workstations post too, postings take their turns: each first locks and
        // reads the document counter (every posting writes it), then its kind's. From here
        // until the commit no other posting takes a number, the numbers found free below stay
        // free, and the ledger's first row stays the first.
        qint64 lastDocument = document.lastDocumentNumber;
        if (shared) {
            lastDocument = target.shared.lastNumber(Counter::Document).value;
            target.shared.firstNumber(kindCounter);
        }
        const std::unique_ptr<CounterChange> counters =
            target.shared.changeCounters({Counter::Document, kindCounter});
        const qint64 documentNumber =
            freeNumber(engine, ledger.name(), QStringLiteral("BROJDOKUMENTA"), lastDocument);
        // The number on the page was a proposal: one another workstation has posted since, and
        // the user did not choose to add lines to, gives way to the next free one.
        // The next free one never goes back behind the proposal, whatever the counter says.
        QString kindNumber = document.number;
        if (!document.addToHeldNumber && numberHeld(target, document.kind, document.number)) {
            const qint64 last = std::max<qint64>(target.shared.firstNumber(kindCounter),
                                                 TextFiles::toStrictInteger(document.number));
            kindNumber =
                QString::number(freeNumber(engine, ledger.name(), kindField(document.kind), last));
        }
        result.kindNumber = {TextFiles::toStrictInteger(kindNumber), kindNumber};

        LedgerRows ledgerRows(ledgerFields, document);
        ledgerRows.set(QStringLiteral("BROJDOKUMENTA"), QString::number(documentNumber));
        result.documentNumber = int(documentNumber);
        ledgerRows.set(kindField(document.kind), kindNumber);
        QStringList codes;
        for (const DocumentLine& line : document.lines)
            codes.append(line.code);
        codes.removeDuplicates();
        StockChanges stock(
            itemFields, TableBatch::readByKey(engine, items.name(), codes, {kTotal, kWarehouse}));
        const double sign = isIssue(document) ? -1.0 : 1.0;
        QList<QList<QVariant>> rows;
        rows.reserve(document.lines.size());
        for (const DocumentLine& line : document.lines) {
            rows.append(ledgerRows.row(line));
            stock.add(line, sign);
        }
        TableBatch::insertAtFront(engine, ledger.name(), rows);
        TableBatch::updateByKey(engine, items.name(), {kTotal, kWarehouse}, stock.rows());
        // The counters are set while the rows are still uncommitted: a crash from here on
        // skips at most one number, it never leaves a counter behind the ledger. A failure puts
        // back every counter already set, and says so when it cannot.
        counters->write({QString::number(documentNumber), kindNumber});
        try {
            transaction.commit();
        } catch (const EngineError& error) {
            throw EngineError(counters->undoAfter(error.text()));
        }
    }
    ledger.close();
    items.close();
    return result;
}

} // namespace kestar::Posting
