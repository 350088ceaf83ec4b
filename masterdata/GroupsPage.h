#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString Groups = QStringLiteral("Grupe robe");
} // namespace PageKey

class Navigator;
class Workplace;

// The groups page (page 10): the group names and codes side by side, as the group files hold
// them. Entries are added and removed in the lists only; "Snimi grupe" stores both lists.
class GroupsPage : public QWidget
{
    Q_OBJECT
public:
    GroupsPage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);

    // Empties both lists and fills them with the groups. Groups that cannot be read are
    // reported and leave both lists empty. The entry fields keep their texts.
    void load();
    // "Ubaci grupu u spisak": appends the typed name and code; checks nothing, keeps the fields.
    void addGroup();
    // Removes the entry at row from both lists.
    void removeGroup(int row);
    // "Snimi grupe": after "Da li ste sigurni?", replaces the groups with the lists and
    // empties the entry fields. Returns true when the groups were written.
    bool save();

    QListWidget* nameList() const { return m_names; }
    QListWidget* codeList() const { return m_codes; }

private:
    Workplace& m_workplace;
    QLineEdit* m_newCode;
    QLineEdit* m_newName;
    QListWidget* m_codes;
    QListWidget* m_names;
};

} // namespace kestar
