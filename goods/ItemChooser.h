#pragma once

#include <QDialog>
#include <QString>

class QKeyEvent;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kestar {

class DataGrid;
class Query;
class Workplace;

// TForm2: modeless; created once, hidden between uses.
//
// The user narrows the articles of magacin by group (ListBox1) or by a part of the name (the
// "Naziv robe" field), takes one over with Enter on its name in the grid (DBGrid1) and hands it
// on with OK. The group code and name of the article taken over last are held for the whole
// run and delivered with every OK.
class ItemChooser : public QDialog
{
    Q_OBJECT
public:
    explicit ItemChooser(Workplace& workplace, QWidget* parent = nullptr);

    // Shows the dialog empty (query closed, selection box emptied), or only brings it to the
    // front when it is open already.
    void open() override;
    // As open(); once the dialog is active, the text goes into the "Naziv robe" field, the name
    // search runs with it and the field takes the focus. An empty text opens as open() does.
    void openSearching(const QString& text);

signals:
    // OK: the "Sifra robe" and "Naziv robe" fields and the held group code and name.
    void delivered(const QString& code, const QString& name, const QString& groupCode,
                   const QString& groupName);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Enter presses OK only when OK has the focus.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void activated();
    void reloadGroups();
    void clearSelection();
    void closeQuery();
    void groupChosen(int row);
    void runStatement(const QString& statement);
    void runNameSearch(const QString& text);
    bool nameFieldKey(QKeyEvent* key);
    void gridEnter(const QString& field);
    void gridKey(const QString& field, const QString& text);
    void jumpToFirstLetter(QChar typed);
    void deliver();

    Workplace& m_workplace;
    Query& m_query;
    QListWidget* m_groups = nullptr;
    DataGrid* m_grid = nullptr;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_price = nullptr;
    QLineEdit* m_discount = nullptr;
    QPushButton* m_ok = nullptr;
    QString m_groupCode;
    QString m_groupName;
    // The group file error shown during this showing: coming back from the error box activates
    // the dialog again, and the same error is not shown over and over.
    QString m_reportedGroupError;
    bool m_loadingGroups = false;
    // The text openSearching() hands to the next activation.
    QString m_pendingSearch;
};

} // namespace kestar
