#pragma once

#include "printing/GroupedNoteReport.h"

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString GroupedNote = QStringLiteral("Grupna otpremnica");
} // namespace PageKey

class DataGrid;
class Navigator;
class ReportPreviewer;
class Workplace;

// Page 25, "GRUPNA OTPREMNICA -  ZA IZABRANU MASINU": everything the ledger records for one
// machine, summed per article or row by row, in a grid over the shared document result set,
// and the grouped delivery note ("Zbirna otpremnica") over it.
class GroupedNotePage : public QWidget
{
    Q_OBJECT
public:
    GroupedNotePage(Workplace& workplace, Navigator& navigator, ReportPreviewer& previewer,
                    QWidget* parent = nullptr);

    // Shows the page and empties the three machine fields; the grid and the print buttons keep
    // their state.
    void openPage();
    // The machine as the machine chooser delivers it.
    void setMachine(const QString& code, const QString& code2, const QString& name);
    NoteMachine machine() const;

    // The two views: "PRVO IZABERITE MASINU!!!" without a machine code; otherwise the
    // document result set gets the variant's statement and only that variant's print button
    // is enabled. An engine error is reported and leaves the buttons as they were.
    void showView(GroupedNoteVariant variant);
    // The note of the variant over the document result set as it stands, under the machine
    // fields as they stand; returns when the preview has been closed.
    void print(GroupedNoteVariant variant);
    // Both print buttons off, as after log out.
    void disablePrinting();

    static QString summaryStatement(const QString& code, const QString& code2);
    static QString detailedStatement(const QString& code, const QString& code2);

signals:
    // "IZABERI MASINU": the machine chooser is wanted.
    void machineChooserRequested();

private:
    QLineEdit* makeField(const QString& objectName, const QString& caption, int y);

    Workplace& m_workplace;
    Navigator& m_navigator;
    ReportPreviewer& m_previewer;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_code2 = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_printSummary = nullptr;
    QPushButton* m_printDetailed = nullptr;
    DataGrid* m_grid = nullptr;
};

} // namespace kestar
