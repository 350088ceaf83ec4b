#include "shell/ShadowLabel.h"

#include <QPainter>

namespace kestar {

ShadowLabel::ShadowLabel(const QString& text, QColor shadow, QColor face, QWidget* parent)
    : QWidget(parent), m_text(text), m_shadow(shadow), m_face(face)
{
    setAccessibleName(text);
    setAttribute(Qt::WA_TranslucentBackground);
}

QSize ShadowLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(m_text) + 2 * kOffset + 2, metrics.height() + 2 * kOffset};
}

void ShadowLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int baseline = kOffset + metrics.ascent();
    painter.setPen(m_shadow);
    painter.drawText(kOffset, baseline, m_text);
    painter.setPen(m_face);
    painter.drawText(0, baseline - kOffset, m_text);
}

} // namespace kestar
