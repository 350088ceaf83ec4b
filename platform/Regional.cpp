#include "platform/Regional.h"

#include "platform/Clock.h"

#include <QCalendar>
#include <QLocale>
#include <cmath>
#include <optional>

namespace kestar {

namespace {

std::optional<RegionalSettings>& installed()
{
    static std::optional<RegionalSettings> settings;
    return settings;
}

QChar separatorOf(const QString& format)
{
    for (QChar c : format) {
        if (!c.isLetter())
            return c;
    }
    return QChar('/');
}

} // namespace

const RegionalSettings& Regional::current()
{
    auto& settings = installed();
    if (!settings)
        settings = fromSystem();
    return *settings;
}

void Regional::setCurrent(const RegionalSettings& settings)
{
    installed() = settings;
}

RegionalSettings Regional::fromSystem()
{
    const QLocale locale = QLocale::system();
    RegionalSettings s;
    s.shortDateFormat = locale.dateFormat(QLocale::ShortFormat);
    s.dateSeparator = separatorOf(s.shortDateFormat);
    const QString decimal = locale.decimalPoint();
    s.decimalSeparator = decimal.isEmpty() ? QChar('.') : decimal.at(0);
    const QString group = locale.groupSeparator();
    s.thousandsSeparator = group.isEmpty() ? QChar(',') : group.at(0);
    s.timeFormat = locale.timeFormat(QLocale::LongFormat);
    // Qt's long time form may carry a zone ("t"); the program shows hours, minutes, seconds.
    s.timeFormat.remove(QLatin1Char('t'));
    s.timeFormat = s.timeFormat.trimmed();
    return s;
}

RegionalSettings Regional::standard()
{
    return {QStringLiteral("dd/MM/yyyy"), QChar('/'), QChar('.'), QChar(','),
            QStringLiteral("HH:mm:ss")};
}

QString Regional::formatDate(const QDate& date)
{
    return QLocale::c().toString(date, current().shortDateFormat);
}

QDate Regional::parseDate(const QString& text)
{
    const QString format = current().shortDateFormat;
    const bool twoDigitYear =
        !format.contains(QLatin1String("yyyy")) && format.contains(QLatin1String("yy"));
    if (!twoDigitYear)
        return QLocale::c().toDate(text.trimmed(), format);
    // Qt reads a two-digit year into the 1900s, which lack 29 February 1900 while 2000 has it.
    // The Julian calendar has that day and otherwise the same month lengths in those years,
    // so the date is read there and its day, month and year moved into the current century.
    const QCalendar julian(QCalendar::System::Julian);
    const QDate read = QLocale::c().toDate(text.trimmed(), format, julian);
    if (!read.isValid())
        return {};
    const QCalendar::YearMonthDay parts = julian.partsFromDate(read);
    const int century = Clock::today().year() / 100 * 100;
    return QDate(century + parts.year % 100, parts.month, parts.day);
}

QString Regional::formatTime(const QTime& time)
{
    return QLocale::c().toString(time, current().timeFormat);
}

QString Regional::formatNumber(double value)
{
    if (value == 0)
        value = 0; // no "-0"
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    if (text.contains(QLatin1Char('e')) && std::fabs(value) < 1e15 && std::fabs(value) >= 1e-6)
        text = QString::number(value, 'f', QLocale::FloatingPointShortest);
    const QChar decimal = current().decimalSeparator;
    if (decimal != QLatin1Char('.'))
        text.replace(QLatin1Char('.'), decimal);
    return text;
}

double Regional::parseNumber(const QString& text, bool* ok)
{
    QString t = text.trimmed();
    const QChar decimal = current().decimalSeparator;
    if (decimal != QLatin1Char('.')) {
        if (t.contains(QLatin1Char('.'))) {
            if (ok)
                *ok = false;
            return 0;
        }
        t.replace(decimal, QLatin1Char('.'));
    }
    bool good = false;
    double value = 0;
    // Only plain decimal notation: digits, one separator, an optional sign and exponent.
    static const QString allowed = QStringLiteral("0123456789+-.eE");
    bool clean = !t.isEmpty();
    for (QChar c : t)
        clean = clean && allowed.contains(c);
    if (clean)
        value = QLocale::c().toDouble(t, &good);
    if (good && !std::isfinite(value))
        good = false;
    if (ok)
        *ok = good;
    return good ? value : 0;
}

QString Regional::formatGrouped(qint64 value)
{
    // Digits taken from the text, so the most negative value needs no negation.
    QString digits = QString::number(value);
    const bool negative = value < 0;
    if (negative)
        digits.remove(0, 1);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, current().thousandsSeparator);
    return negative ? QLatin1Char('-') + digits : digits;
}

ScopedRegional::ScopedRegional(const RegionalSettings& settings) : m_saved(Regional::current())
{
    Regional::setCurrent(settings);
}

ScopedRegional::~ScopedRegional()
{
    Regional::setCurrent(m_saved);
}

} // namespace kestar
