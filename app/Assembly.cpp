#include "app/Assembly.h"

#include "backup/BackupPage.h"
#include "data/DataFolderRefusal.h"
#include "goods/GoodsDocumentPage.h"
#include "goods/ItemChooser.h"
#include "masterdata/MachineChooser.h"
#include "masterdata/Machines.h"
#include "masterdata/MasterData.h"
#include "platform/Messages.h"
#include "printing/DocumentPrint.h"
#include "printing/GroupedNotePage.h"
#include "printing/ItemCardPage.h"
#include "printing/Listings.h"
#include "printing/Review.h"
#include "reporting/WindowPreviewer.h"
#include "shell/Login.h"
#include "shell/LoginPage.h"
#include "shell/MainWindow.h"
#include "shell/MenuPage.h"
#include "shell/StartUp.h"
#include "shell/StartUpRefusal.h"
#include "shell/UsersPage.h"
#include "shell/Workplace.h"

#include <QLineEdit>

namespace kestar {

Assembly::Assembly(Messages& messages, ReportPreviewer* previewer)
    : m_ownPreviewer(previewer ? nullptr : std::make_unique<WindowPreviewer>(messages)),
      m_previewer(previewer ? previewer : m_ownPreviewer.get()),
      m_workplace(std::make_unique<Workplace>(messages)),
      m_window(std::make_unique<MainWindow>(*m_workplace))
{
    Workplace& workplace = *m_workplace;
    Navigator& navigator = *m_window;
    auto* login = new LoginPage;
    m_window->addPage(PageKey::Login, login);
    m_window->setLoginFocusWidget(login->passwordField());
    connectLogin(*m_window, *login);
    navigator.addPage(PageKey::AdminMenu, MenuPage::adminMenu(navigator));
    navigator.addPage(PageKey::WorkerMenu, MenuPage::workerMenu(navigator));
    navigator.addPage(PageKey::Users, new UsersPage(workplace, navigator));
    navigator.addPage(PageKey::Backup, new BackupPage(workplace, navigator));
    m_machineChooser = installMachines(workplace, navigator);
    m_goods = installGoods(workplace, navigator);
    ItemCardPage* cardPage = installReview(workplace, navigator);
    // The chooser hands its article to the card page as well as to the goods document page,
    // whichever of them opened it.
    QObject::connect(m_goods.itemChooser, &ItemChooser::delivered, cardPage,
                     &ItemCardPage::deliverItem);
    QObject::connect(cardPage, &ItemCardPage::itemChooserRequested, m_goods.itemChooser,
                     &ItemChooser::open);
    QObject::connect(m_goods.document, &GoodsDocumentPage::machineChooserRequested,
                     m_machineChooser, &MachineChooser::open);
    GoodsDocumentPage* goodsPage = m_goods.document;
    MainWindow* window = m_window.get();
    QObject::connect(
        m_machineChooser, &MachineChooser::delivered, goodsPage,
        [goodsPage, window](const QString& code, const QString& code2, const QString& name) {
            if (window->currentPage() == PageKey::GoodsDocument)
                goodsPage->setMachine(code, code2, name);
        });
    installMasterData(workplace, navigator);
    // A preview (prices, stock, values, printable) belongs to the user who opened it.
    navigator.addLogOutStep([shown = m_previewer] { shown->closePreview(); });
    installDocumentPrint(workplace, navigator, *m_previewer);
    GroupedNotePage* notePage = installListings(workplace, navigator, *m_previewer);
    QObject::connect(notePage, &GroupedNotePage::machineChooserRequested, m_machineChooser,
                     &MachineChooser::open);
    QObject::connect(
        m_machineChooser, &MachineChooser::delivered, notePage,
        [notePage, window](const QString& code, const QString& code2, const QString& name) {
            if (window->currentPage() == PageKey::GroupedNote)
                notePage->setMachine(code, code2, name);
        });
}

Assembly::~Assembly() = default;

std::unique_ptr<Assembly> Assembly::create(Messages& messages, ReportPreviewer* previewer)
{
    try {
        return std::make_unique<Assembly>(messages, previewer);
    } catch (const DataFolderRefusal& refusal) {
        messages.showError(startUpRefusalText(refusal));
    } catch (const EngineError& error) {
        // The engine cannot start at all (its scratch database cannot be opened, a journal
        // cannot be settled): the engine's own words, and the program ends.
        messages.showError(error.text());
    }
    return nullptr;
}

bool Assembly::start()
{
    runStartUp(*m_workplace, *m_window);
    return m_window->showOrEnd();
}

} // namespace kestar
