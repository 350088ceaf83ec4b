// Fuzzes the readers of the data folder's small text files, the Windows-1250 code page and the
// whole-file replace. The input bytes are a file in the data folder; every reader either reads
// it as a plain model of its promise says, or refuses with an EngineError. Whatever is written
// reads back the same, and a refused write leaves the file as it was.

#include "FuzzSupport.h"

#include "data/CodePage.h"
#include "data/EngineError.h"
#include "data/TextFiles.h"

#include <QDir>
#include <QFile>

#include <functional>
#include <limits>
#include <optional>

using namespace kestar;
using namespace kestar::test;
using namespace Qt::StringLiterals;

namespace {

const QString kInput = u"podaci/ulaz.txt"_s;
const QString kOutput = u"podaci\\izlaz.txt"_s;

void prepareFolder()
{
    static const bool ready = [] {
        QDir folder(scratchFolder());
        if (!folder.mkpath(u"podaci"_s) || !QDir::setCurrent(folder.path()))
            fail("cannot make the data folder", folder.path());
        return true;
    }();
    (void)ready;
}

void writeBytes(const QString& name, const QByteArray& bytes)
{
    QFile file(QDir::current().filePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("cannot write the input file", file.errorString());
}

QByteArray readBytes(const QString& name)
{
    QFile file(QDir::current().filePath(QString(name).replace(u'\\', u'/')));
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read back a written file", file.errorString());
    return file.readAll();
}

// The error text of the call, or nothing when it succeeds.
std::optional<QString> refusal(const std::function<void()>& call)
{
    try {
        call();
    } catch (const EngineError& error) {
        if (error.text().isEmpty())
            fail("a refusal without a text", QString());
        return error.text();
    }
    return std::nullopt;
}

QString show(const QStringList& lines)
{
    return u"["_s + lines.join(u"|"_s) + u"]"_s;
}

// A strict whole number written plainly: leading blanks, a sign, decimal digits, 32 bits.
std::optional<int> strictModel(QStringView text)
{
    while (!text.isEmpty() && text.front() == u' ')
        text = text.mid(1);
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        text = text.mid(1);
    }
    if (text.isEmpty())
        return std::nullopt;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    while (text.size() > 1 && text.front() == u'0')
        text = text.mid(1);
    if (text.size() > 10)
        return std::nullopt;
    const qint64 magnitude = text.toString().toLongLong();
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

// Lines as every line ending (CR LF, CR, LF) closes one, the last one possibly unclosed.
QStringList linesModel(const QString& text)
{
    QString normal = text;
    normal.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    if (normal.isEmpty())
        return {};
    QStringList lines = normal.split(u'\n');
    if (normal.endsWith(u'\n'))
        lines.removeLast();
    return lines;
}

void checkStrict(const QString& text)
{
    const std::optional<int> expected = strictModel(text);
    int value = 0;
    const auto error = refusal([&] { value = TextFiles::toStrictInteger(text); });
    if (expected.has_value() == error.has_value() || (expected && *expected != value))
        fail("toStrictInteger differs from a strict whole number", text);
    if (error && *error != u"'%1' is not a valid integer value"_s.arg(text))
        fail("toStrictInteger refuses with another text", *error);
}

void checkReaders(const QByteArray& bytes)
{
    writeBytes(kInput, bytes);
    const QString text = CodePage::decode(bytes);
    QByteArray encoded;
    if (refusal([&] { encoded = CodePage::encode(text); }) || encoded != bytes)
        fail("Windows-1250 does not give back the bytes it decoded",
             QString::fromLatin1(bytes.toHex()));

    const QStringList lines = TextFiles::readLines(kInput);
    if (lines != linesModel(text) || TextFiles::splitLines(text) != lines)
        fail("readLines differs from splitting at every line ending", show(lines));
    if (TextFiles::readCompanyFields(kInput) != TextFiles::fitFields(lines, 13) ||
        TextFiles::fitFields(lines, 13).size() != 13 ||
        TextFiles::fitFields(lines, 13).mid(0, lines.size()) != lines.mid(0, 13))
        fail("the company fields are not the first 13 lines", show(lines));

    // The first line, as far as the first CR or LF.
    qsizetype end = 0;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
        ++end;
    const QString firstLine = text.left(end);
    checkStrict(firstLine);
    NumberLine read;
    const auto lineError = refusal([&] { read = TextFiles::readFirstLineNumber(kInput); });
    const std::optional<int> strict = strictModel(firstLine);
    if (lineError.has_value() == strict.has_value() ||
        (strict && (read.value != *strict || read.text != firstLine)))
        fail("readFirstLineNumber differs from its first line", firstLine);

    NumberLine listed;
    const auto listError = refusal([&] { listed = TextFiles::readFirstListedNumber(kInput); });
    if (lines.isEmpty()) {
        if (listError != u"List index out of bounds (0)"_s)
            fail("readFirstListedNumber of an empty list", listError.value_or(QString()));
    } else {
        const std::optional<int> first = strictModel(lines.first());
        if (listError.has_value() == first.has_value() ||
            (first && (listed.value != *first || listed.text != lines.first())))
            fail("readFirstListedNumber differs from its first entry", lines.first());
    }

    // The lenient read: blanks and line breaks skipped, then a run of up to 32 other bytes.
    qsizetype at = 0;
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (at < bytes.size() && blank(bytes[at]))
        ++at;
    qsizetype stop = at;
    while (stop < bytes.size() && stop - at < 32 && !blank(bytes[stop]))
        ++stop;
    const QString run = CodePage::decode(bytes.mid(at, stop - at));
    int lenient = 0;
    const auto lenientError = refusal([&] { lenient = TextFiles::readFirstNumber(kInput); });
    const std::optional<int> expected = run.isEmpty() ? std::optional<int>(0) : strictModel(run);
    if (lenientError.has_value() == expected.has_value() || (expected && lenient != *expected))
        fail("readFirstNumber differs from its first run", run);
    if (lenientError && *lenientError != u"Invalid numeric input"_s)
        fail("readFirstNumber refuses with another text", *lenientError);

    // What was read is written back and reads the same, every line closed with CR LF.
    TextFiles::replaceLines(kOutput, lines);
    QByteArray expectedBytes;
    for (const QString& line : lines)
        expectedBytes += CodePage::encode(line) + "\r\n";
    if (readBytes(kOutput) != expectedBytes || TextFiles::readLines(kOutput) != lines)
        fail("replaceLines does not write what readLines reads", show(lines));
}

// Any text at all: written and read back the same, or refused with the file left as it was.
void checkWrite(const QString& text)
{
    const QStringList lines = text.split(u'\n');
    const QByteArray before = readBytes(kOutput);
    if (refusal([&] { TextFiles::replaceLines(kOutput, lines); })) {
        if (readBytes(kOutput) != before)
            fail("a refused write changed the file", show(lines));
        return;
    }
    if (TextFiles::readLines(kOutput) != lines)
        fail("a written text does not read back the same", show(lines));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    prepareFolder();
    checkReaders(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    checkStrict(utf16Text(data, size));
    checkStrict(latin1Text(data, size));
    checkWrite(utf8Text(data, size));
    checkWrite(utf16Text(data, size));
    checkWrite(awkwardText(data, size));
    return 0;
}
