#include "WindowImagesUnit.h"

#include <QPainter>
#include <QPainterPath>

QPixmap KeyPicture(int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    painter.translate(16, 16);
    painter.rotate(-45);
    painter.translate(-16, -16);

    const QColor gold(0xD4, 0xA0, 0x17);
    const QColor edge(0x7A, 0x5A, 0x05);
    painter.setPen(QPen(edge, 1.2));
    painter.setBrush(gold);
    QPainterPath key;
    key.addEllipse(QRectF(2, 9, 14, 14));      // the bow
    key.addRect(QRectF(14, 14, 16, 4));        // the shaft
    key.addRect(QRectF(24, 18, 3, 5));         // two bits
    key.addRect(QRectF(28, 18, 2, 4));
    painter.drawPath(key.simplified());
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(6, 13, 6, 6));  // the hole in the bow
    return picture;
}

QPixmap LockCardPicture(int size)
{
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);

    // The card.
    painter.setPen(QPen(QColor(0x1F, 0x4E, 0x79), 1.5));
    painter.setBrush(QColor(0x5B, 0x9B, 0xD5));
    painter.drawRoundedRect(QRectF(4, 14, 56, 38), 5, 5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xDD, 0xEB, 0xF7));
    painter.drawRect(QRectF(4, 20, 56, 6));

    // The padlock in front of it.
    painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 4));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(30, 22, 20, 22), 0, 180 * 16);
    painter.drawLine(QPointF(30, 33), QPointF(30, 38));
    painter.drawLine(QPointF(50, 33), QPointF(50, 38));
    painter.setPen(QPen(QColor(0x7A, 0x5A, 0x05), 1.2));
    painter.setBrush(QColor(0xD4, 0xA0, 0x17));
    painter.drawRoundedRect(QRectF(25, 37, 30, 22), 3, 3);
    painter.setBrush(QColor(0x40, 0x40, 0x40));
    painter.drawEllipse(QRectF(37, 43, 6, 6));
    painter.drawRect(QRectF(39, 47, 2, 7));
    return picture;
}
