#pragma once

#include <QList>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace kestar {

// The page's key: its name, as the menus name it.
namespace PageKey {
inline const QString Company = QStringLiteral("Firma");
} // namespace PageKey

class Navigator;
class Workplace;

// The company data page (page 2): the thirteen company fields, the saved-data box that shows
// the company lines as stored, and the save. The letterhead is composed at start-up only; saving
// here reaches the printed documents after the next start.
class CompanyPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFieldWidth = 257;

    CompanyPage(Workplace& workplace, Navigator& navigator, QWidget* parent = nullptr);

    // Reads the company lines into the saved-data box and line n into field n. Lines that
    // cannot be read are reported and leave the fields and the box as they were.
    void load();
    // "UPAMTI PODATKE": after "Da li ste sigurni?", refills the box with the fields and
    // replaces the company lines with them. Returns true when they were written.
    bool save();

    QLineEdit* field(int index) const { return m_fields.at(index); }
    QPlainTextEdit* savedData() const { return m_savedData; }

private:
    Workplace& m_workplace;
    QList<QLineEdit*> m_fields;
    QPlainTextEdit* m_savedData;
};

} // namespace kestar
