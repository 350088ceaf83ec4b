#pragma once

#include <QString>
#include <QTextStream>

namespace kestar::check {

// What the check found, written as it goes: sections with their lines, problems counted, and
// the verdict at the end. A section lists at most kListed problems and kListed notes; the rest
// are counted and summed up in one line, so that a folder with a million broken values still
// gives a report a person can read.
class CheckReport
{
public:
    static constexpr int kListed = 200;

    explicit CheckReport(QTextStream& out) : m_out(out) {}

    // Ends the former section and starts one with this title.
    void section(const QString& title);
    // A line that counts as one problem.
    void problem(const QString& text);
    // A line for information only.
    void note(const QString& text);

    int problems() const { return m_problems; }
    // Ends the last section and writes "Verdict: consistent" or "Verdict: N problems".
    void verdict();

private:
    void endSection();

    QTextStream& m_out;
    int m_problems = 0;
    int m_listedProblems = 0;
    int m_hiddenProblems = 0;
    int m_listedNotes = 0;
    int m_hiddenNotes = 0;
};

} // namespace kestar::check
