#include "shell/MainWindow.h"

#include "data/controls/ActionGuard.h"
#include "platform/Messages.h"
#include "platform/WorkingFolder.h"
#include "shell/Pictures.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace kestar {

namespace {

constexpr int kTopStripHeight = 44;
constexpr int kPagesHeight = 493;
constexpr int kStatusHeight = 19;

const QColor kWindowColour(0x28, 0x28, 0x20);
const QColor kPageColour(0x9F, 0xC6, 0xE1);

const QString kAboutText =
    QStringLiteral("Program za rad magacina KESTAR, verzija 1.1.\n\n"
                   "Vodi artikle, otpremnice i prijemnice, kartice robe i stanje magacina.\n"
                   "Izradio razvojni tim programa KESTAR.");
const QString kContactText = QStringLiteral("Podrska za program KESTAR\n\n"
                                            "Telefon: 011/555-0142\n"
                                            "E-mail: podrska@kestar.example");
const QString kAdminOnly = QStringLiteral("Ova opcija je dostupna samo administratoru!!!");

} // namespace

MainWindow::MainWindow(Workplace& workplace, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_workplace(workplace)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("KESTAR - ver 1.1"));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(8);
    setFont(font);

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(kClientWidth, kClientHeight);
    client->setAutoFillBackground(true);
    QPalette pal = client->palette();
    pal.setColor(QPalette::Window, kWindowColour);
    client->setPalette(pal);

    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* strip = new QWidget(client);
    strip->setObjectName(QStringLiteral("topStrip"));
    strip->setFixedSize(kClientWidth, kTopStripHeight);
    buildTopStrip(strip);
    layout->addWidget(strip);

    m_stack = new QStackedWidget(client);
    m_stack->setObjectName(QStringLiteral("PageControl1"));
    m_stack->setFixedSize(kClientWidth, kPagesHeight);
    m_stack->setAutoFillBackground(true);
    QPalette pagePal = m_stack->palette();
    pagePal.setColor(QPalette::Window, kPageColour);
    m_stack->setPalette(pagePal);
    layout->addWidget(m_stack);

    m_status = new StatusPanels(client);
    m_status->setFixedSize(kClientWidth, kStatusHeight);
    layout->addWidget(m_status);
    showSession();

    setCentralWidget(client);
    registerAction(ActionKey::LogOut, Access::Everyone, [this] { logOut(); });
    registerAction(ActionKey::Exit, Access::Everyone, [this] { close(); });
    registerAction(ActionKey::About, Access::Everyone,
                   [this] { m_workplace.messages().show(kAboutText); });
    registerAction(ActionKey::Contact, Access::Everyone,
                   [this] { m_workplace.messages().show(kContactText); });
    buildMenuBar();
    layout->activate();
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::showSession()
{
    static constexpr int kCounterPanels[] = {
        StatusPanels::kDocumentNumber, StatusPanels::kOrderNumber, StatusPanels::kWorkOrderNumber,
        StatusPanels::kIssueNumber, StatusPanels::kReceiptNumber};
    connect(&m_workplace, &Workplace::lastNumberChanged, this,
            [this](Counter counter, const QString& text) {
                m_status->setText(kCounterPanels[int(counter)], text);
            });
    connect(&m_workplace, &Workplace::userChanged, this,
            [this](const QString& user) { m_status->setText(StatusPanels::kUser, user); });
}

void MainWindow::buildTopStrip(QWidget* strip)
{
    QFont buttonFont(QStringLiteral("Liberation Sans"));
    buttonFont.setPixelSize(13);
    buttonFont.setBold(true);
    auto makeButton = [&](const QString& caption, const QString& name, const QIcon& icon,
                          QRect geometry) {
        auto* button = new QPushButton(icon, caption, strip);
        button->setObjectName(name);
        button->setFont(buttonFont);
        button->setIconSize(QSize(24, 24));
        button->setGeometry(geometry);
        button->setFocusPolicy(Qt::NoFocus);
        button->setStyleSheet(QStringLiteral("color: #FF0000;"));
        return button;
    };
    QPushButton* mainMenu = makeButton(QStringLiteral("Glavni meni"), QStringLiteral("glavniMeni"),
                                       Pictures::mainMenuIcon(), QRect(104, 1, 177, 41));
    QPushButton* exitButton =
        makeButton(QStringLiteral("Izlaz iz programa"), QStringLiteral("izlazIzPrograma"),
                   Pictures::exitIcon(), QRect(504, 2, 171, 40));
    connect(mainMenu, &QPushButton::clicked, this, [this] { trigger(ActionKey::LogOut); });
    connect(exitButton, &QPushButton::clicked, this, [this] { trigger(ActionKey::Exit); });
}

void MainWindow::buildMenuBar()
{
    // Switchable: one of the eight items the login enables by role. AdminOnly: an addition
    // after the fixed items of its menu, enabled for the administrator alone.
    enum class Enabled
    {
        Always,
        Switchable,
        AdminOnly
    };
    // The keys name the pages' actions; every page declares its own key beside its class.
    struct Item
    {
        const char* caption;
        QString key;
        Enabled enabled;
    };
    struct Menu
    {
        const char* caption;
        QList<Item> items;
    };
    const QList<Menu> menus = {
        {"Podesavanja",
         {{"Roba u magacinu", QStringLiteral("Roba"), Enabled::Switchable},
          {"Podaci o firmi", QStringLiteral("Firma"), Enabled::Switchable},
          {"Izlaz iz programa", ActionKey::Exit, Enabled::Always}}},
        {"Dokumenti",
         {{"Otpremnica (izlaz robe)", QStringLiteral("Otprema robe"), Enabled::Switchable},
          {"Prijemnica (ulaz robe)", QStringLiteral("Prijem robe"), Enabled::Switchable}}},
        {"Stampanje",
         {{"Otpremnica", QStringLiteral("Stampa otpremnica"), Enabled::Switchable},
          {"Prijemnice", QStringLiteral("Stampa prijemnica"), Enabled::Switchable},
          {"Roba ispod minimuma", QStringLiteral("Roba ispod minimuma"), Enabled::AdminOnly}}},
        {"Pregled podataka",
         {{"Kartice robe", QStringLiteral("Kartica robe"), Enabled::Switchable},
          {"Magacin", QStringLiteral("Tabela prometa"), Enabled::Switchable}}},
        {"Pomoc",
         {{"Kontakt", ActionKey::Contact, Enabled::Always},
          {"O programu", ActionKey::About, Enabled::Always}}},
    };
    m_switchable.resize(8);
    for (int m = 0; m < menus.size(); ++m) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(menus[m].caption));
        menu->setObjectName(QStringLiteral("menu%1").arg(m));
        for (int i = 0; i < menus[m].items.size(); ++i) {
            const Item& item = menus[m].items[i];
            QAction* action = menu->addAction(QString::fromLatin1(item.caption));
            action->setObjectName(QStringLiteral("menu%1item%2").arg(m).arg(i));
            action->setData(item.key);
            const QString key = item.key;
            connect(action, &QAction::triggered, this, [this, key] { trigger(key); });
            if (item.enabled == Enabled::Switchable) {
                action->setEnabled(false);
                m_switchable[m * 2 + i] = action;
            } else if (item.enabled == Enabled::AdminOnly) {
                action->setEnabled(false);
                m_adminOnly.append(action);
            }
            m_allItems.append(action);
        }
    }
}

void MainWindow::addPage(const QString& key, QWidget* page, Access access)
{
    QWidget* old = m_pages.value(key);
    if (!page || old == page)
        return;
    if (page->objectName().isEmpty())
        page->setObjectName(key);
    if (old) {
        const bool wasCurrent = m_stack->currentWidget() == old;
        m_stack->insertWidget(m_stack->indexOf(old), page);
        m_stack->removeWidget(old);
        old->deleteLater();
        if (wasCurrent)
            m_stack->setCurrentWidget(page);
    } else {
        m_stack->addWidget(page);
    }
    m_pages.insert(key, page);
    if (!m_actions.contains(key))
        registerAction(key, access, [this, key] { showPage(key); });
}

QWidget* MainWindow::page(const QString& key) const
{
    return m_pages.value(key);
}

void MainWindow::showPage(const QString& key)
{
    if (QWidget* page = m_pages.value(key))
        m_stack->setCurrentWidget(page);
}

QString MainWindow::currentPage() const
{
    return m_pages.key(m_stack->currentWidget());
}

QString MainWindow::panel(int number) const
{
    return m_status->text(number);
}

void MainWindow::setPanel(int number, const QString& text)
{
    m_status->setText(number, text);
}

void MainWindow::returnToMenu()
{
    showPage(m_workplace.isAdministrator() ? PageKey::AdminMenu : PageKey::WorkerMenu);
}

void MainWindow::trigger(const QString& key)
{
    Messages& messages = m_workplace.messages();
    guarded(messages, [&] {
        const auto action = m_actions.constFind(key);
        if (action == m_actions.constEnd()) {
            qWarning("No page or action is registered as \"%s\"", qPrintable(key));
            return;
        }
        // Menu items enabled for an administrator stay enabled when a later match of the same
        // password logs in a worker; the pages behind them stay closed to the worker all the same.
        if (action->access != Access::Everyone && !m_workplace.isAdministrator()) {
            messages.show(kAdminOnly);
            return;
        }
        // A copy: the action may replace itself while it runs.
        const std::function<void()> run = action->run;
        run();
    });
}

void MainWindow::registerAction(const QString& key, Access access, std::function<void()> handler)
{
    m_actions.insert(key, Action{access, std::move(handler)});
}

bool MainWindow::hasAction(const QString& key) const
{
    return m_actions.contains(key);
}

void MainWindow::addLogOutStep(std::function<void()> step)
{
    m_logOutSteps.append(std::move(step));
}

void MainWindow::logOut()
{
    if (!m_workplace.programFolder().isEmpty())
        WorkingFolder::change(m_workplace.programFolder());
    showPage(PageKey::Login);
    Messages& messages = m_workplace.messages();
    for (const auto& step : m_logOutSteps)
        guarded(messages, step);
    guarded(messages, [this] { m_workplace.closeSharedViews(); });
    disableSwitchableItems();
    if (m_loginFocus)
        m_loginFocus->setFocus(Qt::OtherFocusReason);
}

QAction* MainWindow::switchableItem(int menu, int item) const
{
    return m_switchable.value(menu * 2 + item);
}

void MainWindow::enableAdminItems()
{
    for (QAction* action : m_switchable)
        action->setEnabled(true);
    for (QAction* action : m_adminOnly)
        action->setEnabled(true);
}

void MainWindow::enableWorkerItems()
{
    for (int menu = 1; menu <= 2; ++menu) {
        for (int item = 0; item < 2; ++item)
            switchableItem(menu, item)->setEnabled(true);
    }
}

void MainWindow::disableSwitchableItems()
{
    for (QAction* action : m_switchable)
        action->setEnabled(false);
    for (QAction* action : m_adminOnly)
        action->setEnabled(false);
}

QAction* MainWindow::menuItem(const QString& caption) const
{
    for (QAction* action : m_allItems) {
        if (action->text() == caption)
            return action;
    }
    return nullptr;
}

bool MainWindow::showOrEnd()
{
    if (m_workplace.dateCheckFailed()) {
        close();
        return false;
    }
    show();
    if (m_loginFocus && currentPage() == PageKey::Login) {
        activateWindow();
        m_loginFocus->setFocus(Qt::OtherFocusReason);
    }
    return true;
}

} // namespace kestar
