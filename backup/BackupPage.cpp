#include "backup/BackupPage.h"

#include "backup/Backup.h"
#include "data/SharedData.h"
#include "data/controls/ActionGuard.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "shell/Navigator.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace kestar {

namespace {

QFont pixelFont(int pixels, bool bold)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

BackupPage::BackupPage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_workplace(workplace), m_navigator(navigator)
{
    setObjectName(PageKey::Backup);
    const QFont buttonFont = pixelFont(13, true);

    const QString titleText = QStringLiteral("BACK UP PODATAKA");
    QLabel* title = PageKit::title(this, titleText, {0, 28, 791, 48}, 32);
    title->setAlignment(Qt::AlignCenter);
    title->setAccessibleName(titleText);

    QPushButton* backUpButton =
        PageKit::button(this, QStringLiteral("SNIMI PODATKE"), {270, 100, 251, 41});
    backUpButton->setFont(buttonFont);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("backupProgress"));
    m_progress->setAccessibleName(titleText);
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setGeometry(145, 158, 501, 25);

    const QString question =
        QStringLiteral("Da li je potrebno pratiti izlaz robe po odredjenoj opremi?");
    auto* box = new QGroupBox(question, this);
    box->setObjectName(QStringLiteral("equipmentBox"));
    box->setAccessibleName(question);
    box->setFont(buttonFont);
    box->setGeometry(95, 222, 601, 105);

    m_yes = new QRadioButton(QStringLiteral("DA"), box);
    m_yes->setObjectName(QStringLiteral("equipmentYes"));
    m_yes->setAccessibleName(QStringLiteral("DA"));
    m_yes->setGeometry(60, 45, 81, 31);
    m_yes->setChecked(true);
    m_no = new QRadioButton(QStringLiteral("NE"), box);
    m_no->setObjectName(QStringLiteral("equipmentNo"));
    m_no->setAccessibleName(QStringLiteral("NE"));
    m_no->setGeometry(170, 45, 81, 31);

    QPushButton* saveButton =
        PageKit::button(box, QStringLiteral("SNIMI OVU PROMENU"), {330, 40, 221, 41});
    saveButton->setFont(buttonFont);

    PageKit::backToAdminMenu(m_navigator, this, {205, 375, 381, 41})->setFont(buttonFont);

    connect(backUpButton, &QPushButton::clicked, this, &BackupPage::backUp);
    connect(saveButton, &QPushButton::clicked, this, &BackupPage::saveEquipmentSwitch);
}

void BackupPage::showProgress(int value)
{
    m_progress->setValue(value);
    // The backup holds the window until it ends; painting at once lets the bar move meanwhile.
    m_progress->repaint();
}

void BackupPage::backUp()
{
    Messages& messages = m_workplace.messages();
    const bool ran = guarded(messages, [&] {
        showProgress(0);
        const BackupResult result = Backup::run(m_workplace.programFolder(), Clock::now(),
                                                [this](int value) { showProgress(value); });
        if (!result.succeeded()) {
            messages.showError(Backup::failureText(result));
            showProgress(0);
            return;
        }
        showProgress(100);
        messages.show(QStringLiteral("SNIMLJENO"));
        showProgress(0);
        m_navigator.trigger(PageKey::AdminMenu);
    });
    if (!ran)
        showProgress(0);
}

void BackupPage::saveEquipmentSwitch()
{
    Messages& messages = m_workplace.messages();
    guarded(messages, [&] {
        m_workplace.sharedData().setEquipmentSwitch(m_yes->isChecked() ? 1 : 0);
        messages.show(QStringLiteral("IZMENA JE SNIMLJENA!!!"));
    });
}

} // namespace kestar
