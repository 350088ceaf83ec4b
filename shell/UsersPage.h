#pragma once

#include <QString>
#include <QWidget>
#include <memory>

namespace kestar {

class DataGrid;
class MainWindow;
class RecordNavigator;
class Table;

// The users page: the administrator edits the user table in place. Entering the page does not
// open the table; its own buttons open and close it, and log out leaves it as it is.
class UsersPage : public QWidget
{
    Q_OBJECT
public:
    explicit UsersPage(MainWindow& window, QWidget* parent = nullptr);
    ~UsersPage() override;

    Table& users() const { return *m_users; }

    // Why a row of the user table is not written.
    static inline const QString kPasswordTooLong =
        QStringLiteral("Lozinka moze imati najvise 3 znaka!!! Ispravite je pre snimanja.");

private:
    MainWindow& m_window;
    std::unique_ptr<Table> m_users;
    DataGrid* m_grid;
    RecordNavigator* m_navigator;
};

} // namespace kestar
