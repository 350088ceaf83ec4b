#pragma once

#include "goods/Goods.h"

#include <memory>

namespace kestar {

class MachineChooser;
class MainWindow;
class Messages;
class ReportPreviewer;
class Workplace;

// The whole program put together: the workplace, and the main window with every page handed to
// it. The program and the end-to-end tests build it the same way.
class Assembly
{
public:
    // previewer: how reports are shown; without one, the real preview window. Raises
    // DataFolderRefusal when the engine will not work on the data folder.
    explicit Assembly(Messages& messages, ReportPreviewer* previewer = nullptr);
    // The same, but a refused data folder is told to the user (startUpRefusalText), an engine
    // that cannot start at all in its own words, and either gives no program: it must end.
    static std::unique_ptr<Assembly> create(Messages& messages,
                                            ReportPreviewer* previewer = nullptr);
    ~Assembly();
    Assembly(const Assembly&) = delete;
    Assembly& operator=(const Assembly&) = delete;

    Workplace& workplace() const { return *m_workplace; }
    MainWindow& window() const { return *m_window; }
    ReportPreviewer& previewer() const { return *m_previewer; }
    // The machine chooser (TForm5), for the pages that open it.
    MachineChooser* machineChooser() const { return m_machineChooser; }
    // The item chooser (TForm2) and the goods document page.
    const GoodsPages& goods() const { return m_goods; }

    // Runs start-up; returns false when the program must end (the date-format check failed).
    bool start();

private:
    std::unique_ptr<ReportPreviewer> m_ownPreviewer;
    ReportPreviewer* m_previewer;
    // Made before the window and gone after it: every page works in it to the end.
    std::unique_ptr<Workplace> m_workplace;
    std::unique_ptr<MainWindow> m_window;
    MachineChooser* m_machineChooser = nullptr;
    GoodsPages m_goods{nullptr, nullptr};
};

} // namespace kestar
