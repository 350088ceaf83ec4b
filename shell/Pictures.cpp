#include "shell/Pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QtGlobal>

// The pictures live in the shell library's resources, which a static library must register.
static void registerShellResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(shell);
        return true;
    }();
    (void)done;
}

namespace kestar::Pictures {

namespace {
QPixmap canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}
} // namespace

QIcon mainMenuIcon()
{
    QPixmap pixmap = canvas(32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x40, 0x30, 0x10), 1.5));
    p.setBrush(QColor(0xD9, 0xB7, 0x7E));
    p.drawRect(QRectF(6, 14, 20, 15));
    QPainterPath roof;
    roof.moveTo(3, 15);
    roof.lineTo(16, 3);
    roof.lineTo(29, 15);
    roof.closeSubpath();
    p.setBrush(QColor(0xB0, 0x30, 0x20));
    p.drawPath(roof);
    p.setBrush(QColor(0x60, 0x40, 0x20));
    p.drawRect(QRectF(13, 20, 6, 9));
    return QIcon(pixmap);
}

QIcon exitIcon()
{
    QPixmap pixmap = canvas(32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
    p.setBrush(QColor(0x8C, 0x62, 0x39));
    p.drawRect(QRectF(4, 3, 14, 26));
    p.setPen(QPen(QColor(0xC0, 0x10, 0x10), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(12, 16), QPointF(28, 16));
    p.drawLine(QPointF(22, 10), QPointF(28, 16));
    p.drawLine(QPointF(22, 22), QPointF(28, 16));
    return QIcon(pixmap);
}

QIcon programIcon()
{
    registerShellResources();
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/kestar-%1.png").arg(size), QSize(size, size));
    return icon;
}

QPixmap loginPicture()
{
    registerShellResources();
    QPixmap pixmap(QStringLiteral(":/pictures/login.jpg"));
    if (pixmap.isNull()) {
        pixmap = QPixmap(791, 493);
        pixmap.fill(QColor(0x3A, 0x6A, 0x94));
    }
    return pixmap;
}

QPixmap decoration(Decoration kind, int size)
{
    QPixmap pixmap = canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
    switch (kind) {
    case Decoration::Settings: // a stack of boxes
        p.setBrush(QColor(0xC8, 0xA1, 0x65));
        p.drawRect(8, 34, 24, 22);
        p.drawRect(32, 34, 24, 22);
        p.setBrush(QColor(0xD9, 0xB7, 0x7E));
        p.drawRect(20, 12, 24, 22);
        p.drawLine(32, 12, 32, 34);
        break;
    case Decoration::Documents: // a sheet with lines and a pen
        p.setBrush(Qt::white);
        p.drawRect(12, 6, 34, 48);
        for (int y = 16; y <= 44; y += 7)
            p.drawLine(18, y, 40, y);
        p.setPen(QPen(QColor(0x20, 0x40, 0xA0), 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(40, 58, 58, 30);
        break;
    case Decoration::Review: // a magnifier over a sheet
        p.setBrush(Qt::white);
        p.drawRect(6, 6, 34, 44);
        p.setBrush(QColor(0xA0, 0xD0, 0xF0, 160));
        p.drawEllipse(QPointF(34, 34), 14, 14);
        p.setPen(QPen(QColor(0x50, 0x30, 0x10), 6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(44, 44, 58, 58);
        break;
    case Decoration::Printing: // a printer
        p.setBrush(Qt::white);
        p.drawRect(18, 6, 28, 20);
        p.setBrush(QColor(0x80, 0x80, 0x88));
        p.drawRoundedRect(6, 24, 52, 22, 4, 4);
        p.setBrush(Qt::white);
        p.drawRect(16, 40, 32, 18);
        p.setBrush(QColor(0x20, 0xC0, 0x20));
        p.drawEllipse(48, 30, 5, 5);
        break;
    }
    return pixmap;
}

} // namespace kestar::Pictures
