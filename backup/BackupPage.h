#pragma once

#include <QWidget>

class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kestar {

class MainWindow;

// Page 23 'BACK UP': copies the data folder into the backup folder with one button, and sets
// the equipment switch in the equipment file for the next start of the program.
class BackupPage : public QWidget
{
    Q_OBJECT
public:
    explicit BackupPage(MainWindow& window, QWidget* parent = nullptr);

    QProgressBar* progressBar() const { return m_progress; }

private:
    // "SNIMI PODATKE": copies every file, asking nothing first; on success "SNIMLJENO" and
    // the admin menu, otherwise the files left out and why, and the page stays.
    void backUp();
    // "SNIMI OVU PROMENU": writes "1" or "0" into the equipment file. The switch in memory
    // keeps the value read at start-up.
    void saveEquipmentSwitch();
    void showProgress(int value);

    MainWindow& m_window;
    QProgressBar* m_progress = nullptr;
    QRadioButton* m_yes = nullptr;
    QRadioButton* m_no = nullptr;
};

} // namespace kestar
