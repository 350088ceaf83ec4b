#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace kestar {

// The single-byte code page of the data folder's text files: Windows-1250, the code page of
// Serbian Latin.
class CodePage
{
public:
    // Every byte has a character in Windows-1250, so decoding never fails.
    // Throws EngineError only when this computer's Qt cannot convert Windows-1250 at all.
    static QString decode(QByteArrayView bytes);

    // Throws EngineError naming the text and its first character that Windows-1250 lacks;
    // nothing is ever replaced by a stand-in character.
    static QByteArray encode(const QString& text);
};

} // namespace kestar
