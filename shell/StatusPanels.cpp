#include "shell/StatusPanels.h"

#include <QHBoxLayout>
#include <QLabel>

namespace kestar {

namespace {
struct PanelSpec
{
    const char* text;
    int width;
    Qt::Alignment alignment;
};

constexpr Qt::Alignment kCentre = Qt::AlignCenter;
constexpr Qt::Alignment kLeft = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment kRight = Qt::AlignRight | Qt::AlignVCenter;

const PanelSpec kPanels[StatusPanels::kCount] = {
    {"Broj dokumenta:", 85, kCentre},
    {"0", 30, kCentre},
    {"Broj narudzbine:", 85, kCentre},
    {"0", 30, kCentre},
    {"Broj radnog naloga:", 100, kCentre},
    {"0", 30, kCentre},
    {"Broj otpremnice:", 90, kCentre},
    {"0", 30, kCentre},
    {"Broj prijemnice:", 80, kCentre},
    {"0", 30, kCentre},
    {" ", 10, kLeft},
    {"Korisnik:", 50, kRight},
    {"- - - - - - - - -", 100, kCentre},
};
} // namespace

StatusPanels::StatusPanels(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusBar1"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xD4, 0xD0, 0xC8));
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 1, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < kCount; ++i) {
        auto* label = new QLabel(QString::fromLatin1(kPanels[i].text), this);
        label->setObjectName(QStringLiteral("panel%1").arg(i));
        label->setFixedWidth(kPanels[i].width);
        label->setAlignment(kPanels[i].alignment);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        layout->addWidget(label);
        m_panels.append(label);
    }
    layout->addStretch(1);
    for (int i = 0; i < kCount; ++i)
        nameAfterText(i);
}

bool StatusPanels::isValuePanel(int panel)
{
    return panel == kDocumentNumber || panel == kOrderNumber || panel == kWorkOrderNumber ||
           panel == kIssueNumber || panel == kReceiptNumber || panel == kUser;
}

void StatusPanels::nameAfterText(int panel)
{
    QLabel* label = m_panels.value(panel);
    if (!label)
        return;
    // A value read alone ("41") tells a screen reader nothing: it is named together with the
    // caption of the panel before it.
    const QString name = isValuePanel(panel)
                             ? m_panels.at(panel - 1)->text() + QLatin1Char(' ') + label->text()
                             : label->text();
    label->setAccessibleName(name.simplified());
}

QString StatusPanels::text(int panel) const
{
    return m_panels.value(panel) ? m_panels.value(panel)->text() : QString();
}

void StatusPanels::setText(int panel, const QString& text)
{
    if (QLabel* label = m_panels.value(panel)) {
        label->setText(text);
        nameAfterText(panel);
    }
}

} // namespace kestar
