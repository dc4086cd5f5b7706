// Draws the client's pictures. Run assets/generator/build-and-run; the PNG files it writes are committed,
// so a normal build never runs this.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>

namespace {

const QColor kBrand(0x12, 0x9E, 0x8F);
const QColor kBrandDark(0x0B, 0x7A, 0x6F);
const QColor kIcon(0x6E, 0x80, 0x8F);

QImage canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

bool save(const QImage& img, const QString& dir, const char* name) {
    const QString path = dir + "/" + name;
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

QImage logo() {
    QImage img = canvas(20, 20);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(0.5, 0.5, 19, 19));
    // a young rice shoot: two leaves on a stem
    p.setBrush(kBrand);
    QPainterPath left;
    left.moveTo(10, 15);
    left.cubicTo(4, 14, 3, 8, 5, 5);
    left.cubicTo(9, 7, 10, 11, 10, 15);
    p.drawPath(left);
    QPainterPath right;
    right.moveTo(10, 15);
    right.cubicTo(16, 13, 16, 7, 15, 3);
    right.cubicTo(11, 5, 10, 10, 10, 15);
    p.drawPath(right);
    p.setPen(QPen(kBrandDark, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 17), QPointF(10, 11));
    return img;
}

// The logo drawn at a larger size, for the picture boxes of the update and about windows.
QImage logoAt(int size) {
    QImage img = canvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 20.0, size / 20.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(0.5, 0.5, 19, 19));
    p.setBrush(kBrand);
    QPainterPath left;
    left.moveTo(10, 15);
    left.cubicTo(4, 14, 3, 8, 5, 5);
    left.cubicTo(9, 7, 10, 11, 10, 15);
    p.drawPath(left);
    QPainterPath right;
    right.moveTo(10, 15);
    right.cubicTo(16, 13, 16, 7, 15, 3);
    right.cubicTo(11, 5, 10, 10, 10, 15);
    p.drawPath(right);
    p.setPen(QPen(kBrandDark, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 17), QPointF(10, 11));
    return img;
}

QImage iconUser() {
    QImage img = canvas(24, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kIcon, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(7.5, 3.5, 9, 9));
    QPainterPath body;
    body.moveTo(3.5, 21);
    body.cubicTo(4, 15.5, 8, 14, 12, 14);
    body.cubicTo(16, 14, 20, 15.5, 20.5, 21);
    p.drawPath(body);
    return img;
}

QImage iconLock() {
    QImage img = canvas(24, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kIcon, 1.8));
    p.drawRoundedRect(QRectF(4.5, 10.5, 15, 11), 2, 2);
    QPainterPath shackle;
    shackle.moveTo(8, 10.5);
    shackle.lineTo(8, 7.5);
    shackle.cubicTo(8, 2.5, 16, 2.5, 16, 7.5);
    shackle.lineTo(16, 10.5);
    p.drawPath(shackle);
    p.setPen(Qt::NoPen);
    p.setBrush(kIcon);
    p.drawEllipse(QRectF(10.5, 14, 3, 3));
    p.drawRect(QRectF(11.3, 16, 1.4, 3));
    return img;
}

QImage iconMail() {
    QImage img = canvas(24, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kIcon, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawRoundedRect(QRectF(3, 5.5, 18, 13), 2, 2);
    QPainterPath flap;
    flap.moveTo(3.8, 6.8);
    flap.lineTo(12, 13);
    flap.lineTo(20.2, 6.8);
    p.drawPath(flap);
    return img;
}

QImage entryRow() {
    QImage img = canvas(230, 40);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0xD3, 0xDA, 0xE1), 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(0.5, 0.5, 229, 39), 5, 5);
    p.setPen(QPen(QColor(0xE6, 0xEA, 0xEE), 1));
    p.drawLine(QPointF(40.5, 9), QPointF(40.5, 31));
    return img;
}

QImage buttonFrame(int w, int h) {
    QImage img = canvas(w, h);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBrandDark, 1));
    p.setBrush(kBrand);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);
    return img;
}

QImage backArrow(bool hover) {
    QImage img = canvas(23, 18);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(hover ? kBrand : QColor(0xE4, 0xF3, 0xF1));
    p.drawRoundedRect(QRectF(0, 0, 23, 18), 9, 9);
    p.setPen(QPen(hover ? Qt::white : kBrandDark, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(6.5, 9), QPointF(16.5, 9));
    p.drawLine(QPointF(6.5, 9), QPointF(10.5, 5));
    p.drawLine(QPointF(6.5, 9), QPointF(10.5, 13));
    return img;
}

QImage noticeStrip() {
    QImage img = canvas(380, 24);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xF7, 0xE3));
    p.drawRoundedRect(QRectF(0, 2, 380, 20), 10, 10);
    // a small loudspeaker at the left end
    QColor horn(0xE0, 0x9A, 0x1F);
    p.setBrush(horn);
    QPainterPath sp;
    sp.moveTo(7, 10);
    sp.lineTo(10, 10);
    sp.lineTo(14, 6.5);
    sp.lineTo(14, 17.5);
    sp.lineTo(10, 14);
    sp.lineTo(7, 14);
    sp.closeSubpath();
    p.drawPath(sp);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(horn, 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(12, 8, 6, 8), -60 * 16, 120 * 16);
    p.drawArc(QRectF(12, 5.5, 9, 13), -60 * 16, 120 * 16);
    return img;
}

QImage connecting(const QString& family) {
    QImage img(400, 300, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // a cloud with a link below it
    const QPointF c(200, 78);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE4, 0xF3, 0xF1));
    p.drawEllipse(c, 62, 62);
    p.setBrush(kBrand);
    QPainterPath cloud;
    cloud.addEllipse(QRectF(c.x() - 34, c.y() - 12, 30, 30));
    cloud.addEllipse(QRectF(c.x() - 16, c.y() - 30, 40, 40));
    cloud.addEllipse(QRectF(c.x() + 8, c.y() - 14, 28, 28));
    cloud.addRoundedRect(QRectF(c.x() - 34, c.y() + 2, 70, 16), 8, 8);
    cloud.setFillRule(Qt::WindingFill);
    p.drawPath(cloud);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(c.x() + 1, c.y() - 10), QPointF(c.x() + 1, c.y() + 8));
    p.drawLine(QPointF(c.x() - 6, c.y() + 1), QPointF(c.x() + 1, c.y() + 8));
    p.drawLine(QPointF(c.x() + 8, c.y() + 1), QPointF(c.x() + 1, c.y() + 8));
    // progress dots
    p.setPen(Qt::NoPen);
    const QColor dots[] = {kBrand, QColor(0x6C, 0xC4, 0xBA), QColor(0xB5, 0xE2, 0xDC)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(dots[i]);
        p.drawEllipse(QPointF(186 + i * 14, 164), 4, 4);
    }
    QFont f(family);
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(QColor(0x33, 0x3D, 0x47));
    p.drawText(QRectF(0, 178, 400, 24), Qt::AlignCenter, QString::fromUtf8("正在连接服务器，请稍候"));
    f.setPixelSize(12);
    p.setFont(f);
    p.setPen(QColor(0x8A, 0x96, 0xA3));
    p.drawText(QRectF(0, 202, 400, 20), Qt::AlignCenter, QString::fromUtf8("读取服务器设置后即可登录"));
    return img;
}


// The title band: brand gradient with soft light circles; the window's own controls sit on top of it.
QImage banner(int w, int h, bool withShoot = true) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, w, h);
    g.setColorAt(0, QColor(0x17, 0xB0, 0x9F));
    g.setColorAt(1, QColor(0x0B, 0x7F, 0x73));
    p.fillRect(0, 0, w, h, g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 22));
    p.drawEllipse(QPointF(w - 60, h + 10), 110, 110);
    p.setBrush(QColor(255, 255, 255, 16));
    p.drawEllipse(QPointF(w - 170, -40), 80, 80);
    p.setBrush(QColor(255, 255, 255, 12));
    p.drawEllipse(QPointF(40, h + 30), 70, 70);
    if (!withShoot) return img; // for windows that put their own logo in the band
    // a large shoot, the logo's shape, in the middle of the band
    const double cx = w / 2.0, base = h - 22.0, s = 2.6;
    p.setBrush(QColor(255, 255, 255, 235));
    QPainterPath left;
    left.moveTo(cx, base);
    left.cubicTo(cx - 6 * s, base - 1 * s, cx - 7 * s, base - 7 * s, cx - 5 * s, base - 10 * s);
    left.cubicTo(cx - 1 * s, base - 8 * s, cx, base - 4 * s, cx, base);
    p.drawPath(left);
    QPainterPath right;
    right.moveTo(cx, base);
    right.cubicTo(cx + 6 * s, base - 2 * s, cx + 6 * s, base - 8 * s, cx + 5 * s, base - 12 * s);
    right.cubicTo(cx + 1 * s, base - 10 * s, cx, base - 5 * s, cx, base);
    p.drawPath(right);
    p.setPen(QPen(QColor(255, 255, 255, 235), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(cx, base + 6), QPointF(cx, base - 4));
    return img;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_assets OUTPUT_DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString family = QStringLiteral("Noto Sans CJK SC");
    bool ok = save(logo(), dir, "logo.png") && save(iconUser(), dir, "icon_user.png") &&
              save(iconLock(), dir, "icon_lock.png") && save(iconMail(), dir, "icon_mail.png") &&
              save(entryRow(), dir, "entry_row.png") && save(buttonFrame(230, 32), dir, "button_frame.png") &&
              save(buttonFrame(220, 32), dir, "button_frame_220.png") &&
              save(buttonFrame(200, 30), dir, "button_frame_200.png") && save(backArrow(false), dir, "back.png") &&
              save(backArrow(true), dir, "back_hover.png") && save(noticeStrip(), dir, "notice_strip.png") &&
              save(connecting(family), dir, "connecting.png") &&
              save(banner(400, 120), dir, "banner_400.png") && save(banner(950, 120), dir, "banner_950.png") &&
              save(banner(400, 120, false), dir, "band_400.png") && save(banner(350, 80, false), dir, "band_350.png") &&
              save(logoAt(48), dir, "logo_48.png") && save(buttonFrame(150, 32), dir, "button_frame_150.png");
    return ok ? 0 : 1;
}
