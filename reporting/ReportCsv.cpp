#include "reporting/ReportCsv.h"

#include <QSaveFile>

namespace kestar {

namespace {

bool needsQuotes(const QString& field)
{
    if (field.isEmpty())
        return false;
    if (field.front().isSpace() || field.back().isSpace())
        return true;
    for (const QChar c : field) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') ||
            c == QLatin1Char('\n'))
            return true;
    }
    return false;
}

void appendRecord(QByteArray& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        const QString& field = fields.at(i);
        if (needsQuotes(field)) {
            QString quoted = field;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
            out += '"';
            out += quoted.toUtf8();
            out += '"';
        } else {
            out += field.toUtf8();
        }
    }
    out += "\r\n";
}

} // namespace

QByteArray reportCsv(const ReportTable& table)
{
    QByteArray out("\xEF\xBB\xBF");
    if (table.isEmpty())
        return out;
    appendRecord(out, table.header);
    const qsizetype columns = table.header.size();
    for (qsizetype start = 0; start + columns <= table.cells.size(); start += columns)
        appendRecord(out, table.cells.mid(start, columns));
    return out;
}

bool writeReportCsv(const ReportTable& table, const QString& path, QString* error)
{
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (path.isEmpty())
        return fail(QStringLiteral("Nije zadato ime datoteke."));
    auto failWith = [&](const QFileDevice& file) {
        return fail(
            QStringLiteral("Datoteka '%1' ne moze da se upise: %2").arg(path, file.errorString()));
    };
    // Unbuffered, so that a short write (a full disk, a file size limit) shows in the count
    // written: a buffered QSaveFile can commit the part written and still report success.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failWith(file);
    const QByteArray bytes = reportCsv(table);
    qsizetype written = 0;
    while (written < bytes.size()) {
        // After a short write the next one fails with the system's reason.
        const qint64 step = file.write(bytes.constData() + written, bytes.size() - written);
        if (step <= 0)
            return failWith(file);
        written += step;
    }
    if (!file.commit())
        return failWith(file);
    return true;
}

} // namespace kestar
