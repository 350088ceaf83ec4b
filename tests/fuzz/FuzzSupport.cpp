#include "FuzzSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace kestar::test {

QString scratchFolder()
{
    static QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("kestar-XXXXXX")));
    if (!folder.isValid())
        fail("cannot make the scratch folder", folder.errorString());
    return folder.path();
}

void fail(const char* what, const QString& detail)
{
    QString shown = detail;
    shown.replace(QChar(u'\0'), QLatin1String("\\0"));
    std::fprintf(stderr, "\n*** %s\n%s\n", what, shown.toUtf8().constData());
    std::abort();
}

QString utf8Text(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

QString latin1Text(const std::uint8_t* data, std::size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
}

QString utf16Text(const std::uint8_t* data, std::size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, (size / 2) * 2);
    return text;
}

QString awkwardText(const std::uint8_t* data, std::size_t size)
{
    static constexpr char16_t kAwkward[] = {
        0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFD, 0xFEFF, 0x0085, 0x2028, 0x2029, 0x00A0, 0x0000,
        0x010D, 0x0107, 0x017E, 0x0161, 0x0111, 0x010C, 0x0106, 0x017D, 0x0160, 0x0110, 0x20AC,
        0x041C, 0x00E0, 0xFF21, 0x0100, 0x001A, 0x007F, 0x0081, 0x00FF, 0x02D9, 0x0131};
    QString text;
    text.reserve(qsizetype(size));
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        text += byte < 0x80 ? QChar(char16_t(byte)) : QChar(kAwkward[byte % std::size(kAwkward)]);
    }
    return text;
}

} // namespace kestar::test
