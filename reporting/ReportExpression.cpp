#include "reporting/ReportExpression.h"

#include <QRegularExpression>
#include <stdexcept>

namespace kestar {

namespace {

[[noreturn]] void refuse(const QString& text)
{
    throw std::invalid_argument(
        QStringLiteral("Invalid report expression: '%1'").arg(text).toStdString());
}

} // namespace

ReportExpression ReportExpression::parse(const QString& text)
{
    ReportExpression result;
    QString body = text.trimmed();
    static const QRegularExpression sumCall(QStringLiteral("^SUM\\s*\\((.*)\\)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = sumCall.match(body);
    if (match.hasMatch()) {
        result.sum = true;
        body = match.captured(1).trimmed();
    }
    // A factor is a field name, optionally qualified by the dataset that holds it.
    static const QRegularExpression factor(
        QStringLiteral("^(?:[A-Za-z_][A-Za-z0-9_]*\\.)?([A-Za-z_][A-Za-z0-9_]*)$"));
    const bool difference = body.contains(QLatin1Char('-'));
    if (difference && body.contains(QLatin1Char('*')))
        refuse(text);
    const QStringList parts = body.split(difference ? QLatin1Char('-') : QLatin1Char('*'));
    if (difference && parts.size() != 2)
        refuse(text);
    result.difference = difference;
    for (const QString& part : parts) {
        const QRegularExpressionMatch m = factor.match(part.trimmed());
        if (!m.hasMatch())
            refuse(text);
        result.factors.append(m.captured(1));
    }
    return result;
}

QString ReportExpression::toString() const
{
    const QString terms = factors.join(difference ? QLatin1Char('-') : QLatin1Char('*'));
    return sum ? QStringLiteral("SUM(%1)").arg(terms) : terms;
}

} // namespace kestar
