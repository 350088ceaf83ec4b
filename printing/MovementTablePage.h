#pragma once

#include <QWidget>

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString MovementTable = QStringLiteral("Tabela prometa");
} // namespace PageKey

class Navigator;
class Workplace;

// Page 13, "Tabela prometa": the ledger itself, every field in table order, edited in place
// through the workplace's ledger table view. Changes go into the ledger only; stock and
// counters do not follow them. Entering the page leaves the view open or closed as it was; the
// page's own buttons open and close it.
class MovementTablePage : public QWidget
{
    Q_OBJECT
public:
    // The line the page shows above its controls.
    static const QString kWarning;
    // The message shown before the page, from the menu as from the button.
    static const QString kEntryWarning;

    MovementTablePage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);
};

} // namespace kestar
