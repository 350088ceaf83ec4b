#include "reporting/ReportLayout.h"

#include "platform/Clock.h"
#include "platform/Regional.h"

#include <QHash>
#include <QLocale>
#include <QSet>
#include <algorithm>

namespace kestar {

namespace {

constexpr double kEpsilon = 1e-6;
const QChar kPlainDecimal = QLatin1Char('.');

QString maskedWith(double value, int decimals, QChar decimal)
{
    QString text = QString::number(value, 'f', qMax(decimals, 0));
    // A value that rounds to zero prints without a sign.
    if (text.startsWith(QLatin1Char('-'))) {
        bool zero = true;
        for (qsizetype i = 1; i < text.size() && zero; ++i)
            zero = text.at(i) == QLatin1Char('0') || text.at(i) == QLatin1Char('.');
        if (zero)
            text.remove(0, 1);
    }
    if (decimal != kPlainDecimal)
        text.replace(kPlainDecimal, decimal);
    return text;
}

// A computed value as printed: masked, or else as the regional settings (or plainly) write it.
QString numberText(double value, int decimals, bool plain)
{
    if (decimals >= 0)
        return maskedWith(value, decimals,
                          plain ? kPlainDecimal : Regional::current().decimalSeparator);
    return plain ? QString::number(value, 'g', QLocale::FloatingPointShortest)
                 : Regional::formatNumber(value);
}

// An element with everything looked up that does not change from row to row.
struct Prepared
{
    const ReportElement* element = nullptr;
    int font = 0;
    int decimals = -1;
    int field = -1;
    bool numeric = false;
    QList<int> factors; // -1 for a factor the data lacks
    QString fixed;      // the whole text, for elements that print the same on every page
    QString fixedPlain; // the same with "." as decimal separator, for the table
    bool isFixed = false;
    int column = -1; // column of the table, -1 when the element is not in it
};

struct PreparedBand
{
    const ReportBand* band = nullptr;
    QList<Prepared> elements;
};

class Layout
{
public:
    Layout(const ReportDefinition& definition, const RowSource& source, const QString& title);
    ReportPages run();

private:
    PreparedBand prepare(const ReportBand& band);
    int fontIndex(const FontSpec& spec);
    void noteMissing(const QString& field, const QString& element);
    double evaluate(const Prepared& prepared, qint64 row) const;
    double number(qint64 row, int field) const;
    // plain: numbers with "." as decimal separator, as the table holds them.
    QString textOf(const Prepared& prepared, qint64 row, bool detail, bool plain = false) const;
    void prepareTable();
    void assignColumns(PreparedBand& band) const;
    void addTableRow();

    void startPage();
    void finishPage();
    // Places a band at the current position and moves below it.
    void place(const PreparedBand& band, double top, qint64 row);
    bool fits(const PreparedBand& band) const;
    qint64 contextRow() const;

    const ReportDefinition& m_definition;
    const RowSource& m_source;
    ReportPages m_result;
    QHash<QString, int> m_fontIndex; // key: family, size, weight
    QSet<QString> m_missing;
    QHash<const ReportElement*, double> m_sums;

    QString m_date;
    QString m_time;
    qint64 m_rows = 0;
    qint64 m_printed = 0; // detail rows placed so far
    ReportPage* m_page = nullptr;
    double m_y = 0;
    double m_bodyTop = 0;
    double m_bodyBottom = 0;
    qsizetype m_textsPerPage = 0;
    PreparedBand m_header, m_title, m_detail, m_summary, m_footer;

    QStringList m_columns;  // heading element of each column of the table
    QStringList m_rowCells; // the table row being placed
    bool m_rowHasCells = false;
    bool m_plainIsPrinted = false; // the regional decimal separator is "." already
};

Layout::Layout(const ReportDefinition& definition, const RowSource& source, const QString& title)
    : m_definition(definition), m_source(source)
{
    m_result.title = title;
    m_result.paperSize = definition.paperSize;
}

int Layout::fontIndex(const FontSpec& spec)
{
    const QString key =
        QStringLiteral("%1|%2|%3").arg(spec.family).arg(spec.pointSize).arg(spec.bold);
    auto found = m_fontIndex.constFind(key);
    if (found != m_fontIndex.constEnd())
        return *found;
    m_result.fonts.append(spec);
    const int index = int(m_result.fonts.size() - 1);
    m_fontIndex.insert(key, index);
    return index;
}

void Layout::noteMissing(const QString& field, const QString& element)
{
    const QString key = field.toUpper() + QLatin1Char('|') + element;
    if (m_missing.contains(key))
        return;
    m_missing.insert(key);
    m_result.notes.append(
        QStringLiteral("Polje '%1' ne postoji u podacima; element '%2' je ostao prazan.")
            .arg(field, element));
}

double Layout::number(qint64 row, int field) const
{
    if (row < 0 || field < 0)
        return 0;
    bool ok = false;
    const double value = Regional::parseNumber(m_source.text(row, field), &ok);
    return ok ? value : 0;
}

double Layout::evaluate(const Prepared& prepared, qint64 row) const
{
    if (prepared.factors.isEmpty())
        return 0;
    if (prepared.element->expression.difference)
        return number(row, prepared.factors.value(0, -1)) -
               number(row, prepared.factors.value(1, -1));
    double value = 1;
    for (int factor : prepared.factors)
        value *= number(row, factor);
    return value;
}

PreparedBand Layout::prepare(const ReportBand& band)
{
    PreparedBand result;
    result.band = &band;
    for (const ReportElement& element : band.elements) {
        if (!element.enabled)
            continue;
        Prepared p;
        p.element = &element;
        p.font = fontIndex(m_definition.fontOf(element));
        p.decimals = element.maskDecimals();
        switch (element.kind) {
        case ElementKind::Text:
            p.fixed = element.text;
            p.isFixed = true;
            break;
        case ElementKind::Field:
            p.field = m_source.fieldIndex(element.field);
            if (p.field < 0)
                noteMissing(element.field, element.name);
            else
                p.numeric = m_source.isNumeric(p.field);
            break;
        case ElementKind::Expression:
            for (const QString& name : element.expression.factors) {
                const int index = m_source.fieldIndex(name);
                if (index < 0)
                    noteMissing(name, element.name);
                p.factors.append(index);
            }
            if (element.expression.sum) {
                double total = 0;
                for (qint64 row = 0; row < m_rows; ++row)
                    total += evaluate(p, row);
                p.fixed = element.text + numberText(total, p.decimals, false);
                p.fixedPlain = element.text + numberText(total, p.decimals, true);
                p.isFixed = true;
            }
            break;
        case ElementKind::System:
            if (element.system == SystemValue::Date || element.system == SystemValue::Time ||
                element.system == SystemValue::DateTime) {
                const QString value = element.system == SystemValue::Date ? m_date
                                      : element.system == SystemValue::Time
                                          ? m_time
                                          : m_date + QLatin1Char(' ') + m_time;
                p.fixed = element.text + value;
                p.isFixed = true;
            }
            break;
        }
        if (p.isFixed && p.fixedPlain.isNull())
            p.fixedPlain = p.fixed;
        result.elements.append(p);
    }
    return result;
}

QString Layout::textOf(const Prepared& p, qint64 row, bool detail, bool plain) const
{
    if (p.isFixed)
        return plain ? p.fixedPlain : p.fixed;
    const ReportElement& element = *p.element;
    switch (element.kind) {
    case ElementKind::Field: {
        if (p.field < 0 || row < 0)
            return element.text;
        const QString value = m_source.text(row, p.field);
        if (p.decimals < 0 || !p.numeric || value.isEmpty())
            return element.text + value;
        bool ok = false;
        const double number = Regional::parseNumber(value, &ok);
        return element.text + (ok ? numberText(number, p.decimals, plain) : value);
    }
    case ElementKind::Expression:
        return element.text + numberText(evaluate(p, row), p.decimals, plain);
    case ElementKind::System:
        if (element.system == SystemValue::PageNumber)
            return element.text + QString::number(m_page ? m_page->number : 0);
        // In the detail band the row's own number; elsewhere the rows printed so far.
        return element.text + QString::number(detail ? row + 1 : m_printed);
    case ElementKind::Text:
        break;
    }
    return element.text;
}

void Layout::place(const PreparedBand& prepared, double top, qint64 row)
{
    const ReportBand& band = *prepared.band;
    const double left = m_definition.margins.left();
    const double width = m_definition.contentWidth();
    const bool detail = band.kind == BandKind::Detail;
    for (const Prepared& p : prepared.elements) {
        const ReportElement& element = *p.element;
        PageText text;
        text.rect = element.spanBand
                        ? QRectF(left, top + element.rect.y(), width, element.rect.height())
                        : element.rect.translated(left, top);
        text.text = textOf(p, row, detail);
        if (p.column >= 0) {
            m_rowCells[p.column] = m_plainIsPrinted ? text.text : textOf(p, row, detail, true);
            m_rowHasCells = true;
        }
        text.align = element.align;
        text.font = p.font;
        text.band = band.kind;
        text.element = element.name;
        m_page->texts.append(std::move(text));
    }
    if (band.ruleAbove > 0)
        m_page->lines.append({QLineF(left, top, left + width, top), band.ruleAbove});
    if (band.ruleBelow > 0) {
        const double bottom = top + band.height;
        m_page->lines.append({QLineF(left, bottom, left + width, bottom), band.ruleBelow});
    }
}

// The row the bands around the detail rows show in their data fields: the last one printed,
// or the first before any.
qint64 Layout::contextRow() const
{
    if (m_rows == 0)
        return -1;
    return m_printed > 0 ? m_printed - 1 : 0;
}

void Layout::startPage()
{
    ReportPage page;
    page.number = int(m_result.pages.size() + 1);
    // Growing the list text by text would move every text of the page again and again.
    page.texts.reserve(m_textsPerPage);
    m_result.pages.append(std::move(page));
    m_page = &m_result.pages.last();
    place(m_header, m_definition.margins.top(), contextRow());
    m_y = m_bodyTop;
}

void Layout::finishPage()
{
    place(m_footer, m_bodyBottom, contextRow());
}

// The table's columns are those the enabled detail elements name, in their order, titled by
// the texts of the named title elements.
void Layout::prepareTable()
{
    for (const Prepared& p : std::as_const(m_detail.elements)) {
        const QString& heading = p.element->column;
        if (!heading.isEmpty() && !m_columns.contains(heading))
            m_columns.append(heading);
    }
    for (const QString& heading : std::as_const(m_columns))
        m_result.table.header.append(m_definition.element(heading).text);
    m_rowCells = QStringList(m_columns.size());
    m_plainIsPrinted = Regional::current().decimalSeparator == kPlainDecimal;
    assignColumns(m_detail);
    assignColumns(m_summary);
    m_result.table.cells.reserve(m_columns.size() * (m_rows + 1));
}

void Layout::assignColumns(PreparedBand& band) const
{
    for (Prepared& p : band.elements)
        p.column = p.element->column.isEmpty() ? -1 : int(m_columns.indexOf(p.element->column));
}

void Layout::addTableRow()
{
    if (m_rowHasCells)
        m_result.table.cells += m_rowCells;
    m_rowCells.fill(QString());
    m_rowHasCells = false;
}

bool Layout::fits(const PreparedBand& band) const
{
    // A band taller than a whole page body is placed anyway rather than looping for ever.
    return m_y + band.band->height <= m_bodyBottom + kEpsilon || m_y <= m_bodyTop + kEpsilon;
}

ReportPages Layout::run()
{
    const QDateTime now = Clock::now();
    m_date = Regional::formatDate(now.date());
    m_time = Regional::formatTime(now.time());
    m_rows = m_source.rowCount();

    m_header = prepare(m_definition.pageHeader);
    m_title = prepare(m_definition.title);
    m_detail = prepare(m_definition.detail);
    m_summary = prepare(m_definition.summary);
    m_footer = prepare(m_definition.pageFooter);
    prepareTable();

    m_bodyTop = m_definition.margins.top() + m_definition.pageHeader.height;
    m_bodyBottom = m_definition.paperSize.height() - m_definition.margins.bottom() -
                   m_definition.pageFooter.height;

    const double detailHeight = m_definition.detail.height;
    const double body = m_bodyBottom - m_bodyTop;
    const qint64 rowsPerPage =
        detailHeight > kEpsilon ? qint64(body / detailHeight) + 1 : qMin<qint64>(m_rows, 1000);
    m_textsPerPage = m_header.elements.size() + m_title.elements.size() +
                     m_summary.elements.size() + m_footer.elements.size() +
                     m_detail.elements.size() * std::clamp<qint64>(rowsPerPage, 1, 1000);

    startPage();
    place(m_title, m_y, contextRow());
    m_y += m_definition.title.height;

    for (qint64 row = 0; row < m_rows; ++row) {
        if (!fits(m_detail)) {
            finishPage();
            startPage();
        }
        place(m_detail, m_y, row);
        addTableRow();
        m_y += detailHeight;
        m_printed = row + 1;
    }

    if (!fits(m_summary)) {
        finishPage();
        startPage();
    }
    place(m_summary, m_y, contextRow());
    addTableRow();
    m_y += m_definition.summary.height;
    finishPage();
    m_page = nullptr;
    return std::move(m_result);
}

} // namespace

QString formatMasked(double value, int decimals)
{
    return maskedWith(value, decimals, Regional::current().decimalSeparator);
}

ReportPages layoutReport(const ReportDefinition& definition, const RowSource& source,
                         const QString& title)
{
    return Layout(definition, source, title).run();
}

} // namespace kestar
