#include "masterdata/CompanyPage.h"

#include "data/SharedData.h"
#include "data/TextFiles.h"
#include "data/controls/ActionGuard.h"
#include "platform/Messages.h"
#include "shell/CompanyFields.h"
#include "shell/PageKit.h"
#include "shell/Workplace.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace kestar {

namespace {
constexpr int kRowHeight = 28;
constexpr int kFirstRow = 58;
constexpr int kRightColumn = 452;
} // namespace

CompanyPage::CompanyPage(Workplace& workplace, Navigator& navigator, QWidget* parent)
    : QWidget(parent), m_workplace(workplace)
{
    setObjectName(PageKey::Company);
    PageKit::title(this,
                   QStringLiteral("Podaci o firmi (pojavljuju se na svim stampanim dokumentima)"),
                   QRect(12, 10, 420, 40), 14)
        ->setWordWrap(true);

    const QStringList labels = companyFieldLabels();
    for (int i = 0; i < labels.size(); ++i) {
        const int y = kFirstRow + i * kRowHeight;
        QLabel* label = PageKit::label(this, labels.at(i), QRect(12, y + 3, 150, 20));
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("companyField%1").arg(i + 1));
        edit->setAccessibleName(labels.at(i));
        edit->setGeometry(168, y, kFieldWidth, 23);
        label->setBuddy(edit);
        if (!m_fields.isEmpty())
            setTabOrder(m_fields.last(), edit);
        m_fields.append(edit);
    }

    QPushButton* saveButton = PageKit::button(this, QStringLiteral("UPAMTI PODATKE"),
                                              QRect(kRightColumn, kFirstRow, 313, 57));
    QFont font = saveButton->font();
    font.setBold(true);
    font.setPixelSize(16);
    saveButton->setFont(font);
    saveButton->setStyleSheet(QStringLiteral("color: #000080;"));

    const QString boxCaption = QStringLiteral("Upamceni podaci:");
    QLabel* boxLabel = PageKit::label(this, boxCaption, QRect(kRightColumn, 128, 313, 20));
    m_savedData = new QPlainTextEdit(this);
    m_savedData->setObjectName(QStringLiteral("savedCompanyData"));
    m_savedData->setAccessibleName(boxCaption);
    m_savedData->setGeometry(kRightColumn, 150, 313, 209);
    // Only the file's content is shown here; nothing typed into the box would ever be stored.
    m_savedData->setReadOnly(true);
    m_savedData->setLineWrapMode(QPlainTextEdit::NoWrap);
    boxLabel->setBuddy(m_savedData);

    PageKit::backToAdminMenu(navigator, this, QRect(kRightColumn, 390, 313, 40));

    connect(saveButton, &QPushButton::clicked, this, &CompanyPage::save);
}

void CompanyPage::load()
{
    guarded(m_workplace.messages(), [this] {
        const QStringList lines = m_workplace.sharedData().companyLines();
        const QStringList fields = TextFiles::fitFields(lines, TextFiles::kCompanyFieldCount);
        m_savedData->setPlainText(lines.join(QLatin1Char('\n')));
        for (int i = 0; i < m_fields.size(); ++i)
            m_fields.at(i)->setText(fields.at(i));
    });
}

bool CompanyPage::save()
{
    bool written = false;
    Messages& messages = m_workplace.messages();
    guarded(messages, [this, &messages, &written] {
        if (!messages.confirm(Messages::kAreYouSure))
            return;
        QStringList lines;
        for (const QLineEdit* edit : std::as_const(m_fields))
            lines.append(edit->text());
        m_savedData->setPlainText(lines.join(QLatin1Char('\n')));
        m_workplace.sharedData().setCompanyLines(lines);
        written = true;
        messages.show(QStringLiteral("Podaci o vasoj firmi su snimljeni..."));
    });
    return written;
}

} // namespace kestar
