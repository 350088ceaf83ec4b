#include "data/CodePage.h"

#include "data/EngineError.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace kestar {

namespace {

constexpr const char* kCodecName = "windows-1250";

void requireValid(const QStringConverter& converter)
{
    if (!converter.isValid())
        throw EngineError(QStringLiteral("Kodna strana Windows-1250 nije instalirana na ovom "
                                         "racunaru, pa se tekstualne datoteke podataka ne mogu "
                                         "ni citati ni upisivati!!!"));
}

// Shows a character in an error text; one that would not print is given by its code.
QString shownCharacter(QStringView character)
{
    const bool printable =
        character.size() == 2 || (!character.at(0).isSurrogate() && character.at(0).isPrint());
    if (printable)
        return character.toString();
    return QStringLiteral("U+%1").arg(character.at(0).unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

QString firstUnencodable(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype length = 1;
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            length = 2;
        const QStringView character = QStringView(text).mid(i, length);
        // The converter does not flag every lone unmappable character; a round trip does.
        QStringEncoder encoder(kCodecName);
        QStringDecoder decoder(kCodecName);
        const QByteArray bytes = encoder.encode(character);
        if (encoder.hasError() || QString(decoder.decode(bytes)) != character)
            return shownCharacter(character);
        i += length - 1;
    }
    return {};
}

// A long text is named by its start in a message, which would otherwise fill the screen.
QString excerpt(const QString& text)
{
    constexpr qsizetype kShown = 60;
    if (text.size() <= kShown)
        return text;
    qsizetype cut = kShown;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.left(cut) + QStringLiteral("...");
}

} // namespace

QString CodePage::decode(QByteArrayView bytes)
{
    QStringDecoder decoder(kCodecName);
    requireValid(decoder);
    return decoder.decode(bytes);
}

QByteArray CodePage::encode(const QString& text)
{
    QStringEncoder encoder(kCodecName);
    requireValid(encoder);
    QByteArray bytes = encoder.encode(text);
    // A high surrogate at the very end is held back waiting for its other half and silently
    // dropped, without an error: it is a character the code page lacks like any other.
    const bool pendingHalf = !text.isEmpty() && text.back().isHighSurrogate();
    if (encoder.hasError() || pendingHalf) {
        throw EngineError(QStringLiteral("Tekst \"%1\" sadrzi znak \"%2\" koji ne postoji u kodnoj "
                                         "strani podataka (Windows-1250)!!! Izbacite ili "
                                         "zamenite taj znak.")
                              .arg(excerpt(text), firstUnencodable(text)));
    }
    return bytes;
}

} // namespace kestar
