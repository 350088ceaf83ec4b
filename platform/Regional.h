#pragma once

#include <QChar>
#include <QDate>
#include <QString>
#include <QTime>

namespace kestar {

// The computer's regional settings as the program uses them: how dates, times and numbers
// are turned into text and back. Read once from the system locale; tests install their own.
struct RegionalSettings
{
    QString shortDateFormat; // Qt date format, e.g. "dd/MM/yyyy"
    QChar dateSeparator;
    QChar decimalSeparator;
    QChar thousandsSeparator;
    QString timeFormat; // Qt time format, e.g. "HH:mm:ss" or "H:mm:ss"
};

class Regional
{
public:
    // The settings in force for this process.
    static const RegionalSettings& current();
    static void setCurrent(const RegionalSettings& settings);
    // What QLocale::system() reports (LC_TIME and LC_NUMERIC are honoured).
    static RegionalSettings fromSystem();
    // "dd/MM/yyyy", "." and ",", "HH:mm:ss": the settings the program expects.
    static RegionalSettings standard();

    static QString formatDate(const QDate& date);
    // Parses text in the short date form; a two-digit year is read into the current century.
    // Returns an invalid QDate when the text does not fit the form.
    static QDate parseDate(const QString& text);
    static QString formatTime(const QTime& time);

    // Shortest text that reads back to the same value, with the regional decimal separator.
    static QString formatNumber(double value);
    // Reads a number written with the regional decimal separator; ok is false on bad text.
    static double parseNumber(const QString& text, bool* ok);
    // Whole number with the regional thousands separator from 1000 up ("1,234").
    static QString formatGrouped(qint64 value);
};

// Installs settings for the lifetime of the object and puts the former ones back after it.
class ScopedRegional
{
public:
    explicit ScopedRegional(const RegionalSettings& settings);
    ~ScopedRegional();
    ScopedRegional(const ScopedRegional&) = delete;
    ScopedRegional& operator=(const ScopedRegional&) = delete;

private:
    RegionalSettings m_saved;
};

} // namespace kestar
