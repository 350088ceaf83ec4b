#pragma once

#include "launcher/FolderAsker.h"

#include <QDialog>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace kestar {

class Messages;

// The first-start window (object name "firstStartWindow"), which the launcher shows when the
// installation folder has no data folder yet. It offers a new empty data folder under the
// administrator's password, the demo data, moving the data folder of an old installation in
// (the import, whose report it shows), and choosing another installation folder. It is
// accepted once the installation folder holds a data folder to start the program on.
class FirstStartWindow : public QDialog
{
    Q_OBJECT
public:
    // How the data folder comes about; the ids of the choices' radio buttons.
    enum Choice
    {
        EmptyFolder,
        DemoData,
        OldInstallation
    };

    FirstStartWindow(const QString& folder, Messages& messages, FolderAsker askFolder,
                     QWidget* parent = nullptr);

    // The installation folder to start the program in.
    QString folder() const { return m_folder; }

private:
    QWidget* buildChoices();
    QWidget* buildReport();
    void showFolder();
    void enableFields();
    void chooseInstallationFolder();
    void chooseOldFolder();
    // "POKRENI PROGRAM": makes the data folder the checked choice asks for.
    void start();
    void makeNew(bool demo);
    void importOld();

    QString m_folder;
    Messages& m_messages;
    FolderAsker m_askFolder;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_folderPath = nullptr;
    QLabel* m_intro = nullptr;
    QButtonGroup* m_choices = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_passwordAgain = nullptr;
    QLineEdit* m_oldFolder = nullptr;
    QPushButton* m_chooseOld = nullptr;
    QLabel* m_verdict = nullptr;
    QPlainTextEdit* m_report = nullptr;
    QPushButton* m_startAfterImport = nullptr;
    QPushButton* m_back = nullptr;
};

} // namespace kestar
