#include "printing/GroupedNotePage.h"

#include "data/Query.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/sql/SqlDialect.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Regional.h"
#include "reporting/DatasetRowSource.h"
#include "reporting/ReportPreviewer.h"
#include "shell/Navigator.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kestar {

namespace {
QString machineCondition(const QString& code, const QString& code2)
{
    const QChar quote = QLatin1Char('\'');
    return QStringLiteral(" from podaci\\prometx.db where siframasine=") + quote +
           sql::quoted(code) + quote + QStringLiteral(" and siframasine2=") + quote +
           sql::quoted(code2) + quote;
}
} // namespace

GroupedNotePage::GroupedNotePage(Workplace& workplace, Navigator& navigator,
                                 ReportPreviewer& previewer, QWidget* parent)
    : QWidget(parent), m_workplace(workplace), m_navigator(navigator), m_previewer(previewer)
{
    setObjectName(PageKey::GroupedNote);
    PageKit::title(this, QStringLiteral("GRUPNA OTPREMNICA -  ZA IZABRANU MASINU"),
                   QRect(20, 10, 700, 30), 22);

    QPushButton* choose =
        PageKit::button(this, QStringLiteral("IZABERI MASINU"), QRect(20, 50, 200, 30));
    m_code = makeField(QStringLiteral("noteMachineCode"), QStringLiteral("Sifra masine"), 92);
    m_code2 = makeField(QStringLiteral("noteMachineCode2"), QStringLiteral("Sifra 2"), 120);
    m_name = makeField(QStringLiteral("noteMachineName"), QStringLiteral("Naziv masine"), 148);

    QPushButton* summaryView =
        PageKit::button(this, QStringLiteral("PRIKAZI PODATKE GRUPNE OTPREMNICE - ZBIRNO"),
                        QRect(360, 50, 310, 30));
    m_printSummary = PageKit::button(this, QStringLiteral("STAMPAJ"), QRect(680, 50, 90, 30),
                                     QStringLiteral("btnStampajZbirno"));
    QPushButton* detailedView = PageKit::button(
        this, QStringLiteral("PRIKAZI PODATKE GRUPNE OTPREMNICE "), QRect(360, 90, 310, 30));
    m_printDetailed = PageKit::button(this, QStringLiteral("STAMPAJ"), QRect(680, 90, 90, 30),
                                      QStringLiteral("btnStampajDetaljno"));
    m_printSummary->setAccessibleName(QStringLiteral("STAMPAJ zbirno"));
    m_printDetailed->setAccessibleName(QStringLiteral("STAMPAJ pojedinacno"));
    m_printSummary->setEnabled(false);
    m_printDetailed->setEnabled(false);

    m_grid = new DataGrid(workplace.messages(), this);
    m_grid->setObjectName(QStringLiteral("noteGrid"));
    m_grid->setAccessibleName(QStringLiteral("Podaci grupne otpremnice"));
    m_grid->setGeometry(20, 182, 751, 250);
    m_grid->setReadOnly(true);
    m_grid->setDataset(&workplace.documentResultSet());

    PageKit::backToAdminMenu(navigator, this, QRect(471, 444, 300, 36));

    connect(choose, &QPushButton::clicked, this, &GroupedNotePage::machineChooserRequested);
    connect(summaryView, &QPushButton::clicked, this,
            [this] { showView(GroupedNoteVariant::Summary); });
    connect(detailedView, &QPushButton::clicked, this,
            [this] { showView(GroupedNoteVariant::Detailed); });
    connect(m_printSummary, &QPushButton::clicked, this,
            [this] { print(GroupedNoteVariant::Summary); });
    connect(m_printDetailed, &QPushButton::clicked, this,
            [this] { print(GroupedNoteVariant::Detailed); });
}

QLineEdit* GroupedNotePage::makeField(const QString& objectName, const QString& caption, int y)
{
    QLabel* label = PageKit::label(this, caption, QRect(20, y + 3, 110, 20));
    auto* field = new QLineEdit(this);
    field->setObjectName(objectName);
    field->setAccessibleName(caption);
    field->setReadOnly(true);
    field->setGeometry(136, y, 200, 23);
    label->setBuddy(field);
    return field;
}

QString GroupedNotePage::summaryStatement(const QString& code, const QString& code2)
{
    return QStringLiteral("select ") +
           QStringLiteral("NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV, sum(kolicina) as ukupno") +
           machineCondition(code, code2) + QStringLiteral(" group by ") +
           QStringLiteral("NAZIVGRUPE, SIFRAGRUPE, SIFRAROBE, NAZIV");
}

QString GroupedNotePage::detailedStatement(const QString& code, const QString& code2)
{
    return QStringLiteral("select ") +
           QStringLiteral("OTPREMNICA, SIFRAROBE, NAZIV, KOLICINA, DATUM, KORISNIK, NAZIVGRUPE, "
                          "SIFRAGRUPE, KOMENTAR, KOMENTAR2") +
           machineCondition(code, code2) + QStringLiteral(" order by otpremnica ASC");
}

void GroupedNotePage::openPage()
{
    m_navigator.showPage(PageKey::GroupedNote);
    setMachine({}, {}, {});
}

void GroupedNotePage::setMachine(const QString& code, const QString& code2, const QString& name)
{
    m_code->setText(code);
    m_code2->setText(code2);
    m_name->setText(name);
}

NoteMachine GroupedNotePage::machine() const
{
    return {m_code->text(), m_code2->text(), m_name->text()};
}

void GroupedNotePage::showView(GroupedNoteVariant variant)
{
    if (m_code->text().isEmpty()) {
        m_workplace.messages().show(QStringLiteral("PRVO IZABERITE MASINU!!!"));
        return;
    }
    const bool summary = variant == GroupedNoteVariant::Summary;
    const bool done = guarded(m_workplace.messages(), [this, summary] {
        Query& result = m_workplace.documentResultSet();
        result.setSql(summary ? summaryStatement(m_code->text(), m_code2->text())
                              : detailedStatement(m_code->text(), m_code2->text()));
        result.open();
    });
    if (!done)
        return;
    m_printSummary->setEnabled(summary);
    m_printDetailed->setEnabled(!summary);
}

void GroupedNotePage::print(GroupedNoteVariant variant)
{
    guarded(m_workplace.messages(), [this, variant] {
        ReportDefinition report = GroupedNoteReport::definition(m_workplace.letterhead());
        GroupedNoteReport::prepare(report, variant, machine(),
                                   Regional::formatDate(Clock::today()));
        // A result set that lacks the quantity field (the document print page may have
        // replaced it) prints that column empty; the preview says so in its notes.
        const DatasetRowSource rows(m_workplace.documentResultSet());
        m_previewer.preview(QLatin1String(GroupedNoteReport::kTitle), report, rows);
    });
}

void GroupedNotePage::disablePrinting()
{
    m_printSummary->setEnabled(false);
    m_printDetailed->setEnabled(false);
}

} // namespace kestar
