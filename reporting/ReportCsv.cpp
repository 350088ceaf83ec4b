#include "reporting/ReportCsv.h"

#include "reporting/ReportDocument.h"

#include <QSaveFile>

namespace kestar {

namespace {

const QByteArray kByteOrderMark("\xEF\xBB\xBF");
// Records gather in memory up to about this many bytes before they are written.
constexpr qsizetype kChunk = 256 * 1024;

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

// A CSV file written record by record, replacing the file on commit. Unbuffered, so that a
// short write (a full disk, a file size limit) shows in the count written: a buffered
// QSaveFile can commit the part written and still report success.
class CsvFile
{
public:
    explicit CsvFile(const QString& path) : m_path(path), m_file(path) {}

    bool open(QString* error)
    {
        if (m_path.isEmpty())
            return fail(error, QStringLiteral("Nije zadato ime datoteke."));
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return failWithFile(error);
        m_pending = kByteOrderMark;
        return true;
    }
    bool append(const QStringList& record, QString* error)
    {
        appendRecord(m_pending, record);
        return m_pending.size() < kChunk || flush(error);
    }
    bool commit(QString* error)
    {
        if (!flush(error))
            return false;
        if (!m_file.commit())
            return failWithFile(error);
        return true;
    }

private:
    bool flush(QString* error)
    {
        qsizetype written = 0;
        while (written < m_pending.size()) {
            // After a short write the next one fails with the system's reason.
            const qint64 step =
                m_file.write(m_pending.constData() + written, m_pending.size() - written);
            if (step <= 0)
                return failWithFile(error);
            written += step;
        }
        m_pending.clear();
        return true;
    }
    static bool fail(QString* error, const QString& text)
    {
        if (error)
            *error = text;
        return false;
    }
    bool failWithFile(QString* error)
    {
        return fail(error, QStringLiteral("Datoteka '%1' ne moze da se upise: %2")
                               .arg(m_path, m_file.errorString()));
    }

    QString m_path;
    QSaveFile m_file;
    QByteArray m_pending;
};

} // namespace

QByteArray reportCsv(const ReportTable& table)
{
    QByteArray out = kByteOrderMark;
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
    ReportPages pages;
    pages.table = table;
    ReportDocument report(std::move(pages));
    return writeReportCsv(report, path, error);
}

bool writeReportCsv(ReportDocument& report, const QString& path, QString* error)
{
    CsvFile file(path);
    if (!file.open(error))
        return false;
    const QStringList& header = report.tableHeader();
    if (!header.isEmpty() && !file.append(header, error))
        return false;
    const bool all =
        report.forEachTableRow([&](const QStringList& row) { return file.append(row, error); });
    if (all && !report.readError().isEmpty()) {
        // The file is left as it was: the rows written so far are not the whole report.
        if (error)
            *error = report.readError();
        return false;
    }
    return all && file.commit(error);
}

} // namespace kestar
