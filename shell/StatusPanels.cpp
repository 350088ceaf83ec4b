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
        label->setAccessibleName(QStringLiteral("Panel %1").arg(i));
        layout->addWidget(label);
        m_panels.append(label);
    }
    layout->addStretch(1);
}

QString StatusPanels::text(int panel) const
{
    return m_panels.value(panel) ? m_panels.value(panel)->text() : QString();
}

void StatusPanels::setText(int panel, const QString& text)
{
    if (QLabel* label = m_panels.value(panel))
        label->setText(text);
}

} // namespace kestar
