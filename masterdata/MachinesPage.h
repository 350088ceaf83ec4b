#pragma once

#include <QWidget>

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString Machines = QStringLiteral("Masina");
} // namespace PageKey

class Navigator;
class Table;
class Workplace;

// Page 24: the administrator keeps the machine table. Entering the page does not open the
// table; its own buttons open and close it. The machine chooser reads the same table object,
// so showing the chooser leaves this page's grid empty until the table is opened again.
class MachinesPage : public QWidget
{
    Q_OBJECT
public:
    MachinesPage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);

    Table& machines() const { return m_machines; }

private:
    Table& m_machines;
};

} // namespace kestar
