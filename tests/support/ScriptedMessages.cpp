#include "tests/support/ScriptedMessages.h"

namespace kestar::test {

void ScriptedMessages::show(const QString& text)
{
    m_shown.append({Kind::Plain, text});
}

void ScriptedMessages::showError(const QString& text)
{
    m_shown.append({Kind::Error, text});
}

bool ScriptedMessages::confirm(const QString& text)
{
    m_shown.append({Kind::Confirm, text});
    return m_answers.isEmpty() ? m_default : m_answers.dequeue();
}

QStringList ScriptedMessages::texts() const
{
    QStringList list;
    for (const Shown& s : m_shown)
        list << s.text;
    return list;
}

QStringList ScriptedMessages::errors() const
{
    QStringList list;
    for (const Shown& s : m_shown) {
        if (s.kind == Kind::Error)
            list << s.text;
    }
    return list;
}

} // namespace kestar::test
