#pragma once

#include <QList>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kestar {

class MainWindow;

// The company data page (page 2): the thirteen fields of the company file, the saved-data box
// that shows the file, and the save. The letterhead is composed at start-up only; saving here
// reaches the printed documents after the next start.
class CompanyPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFieldWidth = 257;

    explicit CompanyPage(MainWindow& window, QWidget* parent = nullptr);

    // Reads the company file into the saved-data box and line n into field n. A file that
    // cannot be read is reported and leaves the fields and the box as they were.
    void load();
    // "UPAMTI PODATKE": after "Da li ste sigurni?", refills the box with the fields and
    // replaces the company file with them. Returns true when the file was written.
    bool save();

    QLineEdit* field(int index) const { return m_fields.at(index); }
    QPlainTextEdit* savedData() const { return m_savedData; }

private:
    MainWindow& m_window;
    QList<QLineEdit*> m_fields;
    QPlainTextEdit* m_savedData;
};

} // namespace kestar
