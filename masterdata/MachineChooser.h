#pragma once

#include <QDialog>
#include <QString>

class QKeyEvent;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kestar {

class Messages;
class Table;
class Workplace;

// TForm5: the machine chooser; modeless, created once, hidden between uses. It lists the
// machines of the table it is given (the machine page's own table) and hands one on with OK.
// Which page takes the machine is for the receivers to decide by the page shown.
class MachineChooser : public QDialog
{
    Q_OBJECT
public:
    // The chooser does not own the table.
    MachineChooser(Workplace& workplace, Table& machines, QWidget* parent = nullptr);

    // Empties the lists and fields, fills the lists from the machine table in its own order and
    // closes the table, then shows the dialog with the keyboard focus in the code list and no
    // machine chosen; when it is open already, only brings it to the front.
    void open() override;

signals:
    // OK: the three fields as they stand (chosen from the lists or typed by hand).
    void delivered(const QString& code, const QString& code2, const QString& name);

protected:
    // Enter presses OK only when OK has the focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void reload();
    void codeChosen(int row);
    void deliver();

    Messages& m_messages;
    Table& m_machines;
    QListWidget* m_codes = nullptr;
    QListWidget* m_codes2 = nullptr;
    QListWidget* m_names = nullptr;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_code2 = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace kestar
