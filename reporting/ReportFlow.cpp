#include "reporting/ReportFlow.h"

#include "platform/Clock.h"
#include "platform/Regional.h"

#include <QLocale>
#include <algorithm>
#include <limits>

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

} // namespace

ReportFlow::ReportFlow(const ReportDefinition& definition, const RowSource& source)
    : m_definition(definition), m_source(source)
{
    const QDateTime now = Clock::now();
    m_date = Regional::formatDate(now.date());
    m_time = Regional::formatTime(now.time());

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
    const qint64 rowsPerPage = detailHeight > kEpsilon ? qint64(body / detailHeight) + 1
                               : m_source.hasRow(999)  ? 1000
                                                       : m_source.rowCount();
    m_textsPerPage = m_header.elements.size() + m_title.elements.size() +
                     m_summary.elements.size() + m_footer.elements.size() +
                     m_detail.elements.size() * std::clamp<qint64>(rowsPerPage, 1, 1000);
}

int ReportFlow::fontIndex(const FontSpec& spec)
{
    const QString key =
        QStringLiteral("%1|%2|%3").arg(spec.family).arg(spec.pointSize).arg(spec.bold);
    auto found = m_fontIndex.constFind(key);
    if (found != m_fontIndex.constEnd())
        return *found;
    m_fonts.append(spec);
    const int index = int(m_fonts.size() - 1);
    m_fontIndex.insert(key, index);
    return index;
}

void ReportFlow::noteMissing(const QString& field, const QString& element)
{
    const QString note =
        QStringLiteral("Polje '%1' ne postoji u podacima; element '%2' je ostao prazan.")
            .arg(field, element);
    if (!m_notes.contains(note, Qt::CaseInsensitive))
        m_notes.append(note);
}

double ReportFlow::number(qint64 row, int field) const
{
    if (row < 0 || field < 0)
        return 0;
    bool ok = false;
    const double value = Regional::parseNumber(m_source.text(row, field), &ok);
    return ok ? value : 0;
}

double ReportFlow::evaluate(const Prepared& prepared, qint64 row) const
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

ReportFlow::PreparedBand ReportFlow::prepare(const ReportBand& band)
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
            if (!element.expression.sum)
                break;
            // The summary comes after the last row: its sums grow page by page. Anywhere
            // else the first page already prints the total.
            if (band.kind == BandKind::Summary) {
                p.sum = m_sumCount++;
                break;
            }
            {
                double total = 0;
                for (qint64 row = 0; m_source.hasRow(row); ++row)
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

QString ReportFlow::textOf(const Prepared& p, qint64 row, bool detail, bool plain) const
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
        if (p.sum >= 0)
            return element.text + numberText(m_sums->at(p.sum), p.decimals, plain);
        return element.text + numberText(evaluate(p, row), p.decimals, plain);
    case ElementKind::System:
        if (element.system == SystemValue::PageNumber)
            return element.text + QString::number(m_number);
        // In the detail band the row's own number; elsewhere the rows printed so far.
        return element.text + QString::number(detail ? row + 1 : m_printed);
    case ElementKind::Text:
        break;
    }
    return element.text;
}

void ReportFlow::place(const PreparedBand& prepared, double top, qint64 row)
{
    const ReportBand& band = *prepared.band;
    const double left = m_definition.margins.left();
    const double width = m_definition.contentWidth();
    const bool detail = band.kind == BandKind::Detail;
    for (const Prepared& p : prepared.elements) {
        const bool inTable = m_table && p.column >= 0;
        if (!m_page && !inTable)
            continue;
        QString text = textOf(p, row, detail);
        if (inTable) {
            m_rowCells[p.column] = m_plainIsPrinted ? text : textOf(p, row, detail, true);
            m_rowHasCells = true;
        }
        if (!m_page)
            continue;
        const ReportElement& element = *p.element;
        PageText placed;
        placed.rect = element.spanBand
                          ? QRectF(left, top + element.rect.y(), width, element.rect.height())
                          : element.rect.translated(left, top);
        placed.text = std::move(text);
        placed.align = element.align;
        placed.font = p.font;
        placed.band = band.kind;
        placed.element = element.name;
        m_page->texts.append(std::move(placed));
    }
    if (!m_page)
        return;
    if (band.ruleAbove > 0)
        m_page->lines.append({QLineF(left, top, left + width, top), band.ruleAbove});
    if (band.ruleBelow > 0) {
        const double bottom = top + band.height;
        m_page->lines.append({QLineF(left, bottom, left + width, bottom), band.ruleBelow});
    }
}

// The row the bands around the detail rows show in their data fields: the last one printed,
// or the first before any.
qint64 ReportFlow::contextRow() const
{
    if (!m_source.hasRow(0))
        return -1;
    return m_printed > 0 ? m_printed - 1 : 0;
}

// The table's columns are those the enabled detail elements name, in their order, titled by
// the texts of the named title elements.
void ReportFlow::prepareTable()
{
    for (const Prepared& p : std::as_const(m_detail.elements)) {
        const QString& heading = p.element->column;
        if (!heading.isEmpty() && !m_columns.contains(heading))
            m_columns.append(heading);
    }
    for (const QString& heading : std::as_const(m_columns))
        m_tableHeader.append(m_definition.element(heading).text);
    m_rowCells = QStringList(m_columns.size());
    m_plainIsPrinted = Regional::current().decimalSeparator == kPlainDecimal;
    assignColumns(m_detail);
    assignColumns(m_summary);
}

void ReportFlow::assignColumns(PreparedBand& band) const
{
    for (Prepared& p : band.elements)
        p.column = p.element->column.isEmpty() ? -1 : int(m_columns.indexOf(p.element->column));
}

void ReportFlow::addTableRow()
{
    if (!m_table)
        return;
    if (m_rowHasCells)
        m_table->cells += m_rowCells;
    m_rowCells.fill(QString());
    m_rowHasCells = false;
}

bool ReportFlow::fits(const PreparedBand& band, double y) const
{
    // A band taller than a whole page body is placed anyway rather than looping for ever.
    return y + band.band->height <= m_bodyBottom + kEpsilon || y <= m_bodyTop + kEpsilon;
}

PageStart ReportFlow::start() const
{
    PageStart first;
    first.sums = QList<double>(m_sumCount, 0.0);
    return first;
}

PageStart ReportFlow::layPage(const PageStart& from, ReportPage* page, ReportTable* table)
{
    if (from.end)
        return from;
    PageStart next = from;
    m_page = page;
    m_table = table;
    m_number = from.number;
    m_printed = from.row;
    m_sums = &next.sums;
    if (m_table && m_table->header.isEmpty())
        m_table->header = m_tableHeader;
    if (m_page) {
        m_page->number = from.number;
        m_page->texts.clear();
        m_page->lines.clear();
        // Growing the list text by text would move every text of the page again and again.
        m_page->texts.reserve(m_textsPerPage);
    }

    place(m_header, m_definition.margins.top(), contextRow());
    double y = m_bodyTop;
    if (from.number == 1) {
        place(m_title, y, contextRow());
        y += m_definition.title.height;
    }
    const double detailHeight = m_definition.detail.height;
    qint64 row = from.row;
    while (fits(m_detail, y) && m_source.hasRow(row)) {
        place(m_detail, y, row);
        addTableRow();
        for (const Prepared& p : std::as_const(m_summary.elements)) {
            if (p.sum >= 0)
                next.sums[p.sum] += evaluate(p, row);
        }
        y += detailHeight;
        m_printed = ++row;
    }
    next.row = row;
    if (!m_source.hasRow(row) && fits(m_summary, y)) {
        place(m_summary, y, contextRow());
        addTableRow();
        next.end = true;
    }
    place(m_footer, m_bodyBottom, contextRow());
    next.number = from.number + 1;
    m_page = nullptr;
    m_table = nullptr;
    m_sums = nullptr;
    return next;
}

ReportPages ReportFlow::layOutAll(const QString& title)
{
    ReportPages result;
    result.title = title;
    result.paperSize = m_definition.paperSize;
    result.fonts = m_fonts;
    result.notes = m_notes;
    if (!m_tableHeader.isEmpty()) {
        // Every row is read anyway: read first, the table takes its size at once.
        m_source.hasRow(std::numeric_limits<qint64>::max() - 1);
        result.table.cells.reserve(m_tableHeader.size() * (m_source.rowCount() + 1));
    }
    for (PageStart at = start(); !at.end;) {
        ReportPage page;
        at = layPage(at, &page, &result.table);
        result.pages.append(std::move(page));
    }
    return result;
}

QString formatMasked(double value, int decimals)
{
    return maskedWith(value, decimals, Regional::current().decimalSeparator);
}

} // namespace kestar
