#include "app/Assembly.h"

#include "shell/LoginPage.h"
#include "shell/MainWindow.h"
#include "shell/StartUp.h"

#include <QLineEdit>

namespace kestar {

Assembly::Assembly(Messages& messages) : m_window(std::make_unique<MainWindow>(messages))
{
    auto* login = new LoginPage;
    m_window->setPage(PageIndex::Login, login);
    m_window->setLoginFocusWidget(login->passwordField());
}

Assembly::~Assembly() = default;

bool Assembly::start()
{
    runStartUp(*m_window);
    return m_window->showOrEnd();
}

} // namespace kestar
