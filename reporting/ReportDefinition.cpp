#include "reporting/ReportDefinition.h"

#include <stdexcept>

namespace kestar {

namespace {

ReportElement& addElement(ReportBand& band, const QString& name, ElementKind kind,
                          const QRectF& rect)
{
    ReportElement element;
    element.name = name;
    element.kind = kind;
    element.rect = rect;
    band.elements.append(element);
    return band.elements.last();
}

} // namespace

ReportElement& ReportElement::mask(const QString& mask)
{
    static const QString zeros = QStringLiteral("0");
    bool valid = mask.isEmpty() || mask == zeros;
    if (mask.startsWith(QLatin1String("0.")) && mask.size() > 2) {
        valid = true;
        for (qsizetype i = 2; i < mask.size(); ++i)
            valid = valid && mask.at(i) == QLatin1Char('0');
    }
    if (!valid)
        throw std::invalid_argument(
            QStringLiteral("Unsupported display mask '%1' for report element '%2'")
                .arg(mask, name)
                .toStdString());
    maskText = mask;
    return *this;
}

int ReportElement::maskDecimals() const
{
    if (maskText.isEmpty())
        return -1;
    return maskText.size() > 2 ? int(maskText.size() - 2) : 0;
}

ReportElement& ReportBand::addText(const QString& name, const QString& text, const QRectF& rect)
{
    ReportElement& element = addElement(*this, name, ElementKind::Text, rect);
    element.text = text;
    return element;
}

ReportElement& ReportBand::addField(const QString& name, const QString& field, const QRectF& rect)
{
    ReportElement& element = addElement(*this, name, ElementKind::Field, rect);
    element.field = field;
    return element;
}

ReportElement& ReportBand::addExpression(const QString& name, const QString& expression,
                                         const QRectF& rect)
{
    // Parsed before the element is added, so a bad expression leaves the band unchanged.
    const ReportExpression parsed = ReportExpression::parse(expression);
    ReportElement& element = addElement(*this, name, ElementKind::Expression, rect);
    element.expression = parsed;
    return element;
}

ReportElement& ReportBand::addSystem(const QString& name, SystemValue value, const QRectF& rect)
{
    ReportElement& element = addElement(*this, name, ElementKind::System, rect);
    element.system = value;
    return element;
}

ReportDefinition::ReportDefinition()
{
    pageHeader.kind = BandKind::PageHeader;
    title.kind = BandKind::Title;
    detail.kind = BandKind::Detail;
    summary.kind = BandKind::Summary;
    pageFooter.kind = BandKind::PageFooter;
}

const ReportElement* ReportDefinition::find(const QString& name) const
{
    for (const ReportBand* band : bands()) {
        for (const ReportElement& element : band->elements) {
            if (element.name == name)
                return &element;
        }
    }
    return nullptr;
}

bool ReportDefinition::hasElement(const QString& name) const
{
    return find(name) != nullptr;
}

const ReportElement& ReportDefinition::element(const QString& name) const
{
    const ReportElement* found = find(name);
    if (!found)
        throw std::invalid_argument(
            QStringLiteral("Report element '%1' not found").arg(name).toStdString());
    return *found;
}

ReportElement& ReportDefinition::element(const QString& name)
{
    return const_cast<ReportElement&>(std::as_const(*this).element(name));
}

void ReportDefinition::setText(const QString& elementName, const QString& text)
{
    element(elementName).text = text;
}

void ReportDefinition::setEnabled(const QString& elementName, bool enabled)
{
    element(elementName).enabled = enabled;
}

void ReportDefinition::bindField(const QString& elementName, const QString& field)
{
    ReportElement& found = element(elementName);
    if (found.kind != ElementKind::Field)
        throw std::invalid_argument(QStringLiteral("Report element '%1' is not a data field")
                                        .arg(elementName)
                                        .toStdString());
    found.field = field;
}

FontSpec ReportDefinition::fontOf(const ReportElement& element) const
{
    FontSpec spec = baseFont;
    if (element.family)
        spec.family = *element.family;
    if (element.pointSize)
        spec.pointSize = *element.pointSize;
    if (element.isBold)
        spec.bold = *element.isBold;
    return spec;
}

QList<const ReportBand*> ReportDefinition::bands() const
{
    return {&pageHeader, &title, &detail, &summary, &pageFooter};
}

} // namespace kestar
