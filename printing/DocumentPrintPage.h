#pragma once

#include "printing/DocumentReport.h"

#include <QString>
#include <QWidget>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString DocumentPrint = QStringLiteral("Predracun");
} // namespace PageKey

// The menus' other ways into the page.
namespace ActionKey {
inline const QString PrintIssueNotes = QStringLiteral("Stampa otpremnica");
inline const QString PrintReceiptNotes = QStringLiteral("Stampa prijemnica");
} // namespace ActionKey

class DataGrid;
class Navigator;
class ReportPreviewer;
class Workplace;

// Page 3: prints one saved goods issue or goods receipt by its number. The kind, the number,
// the machine labels and the comments keep their state for the whole run; the grid shows the
// workplace's document result set, which the grouped delivery note page shares.
class DocumentPrintPage : public QWidget
{
    Q_OBJECT
public:
    DocumentPrintPage(Workplace& workplace, Navigator& navigator, ReportPreviewer& previewer,
                      QWidget* parent = nullptr);

    // Shows the page and selects the kind afresh, so that its counter is read again even
    // when that kind was selected already.
    void openForKind(NoteKind kind);

    NoteKind selectedKind() const { return m_kind; }
    // The up/down control: its range is 0 to upper(), its position what the last kind
    // selection or arrow left. Text typed into the field is not the position until an arrow
    // takes it.
    int position() const { return m_position; }
    int upper() const { return m_upper; }

    // One arrow press: +1 or -1 from the field's number (or from the position when the field
    // holds no number), the document query for that value, then the position bounded to the
    // range and written into the field.
    void step(int delta);

    // "Stampaj dokument !": the note over the document result set, shown in the preview; returns
    // when the preview has been closed.
    void print();

    // The statement of the document query for number n of the kind.
    static QString documentStatement(NoteKind kind, qint64 n);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMachineBox();
    void buildCommentBox();
    void kindClicked(NoteKind kind, bool checked);
    // Reads the counter of the kind and moves the control to it; a failing file stops it.
    void selectKind(NoteKind kind);
    void query(qint64 n);
    void setPosition(int position);
    // The field's text as a whole number, thousands separators allowed; false when it is none.
    bool fieldNumber(qint64* value) const;
    DocumentReportInput reportInput() const;

    Workplace& m_workplace;
    Navigator& m_navigator;
    ReportPreviewer& m_previewer;
    NoteKind m_kind = NoteKind::Issue;
    int m_upper = 0;
    int m_position = 0;

    QRadioButton* m_issue = nullptr;
    QRadioButton* m_receipt = nullptr;
    QLabel* m_instruction = nullptr;
    QLineEdit* m_number = nullptr;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
    DataGrid* m_grid = nullptr;
    QLabel* m_machineCode = nullptr;
    QLabel* m_machineCode2 = nullptr;
    QLabel* m_machineName = nullptr;
    std::array<QCheckBox*, 3> m_commentOn{};
    std::array<QLineEdit*, 3> m_commentText{};
};

} // namespace kestar
