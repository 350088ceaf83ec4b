#include "printing/DocumentPrintPage.h"

#include "data/EngineError.h"
#include "data/Query.h"
#include "data/SharedData.h"
#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/sql/SqlDialect.h"
#include "platform/Regional.h"
#include "reporting/DatasetRowSource.h"
#include "reporting/ReportPreviewer.h"
#include "shell/Navigator.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>

namespace kestar {

namespace {

// What each kind of note fixes on this page.
struct KindTexts
{
    Counter counter;
    const char* numberField;
    const char* instruction;
};

KindTexts textsOf(NoteKind kind)
{
    if (kind == NoteKind::Issue)
        return {Counter::Issue, "OTPREMNICA", "Unesite broj OTPREMNICE koju zelite da stampate..."};
    return {Counter::Receipt, "ULAZ", "Unesite broj PRIJEMNICE koji zelite da stampate..."};
}

const QString kColumnsAfterNumber =
    QStringLiteral(", SIFRAROBE, NAZIV, KOLICINA, SIFRAKUPCA, DATUM, VALUTA, KORISNIK, "
                   "NAZIVGRUPE, SIFRAGRUPE, KOMENTAR, KOMENTAR2, SIFRAMASINE, SIFRAMASINE2, "
                   "NAZIVMASINE");

const QString kStorekeeperField = QStringLiteral("KORISNIK");

} // namespace

DocumentPrintPage::DocumentPrintPage(Workplace& workplace, Navigator& navigator,
                                     ReportPreviewer& previewer, QWidget* parent)
    : QWidget(parent), m_workplace(workplace), m_navigator(navigator), m_previewer(previewer)
{
    setObjectName(QStringLiteral("StampanjeDokumenta"));
    buildControls();
    buildMachineBox();
    buildCommentBox();
}

void DocumentPrintPage::buildControls()
{
    PageKit::title(this, QStringLiteral("Stampanje dokumenta..."), QRect(16, 8, 400, 28));

    auto* kinds = new QGroupBox(QStringLiteral("Vrsta dokumenta za stampu"), this);
    kinds->setObjectName(QStringLiteral("printKindBox"));
    kinds->setGeometry(16, 44, 220, 52);
    auto* kindRow = new QHBoxLayout(kinds);
    kindRow->setContentsMargins(8, 4, 8, 4);
    m_issue = new QRadioButton(QStringLiteral("Otpremnica"), kinds);
    m_issue->setObjectName(QStringLiteral("printKindIssue"));
    m_receipt = new QRadioButton(QStringLiteral("Prijemnica"), kinds);
    m_receipt->setObjectName(QStringLiteral("printKindReceipt"));
    m_issue->setChecked(true);
    kindRow->addWidget(m_issue);
    kindRow->addWidget(m_receipt);
    connect(m_issue, &QRadioButton::toggled, this,
            [this](bool checked) { kindClicked(NoteKind::Issue, checked); });
    connect(m_receipt, &QRadioButton::toggled, this,
            [this](bool checked) { kindClicked(NoteKind::Receipt, checked); });

    m_instruction = PageKit::label(this, QString::fromLatin1(textsOf(NoteKind::Issue).instruction),
                                   QRect(252, 48, 330, 18));
    m_instruction->setObjectName(QStringLiteral("printInstruction"));
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("printNumber"));
    m_number->setGeometry(252, 68, 120, 24);
    m_number->setText(QStringLiteral("0"));
    m_number->setAccessibleName(m_instruction->text());
    m_instruction->setBuddy(m_number);
    m_number->installEventFilter(this);

    // The up/down control beside the field: two arrows of half the field's height.
    m_up = new QToolButton(this);
    m_up->setObjectName(QStringLiteral("printNumberUp"));
    m_up->setArrowType(Qt::UpArrow);
    m_up->setGeometry(372, 68, 18, 12);
    m_up->setAutoRepeat(true);
    m_up->setAccessibleName(QStringLiteral("Sledeci broj"));
    m_up->setFocusPolicy(Qt::NoFocus);
    m_down = new QToolButton(this);
    m_down->setObjectName(QStringLiteral("printNumberDown"));
    m_down->setArrowType(Qt::DownArrow);
    m_down->setGeometry(372, 80, 18, 12);
    m_down->setAutoRepeat(true);
    m_down->setAccessibleName(QStringLiteral("Prethodni broj"));
    m_down->setFocusPolicy(Qt::NoFocus);
    connect(m_up, &QToolButton::clicked, this, [this] { step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });

    QPushButton* print =
        PageKit::button(this, QStringLiteral("Stampaj dokument !"), QRect(600, 44, 175, 48));
    QFont printFont = print->font();
    printFont.setBold(true);
    print->setFont(printFont);
    connect(print, &QPushButton::clicked, this, &DocumentPrintPage::print);

    QLabel* gridLabel = PageKit::label(this, QStringLiteral("U ovoj tabeli vidite podatke za..."),
                                       QRect(16, 104, 400, 16));
    m_grid = new DataGrid(m_workplace.messages(), this);
    m_grid->setObjectName(QStringLiteral("printGrid"));
    m_grid->setAccessibleName(gridLabel->text());
    m_grid->setGeometry(16, 122, 759, 206);
    m_grid->setReadOnly(true);
    m_grid->setDataset(&m_workplace.documentResultSet());
    gridLabel->setBuddy(m_grid);
}

void DocumentPrintPage::buildMachineBox()
{
    auto* box = new QGroupBox(QStringLiteral("Podaci o masini..."), this);
    box->setObjectName(QStringLiteral("printMachineBox"));
    box->setGeometry(16, 338, 300, 110);
    auto addLabel = [box](const QString& name, const QString& text, int y) {
        auto* label = new QLabel(text, box);
        label->setObjectName(name);
        label->setGeometry(12, y, 276, 20);
        return label;
    };
    m_machineCode =
        addLabel(QStringLiteral("printMachineCode"), QStringLiteral("Sifra masine"), 24);
    m_machineCode2 =
        addLabel(QStringLiteral("printMachineCode2"), QStringLiteral("Sifra masine 2"), 50);
    m_machineName =
        addLabel(QStringLiteral("printMachineName"), QStringLiteral("Naziv masine"), 76);
}

void DocumentPrintPage::buildCommentBox()
{
    auto* box = new QGroupBox(
        QStringLiteral("Mozete ukljuciti na dokumentu koji stampate neki od komentara..."), this);
    box->setObjectName(QStringLiteral("printCommentBox"));
    box->setGeometry(330, 338, 445, 110);
    for (int i = 0; i < int(m_commentOn.size()); ++i) {
        const int y = 24 + i * 26;
        auto* check = new QCheckBox(QStringLiteral("Komentar %1").arg(i + 1), box);
        check->setObjectName(QStringLiteral("printComment%1").arg(i + 1));
        check->setGeometry(12, y, 100, 20);
        auto* field = new QLineEdit(box);
        field->setObjectName(QStringLiteral("printCommentText%1").arg(i + 1));
        field->setGeometry(116, y - 2, 316, 24);
        field->setAccessibleName(check->text());
        m_commentOn.at(i) = check;
        m_commentText.at(i) = field;
    }
}

QString DocumentPrintPage::documentStatement(NoteKind kind, qint64 n)
{
    const QString field = QString::fromLatin1(textsOf(kind).numberField);
    return QStringLiteral("Select ") + field + kColumnsAfterNumber +
           QStringLiteral(" from podaci\\prometx where (") + field + QStringLiteral("=") +
           QStringLiteral("'") + sql::quoted(QString::number(n)) + QStringLiteral("'") +
           QStringLiteral(")");
}

void DocumentPrintPage::openForKind(NoteKind kind)
{
    m_navigator.showPage(PageKey::DocumentPrint);
    {
        const QSignalBlocker blockIssue(m_issue);
        const QSignalBlocker blockReceipt(m_receipt);
        (kind == NoteKind::Issue ? m_issue : m_receipt)->setChecked(true);
    }
    selectKind(kind);
}

void DocumentPrintPage::kindClicked(NoteKind kind, bool checked)
{
    // Each click toggles both choices; only the one switched on selects.
    if (checked)
        selectKind(kind);
}

void DocumentPrintPage::selectKind(NoteKind kind)
{
    m_kind = kind;
    guarded(m_workplace.messages(), [this, kind] {
        const KindTexts texts = textsOf(kind);
        const int last = m_workplace.sharedData().lastNumber(texts.counter).value;
        // The control's range starts at 0, so a negative counter leaves only 0 to choose.
        m_upper = qMax(0, last);
        if (m_position != m_upper) {
            query(m_upper);
            setPosition(m_upper);
        }
        m_instruction->setText(QString::fromLatin1(texts.instruction));
        m_number->setAccessibleName(m_instruction->text());
    });
}

bool DocumentPrintPage::fieldNumber(qint64* value) const
{
    QString text = m_number->text().trimmed();
    text.remove(Regional::current().thousandsSeparator);
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    if (ok)
        *value = number;
    return ok;
}

void DocumentPrintPage::step(int delta)
{
    guarded(m_workplace.messages(), [this, delta] {
        qint64 from = m_position;
        if (qint64 typed = 0; fieldNumber(&typed))
            from = std::clamp<qint64>(typed, 0, m_upper);
        const qint64 requested = from + delta;
        query(requested);
        setPosition(int(std::clamp<qint64>(requested, 0, m_upper)));
    });
}

void DocumentPrintPage::query(qint64 n)
{
    Table& ledger = m_workplace.ledgerTableView();
    ledger.open();
    ledger.first();

    Query& result = m_workplace.documentResultSet();
    result.setSql(documentStatement(m_kind, n));
    result.open();
    QString code;
    QString code2;
    QString name;
    if (!result.isEmpty()) {
        result.first();
        code = result.text(QStringLiteral("SIFRAMASINE"));
        code2 = result.text(QStringLiteral("SIFRAMASINE2"));
        name = result.text(QStringLiteral("NAZIVMASINE"));
    }
    m_machineCode->setText(code);
    m_machineCode2->setText(code2);
    m_machineName->setText(name);
}

void DocumentPrintPage::setPosition(int position)
{
    m_position = position;
    m_number->setText(Regional::formatGrouped(position));
}

DocumentReportInput DocumentPrintPage::reportInput() const
{
    DocumentReportInput input;
    input.kind = m_kind;
    input.machineCode = m_machineCode->text();
    input.machineCode2 = m_machineCode2->text();
    input.machineName = m_machineName->text();
    input.number = m_number->text();
    for (int i = 0; i < int(input.comments.size()); ++i)
        input.comments.at(i) = {m_commentOn.at(i)->isChecked(), m_commentText.at(i)->text()};
    return input;
}

void DocumentPrintPage::print()
{
    guarded(m_workplace.messages(), [this] {
        if (m_previewer.isPreviewOpen()) {
            // Brings the open preview to the front; nothing else happens.
            m_previewer.preview({}, ReportPages{});
            return;
        }
        const Query& result = m_workplace.documentResultSet();
        // A closed result set has no fields at all; it is reported as the missing field.
        if (!result.isOpen())
            throw EngineError(QStringLiteral("Field '%1' not found").arg(kStorekeeperField));
        DocumentReportInput input = reportInput();
        input.storekeeper = result.text(kStorekeeperField);
        const ReportDefinition report = DocumentReport::definition(m_workplace.letterhead(), input);
        const QString title = DocumentReport::titlePrefix(input.kind) + input.number;
        m_previewer.preview(title, report, DatasetRowSource(result));
    });
}

bool DocumentPrintPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_number && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace kestar
