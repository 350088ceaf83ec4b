#pragma once

#include <QString>

class QWidget;

namespace kestar {

// The question a report preview asks before saving a file: which file. The real one is the
// system's file dialog; tests answer it from a script. A failed save is told through Messages.
class FileQuestions
{
public:
    virtual ~FileQuestions() = default;
    // The path to save to, empty when the user cancels. suggestedName is a file name without a
    // folder; filter is a file dialog filter such as "CSV datoteke (*.csv)".
    virtual QString savePath(QWidget* parent, const QString& caption, const QString& suggestedName,
                             const QString& filter) = 0;
};

// The system's file dialog, opening in the folder the user saved into last (at first the
// documents folder).
class DialogFileQuestions : public FileQuestions
{
public:
    QString savePath(QWidget* parent, const QString& caption, const QString& suggestedName,
                     const QString& filter) override;

private:
    QString m_lastFolder;
};

} // namespace kestar
