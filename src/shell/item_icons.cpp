// The tree's item images and the program icon, drawn at 16 pixels (and larger for the program).
#include "shell/item_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap Canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void Wave(QPainter& p, QRectF area, const QColor& colour)
{
    QPainterPath path;
    path.moveTo(area.left(), area.center().y());
    const double step = area.width() / 4;
    for (int i = 0; i < 4; ++i) {
        const double x = area.left() + i * step;
        path.quadTo(x + step / 2, i % 2 == 0 ? area.top() : area.bottom(), x + step, area.center().y());
    }
    p.setPen(QPen(colour, area.height() / 5, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(path);
}

void Keys(QPainter& p, QRectF area)
{
    p.setPen(QPen(QColor("#1d3557"), area.height() / 12));
    p.setBrush(QColor("#f1faee"));
    p.drawRect(area);
    p.setBrush(QColor("#1d3557"));
    const double key = area.width() / 5;
    for (int i = 1; i < 5; ++i) p.drawRect(QRectF(area.left() + i * key - key / 4, area.top(), key / 2, area.height() * 0.6));
}

QIcon Draw(ItemImage image, int size)
{
    QPixmap pixmap = Canvas(size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    switch (image) {
    case ItemImage::Wavesample:
        Wave(p, QRectF(1, s * 0.25, s - 2, s * 0.5), QColor("#2a9d8f"));
        break;
    case ItemImage::Instrument:
        Keys(p, QRectF(1, s * 0.3, s - 2, s * 0.6));
        break;
    case ItemImage::Folder:
        p.setPen(QPen(QColor("#8a6d1f"), 1));
        p.setBrush(QColor("#f1c453"));
        p.drawRoundedRect(QRectF(1, s * 0.25, s - 2, s * 0.65), 2, 2);
        Wave(p, QRectF(s * 0.2, s * 0.45, s * 0.6, s * 0.3), QColor("#6b4f12"));
        break;
    case ItemImage::Bank:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor("#1d3557"));
        p.drawRoundedRect(QRectF(1, 1, s - 2, s - 2), s / 6, s / 6);
        Wave(p, QRectF(s * 0.15, s * 0.3, s * 0.7, s * 0.4), QColor("#f1c453"));
        break;
    }
    return QIcon(pixmap);
}

}  // namespace

QIcon ItemIcon(ItemImage image)
{
    return Draw(image, 16);
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64}) icon.addPixmap(Draw(ItemImage::Bank, size).pixmap(size, size));
    return icon;
}
