#include "data/FileSharedData.h"

#include "data/DataPath.h"
#include "data/EngineError.h"
#include "data/TextFileSnapshot.h"
#include "data/TextFiles.h"

#include <QDir>
#include <QFileInfo>
#include <vector>

namespace kestar {

namespace {

// The counter files are replaced while the tables' change is still uncommitted, and put back
// byte for byte when it fails; a file whose former bytes cannot be read stops the change before
// it begins.
class FileCounterChange : public CounterChange
{
public:
    explicit FileCounterChange(QStringList files)
    {
        for (const QString& file : files)
            m_before.emplace_back(file);
        m_files = std::move(files);
    }

    void write(const QStringList& values) override
    {
        for (qsizetype i = 0; i < m_files.size() && i < values.size(); ++i) {
            try {
                TextFiles::replaceLines(m_files.at(i), {values.at(i)});
            } catch (const EngineError& error) {
                throw EngineError(undoAfter(error.text()));
            }
            m_written = i + 1;
        }
    }

    QString undoAfter(const QString& error) override
    {
        QString text = error;
        for (qsizetype i = m_written - 1; i >= 0; --i)
            text = m_before.at(size_t(i)).restoreAfter(text);
        m_written = 0;
        return text;
    }

private:
    QStringList m_files;
    std::vector<TextFileSnapshot> m_before;
    qsizetype m_written = 0;
};

} // namespace

FileSharedData::FileSharedData() = default;

FileSharedData::FileSharedData(const QString& dataFolder) : m_folder(dataFolder) {}

QString FileSharedData::path(const char* fileName, char separator) const
{
    // The program names its files as it always has ("podaci/firma.txt", "podaci\oprema.txt"):
    // the errors the user is shown name them so.
    if (m_folder.isEmpty())
        return QStringLiteral("podaci") + QLatin1Char(separator) + QLatin1String(fileName);
    return QDir(m_folder).filePath(QLatin1String(fileName));
}

QString FileSharedData::counterFile(Counter counter) const
{
    return path(counterFileName(counter));
}

QStringList FileSharedData::fileNames()
{
    return {QStringLiteral("firma.txt"),    QStringLiteral("oprema.txt"),
            QStringLiteral("dokument.txt"), QStringLiteral("predracun.txt"),
            QStringLiteral("rnalog.txt"),   QStringLiteral("otpremnica.txt"),
            QStringLiteral("ulaz.txt"),     QStringLiteral("grupe.txt"),
            QStringLiteral("sgrupe.txt")};
}

NumberLine FileSharedData::lastNumber(Counter counter)
{
    return TextFiles::readFirstLineNumber(counterFile(counter));
}

int FileSharedData::firstNumber(Counter counter)
{
    return TextFiles::readFirstNumber(counterFile(counter));
}

bool FileSharedData::holdsCounter(Counter counter)
{
    return QFileInfo(DataPath::resolve(counterFile(counter))).isFile();
}

void FileSharedData::setLastNumber(Counter counter, const QString& text)
{
    TextFiles::replaceLines(counterFile(counter), {text});
}

std::unique_ptr<CounterChange> FileSharedData::changeCounters(const QList<Counter>& counters)
{
    QStringList files;
    for (Counter counter : counters)
        files.append(counterFile(counter));
    return std::make_unique<FileCounterChange>(files);
}

QStringList FileSharedData::companyLines()
{
    return TextFiles::readLines(path("firma.txt"));
}

void FileSharedData::setCompanyLines(const QStringList& lines)
{
    TextFiles::replaceLines(path("firma.txt"), lines);
}

QStringList FileSharedData::groupNames()
{
    return TextFiles::readLines(path("grupe.txt"));
}

Groups FileSharedData::groups()
{
    Groups groups;
    groups.names = TextFiles::readLines(path("grupe.txt"));
    groups.codes = TextFiles::readLines(path("sgrupe.txt"));
    return groups;
}

void FileSharedData::setGroups(const Groups& groups)
{
    const QString nameFile = path("grupe.txt");
    const TextFileSnapshot formerNames(nameFile);
    TextFiles::replaceLines(nameFile, groups.names);
    try {
        TextFiles::replaceLines(path("sgrupe.txt"), groups.codes);
    } catch (const EngineError& error) {
        throw EngineError(formerNames.restoreAfter(error.text()));
    }
}

NumberLine FileSharedData::equipmentSwitch()
{
    return TextFiles::readFirstListedNumber(path("oprema.txt", '\\'));
}

void FileSharedData::setEquipmentSwitch(int value)
{
    TextFiles::replaceLines(path("oprema.txt", '\\'), {QString::number(value)});
}

} // namespace kestar
