#include "launcher/FirstStartWindow.h"

#include "data/controls/ActionGuard.h"
#include "launcher/InstallationFolder.h"
#include "launcher/InstallationSetup.h"
#include "platform/Messages.h"
#include "shell/PageKit.h"
#include "tools/SetupFolder.h"
#include "tools/import/ImportReport.h"

#include <QButtonGroup>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

namespace kestar {

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 440;
const QColor kPageColour(0x9F, 0xC6, 0xE1);

const QString kNoPassword = QStringLiteral("Upisite lozinku administratora (najvise 3 znaka)!!!");
const QString kPasswordsDiffer = QStringLiteral("Lozinke se razlikuju, upisite ih ponovo!!!");
const QString kNoOldFolder = QStringLiteral("Izaberite folder podaci stare instalacije!!!");
const QString kNoData = QStringLiteral(
    "U ovom folderu jos nema podataka programa (folder podaci). Izaberite kako da pocnete:");
// A chosen folder on a disk that is not attached looks like a new one: say so before a new data
// folder is made in its place.
const QString kNoFolder =
    QStringLiteral("Ovaj folder ne postoji. Ako su podaci programa na disku koji nije "
                   "prikljucen, prikljucite ga i pokrenite program ponovo. Inace izaberite kako "
                   "da pocnete:");
const QString kImported = QStringLiteral(
    "Podaci su preneti. Izvestaj ispod navodi sve sto nije preneto onako kako je bilo.");
const QString kNotImported =
    QStringLiteral("PODACI NISU PRENETI!!! Razlog je u izvestaju ispod; nista nije upisano.");
const QString kDemoPasswords = QStringLiteral("Demo podaci su spremni.\nLozinka administratora je "
                                              "123, lozinka magacionera 111.");

// A wait cursor for a step that holds the window (making the demo data, an import).
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QLineEdit* passwordField(QWidget* page, const QString& caption, const QRect& labelGeometry,
                         const QRect& fieldGeometry, const QString& objectName)
{
    QLineEdit* field = PageKit::lineEdit(page, caption, labelGeometry, fieldGeometry, objectName);
    field->setEchoMode(QLineEdit::Password);
    field->setMaxLength(SetupFolder::kMaxPasswordLength);
    return field;
}

// The buttons that go on carry bold captions, as the program's menu buttons do.
void boldCaption(QPushButton* button)
{
    QFont font = button->font();
    font.setBold(true);
    button->setFont(font);
}

QRadioButton* choice(QWidget* page, const QString& caption, const QRect& geometry,
                     const QString& objectName)
{
    auto* radio = new QRadioButton(caption, page);
    radio->setObjectName(objectName);
    QFont font = radio->font();
    font.setBold(true);
    radio->setFont(font);
    radio->setGeometry(geometry);
    return radio;
}

} // namespace

FirstStartWindow::FirstStartWindow(const QString& folder, Messages& messages, FolderAsker askFolder,
                                   QWidget* parent)
    : QDialog(parent), m_folder(QDir::cleanPath(folder)), m_messages(messages),
      m_askFolder(std::move(askFolder))
{
    setObjectName(QStringLiteral("firstStartWindow"));
    setWindowTitle(QStringLiteral("KESTAR - prvo pokretanje"));
    setFixedSize(kWidth, kHeight);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kPageColour);
    setPalette(palette);
    setAutoFillBackground(true);

    m_pages = new QStackedWidget(this);
    m_pages->setObjectName(QStringLiteral("firstStartPages"));
    m_pages->setGeometry(0, 0, kWidth, kHeight);
    m_pages->addWidget(buildChoices());
    m_pages->addWidget(buildReport());
    showFolder();
    enableFields();
    m_password->setFocus();
}

QWidget* FirstStartWindow::buildChoices()
{
    // Made inside the dialog at once, so that a default button finds its dialog.
    auto* page = new QWidget(m_pages);
    PageKit::title(page, QStringLiteral("PRVO POKRETANJE PROGRAMA KESTAR"), QRect(20, 12, 560, 28),
                   18);
    PageKit::label(page, QStringLiteral("Folder programa:"), QRect(20, 52, 100, 20), true);
    m_folderPath = PageKit::label(page, {}, QRect(120, 52, 340, 20));
    m_folderPath->setObjectName(QStringLiteral("installationFolder"));
    m_folderPath->setWordWrap(false);
    QPushButton* other =
        PageKit::button(page, QStringLiteral("DRUGI FOLDER..."), QRect(470, 48, 110, 27));
    other->setToolTip(QStringLiteral("Program radi u folderu koji izaberete i pamti ga"));
    connect(other, &QPushButton::clicked, this, &FirstStartWindow::chooseInstallationFolder);
    m_intro = PageKit::label(page, {}, QRect(20, 80, 560, 40));
    m_intro->setObjectName(QStringLiteral("introText"));

    m_choices = new QButtonGroup(this);
    m_choices->addButton(choice(page, QStringLiteral("Novi prazan folder podataka"),
                                QRect(20, 124, 560, 22), QStringLiteral("choiceEmpty")),
                         EmptyFolder);
    m_password =
        passwordField(page, QStringLiteral("Lozinka administratora:"), QRect(44, 152, 140, 20),
                      QRect(186, 150, 50, 22), QStringLiteral("adminPassword"));
    m_passwordAgain =
        passwordField(page, QStringLiteral("Ponovite lozinku:"), QRect(258, 152, 105, 20),
                      QRect(365, 150, 50, 22), QStringLiteral("adminPasswordAgain"));
    PageKit::label(page, QStringLiteral("(najvise 3 znaka)"), QRect(425, 152, 150, 20));

    m_choices->addButton(choice(page, QStringLiteral("Demo podaci, za probu programa"),
                                QRect(20, 188, 560, 22), QStringLiteral("choiceDemo")),
                         DemoData);
    PageKit::label(page,
                   QStringLiteral("Izmisljena firma sa grupama, artiklima, masinama i nekoliko "
                                  "dokumenata. Lozinka administratora je 123, magacionera 111."),
                   QRect(44, 212, 536, 34));

    m_choices->addButton(choice(page, QStringLiteral("Prenos podataka iz stare instalacije"),
                                QRect(20, 256, 560, 22), QStringLiteral("choiceOldInstallation")),
                         OldInstallation);
    m_oldFolder = PageKit::lineEdit(page, QStringLiteral("Folder podaci stare instalacije:"),
                                    QRect(44, 282, 400, 20), QRect(44, 304, 416, 24),
                                    QStringLiteral("oldFolder"));
    m_chooseOld = PageKit::button(page, QStringLiteral("IZABERI..."), QRect(470, 302, 110, 27));
    connect(m_chooseOld, &QPushButton::clicked, this, &FirstStartWindow::chooseOldFolder);
    PageKit::label(page,
                   QStringLiteral("Stari folder se samo cita. Posle prenosa program pokazuje "
                                  "izvestaj o svemu sto nije preneto."),
                   QRect(44, 332, 536, 34));

    m_choices->button(EmptyFolder)->setChecked(true);
    connect(m_choices, &QButtonGroup::idToggled, this, [this] { enableFields(); });

    QPushButton* go =
        PageKit::button(page, QStringLiteral("POKRENI PROGRAM"), QRect(300, 392, 150, 32));
    go->setDefault(true);
    boldCaption(go);
    connect(go, &QPushButton::clicked, this, &FirstStartWindow::start);
    QPushButton* cancel =
        PageKit::button(page, QStringLiteral("ODUSTANI"), QRect(460, 392, 120, 32));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return page;
}

QWidget* FirstStartWindow::buildReport()
{
    auto* page = new QWidget(m_pages);
    PageKit::title(page, QStringLiteral("IZVESTAJ O PRENOSU PODATAKA"), QRect(20, 12, 560, 28), 18);
    m_verdict = PageKit::label(page, {}, QRect(20, 44, 560, 34), true);
    m_verdict->setObjectName(QStringLiteral("importVerdict"));
    m_report = new QPlainTextEdit(page);
    m_report->setObjectName(QStringLiteral("importReport"));
    m_report->setAccessibleName(QStringLiteral("Izvestaj o prenosu podataka"));
    m_report->setReadOnly(true);
    m_report->setFont(QFont(QStringLiteral("Liberation Mono"), 8));
    m_report->setGeometry(20, 82, 560, 300);
    m_startAfterImport =
        PageKit::button(page, QStringLiteral("POKRENI PROGRAM"), QRect(300, 392, 150, 32),
                        QStringLiteral("btnPokreniPosleUvoza"));
    boldCaption(m_startAfterImport);
    connect(m_startAfterImport, &QPushButton::clicked, this, &QDialog::accept);
    m_back = PageKit::button(page, QStringLiteral("NAZAD"), QRect(300, 392, 150, 32));
    connect(m_back, &QPushButton::clicked, this, [this] { m_pages->setCurrentIndex(0); });
    QPushButton* cancel =
        PageKit::button(page, QStringLiteral("ODUSTANI"), QRect(460, 392, 120, 32),
                        QStringLiteral("btnOdustaniPosleUvoza"));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return page;
}

void FirstStartWindow::showFolder()
{
    const QString shown = QDir::toNativeSeparators(m_folder);
    m_folderPath->setText(
        m_folderPath->fontMetrics().elidedText(shown, Qt::ElideMiddle, m_folderPath->width()));
    m_folderPath->setToolTip(shown);
    m_folderPath->setAccessibleName(QStringLiteral("Folder programa: ") + shown);
    const bool missing =
        !QDir(m_folder).exists() && m_folder != QDir::cleanPath(InstallationFolder::defaultPath());
    m_intro->setText(missing ? kNoFolder : kNoData);
}

void FirstStartWindow::enableFields()
{
    const int checked = m_choices->checkedId();
    m_password->setEnabled(checked == EmptyFolder);
    m_passwordAgain->setEnabled(checked == EmptyFolder);
    m_oldFolder->setEnabled(checked == OldInstallation);
    m_chooseOld->setEnabled(checked == OldInstallation);
}

void FirstStartWindow::chooseInstallationFolder()
{
    const QString chosen = m_askFolder(QStringLiteral("Izaberite folder programa"), m_folder);
    if (chosen.isEmpty())
        return;
    m_folder = QDir::cleanPath(QDir(chosen).absolutePath());
    showFolder();
    // A folder that already holds data needs nothing more: the program starts there.
    if (InstallationFolder::hasData(m_folder))
        accept();
}

void FirstStartWindow::chooseOldFolder()
{
    const QString start = m_oldFolder->text().isEmpty() ? QDir::homePath() : m_oldFolder->text();
    const QString chosen =
        m_askFolder(QStringLiteral("Izaberite folder podaci stare instalacije"), start);
    if (!chosen.isEmpty())
        m_oldFolder->setText(QDir::toNativeSeparators(chosen));
}

void FirstStartWindow::start()
{
    switch (m_choices->checkedId()) {
    case EmptyFolder:
        makeNew(false);
        break;
    case DemoData:
        makeNew(true);
        break;
    case OldInstallation:
        importOld();
        break;
    default:
        break;
    }
}

void FirstStartWindow::makeNew(bool demo)
{
    QString password = QStringLiteral("123");
    if (!demo) {
        password = m_password->text();
        if (password.isEmpty()) {
            m_messages.show(kNoPassword);
            m_password->setFocus();
            return;
        }
        if (password != m_passwordAgain->text()) {
            m_messages.show(kPasswordsDiffer);
            m_password->clear();
            m_passwordAgain->clear();
            m_password->setFocus();
            return;
        }
    }
    const bool made = guarded(m_messages, [&] {
        const BusyCursor busy;
        InstallationSetup::makeNew(m_folder, password, demo);
    });
    if (!made)
        return;
    if (demo)
        m_messages.show(kDemoPasswords);
    accept();
}

void FirstStartWindow::importOld()
{
    const QString old = QDir::fromNativeSeparators(m_oldFolder->text().trimmed());
    if (old.isEmpty()) {
        m_messages.show(kNoOldFolder);
        return;
    }
    ImportReport report;
    bool made = false;
    {
        const BusyCursor busy;
        made = InstallationSetup::importOld(m_folder, old, report);
    }
    m_verdict->setText(made ? kImported : kNotImported);
    m_report->setPlainText(report.text());
    m_startAfterImport->setVisible(made);
    m_back->setVisible(!made);
    m_pages->setCurrentIndex(1);
    (made ? m_startAfterImport : m_back)->setFocus();
}

} // namespace kestar
