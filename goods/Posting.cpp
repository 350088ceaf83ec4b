#include "goods/Posting.h"

#include "data/DataPath.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/FieldValue.h"
#include "data/Table.h"
#include "data/TextFiles.h"
#include "data/Transaction.h"
#include "platform/Regional.h"
#include "shell/StatusPanels.h"

#include <QFile>
#include <QFileInfo>
#include <QPair>
#include <QSaveFile>
#include <exception>
#include <optional>

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

// A counter file as it was before the posting replaced it, to be put back when the posting
// fails after all.
class CounterBackup
{
public:
    explicit CounterBackup(const QString& name)
        : m_path(DataPath::resolve(name)), m_existed(QFileInfo::exists(m_path))
    {
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly))
            m_content = file.readAll();
    }

    void restore() const
    {
        if (!m_existed) {
            QFile::remove(m_path);
            return;
        }
        if (!m_content)
            return;
        QSaveFile file(m_path);
        file.setDirectWriteFallback(true);
        if (file.open(QIODevice::WriteOnly) && file.write(*m_content) == m_content->size())
            file.commit();
    }

private:
    QString m_path;
    bool m_existed = false;
    std::optional<QByteArray> m_content;
};

} // namespace

QString counterFile(DocumentKind kind)
{
    return kind == DocumentKind::Issue ? kIssueCounter : kReceiptCounter;
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

PostingResult post(const PostingTarget& target, const GoodsDocument& document)
{
    Table& ledger = target.ledger;
    Table& items = target.items;
    const QString documentNumber =
        QString::number(qint64(TextFiles::toStrictInteger(document.documentPanel)) + 1);

    ledger.open();
    items.open();
    checkDocumentNumber(ledger, document);
    QList<RowTexts> rows;
    rows.reserve(document.lines.size());
    for (const DocumentLine& line : document.lines) {
        rows.append(ledgerRow(document, line, documentNumber));
        checkRow(ledger, rows.last());
        if (findArticle(items, line.code))
            quantityOf(line);
    }

    const double sign = isIssue(document) ? -1.0 : 1.0;
    const QString kindCounter = counterFile(document.kind);
    const CounterBackup documentBackup(kDocumentCounter);
    const CounterBackup kindBackup(kindCounter);
    try {
        Transaction transaction(target.engine);
        ledger.first();
        for (qsizetype i = 0; i < rows.size(); ++i) {
            ledger.insert();
            for (const FieldText& value : rows.at(i))
                ledger.setText(value.first, value.second);
            ledger.post();
            changeStock(items, document.lines.at(i), sign);
        }
        // The counters are replaced while the rows are still uncommitted: a crash from here on
        // skips at most one number, it never leaves a counter behind the ledger.
        bool documentReplaced = false;
        bool kindReplaced = false;
        try {
            TextFiles::replaceLines(kDocumentCounter, {documentNumber});
            documentReplaced = true;
            TextFiles::replaceLines(kindCounter, {document.number});
            kindReplaced = true;
            transaction.commit();
        } catch (...) {
            if (kindReplaced)
                kindBackup.restore();
            if (documentReplaced)
                documentBackup.restore();
            throw;
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
    result.documentNumber = documentNumber;
    result.kindNumber = document.number;
    result.kindPanel =
        isIssue(document) ? StatusPanels::kIssueNumber : StatusPanels::kReceiptNumber;
    return result;
}

} // namespace kestar::Posting
