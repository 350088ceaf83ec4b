#include "goods/ItemChooser.h"

#include "data/CodePage.h"
#include "data/Engine.h"
#include "data/EngineError.h"
#include "data/Query.h"
#include "data/SharedData.h"
#include "data/controls/ActionGuard.h"
#include "data/controls/DataGrid.h"
#include "data/sql/SqlDialect.h"
#include "platform/Messages.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <optional>
#include <utility>

namespace kestar {

namespace {

const QString kAllGroups = QStringLiteral("Sve grupe");
const QString kAllProducts = QStringLiteral("Svi proizvodi");
const QString kSelectAll = QStringLiteral("Select * from podaci\\magacin");
const QString kName = QStringLiteral("NAZIV");

const QStringList kGridColumns = {
    QStringLiteral("NAZIV"),        QStringLiteral("SIFRA"),
    QStringLiteral("GRUPAROBE"),    QStringLiteral("NAZIVGRUPE"),
    QStringLiteral("JM"),           QStringLiteral("KOLICINA"),
    QStringLiteral("MINKOLICINA"),  QStringLiteral("CENANABAVNA"),
    QStringLiteral("CENAPRODAJNA"), QStringLiteral("DATUMULAZA"),
    QStringLiteral("MAGACIN1"),     QStringLiteral("MAGACIN2"),
    QStringLiteral("MAGACIN3"),     QStringLiteral("MAGACIN4"),
    QStringLiteral("MAGACIN5"),     QStringLiteral("PROIZVOD"),
    QStringLiteral("RABAT"),        QStringLiteral("KOLICINAZANABAVKU"),
    QStringLiteral("POCETNOSTANJE")};

constexpr int kWidth = 780;
constexpr int kHeight = 556;

bool isEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// The character with this 8-bit code in the code page, or nothing when the code page leaves
// the code unassigned (so a stand-in character never matches a name).
std::optional<QChar> characterOfCode(int code)
{
    const QString decoded = CodePage::decode(QByteArray(1, char(code)));
    if (decoded.size() != 1)
        return std::nullopt;
    try {
        if (CodePage::encode(decoded) != QByteArray(1, char(code)))
            return std::nullopt;
    } catch (const EngineError&) {
        return std::nullopt;
    }
    return decoded.at(0);
}

// The 8-bit code of a character in the code page; -1 for one the code page lacks.
int codeOf(QChar c)
{
    try {
        const QByteArray bytes = CodePage::encode(QString(c));
        return bytes.size() == 1 ? int(quint8(bytes.at(0))) : -1;
    } catch (const EngineError&) {
        return -1;
    }
}

QLineEdit* selectionField(QWidget* box, const QString& caption, const QString& objectName, int x,
                          int width, bool readOnly)
{
    auto* label = new QLabel(caption, box);
    label->setGeometry(x, 24, width, 18);
    auto* field = new QLineEdit(box);
    field->setObjectName(objectName);
    field->setAccessibleName(caption);
    field->setGeometry(x, 44, width, 24);
    field->setReadOnly(readOnly);
    label->setBuddy(field);
    return field;
}

} // namespace

ItemChooser::ItemChooser(Workplace& workplace, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_workplace(workplace), m_query(workplace.ownQuery())
{
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Izaberi artikal za formiranje dokumenta..."));
    setModal(false);
    setFixedSize(kWidth, kHeight);
    m_query.setReadOnly(true);
    // The grid shows a screenful of articles: the rest are read as it scrolls to them.
    m_query.setInPages(true);
    buildControls();
}

void ItemChooser::buildControls()
{
    PageKit::label(this, QStringLiteral("Radi lakseg odabira artikla prvo izaberite grupu robe."),
                   QRect(12, 8, 756, 18));
    PageKit::label(
        this,
        QStringLiteral("U polju NAZIV ROBE mozete kucati slova artikla radi pretrage artikala..."),
        QRect(12, 28, 756, 18), true);

    QLabel* groupsLabel =
        PageKit::label(this, QStringLiteral("Izaberi grupu robe:"), QRect(12, 56, 200, 18));
    m_groups = new QListWidget(this);
    m_groups->setObjectName(QStringLiteral("ListBox1"));
    m_groups->setAccessibleName(groupsLabel->text());
    m_groups->setGeometry(12, 76, 200, 302);
    groupsLabel->setBuddy(m_groups);

    QLabel* gridLabel = PageKit::label(
        this,
        QStringLiteral(
            "U ovoj tabeli artikal birate tako sto stanete na njegovo IME i pritisnete ENTER!!!"),
        QRect(224, 56, 544, 18));
    m_grid = new DataGrid(m_workplace.messages(), this);
    m_grid->setObjectName(QStringLiteral("DBGrid1"));
    m_grid->setAccessibleName(gridLabel->text());
    m_grid->setGeometry(224, 76, 544, 302);
    m_grid->setReadOnly(true);
    m_grid->setColumns(kGridColumns);
    m_grid->setDataset(&m_query);
    gridLabel->setBuddy(m_grid);
    PageKit::label(this,
                   QStringLiteral("Pozicionirajte se na NAZIV artikla u tabeli i pritisnite 2 "
                                  "puta ENTER (ili jednom ENTER pa onda klik na OK)"),
                   QRect(224, 379, 544, 24));

    auto* box = new QGroupBox(QStringLiteral("U tabeli ste pritiskom na ENTER izabrali:"), this);
    box->setObjectName(QStringLiteral("selectionBox"));
    box->setGeometry(12, 404, 756, 84);
    m_code = selectionField(box, QStringLiteral("Sifra robe"), QStringLiteral("sifraRobe"), 12, 120,
                            true);
    m_name = selectionField(box, QStringLiteral("Naziv robe"), QStringLiteral("nazivRobe"), 144,
                            360, false);
    m_price = selectionField(box, QStringLiteral("Prodajna cena"), QStringLiteral("prodajnaCena"),
                             516, 110, true);
    m_discount =
        selectionField(box, QStringLiteral("Rabat"), QStringLiteral("rabat"), 638, 106, true);

    m_ok = PageKit::button(this, QStringLiteral("OK"), QRect(12, 500, 756, 44),
                           QStringLiteral("btnOk"));
    m_ok->setAutoDefault(true);

    m_groups->installEventFilter(this);
    m_name->installEventFilter(this);
    connect(m_groups, &QListWidget::currentRowChanged, this, &ItemChooser::groupChosen);
    connect(m_grid, &DataGrid::enterPressed, this, &ItemChooser::gridEnter);
    connect(m_grid, &DataGrid::keyTyped, this, &ItemChooser::gridKey);
    connect(m_ok, &QPushButton::clicked, this, &ItemChooser::deliver);
}

void ItemChooser::open()
{
    openSearching({});
}

void ItemChooser::openSearching(const QString& text)
{
    m_pendingSearch = text;
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    guarded(m_workplace.messages(), [this] {
        m_reportedGroupError.clear();
        closeQuery();
        clearSelection();
    });
    PageKit::centreOnScreen(*this);
    show();
    raise();
    activateWindow();
}

bool ItemChooser::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate)
        activated();
    return handled;
}

void ItemChooser::activated()
{
    guarded(m_workplace.messages(), [this] {
        reloadGroups();
        closeQuery();
    });
    const QString search = std::exchange(m_pendingSearch, QString());
    if (search.isEmpty())
        return;
    m_name->setText(search);
    runNameSearch(search);
    m_name->setFocus(Qt::OtherFocusReason);
}

void ItemChooser::reloadGroups()
{
    QScopedValueRollback loading(m_loadingGroups, true);
    m_groups->clear();
    QStringList groups;
    try {
        groups = m_workplace.sharedData().groupNames();
        groups.append(kAllGroups);
        m_reportedGroupError.clear();
    } catch (const EngineError& error) {
        if (error.text() != m_reportedGroupError) {
            m_reportedGroupError = error.text();
            m_workplace.messages().showError(error.text());
        }
    }
    m_groups->addItems(groups);
    m_groups->setFocus(Qt::ActiveWindowFocusReason);
    // Taking the focus makes the first entry current; no group counts as chosen until the
    // user picks one, so the first arrow key lands on the first entry.
    m_groups->selectionModel()->clear();
}

void ItemChooser::clearSelection()
{
    m_code->clear();
    m_name->clear();
    m_price->clear();
    m_discount->clear();
}

void ItemChooser::closeQuery()
{
    m_query.close();
}

void ItemChooser::groupChosen(int row)
{
    if (m_loadingGroups || row < 0)
        return;
    const QString group = m_groups->item(row)->text();
    QString statement;
    if (group == kAllGroups)
        statement = kSelectAll;
    else if (group == kAllProducts)
        statement = kSelectAll + QStringLiteral(" where (PROIZVOD='P')");
    else
        statement = kSelectAll + QStringLiteral(" where (NAZIVGRUPE='") + sql::quoted(group) +
                    QStringLiteral("')");
    runStatement(statement);
}

void ItemChooser::runStatement(const QString& statement)
{
    guarded(m_workplace.messages(), [&] {
        m_query.setSql(statement);
        m_query.open();
    });
}

void ItemChooser::runNameSearch(const QString& text)
{
    runStatement(kSelectAll + QStringLiteral(" where (NAZIV LIKE '%") + sql::quoted(text) +
                 QStringLiteral("%')"));
}

bool ItemChooser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == m_groups && isEnter(key)) {
        m_grid->setFocus(Qt::OtherFocusReason);
        return true;
    }
    if (watched == m_name)
        return nameFieldKey(key);
    return QDialog::eventFilter(watched, event);
}

bool ItemChooser::nameFieldKey(QKeyEvent* key)
{
    // Only keys that type a character search, and they search with the text as it stands
    // before the key changes it; so while typing, the result trails the field by one key.
    if (key->text().isEmpty() || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Escape)
        return false;
    runNameSearch(m_name->text());
    if (isEnter(key)) {
        m_grid->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

void ItemChooser::gridEnter(const QString& field)
{
    if (!m_query.isOpen() || field.compare(kName, Qt::CaseInsensitive) != 0)
        return;
    guarded(m_workplace.messages(), [this] {
        if (m_query.isEmpty())
            return;
        m_code->setText(m_query.text(QStringLiteral("SIFRA")));
        m_name->setText(m_query.text(QStringLiteral("NAZIV")));
        m_price->setText(m_query.text(QStringLiteral("CENAPRODAJNA")));
        m_discount->setText(m_query.text(QStringLiteral("RABAT")));
        m_groupCode = m_query.text(QStringLiteral("GRUPAROBE"));
        m_groupName = m_query.text(QStringLiteral("NAZIVGRUPE"));
        m_ok->setFocus(Qt::OtherFocusReason);
    });
}

void ItemChooser::gridKey(const QString& field, const QString& text)
{
    if (!m_query.isOpen() || text.isEmpty() || field.compare(kName, Qt::CaseInsensitive) != 0)
        return;
    guarded(m_workplace.messages(), [&] { jumpToFirstLetter(text.at(0)); });
}

void ItemChooser::jumpToFirstLetter(QChar typed)
{
    if (m_query.rowCount() <= 0)
        return;
    // A letter finds names beginning with it in either case: the two cases lie 32 codes apart.
    QList<QChar> wanted;
    if (const int code = codeOf(typed); code >= 0) {
        for (int candidate : {code, (code + 32) % 256, (code + 224) % 256}) {
            if (const auto c = characterOfCode(candidate))
                wanted.append(*c);
        }
    }
    const int column = m_query.fieldIndex(kName);
    // Rows not read yet are read as the search reaches them; without a match it ends on the
    // last row.
    for (qint64 row = 0;; ++row) {
        if (row >= m_query.rowCount() && m_query.canReadMore())
            m_query.readMore();
        if (row >= m_query.rowCount())
            break;
        const QString name = m_query.textAt(row, column);
        if (!name.isEmpty() && wanted.contains(name.at(0))) {
            m_query.moveTo(row);
            return;
        }
    }
    m_query.moveTo(m_query.rowCount() - 1);
}

void ItemChooser::deliver()
{
    emit delivered(m_code->text(), m_name->text(), m_groupCode, m_groupName);
    guarded(m_workplace.messages(), [this] {
        closeQuery();
        clearSelection();
    });
    hide();
}

void ItemChooser::hideEvent(QHideEvent* event)
{
    // No article query stays open while the dialog is hidden, however it was closed.
    if (!event->spontaneous())
        guarded(m_workplace.messages(), [this] { closeQuery(); });
    QDialog::hideEvent(event);
}

void ItemChooser::keyPressEvent(QKeyEvent* event)
{
    // A focused OK takes Enter itself; anywhere else Enter must not deliver.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace kestar
