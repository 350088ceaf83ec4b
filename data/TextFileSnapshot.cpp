#include "data/TextFileSnapshot.h"

#include "data/DataPath.h"
#include "data/EngineError.h"
#include "data/TextFiles.h"

#include <QFile>
#include <QFileInfo>

namespace kestar {

TextFileSnapshot::TextFileSnapshot(const QString& name) : m_name(name)
{
    if (QFileInfo::exists(DataPath::resolve(name)))
        m_content = TextFiles::readBytes(name);
}

void TextFileSnapshot::restore() const
{
    if (m_content) {
        TextFiles::replaceBytes(m_name, *m_content);
        return;
    }
    QFile file(DataPath::resolve(m_name));
    if (file.exists() && !file.remove())
        throw EngineError(
            QStringLiteral("Cannot delete file \"%1\". %2").arg(m_name, file.errorString()));
}

QString TextFileSnapshot::restoreAfter(const QString& error) const
{
    try {
        restore();
    } catch (const EngineError& failure) {
        return error + QLatin1Char('\n') + failure.text();
    }
    return error;
}

} // namespace kestar
