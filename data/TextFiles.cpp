#include "data/TextFiles.h"

#include "data/CodePage.h"
#include "data/DataPath.h"
#include "data/EngineError.h"
#include "data/FileReplace.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>

namespace kestar {

namespace {

constexpr qint64 kChunkSize = 4096;
constexpr qsizetype kLenientRunLength = 32;

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

[[noreturn]] void failOpen(const QString& name, const QString& reason)
{
    throw EngineError(QStringLiteral("Cannot open file \"%1\". %2").arg(name, reason));
}

[[noreturn]] void failCreate(const QString& name, const QString& reason)
{
    throw EngineError(QStringLiteral("Cannot create file \"%1\". %2").arg(name, reason));
}

void openForReading(QFile& file, const QString& name)
{
    const QString path = DataPath::resolve(name);
    // Opening a folder succeeds on some systems and only reading it fails; say what it is.
    if (QFileInfo(path).isDir())
        failOpen(name, systemReason(EISDIR));
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        failOpen(name, file.errorString());
}

// Reads the next chunk; 0 at the end of the file.
qint64 readChunk(QFile& file, const QString& name, char* buffer)
{
    const qint64 count = file.read(buffer, kChunkSize);
    if (count < 0)
        throw EngineError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(name, file.errorString()));
    return count;
}

QByteArray readAllBytes(const QString& name)
{
    QFile file;
    openForReading(file, name);
    QByteArray bytes;
    char buffer[kChunkSize];
    while (const qint64 count = readChunk(file, name, buffer))
        bytes.append(buffer, count);
    return bytes;
}

bool isLineBreak(char c)
{
    return c == '\r' || c == '\n';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || isLineBreak(c);
}

// An optional sign followed by one or more decimal digits and nothing else, within 32 bits.
std::optional<int> parseDecimal(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    const qint64 limit = negative ? -qint64(std::numeric_limits<int>::min())
                                  : qint64(std::numeric_limits<int>::max());
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > limit)
            return std::nullopt;
    }
    return int(negative ? -value : value);
}

} // namespace

int TextFiles::toStrictInteger(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' '))
        ++start;
    const std::optional<int> value = parseDecimal(QStringView(text).mid(start));
    if (!value)
        throw EngineError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return *value;
}

NumberLine TextFiles::readFirstLineNumber(const QString& name)
{
    QFile file;
    openForReading(file, name);
    QByteArray line;
    char buffer[kChunkSize];
    while (const qint64 count = readChunk(file, name, buffer)) {
        const char* end = std::find_if(buffer, buffer + count, isLineBreak);
        line.append(buffer, end - buffer);
        if (end != buffer + count)
            break;
    }
    NumberLine result;
    result.text = CodePage::decode(line);
    result.value = toStrictInteger(result.text);
    return result;
}

int TextFiles::readFirstNumber(const QString& name)
{
    return firstNumberIn(readAllBytes(name));
}

int TextFiles::firstNumberIn(QByteArrayView bytes)
{
    QByteArray run;
    for (const char c : bytes) {
        if (isBlank(c)) {
            if (!run.isEmpty())
                break;
            continue;
        }
        run.append(c);
        if (run.size() == kLenientRunLength)
            break;
    }
    if (run.isEmpty())
        return 0;
    const std::optional<int> value = parseDecimal(CodePage::decode(run));
    if (!value)
        throw EngineError(QStringLiteral("Invalid numeric input"));
    return *value;
}

NumberLine TextFiles::readFirstListedNumber(const QString& name)
{
    return firstListedNumber(readLines(name));
}

NumberLine TextFiles::firstListedNumber(const QStringList& lines)
{
    if (lines.isEmpty())
        throw EngineError(QStringLiteral("List index out of bounds (0)"));
    return {toStrictInteger(lines.first()), lines.first()};
}

QStringList TextFiles::splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QStringList TextFiles::readLines(const QString& name)
{
    return splitLines(CodePage::decode(readAllBytes(name)));
}

QStringList TextFiles::readCompanyFields(const QString& name)
{
    return fitFields(readLines(name), kCompanyFieldCount);
}

QStringList TextFiles::fitFields(const QStringList& lines, int count)
{
    QStringList fields = lines.mid(0, count);
    while (fields.size() < count)
        fields.append(QString());
    return fields;
}

void TextFiles::replaceLines(const QString& name, const QStringList& lines)
{
    // Everything that can be refused is checked before the file is touched.
    replaceBytes(name, encodeLines(name, lines));
}

QByteArray TextFiles::encodeLines(const QString& name, const QStringList& lines)
{
    QByteArray content;
    for (const QString& line : lines) {
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n'))) {
            throw EngineError(QStringLiteral("Tekst \"%1\" sadrzi prelazak u novi red, koji ne "
                                             "moze da stoji u jednom redu datoteke \"%2\"!!!")
                                  .arg(line, name));
        }
        content += CodePage::encode(line);
        content += "\r\n";
    }
    return content;
}

void TextFiles::replaceBytes(const QString& name, const QByteArray& content)
{
    const QString path = DataPath::resolve(name);
    const QFileInfo target(path);
    if (target.exists()) {
        if (target.isDir())
            failCreate(name, systemReason(EISDIR));
        // The rename below would replace a read-only file without asking, and a privileged
        // user passes every access check: a file nobody may write is refused here.
        // WriteUser is left out: it tells what the current user may do, not how the file is set.
        constexpr QFile::Permissions kAnyWrite =
            QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        if (!(target.permissions() & kAnyWrite))
            failCreate(name, systemReason(EACCES));
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::ExistingOnly))
            failCreate(name, probe.errorString());
    }
    FileReplace::replace(name, path, content);
}

QByteArray TextFiles::readBytes(const QString& name)
{
    return readAllBytes(name);
}

} // namespace kestar
