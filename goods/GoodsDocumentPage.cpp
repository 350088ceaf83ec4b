#include "goods/GoodsDocumentPage.h"

#include "data/SharedData.h"
#include "data/Table.h"
#include "data/controls/ActionGuard.h"
#include "goods/ArticleLookup.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "platform/Regional.h"
#include "shell/Navigator.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QAbstractItemDelegate>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

namespace kestar {

namespace {

constexpr int kColumnWidth = 64;
constexpr int kNameColumnWidth = 200;

const QStringList kColumnTitles = {QStringLiteral("Sifra"), QStringLiteral("Naziv"),
                                   QStringLiteral("Kolicina"), QStringLiteral("Sifra grupe"),
                                   QStringLiteral("Naziv grupe")};

const QString kInstruction = QStringLiteral(
    "Kada se pozicionirate na kolonu SIFRA pritisnite ENTER da bi mogli da birate artikal - kad "
    "unesete kolicinu strelicom na dole (i u levo) opet idete u kolonu SIFRA");

struct Captions
{
    QString title;
    QString number;
    QString date;
    QString save;
};

Captions captionsFor(DocumentKind kind)
{
    if (kind == DocumentKind::Issue) {
        return {QStringLiteral("Formiranje otpremnice"),
                QStringLiteral("Automatski broj otpremnice"), QStringLiteral("Datum otpremnice"),
                QStringLiteral("UPAMTI OTPREMNICU")};
    }
    return {QStringLiteral("Formiranje prijemnice"), QStringLiteral("Automatski broj prijemnice"),
            QStringLiteral("Datum prijemnice"), QStringLiteral("UPAMTI PRIJEMNICU")};
}

QLineEdit* lineEdit(QWidget* page, const QString& objectName, const QString& accessibleName,
                    const QRect& geometry)
{
    auto* edit = new QLineEdit(page);
    edit->setObjectName(objectName);
    edit->setAccessibleName(accessibleName);
    edit->setGeometry(geometry);
    return edit;
}

} // namespace

GoodsDocumentPage::GoodsDocumentPage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_workplace(workplace), m_navigator(navigator)
{
    setObjectName(PageKey::GoodsDocument);
    buildControls();
    buildGrid();
    setCaptions(DocumentKind::Issue);
}

void GoodsDocumentPage::buildControls()
{
    m_title = PageKit::title(this, {}, QRect(16, 4, 400, 28), 20);
    m_title->setObjectName(QStringLiteral("documentTitle"));

    m_numberLabel = PageKit::label(this, {}, QRect(16, 36, 170, 16));
    m_number = lineEdit(this, QStringLiteral("Edit57"), {}, QRect(16, 54, 120, 24));
    m_number->setFocusPolicy(Qt::ClickFocus);
    m_number->setStyleSheet(
        QStringLiteral("QLineEdit { background-color: #FFFF00; color: #FF0000; }"));
    QFont numberFont = m_number->font();
    numberFont.setBold(true);
    m_number->setFont(numberFont);
    m_numberLabel->setBuddy(m_number);

    m_dateLabel = PageKit::label(this, {}, QRect(190, 36, 140, 16));
    m_date = new QDateEdit(this);
    m_date->setObjectName(QStringLiteral("documentDate"));
    m_date->setGeometry(190, 54, 110, 24);
    m_date->setCalendarPopup(true);
    m_date->setDisplayFormat(Regional::current().shortDateFormat);
    m_dateLabel->setBuddy(m_date);

    auto* modes = new QGroupBox(QStringLiteral("Otpremnica ili prijemnica ?"), this);
    modes->setObjectName(QStringLiteral("documentKindBox"));
    modes->setGeometry(316, 30, 210, 50);
    auto* modeRow = new QHBoxLayout(modes);
    modeRow->setContentsMargins(8, 4, 8, 4);
    m_issue = new QRadioButton(QStringLiteral("Otpremnica"), modes);
    m_issue->setObjectName(QStringLiteral("radioOtpremnica"));
    m_receipt = new QRadioButton(QStringLiteral("Prijemnica"), modes);
    m_receipt->setObjectName(QStringLiteral("radioPrijemnica"));
    modeRow->addWidget(m_issue);
    modeRow->addWidget(m_receipt);

    m_save = PageKit::button(this, {}, QRect(540, 34, 235, 44), QStringLiteral("BitBtn75"));
    m_save->setStyleSheet(QStringLiteral("color: #FF0000;"));
    QFont saveFont = m_save->font();
    saveFont.setBold(true);
    m_save->setFont(saveFont);
    connect(m_save, &QPushButton::clicked, this, &GoodsDocumentPage::post);

    m_machineButton =
        PageKit::button(this, QStringLiteral("IZABERI OPREMU"), QRect(16, 100, 140, 26));
    connect(m_machineButton, &QPushButton::clicked, this,
            &GoodsDocumentPage::machineChooserRequested);
    m_machineControls << m_machineButton;
    struct MachineField
    {
        QLineEdit** edit;
        const char* caption;
        const char* name;
        QRect geometry;
    };
    const MachineField machineFields[] = {
        {&m_machineCode, "Sifra opreme", "sifraOpreme", QRect(170, 102, 110, 22)},
        {&m_machineCode2, "Sifra 2", "sifra2", QRect(290, 102, 110, 22)},
        {&m_machineName, "Naziv opreme", "nazivOpreme", QRect(410, 102, 365, 22)},
    };
    for (const MachineField& field : machineFields) {
        const QString caption = QString::fromLatin1(field.caption);
        QLabel* label = PageKit::label(this, caption,
                                       QRect(field.geometry.x(), 84, field.geometry.width(), 16));
        *field.edit = lineEdit(this, QString::fromLatin1(field.name), caption, field.geometry);
        (*field.edit)->setReadOnly(true);
        label->setBuddy(*field.edit);
        m_machineControls << label << *field.edit;
    }

    QLabel* instruction = PageKit::label(this, kInstruction, QRect(16, 386, 759, 30));
    instruction->setObjectName(QStringLiteral("instructionLabel"));

    QLabel* comment1 = PageKit::label(this, QStringLiteral("Komentar 1"), QRect(16, 421, 80, 16));
    m_comment1 = lineEdit(this, QStringLiteral("komentar1"), QStringLiteral("Komentar 1"),
                          QRect(100, 418, 675, 22));
    QLabel* comment2 = PageKit::label(this, QStringLiteral("Komentar 2"), QRect(16, 449, 80, 16));
    m_comment2 = lineEdit(this, QStringLiteral("komentar2"), QStringLiteral("Komentar 2"),
                          QRect(100, 446, 675, 22));
    for (QLineEdit* comment : {m_comment1, m_comment2})
        comment->setFocusPolicy(Qt::ClickFocus);
    comment1->setBuddy(m_comment1);
    comment2->setBuddy(m_comment2);
}

void GoodsDocumentPage::buildGrid()
{
    m_grid = new QTableWidget(kLines, int(kColumnTitles.size()), this);
    m_grid->setObjectName(QStringLiteral("StringGrid5"));
    m_grid->setAccessibleName(QStringLiteral("Stavke dokumenta"));
    m_grid->setGeometry(16, 134, 759, 248);
    m_grid->setToolTip(QStringLiteral("Pozicionirajte se u polje SIFRA i pritisnite ENTER"));
    m_grid->verticalHeader()->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                            QAbstractItemView::EditKeyPressed);
    m_grid->setTabKeyNavigation(false);
    m_grid->installEventFilter(this);
    // Enter while a "Sifra" cell is being typed in ends the typing and chooses as well.
    connect(m_grid->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::SubmitModelCache &&
                    m_grid->currentColumn() == kCodeColumn)
                    chooseItem();
            });
}

void GoodsDocumentPage::setCaptions(DocumentKind kind)
{
    const Captions captions = captionsFor(kind);
    m_title->setText(captions.title);
    m_numberLabel->setText(captions.number);
    m_number->setAccessibleName(captions.number);
    m_dateLabel->setText(captions.date);
    m_date->setAccessibleName(captions.date);
    m_save->setText(captions.save);
    m_save->setAccessibleName(captions.save);
    for (QWidget* control : std::as_const(m_machineControls))
        control->setVisible(kind == DocumentKind::Issue);
    (kind == DocumentKind::Issue ? m_issue : m_receipt)->setChecked(true);
}

void GoodsDocumentPage::openDocument(DocumentKind kind)
{
    m_navigator.showPage(PageKey::GoodsDocument);
    m_grid->setHorizontalHeaderLabels(kColumnTitles);
    for (int column = 0; column < m_grid->columnCount(); ++column)
        m_grid->setColumnWidth(column, column == 1 ? kNameColumnWidth : kColumnWidth);
    m_number->clear();
    m_comment1->clear();
    m_comment2->clear();
    m_date->setDisplayFormat(Regional::current().shortDateFormat);
    m_date->setDate(Clock::today());
    m_grid->clearContents();
    setCaptions(kind);
    m_lineCount = 1;
    m_proposedNumber.clear();
    const bool proposed = guarded(m_workplace.messages(), [&] {
        const qint64 last = m_workplace.sharedData().firstNumber(Posting::counterOf(kind));
        m_number->setText(QString::number(last + 1));
        m_proposedNumber = m_number->text();
        m_proposedKind = kind;
    });
    if (!proposed)
        return;
    m_grid->setFocus(Qt::OtherFocusReason);
    m_grid->setCurrentCell(0, kCodeColumn);
}

DocumentKind GoodsDocumentPage::selectedKind() const
{
    return m_receipt->isChecked() ? DocumentKind::Receipt : DocumentKind::Issue;
}

GoodsDocument GoodsDocumentPage::document() const
{
    GoodsDocument document;
    document.kind = selectedKind();
    document.number = m_number->text();
    document.date = m_date->date();
    document.comment1 = m_comment1->text();
    document.comment2 = m_comment2->text();
    document.machineCode = m_machineCode->text();
    document.machineCode2 = m_machineCode2->text();
    document.machineName = m_machineName->text();
    for (int line = 1; line <= m_lineCount; ++line) {
        document.lines.append(
            {cell(line, 0), cell(line, 1), cell(line, 2), cell(line, 3), cell(line, 4)});
    }
    document.lastDocumentNumber = m_workplace.lastNumber(Counter::Document).value;
    document.user = m_workplace.user();
    document.equipmentSwitch = m_workplace.equipmentSwitch();
    return document;
}

QString GoodsDocumentPage::cell(int line, int column) const
{
    const QTableWidgetItem* item = m_grid->item(line - 1, column);
    return item ? item->text() : QString();
}

void GoodsDocumentPage::setCell(int line, int column, const QString& text)
{
    if (QTableWidgetItem* item = m_grid->item(line - 1, column))
        item->setText(text);
    else
        m_grid->setItem(line - 1, column, new QTableWidgetItem(text));
}

bool GoodsDocumentPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            m_grid->currentColumn() == kCodeColumn &&
            !m_grid->indexWidget(m_grid->currentIndex())) {
            chooseItem();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void GoodsDocumentPage::chooseItem()
{
    const int row = m_grid->currentRow();
    if (row < 0)
        return;
    guarded(m_workplace.messages(), [&] {
        m_workplace.itemTableView().close();
        m_lineCount = row + 1;
        // A code typed or scanned into the cell takes its article over at once. A line that
        // already holds that article keeps its quantity: Enter there opens the chooser, as it
        // always has, to choose another article.
        const QString typed = cell(m_lineCount, kCodeColumn);
        if (const auto article = findArticle(m_workplace.engine(), typed)) {
            if (!holdsArticle(m_lineCount, *article)) {
                deliverItem(article->code, article->name, article->groupCode, article->groupName);
                return;
            }
            emit itemChooserRequested(QString());
            return;
        }
        emit itemChooserRequested(typed);
    });
}

bool GoodsDocumentPage::holdsArticle(int line, const ArticleForLine& article) const
{
    return cell(line, 1) == article.name && cell(line, 3) == article.groupCode &&
           cell(line, 4) == article.groupName && !cell(line, kQuantityColumn).isEmpty();
}

void GoodsDocumentPage::deliverItem(const QString& code, const QString& name,
                                    const QString& groupCode, const QString& groupName)
{
    setCell(m_lineCount, 0, code);
    setCell(m_lineCount, 1, name);
    setCell(m_lineCount, 2, QStringLiteral("0"));
    setCell(m_lineCount, 3, groupCode);
    setCell(m_lineCount, 4, groupName);
    m_grid->setCurrentCell(m_lineCount - 1, kQuantityColumn);
    m_grid->setFocus(Qt::OtherFocusReason);
}

void GoodsDocumentPage::setMachine(const QString& code, const QString& code2, const QString& name)
{
    m_machineCode->setText(code);
    m_machineCode2->setText(code2);
    m_machineName->setText(name);
}

void GoodsDocumentPage::clearMachine()
{
    setMachine({}, {}, {});
}

void GoodsDocumentPage::post()
{
    Messages& messages = m_workplace.messages();
    guarded(messages, [&] {
        const PostingTarget target{m_workplace.engine(), m_workplace.ledgerTableView(),
                                   m_workplace.itemTableView(), m_workplace.sharedData()};
        // Adding lines to a document already posted is allowed, but never by accident. The
        // page's own proposal is not the user's choice: taken meanwhile by another
        // workstation, the posting gives it up for the next free one and says so.
        const DocumentKind kind = selectedKind();
        const bool proposal = kind == m_proposedKind && !m_proposedNumber.isEmpty() &&
                              m_number->text() == m_proposedNumber;
        const bool held = !proposal && Posting::numberHeld(target, kind, m_number->text());
        if (held && !messages.confirm(Posting::numberHeldQuestion(kind, m_number->text())))
            return;
        if (!messages.confirm(Posting::kConfirm))
            return;
        // A cell still being typed in counts with what it shows.
        if (QWidget* editor = m_grid->indexWidget(m_grid->currentIndex())) {
            QAbstractItemDelegate* delegate = m_grid->itemDelegate();
            emit delegate->commitData(editor);
            emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
        GoodsDocument document = this->document();
        document.addToHeldNumber = held;
        const QString refused = Posting::refusal(document);
        if (!refused.isEmpty()) {
            messages.show(refused);
            m_navigator.returnToMenu();
            return;
        }
        const PostingResult result = Posting::post(target, document);
        clearMachine();
        messages.show(Posting::postedMessage(document, result));
        m_workplace.setLastNumber(Counter::Document,
                                  {result.documentNumber, QString::number(result.documentNumber)});
        m_workplace.setLastNumber(Posting::counterOf(result.kind), result.kindNumber);
        m_navigator.returnToMenu();
    });
}

} // namespace kestar
