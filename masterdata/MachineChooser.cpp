#include "masterdata/MachineChooser.h"

#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace kestar {

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 380;
constexpr int kColumnWidth = 168;
constexpr int kGap = 14;

const QString kCodeTitle = QStringLiteral("Sifra masine");
const QString kCode2Title = QStringLiteral("Sifra");
const QString kNameTitle = QStringLiteral("Naziv masine");

QListWidget* machineList(QWidget* dialog, const QString& title, const QString& objectName,
                         int column)
{
    const int x = kGap + column * (kColumnWidth + kGap);
    auto* label = PageKit::label(dialog, title, QRect(x, 10, kColumnWidth, 18));
    auto* list = new QListWidget(dialog);
    list->setObjectName(objectName);
    list->setAccessibleName(title);
    list->setGeometry(x, 30, kColumnWidth, 200);
    label->setBuddy(list);
    return list;
}

QLineEdit* machineField(QWidget* dialog, const QString& title, const QString& objectName,
                        int column)
{
    const int x = kGap + column * (kColumnWidth + kGap);
    auto* label = new QLabel(title, dialog);
    label->setGeometry(x, 244, kColumnWidth, 20);
    label->setStyleSheet(QStringLiteral(
        "QLabel { background-color: #FFFF00; font-weight: bold; padding-left: 2px; }"));
    auto* field = new QLineEdit(dialog);
    field->setObjectName(objectName);
    field->setAccessibleName(title);
    field->setGeometry(x, 266, kColumnWidth, 24);
    label->setBuddy(field);
    return field;
}

} // namespace

MachineChooser::MachineChooser(Workplace& workplace, Table& machines, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_messages(workplace.messages()), m_machines(machines)
{
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Izbor masine"));
    setModal(false);
    setFixedSize(kWidth, kHeight);
    buildControls();
}

void MachineChooser::buildControls()
{
    m_codes = machineList(this, kCodeTitle, QStringLiteral("machineCodeList"), 0);
    m_codes2 = machineList(this, kCode2Title, QStringLiteral("machineCode2List"), 1);
    m_names = machineList(this, kNameTitle, QStringLiteral("machineNameList"), 2);
    m_code = machineField(this, kCodeTitle, QStringLiteral("machineCodeField"), 0);
    m_code2 = machineField(this, kCode2Title, QStringLiteral("machineCode2Field"), 1);
    m_name = machineField(this, kNameTitle, QStringLiteral("machineNameField"), 2);
    m_ok = PageKit::button(this, QStringLiteral("OK"), QRect(kGap, 310, kWidth - 2 * kGap, 50),
                           QStringLiteral("btnOk"));

    // Clicking the entry that is current already copies it again, over a hand-typed change.
    connect(m_codes, &QListWidget::currentRowChanged, this, &MachineChooser::codeChosen);
    connect(m_codes, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { codeChosen(m_codes->row(item)); });
    connect(m_ok, &QPushButton::clicked, this, &MachineChooser::deliver);
}

void MachineChooser::open()
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    reload();
    PageKit::centreOnScreen(*this);
    show();
    raise();
    activateWindow();
    // The arrow keys choose from the codes at once, also when OK had the focus the last time.
    m_codes->setFocus();
}

void MachineChooser::reload()
{
    m_codes->clear();
    m_codes2->clear();
    m_names->clear();
    m_code->clear();
    m_code2->clear();
    m_name->clear();
    guarded(m_messages, [this] {
        QStringList codes;
        QStringList codes2;
        QStringList names;
        m_machines.open();
        for (m_machines.first(); !m_machines.eof(); m_machines.next()) {
            codes.append(m_machines.text(QStringLiteral("SIFRAMASINE")));
            codes2.append(m_machines.text(QStringLiteral("SIFRA2")));
            names.append(m_machines.text(QStringLiteral("NAZIVMASINE")));
        }
        m_machines.close();
        m_codes->addItems(codes);
        m_codes2->addItems(codes2);
        m_names->addItems(names);
    });
    // A list view that takes the keyboard focus before anything was made current in it makes
    // its first entry current, and a current code fills the fields. "No entry" is made current
    // here on purpose, so that only a click or an arrow key chooses a machine.
    for (QListWidget* list : {m_codes, m_codes2, m_names})
        list->setCurrentIndex(QModelIndex());
}

void MachineChooser::codeChosen(int row)
{
    if (row < 0 || row >= m_codes->count())
        return;
    m_codes2->setCurrentRow(row);
    m_names->setCurrentRow(row);
    m_code->setText(m_codes->item(row)->text());
    m_code2->setText(m_codes2->item(row) ? m_codes2->item(row)->text() : QString());
    m_name->setText(m_names->item(row) ? m_names->item(row)->text() : QString());
}

void MachineChooser::deliver()
{
    emit delivered(m_code->text(), m_code2->text(), m_name->text());
    hide();
}

void MachineChooser::keyPressEvent(QKeyEvent* event)
{
    // A focused OK takes Enter itself; anywhere else Enter must not deliver.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kestar
