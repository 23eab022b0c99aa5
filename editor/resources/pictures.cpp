#include "pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

// All icons are drawn on a 32-unit grid and scaled to the requested size.
struct Canvas {
    QImage img;
    QPainter p;
    explicit Canvas(int size) : img(blank(size, size)), p(&img) {
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
    }
};

void drawStick(QPainter &p, const QRectF &body) {
    const QRectF plug(body.right(), body.center().y() - body.height() * 0.3, body.width() * 0.3, body.height() * 0.6);
    p.setPen(QPen(QColor(90, 90, 100), 1));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(plug);
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(QRectF(plug.left() + plug.width() * 0.3, plug.top() + plug.height() * 0.2, plug.width() * 0.2,
                      plug.height() * 0.2));
    p.drawRect(QRectF(plug.left() + plug.width() * 0.3, plug.top() + plug.height() * 0.6, plug.width() * 0.2,
                      plug.height() * 0.2));
    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0, QColor(70, 130, 220));
    g.setColorAt(1, QColor(30, 70, 160));
    p.setPen(QPen(QColor(20, 40, 100), 1));
    p.setBrush(g);
    p.drawRoundedRect(body, 3, 3);
}

} // namespace

QImage drawDeviceIcon(int size) {
    Canvas c(size);
    QLinearGradient g(0, 8, 0, 26);
    g.setColorAt(0, QColor(110, 110, 120));
    g.setColorAt(1, QColor(45, 45, 55));
    c.p.setPen(QPen(QColor(20, 20, 25), 1));
    c.p.setBrush(g);
    c.p.drawRoundedRect(QRectF(2, 8, 28, 17), 3, 3);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(80, 230, 90));
    c.p.drawEllipse(QPointF(7, 13), 2, 2);
    c.p.setBrush(QColor(240, 70, 60));
    c.p.drawEllipse(QPointF(7, 20), 2, 2);
    c.p.setBrush(QColor(200, 200, 210));
    c.p.drawEllipse(QPointF(23, 16.5), 4.5, 4.5);
    c.p.setPen(QPen(QColor(40, 40, 40), 1.5));
    c.p.drawLine(QPointF(23, 16.5), QPointF(25.5, 13.5));
    c.p.setPen(QPen(QColor(160, 160, 170), 1));
    c.p.drawLine(QPointF(11, 12), QPointF(16, 12));
    c.p.drawLine(QPointF(11, 16), QPointF(16, 16));
    c.p.drawLine(QPointF(11, 20), QPointF(16, 20));
    return c.img;
}

QImage drawManufacturerIcon(int size) {
    Canvas c(size);
    QPainterPath hall;
    hall.moveTo(2, 29);
    hall.lineTo(2, 15);
    for (int i = 0; i < 3; ++i) { // saw-tooth roof
        hall.lineTo(2 + i * 8 + 8, 9);
        hall.lineTo(2 + i * 8 + 8, 15);
    }
    hall.lineTo(30, 15);
    hall.lineTo(30, 29);
    hall.closeSubpath();
    c.p.setPen(QPen(QColor(90, 40, 10), 1));
    c.p.setBrush(QColor(200, 110, 50));
    c.p.drawRect(QRectF(22, 3, 4, 9)); // chimney
    c.p.drawPath(hall);
    c.p.setBrush(QColor(255, 230, 140));
    for (int i = 0; i < 3; ++i)
        c.p.drawRect(QRectF(5 + i * 8, 18, 4, 4));
    c.p.setBrush(QColor(90, 50, 20));
    c.p.drawRect(QRectF(13, 23, 6, 6));
    return c.img;
}

QImage drawUsbFlashIcon(int size) {
    Canvas c(size);
    drawStick(c.p, QRectF(2, 9, 20, 14));
    return c.img;
}

QImage drawUsbFlashDeviceIcon(int size) {
    Canvas c(size);
    drawStick(c.p, QRectF(2, 3, 16, 11));
    c.p.setPen(QPen(QColor(20, 20, 25), 1));
    c.p.setBrush(QColor(70, 70, 80));
    c.p.drawRoundedRect(QRectF(8, 16, 22, 13), 2, 2);
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(QColor(80, 230, 90));
    c.p.drawEllipse(QPointF(12, 22.5), 2, 2);
    c.p.setBrush(QColor(200, 200, 210));
    c.p.drawEllipse(QPointF(24, 22.5), 3.5, 3.5);
    return c.img;
}

QImage drawWindowIcon(int size) {
    Canvas c(size);
    QRadialGradient g(QPointF(12, 10), 20);
    g.setColorAt(0, QColor(255, 190, 80));
    g.setColorAt(1, QColor(220, 100, 20));
    c.p.setPen(QPen(QColor(120, 50, 0), 1.5));
    c.p.setBrush(g);
    c.p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
    QPainterPath v;
    v.moveTo(7, 8);
    v.lineTo(12, 8);
    v.lineTo(16, 20);
    v.lineTo(20, 8);
    v.lineTo(25, 8);
    v.lineTo(18.5, 25);
    v.lineTo(13.5, 25);
    v.closeSubpath();
    c.p.setPen(Qt::NoPen);
    c.p.setBrush(Qt::white);
    c.p.drawPath(v);
    return c.img;
}

QImage drawLogo() {
    QImage img = blank(100, 100);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(QRect(18, 4, 64, 64), drawWindowIcon(64));
    // A stylised signal: the DMX line turning into serial pulses.
    p.setPen(QPen(QColor(40, 80, 160), 2));
    QPainterPath wave;
    wave.moveTo(6, 76);
    for (int x = 6; x < 50; x += 4)
        wave.quadTo(x + 1, 70 + ((x / 4) % 2) * 12, x + 4, 76);
    p.drawPath(wave);
    QPolygonF pulses;
    int x = 50;
    for (int i = 0; i < 6; ++i, x += 8)
        pulses << QPointF(x, 80) << QPointF(x, 72) << QPointF(x + 4, 72) << QPointF(x + 4, 80) << QPointF(x + 8, 80);
    p.drawPolyline(pulses);
    QFont f(QStringLiteral("Sans"), 12, QFont::Bold);
    f.setPixelSize(14);
    p.setFont(f);
    p.setPen(QColor(120, 50, 0));
    p.drawText(QRect(0, 82, 100, 18), Qt::AlignCenter, QStringLiteral("VORNE"));
    return img;
}

QImage drawLabelBackground() {
    QImage img(8, 128, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, 128);
    g.setColorAt(0, QColor(236, 240, 248));
    g.setColorAt(1, QColor(206, 216, 234));
    p.fillRect(img.rect(), g);
    return img;
}

QImage drawWhite() {
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

QImage drawNumber(int number, NumberKind kind) {
    QImage img = blank(30, 16);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = kind == NumberKind::Channel ? QColor(214, 228, 250) : QColor(218, 242, 214);
    const QColor edge = kind == NumberKind::Channel ? QColor(70, 110, 180) : QColor(70, 140, 70);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 29, 15), 4, 4);
    QFont f(QStringLiteral("Sans"));
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(20, 20, 30));
    p.drawText(img.rect(), Qt::AlignCenter, QString::number(number));
    return img;
}
