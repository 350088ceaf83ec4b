#include "platform/Clock.h"
#include "platform/Regional.h"

#include <QLocale>
#include <QTest>

#include <limits>

using kestar::Regional;
using kestar::RegionalSettings;
using kestar::ScopedClock;
using kestar::ScopedRegional;

namespace {

RegionalSettings withDateForm(const QString& format)
{
    RegionalSettings settings = Regional::standard();
    settings.shortDateFormat = format;
    return settings;
}

RegionalSettings withSeparators(QChar decimal, QChar thousands)
{
    RegionalSettings settings = Regional::standard();
    settings.decimalSeparator = decimal;
    settings.thousandsSeparator = thousands;
    return settings;
}

} // namespace

class TestRegional : public QObject
{
    Q_OBJECT

private slots:
    void formatNumberGivesTheShortestPlainText_data();
    void formatNumberGivesTheShortestPlainText();
    void formatNumberReadsBackToTheSameValue();
    void formatNumberUsesTheInstalledDecimalSeparator();
    void parseNumberReadsPlainDecimalText();
    void parseNumberRefusesBadText_data();
    void parseNumberRefusesBadText();
    void parseNumberFollowsACommaDecimalSeparator();
    void parseDateReadsTheStandardForm();
    void parseDateReadsTwoDigitYearsIntoTheCurrentCentury();
    void formatGroupedSeparatesThousands();
    void systemSettingsOfABritishLocaleAreTheStandardOnes();
};

void TestRegional::formatNumberGivesTheShortestPlainText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 7.0 << "7";
    QTest::newRow("half") << 1.5 << "1.5";
    QTest::newRow("tenth") << 0.1 << "0.1";
    QTest::newRow("negative") << -3.0 << "-3";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("sum with binary rest") << 0.1 + 0.2 << "0.30000000000000004";
    QTest::newRow("million") << 1234567.0 << "1234567";
    QTest::newRow("large amount with cents") << 123456789012.5 << "123456789012.5";
    QTest::newRow("hundred trillion") << 1e14 << "100000000000000";
    QTest::newRow("millionth") << 0.000001 << "0.000001";
    QTest::newRow("price") << 1234.56 << "1234.56";
}

void TestRegional::formatNumberGivesTheShortestPlainText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    ScopedRegional regional(Regional::standard());
    QCOMPARE(Regional::formatNumber(value), text);
}

void TestRegional::formatNumberReadsBackToTheSameValue()
{
    ScopedRegional regional(Regional::standard());
    for (double value : {1e-7, 1e-300, 1e15, 1e20, -2.5e18, 0.3, 1.0 / 3, 99999.999}) {
        const QString text = Regional::formatNumber(value);
        bool ok = false;
        QCOMPARE(Regional::parseNumber(text, &ok), value);
        QVERIFY2(ok, qPrintable(text));
    }
}

void TestRegional::formatNumberUsesTheInstalledDecimalSeparator()
{
    ScopedRegional regional(withSeparators(QChar(','), QChar('.')));
    QCOMPARE(Regional::formatNumber(1.5), QString("1,5"));
    QCOMPARE(Regional::formatNumber(1234567.25), QString("1234567,25"));
    QCOMPARE(Regional::formatNumber(7), QString("7"));
}

void TestRegional::parseNumberReadsPlainDecimalText()
{
    ScopedRegional regional(Regional::standard());
    bool ok = false;
    QCOMPARE(Regional::parseNumber("1.5", &ok), 1.5);
    QVERIFY(ok);
    QCOMPARE(Regional::parseNumber(" 12 ", &ok), 12.0);
    QVERIFY(ok);
    QCOMPARE(Regional::parseNumber("-0.25", &ok), -0.25);
    QVERIFY(ok);
    QCOMPARE(Regional::parseNumber(".5", &ok), 0.5);
    QVERIFY(ok);
    QCOMPARE(Regional::parseNumber("1e3", &ok), 1000.0);
    QVERIFY(ok);
}

void TestRegional::parseNumberRefusesBadText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks") << "   ";
    QTest::newRow("word") << "abc";
    QTest::newRow("letter after digits") << "17a";
    QTest::newRow("comma decimal") << "1,5";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("two signs") << "--1";
    QTest::newRow("blank inside") << "1 000";
    QTest::newRow("infinity") << "inf";
    QTest::newRow("not a number") << "nan";
    QTest::newRow("overflow") << "1e999";
}

void TestRegional::parseNumberRefusesBadText()
{
    QFETCH(QString, text);
    ScopedRegional regional(Regional::standard());
    bool ok = true;
    QCOMPARE(Regional::parseNumber(text, &ok), 0.0);
    QVERIFY(!ok);
}

void TestRegional::parseNumberFollowsACommaDecimalSeparator()
{
    ScopedRegional regional(withSeparators(QChar(','), QChar('.')));
    bool ok = false;
    QCOMPARE(Regional::parseNumber("1,5", &ok), 1.5);
    QVERIFY(ok);
    Regional::parseNumber("1.5", &ok);
    QVERIFY(!ok);
}

void TestRegional::parseDateReadsTheStandardForm()
{
    ScopedRegional regional(Regional::standard());
    QCOMPARE(Regional::parseDate("08/12/2026"), QDate(2026, 12, 8));
    QCOMPARE(Regional::parseDate(" 29/02/2024 "), QDate(2024, 2, 29));
    QCOMPARE(Regional::parseDate("01/01/1999"), QDate(1999, 1, 1));
    QCOMPARE(Regional::formatDate(QDate(2026, 1, 8)), QString("08/01/2026"));
    QVERIFY(!Regional::parseDate("31/02/2026").isValid());
    QVERIFY(!Regional::parseDate("29/02/2025").isValid());
    QVERIFY(!Regional::parseDate("2026-12-08").isValid());
    QVERIFY(!Regional::parseDate("08.12.2026").isValid());
    QVERIFY(!Regional::parseDate("").isValid());
    QVERIFY(!Regional::parseDate("danas").isValid());
}

void TestRegional::parseDateReadsTwoDigitYearsIntoTheCurrentCentury()
{
    ScopedClock clock(QDateTime(QDate(2026, 12, 8), QTime(10, 0)));
    {
        ScopedRegional regional(withDateForm("dd/MM/yy"));
        QCOMPARE(Regional::parseDate("08/12/26"), QDate(2026, 12, 8));
        QCOMPARE(Regional::parseDate("01/01/99"), QDate(2099, 1, 1));
        QCOMPARE(Regional::parseDate("01/01/00"), QDate(2000, 1, 1));
        // 2000 is a leap year although 1900 was not.
        QCOMPARE(Regional::parseDate("29/02/00"), QDate(2000, 2, 29));
        QCOMPARE(Regional::parseDate("29/02/24"), QDate(2024, 2, 29));
        QVERIFY(!Regional::parseDate("29/02/25").isValid());
        QVERIFY(!Regional::parseDate("31/04/26").isValid());
        QVERIFY(!Regional::parseDate("08/12/2026").isValid());
    }
    {
        ScopedRegional regional(withDateForm("d/M/yy"));
        for (const QDate& date : {QDate(2026, 1, 8), QDate(2000, 2, 29), QDate(2012, 12, 31)})
            QCOMPARE(Regional::parseDate(Regional::formatDate(date)), date);
        QCOMPARE(Regional::formatDate(QDate(2026, 1, 8)), QString("8/1/26"));
    }
}

void TestRegional::formatGroupedSeparatesThousands()
{
    {
        ScopedRegional regional(Regional::standard());
        QCOMPARE(Regional::formatGrouped(0), QString("0"));
        QCOMPARE(Regional::formatGrouped(999), QString("999"));
        QCOMPARE(Regional::formatGrouped(1000), QString("1,000"));
        QCOMPARE(Regional::formatGrouped(1234567), QString("1,234,567"));
        QCOMPARE(Regional::formatGrouped(-999), QString("-999"));
        QCOMPARE(Regional::formatGrouped(-1234), QString("-1,234"));
        QCOMPARE(Regional::formatGrouped(std::numeric_limits<qint64>::min()),
                 QString("-9,223,372,036,854,775,808"));
    }
    ScopedRegional regional(withSeparators(QChar(','), QChar('.')));
    QCOMPARE(Regional::formatGrouped(1234567), QString("1.234.567"));
}

void TestRegional::systemSettingsOfABritishLocaleAreTheStandardOnes()
{
    if (QLocale::system().name() != QLatin1String("en_GB"))
        QSKIP("the system locale is not en_GB");
    const RegionalSettings settings = Regional::fromSystem();
    QCOMPARE(settings.shortDateFormat, QString("dd/MM/yyyy"));
    QCOMPARE(settings.dateSeparator, QChar('/'));
    QCOMPARE(settings.decimalSeparator, QChar('.'));
    QCOMPARE(settings.thousandsSeparator, QChar(','));
}

QTEST_GUILESS_MAIN(TestRegional)
#include "tst_regional.moc"
