#pragma once

#include <QObject>

namespace kestar {

// Enter and the keypad's Enter press a push button or tool button that has the keyboard focus,
// as Space does, in every window of the program: users of the old program press Enter on the
// button they tabbed to. Only a focused button is pressed; what Enter does in fields, lists and
// grids, and a dialog's default button for Enter in a field, stay as they are.
class EnterPressesButtons : public QObject
{
    Q_OBJECT
public:
    // Installs the filter on the application; once is enough, a second call does nothing.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};

} // namespace kestar
