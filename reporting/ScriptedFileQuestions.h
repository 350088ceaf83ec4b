#pragma once

#include "reporting/FileQuestions.h"

#include <QQueue>
#include <QStringList>

namespace kestar {

// File questions for tests: answers the save questions from a script (an empty answer, or
// none left, cancels) and records what was asked and which failures were shown.
class ScriptedFileQuestions : public FileQuestions
{
public:
    void answer(const QString& path) { m_answers.enqueue(path); }

    QString savePath(QWidget*, const QString& caption, const QString& suggestedName,
                     const QString&) override
    {
        m_asked.append(caption + QLatin1String(": ") + suggestedName);
        return m_answers.isEmpty() ? QString() : m_answers.dequeue();
    }
    void saveFailed(QWidget*, const QString&, const QString& text) override
    {
        m_failures.append(text);
    }

    // "caption: suggested name" of every question, in order.
    const QStringList& asked() const { return m_asked; }
    const QStringList& failures() const { return m_failures; }

private:
    QQueue<QString> m_answers;
    QStringList m_asked;
    QStringList m_failures;
};

} // namespace kestar
