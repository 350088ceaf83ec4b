#include "shell/Login.h"

#include "data/Engine.h"
#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "shell/LoginPage.h"
#include "shell/MainWindow.h"
#include "shell/Workplace.h"

#include <QLineEdit>

namespace kestar {

void logIn(MainWindow& window, const QString& password)
{
    // A cursor of its own, so the walk always starts at the first row, whatever row the users
    // page shows.
    Workplace& workplace = window.workplace();
    std::unique_ptr<Table> users =
        std::make_unique<Table>(workplace.engine(), QStringLiteral("podaci/korisnici.db"));
    users->open();
    for (users->first(); !users->eof(); users->next()) {
        if (users->text(QStringLiteral("SIFRA")) != password)
            continue;
        const QString name = users->text(QStringLiteral("KORISNIK"));
        workplace.setUser(name);
        if (name == QLatin1String("Administrator")) {
            window.showPage(PageKey::AdminMenu);
            window.enableAdminItems();
        } else {
            window.showPage(PageKey::WorkerMenu);
            window.enableWorkerItems();
        }
    }
    users->close();
}

void connectLogin(MainWindow& window, LoginPage& page)
{
    QObject::connect(
        &page, &LoginPage::loginRequested, &page, [&window, &page](const QString& typed) {
            const bool done = guarded(window.workplace().messages(), [&] { logIn(window, typed); });
            if (done)
                page.passwordField()->clear();
        });
}

} // namespace kestar
