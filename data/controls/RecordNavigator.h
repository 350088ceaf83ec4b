#pragma once

#include "data/Dataset.h"
#include "platform/Messages.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QToolButton;

namespace kestar {

// Ten buttons that work on a Dataset: first, prior, next, last, insert, delete, edit, post,
// cancel, refresh (object names navFirst ... navRefresh). Delete asks "Obrisati izabrani red?"
// and deletes only on Yes. The buttons follow the dataset's state: all off while it is closed,
// post and cancel only with a pending row, no changes in a read-only dataset, no moves past
// either end. An engine error raised by a button is shown and ends that action.
//
// The buttons take the keyboard focus when clicked, so a cell being typed into in a grid is
// written into the row before the button acts on it.
class RecordNavigator : public QWidget
{
    Q_OBJECT
public:
    enum class Button
    {
        First,
        Prior,
        Next,
        Last,
        Insert,
        Delete,
        Edit,
        Post,
        Cancel,
        Refresh
    };

    // messages: where the confirmation and engine errors go.
    explicit RecordNavigator(Messages& messages, QWidget* parent = nullptr);

    // The navigator does not own the dataset.
    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return m_dataset; }

    QToolButton* button(Button which) const { return m_buttons.at(std::size_t(which)); }

    // Enables the buttons for the dataset's present state.
    void updateButtons();

private:
    void run(Button which);

    std::array<QToolButton*, 10> m_buttons{};
    QPointer<Dataset> m_dataset;
    Messages& m_messages;
};

} // namespace kestar
