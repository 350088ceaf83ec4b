#pragma once

#include <QWidget>

namespace kestar {

class MainWindow;

// Page 13, "Tabela prometa": the ledger itself, every field in table order, edited in place
// through the window's ledger table view. Changes go into the ledger only; stock and counters
// do not follow them. Entering the page leaves the view open or closed as it was; the page's
// own buttons open and close it.
class MovementTablePage : public QWidget
{
    Q_OBJECT
public:
    // The line the page shows above its controls.
    static const QString kWarning;

    explicit MovementTablePage(MainWindow& window, QWidget* parent = nullptr);

private:
    MainWindow& m_window;
};

} // namespace kestar
