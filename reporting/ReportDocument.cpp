#include "reporting/ReportDocument.h"

#include "reporting/ReportFlow.h"
#include "reporting/RowSnapshot.h"

#include <QElapsedTimer>

namespace kestar {

namespace {

constexpr int kCachedPages = 8;

// The fields the enabled elements of the report read.
QStringList fieldsRead(const ReportDefinition& definition)
{
    QStringList fields;
    for (const ReportBand* band : definition.bands()) {
        for (const ReportElement& element : band->elements) {
            if (!element.enabled)
                continue;
            if (element.kind == ElementKind::Field)
                fields.append(element.field);
            else if (element.kind == ElementKind::Expression)
                fields.append(element.expression.factors);
        }
    }
    return fields;
}

} // namespace

struct ReportDocument::Flowing
{
    Flowing(const ReportDefinition& report, const RowSource& source)
        : definition(report), rows(source, fieldsRead(report)), flow(definition, rows)
    {
        starts.append(flow.start());
    }

    ReportDefinition definition;
    RowSnapshot rows;
    ReportFlow flow;
    // Where each page found so far begins; the last entry is the end once all are counted.
    QList<PageStart> starts;
    // The pages laid out last, the most recent at the back.
    QList<ReportPage> cache;
};

ReportDocument::ReportDocument(ReportPages pages) : m_pages(std::move(pages)) {}

ReportDocument::ReportDocument(const ReportDefinition& definition, const RowSource& source,
                               const QString& title)
    : m_flowing(std::make_unique<Flowing>(definition, source))
{
    m_pages.title = title;
    m_pages.paperSize = definition.paperSize;
    m_pages.fonts = m_flowing->flow.fonts();
    m_pages.notes = m_flowing->flow.notes();
    m_pages.table.header = m_flowing->flow.tableHeader();
}

ReportDocument::~ReportDocument() = default;

QString ReportDocument::readError() const
{
    if (!m_flowing || m_flowing->rows.readError().isEmpty())
        return {};
    return QStringLiteral("Podaci izvestaja ne mogu da se procitaju do kraja: %1")
        .arg(m_flowing->rows.readError());
}

bool ReportDocument::isCounted() const
{
    return !m_flowing || m_flowing->starts.last().end;
}

int ReportDocument::knownPageCount() const
{
    if (!m_flowing)
        return int(m_pages.pages.size());
    const qsizetype found = m_flowing->starts.size();
    return int(m_flowing->starts.last().end ? found - 1 : found);
}

void ReportDocument::findNextStart()
{
    const PageStart& last = m_flowing->starts.last();
    if (!last.end)
        m_flowing->starts.append(m_flowing->flow.layPage(last, nullptr, nullptr));
}

bool ReportDocument::countOn(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    // At least one page each time, so that counting always gets on.
    do {
        findNextStart();
    } while (!isCounted() && timer.elapsed() < milliseconds);
    return isCounted();
}

int ReportDocument::pageCount()
{
    while (!isCounted())
        findNextStart();
    return knownPageCount();
}

bool ReportDocument::hasPage(int index)
{
    while (index >= knownPageCount() && !isCounted())
        findNextStart();
    return index >= 0 && index < knownPageCount();
}

ReportPage ReportDocument::page(int index)
{
    if (!m_flowing)
        return m_pages.pages.value(index);
    if (!hasPage(index))
        return {};
    QList<ReportPage>& cache = m_flowing->cache;
    for (qsizetype i = 0; i < cache.size(); ++i) {
        if (cache.at(i).number == index + 1) {
            cache.move(i, cache.size() - 1);
            return cache.last();
        }
    }
    ReportPage page;
    const PageStart next = m_flowing->flow.layPage(m_flowing->starts.at(index), &page, nullptr);
    ++m_laidOut;
    if (index + 1 == m_flowing->starts.size())
        m_flowing->starts.append(next);
    if (cache.size() >= kCachedPages)
        cache.removeFirst();
    cache.append(page);
    return page;
}

bool ReportDocument::forEachTableRow(const std::function<bool(const QStringList& row)>& row)
{
    const QStringList& header = tableHeader();
    if (header.isEmpty())
        return true;
    if (!m_flowing) {
        for (qsizetype i = 0; i < m_pages.table.rowCount(); ++i) {
            if (!row(m_pages.table.row(i)))
                return false;
        }
        return true;
    }
    for (PageStart at = m_flowing->flow.start(); !at.end;) {
        ReportTable lines;
        at = m_flowing->flow.layPage(at, nullptr, &lines);
        for (qsizetype i = 0; i < lines.rowCount(); ++i) {
            if (!row(lines.row(i)))
                return false;
        }
    }
    return true;
}

ReportPages ReportDocument::allPages()
{
    if (!m_flowing)
        return m_pages;
    return m_flowing->flow.layOutAll(m_pages.title);
}

} // namespace kestar
