#include "app/Assembly.h"

#include "backup/BackupPage.h"
#include "shell/Login.h"
#include "shell/LoginPage.h"
#include "shell/MenuPage.h"
#include "shell/MainWindow.h"
#include "shell/StartUp.h"
#include "shell/UsersPage.h"

#include <QLineEdit>

namespace kestar {

Assembly::Assembly(Messages& messages) : m_window(std::make_unique<MainWindow>(messages))
{
    auto* login = new LoginPage;
    m_window->setPage(PageIndex::Login, login);
    m_window->setLoginFocusWidget(login->passwordField());
    m_window->setPage(PageIndex::Backup, new BackupPage(*m_window));
    connectLogin(*m_window, *login);
    m_window->setPage(PageIndex::AdminMenu, MenuPage::adminMenu(*m_window));
    m_window->setPage(PageIndex::WorkerMenu, MenuPage::workerMenu(*m_window));
    m_window->setPage(PageIndex::Users, new UsersPage(*m_window));
}

Assembly::~Assembly() = default;

bool Assembly::start()
{
    runStartUp(*m_window);
    return m_window->showOrEnd();
}

} // namespace kestar
