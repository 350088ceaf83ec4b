#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;

namespace kestar {

class MainWindow;

// The groups page (page 10): the group names and codes side by side, as the group files hold
// them. Entries are added and removed in the lists only; "Snimi grupe" writes both files.
class GroupsPage : public QWidget
{
    Q_OBJECT
public:
    explicit GroupsPage(MainWindow& window, QWidget* parent = nullptr);

    // Empties both lists and fills them from the group files. A file that cannot be read is
    // reported and leaves both lists empty. The entry fields keep their texts.
    void load();
    // "Ubaci grupu u spisak": appends the typed name and code; checks nothing, keeps the fields.
    void addGroup();
    // Removes the entry at row from both lists.
    void removeGroup(int row);
    // "Snimi grupe": after "Da li ste sigurni?", replaces both group files with the lists and
    // empties the entry fields. Returns true when the files were written.
    bool save();

    QListWidget* nameList() const { return m_names; }
    QListWidget* codeList() const { return m_codes; }

private:
    MainWindow& m_window;
    QLineEdit* m_newCode;
    QLineEdit* m_newName;
    QListWidget* m_codes;
    QListWidget* m_names;
};

} // namespace kestar
