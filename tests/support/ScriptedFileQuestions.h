#pragma once

#include "reporting/FileQuestions.h"

#include <QQueue>
#include <QStringList>

namespace kestar::test {

// File questions for tests: answers the save questions from a script (an empty answer, or
// none left, cancels) and records what was asked.
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

    // "caption: suggested name" of every question, in order.
    const QStringList& asked() const { return m_asked; }

private:
    QQueue<QString> m_answers;
    QStringList m_asked;
};

} // namespace kestar::test
