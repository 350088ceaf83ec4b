#include "tests/reliability/CrashChildPlan.h"

#include "platform/Regional.h"

#include <QRandomGenerator>

namespace kestar::test::CrashChildPlan {

namespace {

// One generator per (seed, purpose, number): what the child does for a number never depends
// on what it did before it was killed.
QRandomGenerator generator(quint32 seed, quint32 purpose, int number)
{
    const quint32 values[] = {seed, purpose, quint32(number)};
    return QRandomGenerator(values, values + 3);
}

QString quarters(QRandomGenerator& rng, int low, int high)
{
    return Regional::formatNumber(rng.bounded(low, high + 1) * 0.25);
}

DocumentLine lineFor(const QString& code, const QString& quantity)
{
    return {code, QStringLiteral("Artikal ") + code, quantity, QStringLiteral("01"),
            QStringLiteral("Alati")};
}

} // namespace

QList<Article> articles()
{
    QList<Article> list;
    for (int i = 1; i <= 12; ++i)
        list.append({QStringLiteral("A%1").arg(i, 2, 10, QLatin1Char('0')), 1000.0 + 10 * i});
    return list;
}

GoodsDocument document(quint32 seed, int number)
{
    QRandomGenerator rng = generator(seed, 1, number);
    const QList<Article> all = articles();
    GoodsDocument doc;
    doc.kind = rng.bounded(2) == 0 ? DocumentKind::Issue : DocumentKind::Receipt;
    doc.date = QDate(2026, 3, 1).addDays(number % 28);
    doc.comment1 = QStringLiteral("Dokument %1").arg(number);
    doc.comment2 = QStringLiteral("Proba");
    if (doc.kind == DocumentKind::Issue) {
        doc.machineCode = QStringLiteral("M1");
        doc.machineCode2 = QStringLiteral("X");
        doc.machineName = QStringLiteral("Presa");
    }
    doc.user = QStringLiteral("Marko");
    doc.equipmentSwitch = 1;
    const int count = rng.bounded(2, 13);
    for (int i = 0; i < count; ++i) {
        QString code = all.at(rng.bounded(int(all.size()))).code;
        if (i == count - 1)
            code = doc.lines.first().code; // one article twice in every document
        else if (rng.bounded(10) == 0)
            code = kUnknownCode;
        doc.lines.append(lineFor(code, quarters(rng, 1, 80)));
    }
    return doc;
}

GoodsDocument cardDocument(quint32 seed, int number)
{
    QRandomGenerator rng = generator(seed, 3, number);
    const QStringList codes = cardArticles();
    GoodsDocument doc;
    doc.kind = rng.bounded(3) == 0 ? DocumentKind::Issue : DocumentKind::Receipt;
    doc.date = QDate(2026, 2, 1).addDays(number % 28);
    doc.comment1 = QStringLiteral("Kartica %1").arg(number);
    doc.user = QStringLiteral("Administrator");
    for (int i = 0; i < 60; ++i)
        doc.lines.append(lineFor(codes.at(rng.bounded(int(codes.size()))), quarters(rng, 1, 40)));
    return doc;
}

int batchSize(quint32 seed, int batch)
{
    QRandomGenerator rng = generator(seed, 2, batch);
    return rng.bounded(20, 41);
}

QList<StagedArticle> batch(quint32 seed, int batch)
{
    const int size = batchSize(seed, batch);
    QRandomGenerator rng = generator(seed, 4, batch);
    QList<StagedArticle> rows;
    for (int i = 0; i < size; ++i) {
        StagedArticle row;
        row.code = QStringLiteral("S%1-%2")
                       .arg(batch, 4, 10, QLatin1Char('0'))
                       .arg(i, 2, 10, QLatin1Char('0'));
        row.name = QStringLiteral("Novi %1/%2").arg(batch).arg(i);
        row.quantity = quarters(rng, 0, 400);
        rows.append(row);
    }
    // A code magacin already holds, and a second row for a code of the batch: both skipped.
    const QList<Article> all = articles();
    rows[size / 3].code = all.at(rng.bounded(int(all.size()))).code;
    rows[size - 1].code = rows.at(1).code;
    return rows;
}

int batchOf(const QString& code)
{
    if (!code.startsWith(QLatin1Char('S')) || code.size() < 6)
        return 0;
    bool ok = false;
    const int number = code.mid(1, 4).toInt(&ok);
    return ok ? number : 0;
}

QStringList cardArticles()
{
    return {QStringLiteral("A01"), QStringLiteral("A02"), QStringLiteral("A03")};
}

double cardMarker(int build)
{
    return -1000000.0 - build;
}

} // namespace kestar::test::CrashChildPlan
