#include "printing/MinimumStock.h"

#include "data/sql/SqlDialect.h"
#include "platform/Regional.h"
#include "printing/ReportParts.h"
#include "reporting/RowSource.h"

namespace kestar::MinimumStock {

namespace {
constexpr double kLine = 5;

double numberOf(const RowSource& rows, qint64 row, int field, bool* ok)
{
    return Regional::parseNumber(rows.text(row, field), ok);
}
} // namespace

QString statement(const QString& groupName, bool onlyThatGroup)
{
    QString text = QStringLiteral("select * from podaci\\magacin");
    if (onlyThatGroup)
        text += QStringLiteral(" where NAZIVGRUPE='") + sql::quoted(groupName) + QLatin1Char('\'');
    return text + QStringLiteral(" order by NAZIVGRUPE, SIFRA");
}

QList<qint64> belowMinimum(const RowSource& articles)
{
    const int minimum = articles.fieldIndex(QStringLiteral("MINKOLICINA"));
    const int stock = articles.fieldIndex(QStringLiteral("KOLICINA"));
    QList<qint64> rows;
    if (minimum < 0 || stock < 0)
        return rows;
    for (qint64 row = 0; row < articles.rowCount(); ++row) {
        bool ok = false;
        const double least = numberOf(articles, row, minimum, &ok);
        if (!ok || least <= 0)
            continue;
        const double quantity = numberOf(articles, row, stock, &ok);
        if ((ok ? quantity : 0) < least)
            rows.append(row);
    }
    return rows;
}

ReportDefinition definition(const Letterhead& letterhead, const QString& groupName,
                            bool onlyThatGroup)
{
    ReportDefinition report = ReportParts::document(letterhead);

    ReportBand& title = report.title;
    title.height = 19;
    title.ruleBelow = 2;
    title
        .addText(QStringLiteral("minimumTitle"), QLatin1String(kTitle) + QLatin1Char(':'),
                 {0, 0, 68, 6})
        .size(12, true);
    title.addSystem(QStringLiteral("minimumDate"), SystemValue::Date, {68, 0, 40, 6})
        .size(12, true);
    title.addText(QStringLiteral("minimumScope"),
                  onlyThatGroup ? QStringLiteral("Grupa robe: ") + groupName
                                : QStringLiteral("Ceo magacin"),
                  {0, 6.5, 120, kLine});
    using V = ReportParts::Column::Value;
    const Align l = Align::Left, r = Align::Right;
    // Left to right, x and width in mm from the left margin; the last ends at the right margin.
    ReportParts::addColumns(
        report,
        {{"headRow", "Red.br.", "rowNumber", V::RowNumber, {}, 0, 12, l, Align::Centre},
         {"headCode", "Sifra", "code", V::Field, "SIFRA", 13, 20, l, l},
         {"headGroup", "Naziv grupe", "groupName", V::Field, "NAZIVGRUPE", 34, 26, l, l},
         {"headName", "Naziv artikla", "name", V::Field, "NAZIV", 61, 42, l, l},
         {"headStock", "Kolicina", "stock", V::Field, "KOLICINA", 104, 17, r, r, true},
         {"headMinimum", "Minimum", "minimum", V::Field, "MINKOLICINA", 123, 17, r, r, true},
         {"headShort", "Manjak", "shortfall", V::Expression, "MINKOLICINA - KOLICINA", 142, 17, r,
          r, true},
         {"headOrder", "Za nabavku", "toOrder", V::Field, "KOLICINAZANABAVKU", 161, 0, r, r, true}},
        13, kLine);
    report.detail.height = kLine;

    ReportBand& summary = report.summary;
    summary.height = 7;
    summary.ruleAbove = 2;
    summary.addSystem(QStringLiteral("articleCount"), SystemValue::RowNumber, {0, 1, 90, kLine})
        .prefix(QStringLiteral("Broj artikala ispod minimuma: "))
        .bold();
    return report;
}

} // namespace kestar::MinimumStock
