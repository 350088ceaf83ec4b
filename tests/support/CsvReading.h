#pragma once

#include "reporting/ReportPages.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

namespace kestar::test {

// A CSV file as a strict RFC 4180 reader takes it: records ended by CR LF, fields split by
// commas, quoted fields with doubled quotes inside. error names the first fault found.
struct CsvFile
{
    bool byteOrderMark = false;
    QList<QStringList> records;
    QString error;
};

inline CsvFile readCsv(QByteArray bytes)
{
    CsvFile file;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        file.byteOrderMark = true;
        bytes.remove(0, 3);
    }
    const QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes) {
        file.error = QStringLiteral("not UTF-8");
        return file;
    }
    QStringList record;
    QString field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the field began with a quote and its closing quote was read
    qsizetype i = 0;
    auto fail = [&](const QString& why) {
        file.error = QStringLiteral("%1 at %2").arg(why).arg(i);
        return file;
    };
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    i += 2;
                    continue;
                }
                quoted = false;
                wasQuoted = true;
            } else {
                field += c;
            }
            ++i;
            continue;
        }
        if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
            wasQuoted = false;
        } else if (c == QLatin1Char('\r')) {
            if (i + 1 >= text.size() || text.at(i + 1) != QLatin1Char('\n'))
                return fail(QStringLiteral("CR without LF"));
            record << field;
            file.records << record;
            record.clear();
            field.clear();
            wasQuoted = false;
            ++i;
        } else if (c == QLatin1Char('\n')) {
            return fail(QStringLiteral("LF without CR"));
        } else if (c == QLatin1Char('"')) {
            if (!field.isEmpty() || wasQuoted)
                return fail(QStringLiteral("quote inside an unquoted field"));
            quoted = true;
        } else {
            if (wasQuoted)
                return fail(QStringLiteral("text after a closing quote"));
            field += c;
        }
        ++i;
    }
    if (quoted)
        return fail(QStringLiteral("unterminated quote"));
    if (!field.isEmpty() || !record.isEmpty() || wasQuoted)
        return fail(QStringLiteral("last record without CR LF"));
    return file;
}

inline CsvFile readCsvFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        CsvFile none;
        none.error = file.errorString();
        return none;
    }
    return readCsv(file.readAll());
}

// The detail lines of a laid-out report as the named elements printed them, line by line
// over every page: the table a reader of the paper would copy.
inline QList<QStringList> laidOutRows(const ReportPages& pages, const QStringList& elements)
{
    QList<QStringList> columns;
    for (const QString& element : elements) {
        QStringList texts;
        for (const ReportPage& page : pages.pages)
            texts << page.textsOf(element);
        columns << texts;
    }
    QList<QStringList> rows;
    const qsizetype count = columns.isEmpty() ? 0 : columns.first().size();
    for (qsizetype r = 0; r < count; ++r) {
        QStringList row;
        for (const QStringList& column : columns)
            row << column.value(r);
        rows << row;
    }
    return rows;
}

} // namespace kestar::test
