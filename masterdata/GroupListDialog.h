#pragma once

#include "data/Dataset.h"

#include <QDialog>
#include <QPointer>

class QListWidget;
class QPushButton;

namespace kestar {

class Messages;
class SharedData;

// "Spisak definisanih grupa": a modeless dialog that writes a chosen group's code and name into
// GRUPAROBE and NAZIVGRUPE of the current row of the new-article table. Every time it becomes
// the active window it reloads the groups, with no entry selected.
class GroupListDialog : public QDialog
{
    Q_OBJECT
public:
    GroupListDialog(Messages& messages, SharedData& shared, QWidget* parent = nullptr);

    // The dataset the choice is written into; the dialog does not own it.
    void setTarget(Dataset* target) { m_target = target; }

    // Shows the dialog without blocking its parent, reloaded, with the keyboard focus in the
    // list of names.
    void showForChoice();
    // Empties both lists and reloads them with the groups. Groups that cannot be read are
    // reported once per showing of the dialog and leave the lists empty.
    void reload();
    // Enter in the list and "OK": with a name selected that has a code at its position, puts
    // the target's current row into edit mode if it is in neither insert nor edit, writes code
    // and name, and closes the dialog. Otherwise nothing is written and the dialog stays open.
    // Returns true when the group was written.
    bool choose();

    QListWidget* nameList() const { return m_names; }
    QListWidget* codeList() const { return m_codes; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Messages& m_messages;
    SharedData& m_shared;
    QPointer<Dataset> m_target;
    QListWidget* m_names;
    QListWidget* m_codes;
    QPushButton* m_ok;
    // A failing reload has been reported since the dialog was shown: the activation that follows
    // the error box must not report it again.
    bool m_failureReported = false;
};

} // namespace kestar
