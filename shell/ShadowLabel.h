#pragma once

#include <QColor>
#include <QWidget>

namespace kestar {

// A caption drawn twice, as a shadow: once in the shadow colour, then in the face colour a few
// pixels further left and up.
class ShadowLabel : public QWidget
{
    Q_OBJECT
public:
    ShadowLabel(const QString& text, QColor shadow, QColor face, QWidget* parent = nullptr);
    QString text() const { return m_text; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_shadow;
    QColor m_face;
    static constexpr int kOffset = 2;
};

} // namespace kestar
