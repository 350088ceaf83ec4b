#pragma once

#include <QString>

class QWidget;

namespace kestar {

// The questions a report preview asks around saving a file: which file, and telling the user
// that saving failed. The real ones are dialogs; tests answer them from a script.
class FileQuestions
{
public:
    virtual ~FileQuestions() = default;
    // The path to save to, empty when the user cancels. suggestedName is a file name without a
    // folder; filter is a file dialog filter such as "CSV datoteke (*.csv)".
    virtual QString savePath(QWidget* parent, const QString& caption, const QString& suggestedName,
                             const QString& filter) = 0;
    // Saving failed; the text says why.
    virtual void saveFailed(QWidget* parent, const QString& caption, const QString& text) = 0;
};

// The system's file dialog, opening in the folder the user saved into last (at first the
// documents folder), and a warning box for a failure.
class DialogFileQuestions : public FileQuestions
{
public:
    QString savePath(QWidget* parent, const QString& caption, const QString& suggestedName,
                     const QString& filter) override;
    void saveFailed(QWidget* parent, const QString& caption, const QString& text) override;

private:
    QString m_lastFolder;
};

} // namespace kestar
