#pragma once

#include <QWidget>
#include <memory>

namespace kestar {

class DataGrid;
class MainWindow;
class RecordNavigator;
class Table;

// Page 24: the administrator keeps the machine table. Entering the page does not open the
// table; its own buttons open and close it. The machine chooser reads the same table object,
// so showing the chooser leaves this page's grid empty until the table is opened again.
class MachinesPage : public QWidget
{
    Q_OBJECT
public:
    explicit MachinesPage(MainWindow& window, QWidget* parent = nullptr);
    ~MachinesPage() override;

    Table& machines() const { return *m_machines; }

private:
    MainWindow& m_window;
    std::unique_ptr<Table> m_machines;
    DataGrid* m_grid;
    RecordNavigator* m_navigator;
};

} // namespace kestar
