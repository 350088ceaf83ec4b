#include "tools/check/CheckReport.h"

namespace kestar::check {

void CheckReport::section(const QString& title)
{
    endSection();
    m_out << '\n' << title << '\n';
}

void CheckReport::problem(const QString& text)
{
    ++m_problems;
    if (m_listedProblems < kListed) {
        ++m_listedProblems;
        m_out << "  Problem: " << text << '\n';
    } else {
        ++m_hiddenProblems;
    }
}

void CheckReport::note(const QString& text)
{
    if (m_listedNotes < kListed) {
        ++m_listedNotes;
        m_out << "  " << text << '\n';
    } else {
        ++m_hiddenNotes;
    }
}

void CheckReport::endSection()
{
    if (m_hiddenProblems > 0)
        m_out << "  Problem: ... and " << m_hiddenProblems << " more of these, not listed\n";
    if (m_hiddenNotes > 0)
        m_out << "  ... and " << m_hiddenNotes << " more lines, not listed\n";
    m_listedProblems = m_hiddenProblems = m_listedNotes = m_hiddenNotes = 0;
}

void CheckReport::verdict()
{
    endSection();
    m_out << '\n';
    if (m_problems == 0)
        m_out << "Verdict: consistent\n";
    else
        m_out << "Verdict: " << m_problems << (m_problems == 1 ? " problem\n" : " problems\n");
    m_out.flush();
}

} // namespace kestar::check
