// Draws the client's pictures. Run assets/generator/build-and-run; the PNG files it writes are committed,
// so a normal build never runs this.
#include <QFont>
#include <QFontMetricsF>
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

// The logo (a young rice shoot on a white disc) drawn on a 20-pixel grid and scaled to size: 20 for the title
// bands, 48 for the picture boxes of the update and about windows.
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

// ---- Advertisement banners for the personal-centre carousel (490 x 240) ----

QFont adFont(const QString& family, int px, bool bold) {
    QFont f(family);
    f.setPixelSize(px);
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

// White text with a faint shadow so it stays readable on the lighter end of a gradient.
void adText(QPainter& p, const QPointF& at, const QString& text, const QFont& font, const QColor& color,
            int shadowAlpha = 40) {
    p.setFont(font);
    if (shadowAlpha > 0) {
        p.setPen(QColor(0, 0, 0, shadowAlpha));
        p.drawText(at + QPointF(0, 1.5), text);
    }
    p.setPen(color);
    p.drawText(at, text);
}

QImage adCanvas(const QColor& from, const QColor& to) {
    QImage img(490, 240, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 490, 240);
    g.setColorAt(0, from);
    g.setColorAt(1, to);
    p.fillRect(img.rect(), g);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 20));
    p.drawEllipse(QPointF(440, 250), 150, 150);
    p.setBrush(QColor(255, 255, 255, 14));
    p.drawEllipse(QPointF(330, -40), 90, 90);
    p.setBrush(QColor(255, 255, 255, 10));
    p.drawEllipse(QPointF(-20, 230), 80, 80);
    return img;
}

// Logo and product name in a corner, shared by all three banners.
void adBrandMark(QPainter& p, const QString& family, const QPointF& at, const QColor& leaf) {
    p.save();
    p.translate(at);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(0, 0, 20, 20));
    p.setBrush(leaf);
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
    p.setPen(QPen(leaf.darker(125), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 17), QPointF(10, 11));
    adText(p, QPointF(27, 15.5), QString::fromUtf8("青禾淘客"), adFont(family, 14, true), Qt::white, 0);
    p.restore();
}

// A rounded white pill with a call to action.
void adButton(QPainter& p, const QString& family, const QRectF& r, const QString& label, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 30));
    p.drawRoundedRect(r.translated(0, 2), r.height() / 2, r.height() / 2);
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
    p.setFont(adFont(family, 14, true));
    p.setPen(ink);
    p.drawText(r.adjusted(0, 0, -14, 0), Qt::AlignCenter, label);
    // a small chevron after the label
    const double cx = r.right() - 20, cy = r.center().y();
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(cx - 3, cy - 4.5), QPointF(cx + 1.5, cy));
    p.drawLine(QPointF(cx - 3, cy + 4.5), QPointF(cx + 1.5, cy));
}

// A small product card: picture block, two text lines and a price tag.
void adProductCard(QPainter& p, const QRectF& r, const QColor& picture, const QColor& tag) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawRoundedRect(r.translated(0, 3), 8, 8);
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, 8, 8);
    const QRectF pic(r.left() + 8, r.top() + 8, r.width() - 16, r.height() * 0.5);
    p.setBrush(picture);
    p.drawRoundedRect(pic, 5, 5);
    // a shopping-bag glyph on the picture block
    const QPointF c = pic.center();
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawRoundedRect(QRectF(c.x() - 11, c.y() - 6, 22, 18), 3, 3);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 210), 2));
    p.drawArc(QRectF(c.x() - 6, c.y() - 13, 12, 14), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE3, 0xE8, 0xEC));
    const double y1 = pic.bottom() + 9;
    p.drawRoundedRect(QRectF(r.left() + 8, y1, r.width() - 16, 5), 2.5, 2.5);
    p.drawRoundedRect(QRectF(r.left() + 8, y1 + 10, (r.width() - 16) * 0.6, 5), 2.5, 2.5);
    p.setBrush(tag);
    p.drawRoundedRect(QRectF(r.left() + 8, r.bottom() - 17, 30, 10), 5, 5);
}

QImage adCollect(const QString& family) {
    QImage img = adCanvas(QColor(0x1B, 0xB5, 0xA3), QColor(0x0A, 0x78, 0x6C));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    adBrandMark(p, family, QPointF(28, 22), kBrand);
    adText(p, QPointF(28, 78), QString::fromUtf8("青禾淘客 · 一键采集全网优惠商品"), adFont(family, 25, true), Qt::white);

    // the filter conditions as chips, then the rest of the line
    QFont chipFont = adFont(family, 13, false);
    QFontMetricsF fm(chipFont);
    double x = 28;
    const double y = 94;
    for (const char* word : {"关键词", "销量", "佣金比例", "价格区间"}) {
        const QString t = QString::fromUtf8(word);
        const double w = fm.horizontalAdvance(t) + 20;
        p.setPen(QPen(QColor(255, 255, 255, 120), 1));
        p.setBrush(QColor(255, 255, 255, 40));
        p.drawRoundedRect(QRectF(x, y, w, 24), 12, 12);
        p.setFont(chipFont);
        p.setPen(Qt::white);
        p.drawText(QRectF(x, y, w, 24), Qt::AlignCenter, t);
        x += w + 6;
    }
    adText(p, QPointF(x + 4, y + 17), QString::fromUtf8("多条件筛选"), adFont(family, 14, false), Qt::white, 30);

    adButton(p, family, QRectF(28, 176, 122, 36), QString::fromUtf8("立即采集"), kBrandDark);

    // three product cards fanned out with a magnifier over them
    p.save();
    p.translate(322, 198);
    const QColor pics[] = {QColor(0xFF, 0xB4, 0x6B), QColor(0x7F, 0xB8, 0xF0), QColor(0x8C, 0xD8, 0x9E)};
    const double angles[] = {-12, 0, 12};
    const double offsets[] = {-58, 0, 58};
    for (int i : {0, 2, 1}) {
        p.save();
        p.translate(offsets[i], i == 1 ? -8 : 0);
        p.rotate(angles[i]);
        adProductCard(p, QRectF(-32, -58, 64, 82), pics[i], QColor(0xFF, 0x6A, 0x3D));
        p.restore();
    }
    p.restore();
    const QPointF lens(430, 182);
    p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawEllipse(lens, 19, 19);
    p.drawLine(lens + QPointF(14, 14), lens + QPointF(26, 26));
    return img;
}

QImage adCommission(const QString& family) {
    QImage img = adCanvas(QColor(0xFF, 0x9F, 0x43), QColor(0xEE, 0x55, 0x2A));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    adBrandMark(p, family, QPointF(28, 22), QColor(0xEE, 0x6A, 0x2E));
    const QFont title = adFont(family, 34, true);
    adText(p, QPointF(28, 96), QString::fromUtf8("高佣金好货"), title, Qt::white, 50);
    adText(p, QPointF(28, 138), QString::fromUtf8("实时更新"), title, QColor(0xFF, 0xF4, 0xC8), 50);
    adText(p, QPointF(28, 166), QString::fromUtf8("按佣金比例筛选，轻松找到赚钱商品"), adFont(family, 14, false), Qt::white,
           35);
    adButton(p, family, QRectF(28, 184, 122, 36), QString::fromUtf8("查看好货"), QColor(0xE0, 0x55, 0x24));

    // rising bars with a trend arrow, and a percent badge
    const QColor bar(255, 255, 255, 200);
    p.setPen(Qt::NoPen);
    const double heights[] = {40, 62, 86, 118};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(i == 3 ? QColor(0xFF, 0xF4, 0xC8) : bar);
        p.drawRoundedRect(QRectF(306 + i * 36, 210 - heights[i], 24, heights[i]), 5, 5);
    }
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath trend;
    trend.moveTo(300, 150);
    trend.lineTo(340, 128);
    trend.lineTo(370, 138);
    trend.lineTo(408, 104);
    p.drawPath(trend);
    QPainterPath head;
    head.moveTo(418, 95);
    head.lineTo(400, 99);
    head.lineTo(414, 113);
    head.closeSubpath();
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(head);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 30));
    p.drawEllipse(QPointF(440, 54), 29, 29);
    p.setBrush(QColor(0xFF, 0xD5, 0x4A));
    p.drawEllipse(QPointF(440, 52), 29, 29);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xF0, 0xA8, 0x1E), 2));
    p.drawEllipse(QPointF(440, 52), 23, 23);
    p.setFont(adFont(family, 26, true));
    p.setPen(QColor(0xD9, 0x4A, 0x1C));
    p.drawText(QRectF(411, 23, 58, 58), Qt::AlignCenter, QStringLiteral("%"));
    // a coin beside the bars
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xD5, 0x4A));
    p.drawEllipse(QPointF(283, 196), 15, 15);
    p.setPen(QPen(QColor(0xF0, 0xA8, 0x1E), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(283, 196), 11, 11);
    p.setFont(adFont(family, 15, true));
    p.setPen(QColor(0xD9, 0x4A, 0x1C));
    p.drawText(QRectF(268, 181, 30, 30), Qt::AlignCenter, QString::fromUtf8("¥"));
    return img;
}

QImage adExport(const QString& family) {
    QImage img = adCanvas(QColor(0x4A, 0x9B, 0xFF), QColor(0x22, 0x5C, 0xD6));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    adBrandMark(p, family, QPointF(28, 22), kBrand);
    const QFont title = adFont(family, 34, true);
    adText(p, QPointF(28, 96), QString::fromUtf8("采集结果"), title, Qt::white, 50);
    adText(p, QPointF(28, 138), QString::fromUtf8("一键导出"), title, QColor(0xD6, 0xEC, 0xFF), 50);
    adText(p, QPointF(28, 166), QString::fromUtf8("勾选需要的列，保存为文本文件"), adFont(family, 14, false), Qt::white, 35);
    adButton(p, family, QRectF(28, 184, 122, 36), QString::fromUtf8("马上导出"), QColor(0x22, 0x5C, 0xD6));

    // a result sheet with ticked column heads
    const QRectF sheet(262, 40, 150, 160);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 35));
    p.drawRoundedRect(sheet.translated(0, 4), 10, 10);
    p.setBrush(Qt::white);
    p.drawRoundedRect(sheet, 10, 10);
    const QColor blue(0x2F, 0x74, 0xE8), grey(0xE2, 0xE8, 0xF0);
    const bool ticked[] = {true, false, true};
    for (int c = 0; c < 3; ++c) {
        const QRectF box(sheet.left() + 14 + c * 44, sheet.top() + 14, 14, 14);
        if (ticked[c]) {
            p.setPen(Qt::NoPen);
            p.setBrush(blue);
            p.drawRoundedRect(box, 3, 3);
            p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(box.topLeft() + QPointF(3.5, 7.5), box.topLeft() + QPointF(6, 10));
            p.drawLine(box.topLeft() + QPointF(6, 10), box.topLeft() + QPointF(10.5, 4.5));
        } else {
            p.setPen(QPen(QColor(0xB4, 0xC0, 0xCE), 1.5));
            p.setBrush(Qt::white);
            p.drawRoundedRect(box.adjusted(0.75, 0.75, -0.75, -0.75), 3, 3);
        }
        p.setPen(Qt::NoPen);
        p.setBrush(ticked[c] ? QColor(0xC4, 0xD8, 0xFA) : grey);
        p.drawRoundedRect(QRectF(box.right() + 4, box.top() + 4, 18, 6), 3, 3);
        for (int r = 0; r < 6; ++r) {
            p.setBrush(ticked[c] ? QColor(0xDC, 0xE8, 0xFC) : QColor(0xEE, 0xF1, 0xF5));
            const double w = 30 - ((r * 7 + c * 5) % 12);
            p.drawRoundedRect(QRectF(box.left(), sheet.top() + 42 + r * 18, w, 7), 3.5, 3.5);
        }
    }
    p.setPen(QPen(grey, 1));
    p.drawLine(QPointF(sheet.left() + 10, sheet.top() + 35), QPointF(sheet.right() - 10, sheet.top() + 35));

    // a text file with a folded corner and a download arrow
    const QRectF doc(388, 98, 70, 88);
    QPainterPath page;
    page.moveTo(doc.left() + 8, doc.top());
    page.lineTo(doc.right() - 20, doc.top());
    page.lineTo(doc.right(), doc.top() + 20);
    page.lineTo(doc.right(), doc.bottom() - 8);
    page.quadTo(doc.right(), doc.bottom(), doc.right() - 8, doc.bottom());
    page.lineTo(doc.left() + 8, doc.bottom());
    page.quadTo(doc.left(), doc.bottom(), doc.left(), doc.bottom() - 8);
    page.lineTo(doc.left(), doc.top() + 8);
    page.quadTo(doc.left(), doc.top(), doc.left() + 8, doc.top());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40));
    p.drawPath(page.translated(0, 4));
    p.setBrush(QColor(0xFF, 0xC1, 0x3D));
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(doc.right() - 20, doc.top());
    fold.lineTo(doc.right() - 20, doc.top() + 14);
    fold.quadTo(doc.right() - 20, doc.top() + 20, doc.right() - 14, doc.top() + 20);
    fold.lineTo(doc.right(), doc.top() + 20);
    fold.closeSubpath();
    p.setBrush(QColor(0xE0, 0x9A, 0x10));
    p.drawPath(fold);
    p.setFont(adFont(family, 15, true));
    p.setPen(Qt::white);
    p.drawText(QRectF(doc.left(), doc.top() + 26, doc.width(), 22), Qt::AlignCenter, QStringLiteral("TXT"));
    const QPointF a(doc.center().x(), doc.top() + 56);
    p.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(a, a + QPointF(0, 18));
    p.drawLine(a + QPointF(-8, 10), a + QPointF(0, 18));
    p.drawLine(a + QPointF(8, 10), a + QPointF(0, 18));
    return img;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_assets OUTPUT_DIR [ADS_DIR]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QString family = QStringLiteral("Noto Sans CJK SC");
    bool ok = save(logoAt(20), dir, "logo.png") && save(iconUser(), dir, "icon_user.png") &&
              save(iconLock(), dir, "icon_lock.png") && save(iconMail(), dir, "icon_mail.png") &&
              save(entryRow(), dir, "entry_row.png") && save(buttonFrame(230, 32), dir, "button_frame.png") &&
              save(buttonFrame(220, 32), dir, "button_frame_220.png") &&
              save(buttonFrame(200, 30), dir, "button_frame_200.png") && save(backArrow(false), dir, "back.png") &&
              save(backArrow(true), dir, "back_hover.png") && save(noticeStrip(), dir, "notice_strip.png") &&
              save(connecting(family), dir, "connecting.png") &&
              save(banner(400, 120), dir, "banner_400.png") && save(banner(950, 120), dir, "banner_950.png") &&
              save(banner(400, 120, false), dir, "band_400.png") && save(banner(350, 80, false), dir, "band_350.png") &&
              save(logoAt(48), dir, "logo_48.png") && save(buttonFrame(150, 32), dir, "button_frame_150.png");
    // the carousel pictures are served by sample-search, not built into the client
    if (ok && argc > 2) {
        const QString ads = QString::fromLocal8Bit(argv[2]);
        ok = save(adCollect(family), ads, "ad1.png") && save(adCommission(family), ads, "ad2.png") &&
             save(adExport(family), ads, "ad3.png");
    }
    return ok ? 0 : 1;
}
