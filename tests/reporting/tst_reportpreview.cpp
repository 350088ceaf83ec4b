#include "platform/Clock.h"
#include "platform/Regional.h"
#include "reporting/ReportLayout.h"
#include "reporting/ReportPageView.h"
#include "reporting/ReportPreviewWindow.h"
#include "reporting/TableRowSource.h"
#include "reporting/WindowPreviewer.h"
#include "tests/support/CapturingPreviewer.h"
#include "tests/support/ScriptedFileQuestions.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/Unprivileged.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

using namespace kestar;
using namespace kestar::test;

namespace {

ReportDefinition numberedRows()
{
    ReportDefinition d;
    d.pageHeader.height = 10;
    d.pageHeader.addText("zaglavlje", "Zaglavlje", {0, 0, 0, 5}).toRightMargin();
    d.detail.height = 6;
    d.detail.addSystem("rb", SystemValue::RowNumber, {0, 0, 15, 5});
    d.detail.addField("naziv", "NAZIV", {20, 0, 80, 5});
    d.pageFooter.height = 8;
    d.pageFooter.addSystem("strana", SystemValue::PageNumber, {0, 2, 0, 4})
        .toRightMargin()
        .prefix("Strana: ");
    return d;
}

TableRowSource names(int count)
{
    TableRowSource rows({"NAZIV"});
    for (int i = 1; i <= count; ++i)
        rows.addRow({QStringLiteral("Artikal %1").arg(i)});
    return rows;
}

QList<ReportPreviewWindow*> openPreviews()
{
    QList<ReportPreviewWindow*> result;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<ReportPreviewWindow*>(widget);
        if (window && window->isVisible())
            result.append(window);
    }
    return result;
}

void trigger(QWidget* window, const char* name)
{
    auto* action = window->findChild<QAction*>(QString::fromLatin1(name));
    QVERIFY2(action, name);
    action->trigger();
}

} // namespace

class TestReportPreview : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_regional.emplace(Regional::standard());
        // A failing check must never leave a test waiting on an open preview.
        m_guard.emplace();
        m_guard->setSingleShot(true);
        connect(&*m_guard, &QTimer::timeout, this, [] {
            for (ReportPreviewWindow* window : openPreviews())
                window->close();
        });
        m_guard->start(20000);
    }
    void cleanup()
    {
        m_messages.clear();
        m_guard.reset();
        m_regional.reset();
    }

    void secondPreviewWhileOneIsOpenOpensNone()
    {
        QWidget owner;
        owner.show();
        WindowPreviewer previewer(m_messages, &owner);
        const ReportDefinition definition = numberedRows();
        const TableRowSource rows = names(5);

        std::optional<PreviewOutcome> second;
        int windowsDuringSecond = -1;
        bool ownerUsable = false;
        int windowsBefore = -1;
        QTimer::singleShot(0, &owner, [&] {
            windowsBefore = int(openPreviews().size());
            ownerUsable = owner.isEnabled() && !QApplication::activeModalWidget();
            second = previewer.preview("Drugi", definition, rows);
            windowsDuringSecond = int(openPreviews().size());
            previewer.openWindow()->close();
        });
        const PreviewOutcome first = previewer.preview("Prvi", definition, rows);

        QCOMPARE(first, PreviewOutcome::Shown);
        QCOMPARE(windowsBefore, 1);
        QVERIFY(second.has_value());
        QCOMPARE(*second, PreviewOutcome::AlreadyOpen);
        QCOMPARE(windowsDuringSecond, 1);
        QVERIFY(ownerUsable);
        QVERIFY(!previewer.isPreviewOpen());

        // Once closed, the next call opens a preview again.
        bool opened = false;
        QString title;
        QTimer::singleShot(0, &owner, [&] {
            opened = previewer.isPreviewOpen() && openPreviews().size() == 1;
            if (ReportPreviewWindow* window = previewer.openWindow()) {
                title = window->document().title();
                window->close();
            }
        });
        QCOMPARE(previewer.preview("Treci", definition, rows), PreviewOutcome::Shown);
        QVERIFY(opened);
        QCOMPARE(title, QStringLiteral("Treci"));
    }

    void capturingPreviewerRecordsPagesAndHonoursAnOpenPreview()
    {
        CapturingPreviewer previewer;
        QCOMPARE(previewer.preview("Popis", numberedRows(), names(3)), PreviewOutcome::Shown);
        QCOMPARE(previewer.count(), 1);
        QCOMPARE(previewer.captured().first().title, QStringLiteral("Popis"));
        QCOMPARE(previewer.last().pages.first().textsOf("naziv"),
                 (QStringList{"Artikal 1", "Artikal 2", "Artikal 3"}));

        previewer.setPreviewOpen(true);
        QCOMPARE(previewer.preview("Opet", numberedRows(), names(3)), PreviewOutcome::AlreadyOpen);
        QCOMPARE(previewer.count(), 1);
        QCOMPARE(previewer.raiseCount(), 1);
    }

    void navigationFollowsTheViewedPage()
    {
        ReportPreviewWindow window(layoutReport(numberedRows(), names(200)), m_messages);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const int count = window.document().pageCount();
        QVERIFY(count > 3);
        auto* number = window.findChild<QSpinBox*>("PreviewPageNumber");
        auto* countLabel = window.findChild<QLabel*>("PreviewPageCount");
        QVERIFY(number && countLabel);
        QCOMPARE(countLabel->text().trimmed(), QStringLiteral("od %1").arg(count));
        QCOMPARE(number->value(), 1);
        QVERIFY(!window.findChild<QAction*>("PreviewPrior")->isEnabled());

        trigger(&window, "PreviewNext");
        QCOMPARE(window.pageView()->currentPage(), 1);
        QCOMPARE(number->value(), 2);
        trigger(&window, "PreviewLast");
        QCOMPARE(window.pageView()->currentPage(), count - 1);
        QCOMPARE(number->value(), count);
        QVERIFY(!window.findChild<QAction*>("PreviewNext")->isEnabled());
        trigger(&window, "PreviewPrior");
        QCOMPARE(number->value(), count - 1);
        trigger(&window, "PreviewFirst");
        QCOMPARE(number->value(), 1);
        number->setValue(3);
        QCOMPARE(window.pageView()->currentPage(), 2);
    }

    void zoomModes()
    {
        ReportPreviewWindow window(layoutReport(numberedRows(), names(10)), m_messages);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        window.resize(800, 600);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ReportPageView* view = window.pageView();
        trigger(&window, "PreviewPageWidth");
        const double width = view->zoomFactor();
        trigger(&window, "PreviewWholePage");
        const double whole = view->zoomFactor();
        QCOMPARE(view->zoomMode(), ReportPageView::ZoomMode::WholePage);
        // The window is wider than tall against a portrait page: the whole page is smaller.
        QVERIFY(whole < width);
        trigger(&window, "PreviewZoomIn");
        QCOMPARE(view->zoomMode(), ReportPageView::ZoomMode::Factor);
        QVERIFY(view->zoomFactor() > whole);
        trigger(&window, "PreviewZoomOut");
        QCOMPARE(view->zoomFactor(), whole);
        for (int i = 0; i < 40; ++i)
            view->zoomOut();
        QVERIFY(view->zoomFactor() > 0);
    }

    void onlyPagesInViewArePainted()
    {
        // About 2,500 pages.
        const ReportPages pages = layoutReport(numberedRows(), names(100000));
        QVERIFY(pages.pageCount() > 2000);
        ReportPreviewWindow window(pages, m_messages);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        QSignalSpy painted(window.pageView(), &ReportPageView::firstPaint);
        window.show();
        QVERIFY(painted.wait(5000) || painted.count() == 1);
        QVERIFY(window.pageView()->paintedPageCount() <= 3);
        trigger(&window, "PreviewLast");
        QTRY_VERIFY(window.pageView()->paintedPageCount() <= 6);
        QCOMPARE(window.findChild<QSpinBox*>("PreviewPageNumber")->value(), int(pages.pageCount()));
    }

    void notesOfTheLayoutAreShown()
    {
        ReportDefinition d = numberedRows();
        d.bindField("naziv", "UKUPNO");
        ReportPreviewWindow window(layoutReport(d, names(2)), m_messages);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        auto* notes = window.findChild<QLabel*>("PreviewNotes");
        QVERIFY(notes);
        QVERIFY(notes->text().contains("UKUPNO"));
    }

    void pdfTheFolderRefusesIsToldAndLeavesNoFile()
    {
        // A folder its user may read but not write into; root writes anywhere, so the test acts
        // as an ordinary user while the preview saves.
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
        QVERIFY(QDir(dir.path()).mkdir("zakljucano"));
        const QString locked = dir.filePath("zakljucano");
        QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
        const QString target = QDir(locked).filePath("popis.pdf");

        ScriptedFileQuestions questions;
        ReportPreviewWindow window(layoutReport(numberedRows(), names(3)), m_messages, nullptr,
                                   &questions);
        window.setAttribute(Qt::WA_DeleteOnClose, false);
        questions.answer(target);
        {
            Unprivileged user(Unprivileged::canDrop());
            trigger(&window, "PreviewSavePdf");
        }

        QCOMPARE(questions.asked(), QStringList({"Snimi kao PDF: izvestaj.pdf"}));
        QCOMPARE(m_messages.errors(),
                 QStringList({QStringLiteral("Datoteka '%1' ne moze da se upise.").arg(target)}));
        QCOMPARE(m_messages.texts().size(), 1);
        QVERIFY(!QFile::exists(target));
        QVERIFY(QDir(locked).isEmpty());
    }

private:
    std::optional<ScopedRegional> m_regional;
    std::optional<QTimer> m_guard;
    ScriptedMessages m_messages;
};

QTEST_MAIN(TestReportPreview)
#include "tst_reportpreview.moc"
