#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString Backup = QStringLiteral("BACK UP");
} // namespace PageKey

class Navigator;
class Workplace;

// Page 23 'BACK UP': copies the data folder into the backup folder with one button, and stores
// the equipment switch for the next start of the program.
class BackupPage : public QWidget
{
    Q_OBJECT
public:
    BackupPage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return m_progress; }

private:
    // "SNIMI PODATKE": copies every file, asking nothing first; on success "SNIMLJENO" and
    // the admin menu, otherwise the files left out and why, and the page stays.
    void backUp();
    // "SNIMI OVU PROMENU": stores 1 or 0 as the equipment switch. The workplace keeps the
    // value read at start-up.
    void saveEquipmentSwitch();
    void showProgress(int value);

    Workplace& m_workplace;
    Navigator& m_navigator;
    QProgressBar* m_progress = nullptr;
    QRadioButton* m_yes = nullptr;
    QRadioButton* m_no = nullptr;
};

} // namespace kestar
