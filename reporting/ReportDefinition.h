#pragma once

#include "reporting/ReportExpression.h"

#include <QList>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

namespace kestar {

// Units of a report definition: lengths in millimetres, font sizes and rule thicknesses in
// points (1/72 inch). Element positions are measured from the left margin and from the top
// of their band.

struct FontSpec
{
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;

    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

enum class Align
{
    Left,
    Centre,
    Right
};

enum class ElementKind
{
    Text,       // fixed text
    Field,      // a field of the current row
    Expression, // product of fields, or the sum of such a product over every detail row
    System,     // date, time, page number, row number
};

enum class SystemValue
{
    Date,
    Time,
    DateTime,
    PageNumber,
    RowNumber
};

enum class BandKind
{
    PageHeader,
    Title,
    Detail,
    Summary,
    PageFooter
};

// One printed item of a band. Built through the add...() functions of ReportBand and adjusted
// with the chainable setters (the reference they return lasts until the band gets its next
// element; find an element later by name through ReportDefinition::element()), e.g.
//   band.addField("kolicina", "KOLICINA", {150, 0, 20, 5}).alignRight().mask("0.00");
struct ReportElement
{
    QString name; // unique in the definition; how a page finds the element again
    ElementKind kind = ElementKind::Text;
    QRectF rect; // mm, x from the left margin, y from the band's top
    Align align = Align::Left;
    // Aligns within the whole width between the margins instead of within rect's width
    // (rect's y and height still apply): "right-aligned to the right margin".
    bool spanBand = false;
    bool enabled = true; // a switched-off element is not printed
    QString text;        // fixed text, or the text printed in front of a value
    QString field;       // Field: the field name
    ReportExpression expression;
    SystemValue system = SystemValue::Date;
    QString maskText; // "0.00": two decimals; empty: the value as it is
    // For the table a report is also saved as (CSV): the name of the title element whose text
    // heads the column this element's values go into. Empty: not part of the table.
    QString column;
    // Font: what is not set here comes from the definition's base font.
    std::optional<QString> family;
    std::optional<double> pointSize;
    std::optional<bool> isBold;

    ReportElement& alignLeft() { return setAlign(Align::Left); }
    ReportElement& alignCentre() { return setAlign(Align::Centre); }
    ReportElement& alignRight() { return setAlign(Align::Right); }
    ReportElement& setAlign(Align a)
    {
        align = a;
        return *this;
    }
    // Right-aligned to the right margin.
    ReportElement& toRightMargin()
    {
        align = Align::Right;
        spanBand = true;
        return *this;
    }
    ReportElement& acrossBand(Align a)
    {
        align = a;
        spanBand = true;
        return *this;
    }
    // Accepts "", "0" and "0." followed by zeros; anything else throws std::invalid_argument.
    ReportElement& mask(const QString& mask);
    ReportElement& prefix(const QString& leading)
    {
        text = leading;
        return *this;
    }
    ReportElement& setFont(const FontSpec& spec)
    {
        family = spec.family;
        pointSize = spec.pointSize;
        isBold = spec.bold;
        return *this;
    }
    // The base family at another size (and weight).
    ReportElement& size(double points, bool bold = false)
    {
        pointSize = points;
        isBold = bold;
        return *this;
    }
    ReportElement& bold()
    {
        isBold = true;
        return *this;
    }
    // Puts the element's values into the saved table under the column headed by the title
    // element of that name.
    ReportElement& under(const QString& heading)
    {
        column = heading;
        return *this;
    }

    // Decimals the mask asks for; -1 when the element has no mask.
    int maskDecimals() const;
};

struct ReportBand
{
    BandKind kind = BandKind::Detail;
    double height = 0;    // mm
    double ruleAbove = 0; // points, 0: no rule
    double ruleBelow = 0; // points, 0: no rule
    QList<ReportElement> elements;

    ReportElement& addText(const QString& name, const QString& text, const QRectF& rect);
    ReportElement& addField(const QString& name, const QString& field, const QRectF& rect);
    // expression: "A * B", "Query5.A*Query5.B", "SUM(A*B)"; a bad one throws
    // std::invalid_argument.
    ReportElement& addExpression(const QString& name, const QString& expression,
                                 const QRectF& rect);
    ReportElement& addSystem(const QString& name, SystemValue value, const QRectF& rect);
};

// A banded report: page header and page footer on every page, title once at the start of the
// first page, detail once per row, summary once after the last row.
class ReportDefinition
{
public:
    ReportDefinition();

    QSizeF paperSize{210, 297}; // mm, A4 portrait
    QMarginsF margins{12.7, 12.7, 12.7, 12.7};
    FontSpec baseFont;

    ReportBand pageHeader;
    ReportBand title;
    ReportBand detail;
    ReportBand summary;
    ReportBand pageFooter;

    // Width between the left and the right margin, mm.
    double contentWidth() const { return paperSize.width() - margins.left() - margins.right(); }

    // The element of that name in any band; throws std::invalid_argument when there is none,
    // so that a misspelt name fails loudly while the report is built.
    ReportElement& element(const QString& name);
    const ReportElement& element(const QString& name) const;
    bool hasElement(const QString& name) const;

    // The usual adjustments before generation.
    void setText(const QString& elementName, const QString& text);
    void setEnabled(const QString& elementName, bool enabled);
    void bindField(const QString& elementName, const QString& field);

    // The element's font with the definition's base font filled in.
    FontSpec fontOf(const ReportElement& element) const;

    QList<const ReportBand*> bands() const;

private:
    const ReportElement* find(const QString& name) const;
};

} // namespace kestar
