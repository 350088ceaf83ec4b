#include "data/controls/EnterPressesButtons.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace kestar {

void EnterPressesButtons::install()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (!application ||
        application->findChild<EnterPressesButtons*>(QString(), Qt::FindDirectChildrenOnly))
        return;
    application->installEventFilter(new EnterPressesButtons(application));
}

bool EnterPressesButtons::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        return false;
    // Ctrl+Enter and the like keep their own meaning.
    if (key->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier))
        return false;
    // A key event reaches a button only while the button has the keyboard focus.
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || !(qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)) ||
        !button->isEnabled())
        return false;
    // A held key presses once: a repeated save would post the document twice.
    if (!key->isAutoRepeat())
        button->click();
    return true;
}

} // namespace kestar
