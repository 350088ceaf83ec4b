#pragma once

#include <QString>
#include <stdexcept>

namespace kestar {

// The one error the table engine and the data-folder readers raise. Its text is shown to the
// user as it stands, so it is written in the engine's own words.
class EngineError : public std::runtime_error
{
public:
    explicit EngineError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text)
    {
    }
    QString text() const { return m_text; }

private:
    QString m_text;
};

} // namespace kestar
