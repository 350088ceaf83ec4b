#pragma once

#include <memory>

namespace kestar {

class MainWindow;
class Messages;

// The whole program put together: the main window with every page handed to it. The program
// and the end-to-end tests build it the same way.
class Assembly
{
public:
    explicit Assembly(Messages& messages);
    ~Assembly();
    Assembly(const Assembly&) = delete;
    Assembly& operator=(const Assembly&) = delete;

    MainWindow& window() const { return *m_window; }

    // Runs start-up; returns false when the program must end (the date-format check failed).
    bool start();

private:
    std::unique_ptr<MainWindow> m_window;
};

} // namespace kestar
