#include "masterdata/GroupListDialog.h"

#include "data/Dataset.h"
#include "data/EngineError.h"
#include "data/SharedData.h"
#include "data/controls/ActionGuard.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestar {

GroupListDialog::GroupListDialog(Messages& messages, SharedData& shared, QWidget* parent)
    : QDialog(parent), m_messages(messages), m_shared(shared)
{
    setObjectName(QStringLiteral("groupListDialog"));
    setWindowTitle(QStringLiteral("Spisak definisanih grupa"));
    setModal(false);
    resize(300, 360);

    const QString instruction = QStringLiteral("Izaberi grupu pritiskom na ENTER ili OK");
    auto* label = new QLabel(instruction, this);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);

    m_names = new QListWidget(this);
    m_names->setObjectName(QStringLiteral("dialogGroupNames"));
    m_names->setAccessibleName(instruction);
    m_names->installEventFilter(this);
    label->setBuddy(m_names);

    m_codes = new QListWidget(this);
    m_codes->setObjectName(QStringLiteral("dialogGroupCodes"));
    m_codes->setAccessibleName(QStringLiteral("Sifre grupe"));
    m_codes->hide();

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("btnGroupOk"));
    m_ok->setAccessibleName(QStringLiteral("OK"));
    // Enter belongs to the list; only a press of the button itself chooses through it.
    m_ok->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_names);
    layout->addWidget(m_ok);

    connect(m_ok, &QPushButton::clicked, this, &GroupListDialog::choose);
}

void GroupListDialog::showForChoice()
{
    show();
    raise();
    activateWindow();
    reload();
    m_names->setFocus();
}

void GroupListDialog::reload()
{
    m_names->clear();
    m_codes->clear();
    try {
        const Groups groups = m_shared.groups();
        m_names->addItems(groups.names);
        m_codes->addItems(groups.codes);
    } catch (const EngineError& error) {
        if (!m_failureReported) {
            m_failureReported = true;
            m_messages.showError(error.text());
        }
    }
}

bool GroupListDialog::choose()
{
    QListWidgetItem* current = m_names->currentItem();
    if (!current || !current->isSelected())
        return false;
    const int row = m_names->row(current);
    if (row >= m_codes->count())
        return false;
    const QString name = current->text();
    const QString code = m_codes->item(row)->text();
    const bool written = guarded(m_messages, [this, &name, &code] {
        if (!m_target)
            throw EngineError(QStringLiteral("Dataset not open"));
        if (m_target->state() == DatasetState::Browse)
            m_target->edit();
        m_target->setText(QStringLiteral("GRUPAROBE"), code);
        m_target->setText(QStringLiteral("NAZIVGRUPE"), name);
    });
    if (written)
        hide();
    return written;
}

bool GroupListDialog::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        reload();
    return QDialog::event(event);
}

bool GroupListDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_names && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            choose();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void GroupListDialog::hideEvent(QHideEvent* event)
{
    m_failureReported = false;
    QDialog::hideEvent(event);
}

} // namespace kestar
