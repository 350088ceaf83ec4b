#pragma once

#include "platform/Messages.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

namespace kestar::test {

// Messages for tests: records every box shown and answers confirmations from a script.
class ScriptedMessages : public Messages
{
public:
    enum class Kind
    {
        Plain,
        Error,
        Confirm
    };
    struct Shown
    {
        Kind kind;
        QString text;
    };

    void show(const QString& text) override;
    void showError(const QString& text) override;
    bool confirm(const QString& text) override;

    // Answers for the next confirmations, in order; when the script runs out, the answer is
    // defaultAnswer().
    void answer(bool yes) { m_answers.enqueue(yes); }
    void setDefaultAnswer(bool yes) { m_default = yes; }
    bool defaultAnswer() const { return m_default; }

    const QList<Shown>& shown() const { return m_shown; }
    QStringList texts() const;  // every text, in order
    QStringList errors() const; // texts of error boxes only
    QString last() const { return m_shown.isEmpty() ? QString() : m_shown.last().text; }
    void clear() { m_shown.clear(); }

private:
    QList<Shown> m_shown;
    QQueue<bool> m_answers;
    bool m_default = true;
};

} // namespace kestar::test
