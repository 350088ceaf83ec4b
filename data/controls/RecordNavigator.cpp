#include "data/controls/RecordNavigator.h"

#include "data/controls/ActionGuard.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace kestar {

namespace {

struct ButtonText
{
    const char* objectName;
    const char16_t* caption;
    const char* hint;
};

const std::array<ButtonText, 10> kButtons{{
    {"navFirst", u"|<", "Prvi red"},
    {"navPrior", u"<", "Prethodni red"},
    {"navNext", u">", "Sledeci red"},
    {"navLast", u">|", "Poslednji red"},
    {"navInsert", u"+", "Ubaci red"},
    {"navDelete", u"\u2212", "Obrisi red"},
    {"navEdit", u"^", "Izmeni red"},
    {"navPost", u"\u2713", "Upamti red"},
    {"navCancel", u"\u2715", "Odustani od izmene"},
    {"navRefresh", u"\u21bb", "Osvezi podatke"},
}};

const QString kConfirmDelete = QStringLiteral("Obrisati izabrani red?");

} // namespace

RecordNavigator::RecordNavigator(Messages& messages, QWidget* parent)
    : QWidget(parent), m_messages(messages)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const int side = fontMetrics().height() + 10;
    for (std::size_t i = 0; i < kButtons.size(); ++i) {
        auto* button = new QToolButton(this);
        const ButtonText& text = kButtons.at(i);
        button->setObjectName(QString::fromLatin1(text.objectName));
        button->setText(QString::fromUtf16(text.caption));
        button->setToolTip(QString::fromLatin1(text.hint));
        button->setAccessibleName(QString::fromLatin1(text.hint));
        button->setFocusPolicy(Qt::StrongFocus);
        button->setFixedSize(side + 4, side);
        layout->addWidget(button);
        m_buttons.at(i) = button;
        const auto which = Button(i);
        connect(button, &QToolButton::clicked, this, [this, which] { run(which); });
    }
    layout->addStretch();
    updateButtons();
}

void RecordNavigator::setDataset(Dataset* dataset)
{
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    if (m_dataset) {
        connect(m_dataset, &Dataset::stateChanged, this, &RecordNavigator::updateButtons);
        connect(m_dataset, &Dataset::currentChanged, this, &RecordNavigator::updateButtons);
        connect(m_dataset, &Dataset::rowsReset, this, &RecordNavigator::updateButtons);
        connect(m_dataset, &QObject::destroyed, this, &RecordNavigator::updateButtons);
    }
    updateButtons();
}

void RecordNavigator::updateButtons()
{
    const bool open = m_dataset && m_dataset->isOpen();
    if (!open) {
        for (QToolButton* button : m_buttons)
            button->setEnabled(false);
        return;
    }
    const DatasetState state = m_dataset->state();
    const bool pending = state == DatasetState::Edit || state == DatasetState::Insert;
    const bool writable = !m_dataset->isReadOnly();
    const bool empty = m_dataset->isEmpty();
    const qint64 position = m_dataset->position();
    const qint64 count = m_dataset->rowCount();
    // Besides the dataset's own end flags, the first and the last row are ends too: a step
    // from there would not move.
    const bool atStart = m_dataset->bof() || position <= 0;
    const bool atEnd = m_dataset->eof() || position < 0 || position >= count - 1;

    button(Button::First)->setEnabled(!atStart);
    button(Button::Prior)->setEnabled(!atStart);
    button(Button::Next)->setEnabled(!atEnd);
    button(Button::Last)->setEnabled(!atEnd);
    button(Button::Insert)->setEnabled(writable);
    button(Button::Delete)->setEnabled(writable && !empty);
    button(Button::Edit)->setEnabled(writable && !empty && !pending);
    button(Button::Post)->setEnabled(writable && pending);
    button(Button::Cancel)->setEnabled(pending);
    button(Button::Refresh)->setEnabled(true);
}

void RecordNavigator::run(Button which)
{
    if (!m_dataset || !m_dataset->isOpen())
        return;
    Dataset& dataset = *m_dataset;
    guarded(m_messages, [&] {
        switch (which) {
        case Button::First:
            dataset.first();
            break;
        case Button::Prior:
            dataset.prior();
            break;
        case Button::Next:
            dataset.next();
            break;
        case Button::Last:
            dataset.last();
            break;
        case Button::Insert:
            dataset.insert();
            break;
        case Button::Delete:
            if (m_messages.confirm(kConfirmDelete))
                dataset.remove();
            break;
        case Button::Edit:
            dataset.edit();
            break;
        case Button::Post:
            dataset.post();
            break;
        case Button::Cancel:
            dataset.cancel();
            break;
        case Button::Refresh:
            dataset.refresh();
            break;
        }
    });
    // The end flags change without a move when a step runs into an end.
    updateButtons();
}

} // namespace kestar
