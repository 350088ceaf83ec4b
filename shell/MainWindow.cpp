#include "shell/MainWindow.h"

#include "data/controls/ActionGuard.h"
#include "data/controls/Messages.h"
#include "platform/WorkingFolder.h"
#include "shell/Pictures.h"
#include "shell/StatusPanels.h"
#include "shell/Workplace.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
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

QWidget* makePlaceholder(const QString& name)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* label = new QLabel(name, page);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    font.setPixelSize(24);
    font.setBold(true);
    label->setFont(font);
    layout->addWidget(label);
    return page;
}

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
    for (int index : Navigation::pageIndices()) {
        QWidget* placeholder = makePlaceholder(Navigation::pageName(index));
        placeholder->setObjectName(QStringLiteral("page%1").arg(index));
        m_pages.insert(index, placeholder);
        m_stack->addWidget(placeholder);
    }
    layout->addWidget(m_stack);

    m_status = new StatusPanels(client);
    m_status->setFixedSize(kClientWidth, kStatusHeight);
    layout->addWidget(m_status);
    showSession();

    setCentralWidget(client);
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
    connect(mainMenu, &QPushButton::clicked, this, [this] { trigger(NavAction::LogOut); });
    connect(exitButton, &QPushButton::clicked, this, [this] { trigger(NavAction::Exit); });
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
    struct Item
    {
        const char* caption;
        NavAction action;
        Enabled enabled;
    };
    struct Menu
    {
        const char* caption;
        QList<Item> items;
    };
    const QList<Menu> menus = {
        {"Podesavanja",
         {{"Roba u magacinu", NavAction::ItemList, Enabled::Switchable},
          {"Podaci o firmi", NavAction::CompanyData, Enabled::Switchable},
          {"Izlaz iz programa", NavAction::Exit, Enabled::Always}}},
        {"Dokumenti",
         {{"Otpremnica (izlaz robe)", NavAction::NewIssue, Enabled::Switchable},
          {"Prijemnica (ulaz robe)", NavAction::NewReceipt, Enabled::Switchable}}},
        {"Stampanje",
         {{"Otpremnica", NavAction::PrintIssueNotes, Enabled::Switchable},
          {"Prijemnice", NavAction::PrintReceiptNotes, Enabled::Switchable},
          {"Roba ispod minimuma", NavAction::MinimumStock, Enabled::AdminOnly}}},
        {"Pregled podataka",
         {{"Kartice robe", NavAction::ItemCard, Enabled::Switchable},
          {"Magacin", NavAction::MovementTable, Enabled::Switchable}}},
        {"Pomoc",
         {{"Kontakt", NavAction::Contact, Enabled::Always},
          {"O programu", NavAction::About, Enabled::Always}}},
    };
    m_switchable.resize(8);
    for (int m = 0; m < menus.size(); ++m) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(menus[m].caption));
        menu->setObjectName(QStringLiteral("menu%1").arg(m));
        for (int i = 0; i < menus[m].items.size(); ++i) {
            const Item& item = menus[m].items[i];
            QAction* action = menu->addAction(QString::fromLatin1(item.caption));
            action->setObjectName(QStringLiteral("menu%1item%2").arg(m).arg(i));
            const NavAction nav = item.action;
            connect(action, &QAction::triggered, this, [this, nav] { trigger(nav); });
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

void MainWindow::setPage(int index, QWidget* page)
{
    QWidget* old = m_pages.value(index);
    if (!old || old == page)
        return;
    page->setObjectName(page->objectName().isEmpty() ? QStringLiteral("page%1").arg(index)
                                                     : page->objectName());
    const int position = m_stack->indexOf(old);
    const bool wasCurrent = m_stack->currentWidget() == old;
    m_stack->insertWidget(position, page);
    m_stack->removeWidget(old);
    old->deleteLater();
    m_pages.insert(index, page);
    if (wasCurrent)
        m_stack->setCurrentWidget(page);
}

QWidget* MainWindow::page(int index) const
{
    return m_pages.value(index);
}

void MainWindow::showPage(int index)
{
    if (QWidget* page = m_pages.value(index))
        m_stack->setCurrentWidget(page);
}

int MainWindow::currentPageIndex() const
{
    return m_pages.key(m_stack->currentWidget(), -1);
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
    showPage(m_workplace.isAdministrator() ? PageIndex::AdminMenu : PageIndex::WorkerMenu);
}

void MainWindow::trigger(NavAction action)
{
    Messages& messages = m_workplace.messages();
    guarded(messages, [&] {
        // Menu items enabled for an administrator stay enabled when a later match of the same
        // password logs in a worker; the pages behind them stay closed to the worker all the same.
        if (!Navigation::openToWorkers(action) && !m_workplace.isAdministrator()) {
            messages.show(kAdminOnly);
            return;
        }
        const auto handler = m_handlers.constFind(static_cast<int>(action));
        if (handler != m_handlers.constEnd() && *handler)
            (*handler)();
        else
            defaultNavigation(action);
    });
}

void MainWindow::setNavigationHandler(NavAction action, std::function<void()> handler)
{
    m_handlers.insert(static_cast<int>(action), std::move(handler));
}

void MainWindow::addLogOutStep(std::function<void()> step)
{
    m_logOutSteps.append(std::move(step));
}

void MainWindow::defaultNavigation(NavAction action)
{
    switch (action) {
    case NavAction::LogOut:
        return logOut();
    case NavAction::Exit:
        close();
        return;
    case NavAction::About:
        return m_workplace.messages().show(kAboutText);
    case NavAction::Contact:
        return m_workplace.messages().show(kContactText);
    default:
        showPage(Navigation::pageOf(action));
    }
}

void MainWindow::logOut()
{
    if (!m_workplace.programFolder().isEmpty())
        WorkingFolder::change(m_workplace.programFolder());
    showPage(PageIndex::Login);
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
    if (m_loginFocus && currentPageIndex() == PageIndex::Login) {
        activateWindow();
        m_loginFocus->setFocus(Qt::OtherFocusReason);
    }
    return true;
}

} // namespace kestar
