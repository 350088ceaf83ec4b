#pragma once

#include "goods/Posting.h"

#include <QString>
#include <QWidget>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString GoodsDocument = QStringLiteral("OTPREMNICA SAMO");
} // namespace PageKey

// The menus' other ways into the page.
namespace ActionKey {
inline const QString NewIssue = QStringLiteral("Otprema robe");
inline const QString NewReceipt = QStringLiteral("Prijem robe");
} // namespace ActionKey

class Navigator;
class Workplace;
struct ArticleForLine;

// Page 21: one goods issue or goods receipt being filled in, and its posting. The document
// lives only in the controls until the save button posts it.
class GoodsDocumentPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kLines = 99;
    static constexpr int kCodeColumn = 0;
    static constexpr int kQuantityColumn = 2;

    GoodsDocumentPage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);

    // Shows the page with a new, empty document of the kind: captions by kind, today's date,
    // line count 1 and the number proposed from the kind's counter. The machine fields keep
    // what they hold. A counter that cannot be read is reported and leaves the number field
    // empty.
    void openDocument(DocumentKind kind);

    // The grid line that the next chosen article goes to (1 to 99).
    int lineCount() const { return m_lineCount; }
    // The kind the posting writes: the selected mode button.
    DocumentKind selectedKind() const;
    // The document as posting takes it: lines 1 to the line count, the session's user, last
    // document number and equipment switch.
    GoodsDocument document() const;

    // Fills the line of the line count with a chosen article and quantity "0", and moves the
    // current cell to its quantity.
    void deliverItem(const QString& code, const QString& name, const QString& groupCode,
                     const QString& groupName);
    void setMachine(const QString& code, const QString& code2, const QString& name);
    void clearMachine();

    // The save button: the question about a number the ledger already holds, confirmation,
    // refusals, posting, counters and the return to the menu.
    void post();

signals:
    // Enter in the "Sifra" column when the cell holds no article's code: the item chooser
    // should open for the line of the line count, with the text the cell holds.
    void itemChooserRequested(const QString& typed);
    // "IZABERI OPREMU".
    void machineChooserRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildGrid();
    void setCaptions(DocumentKind kind);
    void proposeNumber(DocumentKind kind);
    void chooseItem();
    QString cell(int line, int column) const;
    // The line already holds the article with a quantity typed.
    bool holdsArticle(int line, const ArticleForLine& article) const;
    void setCell(int line, int column, const QString& text);

    Workplace& m_workplace;
    Navigator& m_navigator;
    QLabel* m_title = nullptr;
    QLabel* m_numberLabel = nullptr;
    QLineEdit* m_number = nullptr;
    QLabel* m_dateLabel = nullptr;
    QDateEdit* m_date = nullptr;
    QRadioButton* m_issue = nullptr;
    QRadioButton* m_receipt = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_machineButton = nullptr;
    QList<QWidget*> m_machineControls;
    QLineEdit* m_machineCode = nullptr;
    QLineEdit* m_machineCode2 = nullptr;
    QLineEdit* m_machineName = nullptr;
    QTableWidget* m_grid = nullptr;
    QLineEdit* m_comment1 = nullptr;
    QLineEdit* m_comment2 = nullptr;
    int m_lineCount = 1;
    // The number the page proposed when it opened, and for which kind: posted as it is, it
    // gives way to the next free one if another workstation takes it meanwhile.
    QString m_proposedNumber;
    DocumentKind m_proposedKind = DocumentKind::Issue;
};

} // namespace kestar
