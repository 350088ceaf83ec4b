#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace kestar {

// A text file of the data folder as it was before a change of several files, to be put back
// byte for byte when a later step of the change fails.
class TextFileSnapshot
{
public:
    // Takes the file's bytes, or notes that there is no such file. A file that exists and
    // cannot be read raises EngineError: a change that could not be undone must not begin.
    explicit TextFileSnapshot(const QString& name);

    // Puts the former bytes back through a whole-file replace, or removes the file when there
    // was none. Raises EngineError with the system's text when that fails.
    void restore() const;

    // Runs restore() for a change that failed with error; returns error's text, followed by
    // the restore's own failure when the former content could not be put back either.
    QString restoreAfter(const QString& error) const;

private:
    QString m_name;
    std::optional<QByteArray> m_content; // none: the file did not exist
};

} // namespace kestar
