#include "ui/widgets.h"

#include "text/encoding.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFontDatabase>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace tk {

QString UiFontFamily() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* name : {"微软雅黑", "Microsoft YaHei", "Noto Sans CJK SC", "Noto Sans SC"}) {
            const QString f = QString::fromUtf8(name);
            if (families.contains(f)) return f;
        }
        return QStringLiteral("Noto Sans CJK SC");
    }();
    return family;
}

QFont UiFont(int pixelSize) {
    QFont font(UiFontFamily());
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void ApplyApplicationLook(QApplication& app) {
    app.setFont(UiFont(13));
    QPalette pal = app.palette();
    pal.setColor(QPalette::Window, look::kPanel);
    pal.setColor(QPalette::WindowText, look::kText);
    pal.setColor(QPalette::Base, Qt::white);
    pal.setColor(QPalette::Text, look::kText);
    pal.setColor(QPalette::Highlight, look::kBrand);
    pal.setColor(QPalette::HighlightedText, Qt::white);
    pal.setColor(QPalette::PlaceholderText, look::kMutedText);
    app.setPalette(pal);
}

void SetTimerPeriod(QTimer& timer, int ms) {
    if (ms <= 0) {
        timer.stop();
        return;
    }
    timer.start(ms);
}

// ---------------------------------------------------------------------------------------------------------
namespace {
int g_liveWindows = 0;
bool g_quitWhenAllGone = false;
} // namespace

BorderlessWindow::BorderlessWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    ++g_liveWindows;
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, look::kPanel);
    setPalette(pal);
}

BorderlessWindow::~BorderlessWindow() {
    if (--g_liveWindows == 0 && g_quitWhenAllGone) QCoreApplication::quit();
}

void BorderlessWindow::giveDropShadow() {
    // Frameless windows get their shadow from the window system (Windows, macOS, composited desktops);
    // clearing the opt-out is all there is to do, and it leaves the window's figures alone.
    if (windowFlags() & Qt::NoDropShadowWindowHint) setWindowFlag(Qt::NoDropShadowWindowHint, false);
}

bool BorderlessWindow::destroyWindow() {
    if (m_destroying) return false;
    m_destroying = true;
    willBeDestroyed();
    hide();
    deleteLater();
    return true;
}

void BorderlessWindow::setQuitWhenAllGone(bool on) { g_quitWhenAllGone = on; }
int BorderlessWindow::liveCount() { return g_liveWindows; }

void BorderlessWindow::closeEvent(QCloseEvent* event) {
    // A close from the window system destroys the window the same way as any other request.
    event->ignore();
    destroyWindow();
}

// ---------------------------------------------------------------------------------------------------------
ShapeBox::ShapeBox(QWidget* parent) : QWidget(parent), m_top(look::kBrand), m_bottom(look::kBrand) {}

void ShapeBox::setColors(const QColor& top, const QColor& bottom) {
    m_top = top;
    m_bottom = bottom;
    update();
}

void ShapeBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, m_top);
    g.setColorAt(1, m_bottom);
    p.fillRect(rect(), g);
    if (!m_picture.isNull()) p.drawImage(0, 0, m_picture);
}

void ShapeBox::setPicture(const QImage& image) {
    m_picture = image;
    update();
}

void ShapeBox::mousePressEvent(QMouseEvent* e) {
    if (!m_drags || e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
    QWidget* top = window();
    if (top->windowHandle() && top->windowHandle()->startSystemMove()) return;
    m_dragging = true;
    m_grab = e->globalPosition().toPoint() - top->frameGeometry().topLeft();
}

void ShapeBox::mouseMoveEvent(QMouseEvent* e) {
    if (m_dragging && (e->buttons() & Qt::LeftButton)) window()->move(e->globalPosition().toPoint() - m_grab);
    QWidget::mouseMoveEvent(e);
}

void ShapeBox::mouseReleaseEvent(QMouseEvent* e) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(e);
}

// ---------------------------------------------------------------------------------------------------------
TransparentLabel::TransparentLabel(QWidget* parent) : QLabel(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    // Clicks and drags fall through to the title area below.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TransparentLabel::setTextColor(const QColor& color) {
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

// ---------------------------------------------------------------------------------------------------------
HyperlinkLabel::HyperlinkLabel(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, look::kLink);
    setPalette(pal);
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        emit leftButtonDown();
        return;
    }
    QLabel::mousePressEvent(e);
}

void HyperlinkLabel::enterEvent(QEnterEvent* e) {
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    QLabel::enterEvent(e);
}

void HyperlinkLabel::leaveEvent(QEvent* e) {
    QFont f = font();
    f.setUnderline(false);
    setFont(f);
    QLabel::leaveEvent(e);
}

// ---------------------------------------------------------------------------------------------------------
PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {}

void PictureBox::setPicture(const QImage& image) {
    m_image = image;
    update();
}

void PictureBox::setStretch(bool on) {
    m_stretch = on;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    if (m_image.isNull()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    if (m_stretch)
        p.drawImage(rect(), m_image);
    else
        p.drawImage(0, 0, m_image);
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit leftButtonDown();
    QWidget::mousePressEvent(e);
}

// ---------------------------------------------------------------------------------------------------------
PictureButton::PictureButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void PictureButton::setPictures(const QImage& normal, const QImage& hover) {
    m_normal = normal;
    m_hover = hover;
    update();
}

void PictureButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage& img = (m_over && !m_hover.isNull()) ? m_hover : m_normal;
    if (!img.isNull()) p.drawImage(0, 0, img);
}

void PictureButton::enterEvent(QEnterEvent* e) {
    m_over = true;
    update();
    QAbstractButton::enterEvent(e);
}

void PictureButton::leaveEvent(QEvent* e) {
    m_over = false;
    update();
    QAbstractButton::leaveEvent(e);
}

// ---------------------------------------------------------------------------------------------------------
OwnerDrawnButton::OwnerDrawnButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFont(UiFont(14));
}

void OwnerDrawnButton::setStyle(Style style) {
    m_style = style;
    update();
}

void OwnerDrawnButton::setSecondText(const QString& text) {
    m_second = text;
    setToolTip(text);
}

void OwnerDrawnButton::setSelected(bool on) {
    m_selected = on;
    update();
}

void OwnerDrawnButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill, text;
    if (m_style == Style::Filled) {
        fill = !isEnabled()              ? QColor(0x9C, 0xCF, 0xC9)
               : isDown()                ? look::kBrandDark
               : (m_over || m_selected) ? look::kBrandLight
                                         : look::kBrand;
        text = Qt::white;
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(r, 4, 4);
    } else {
        text = Qt::white;
        if (m_selected) {
            fill = look::kPanel;
            text = look::kBrandDark;
        } else if (isDown()) {
            fill = QColor(0, 0, 0, 40);
        } else if (m_over) {
            fill = QColor(255, 255, 255, 40);
        }
        if (fill.isValid()) p.fillRect(rect(), fill);
        if (!isEnabled()) text.setAlpha(120);
    }
    p.setPen(text);
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter, this->text());
}

void OwnerDrawnButton::enterEvent(QEnterEvent* e) {
    m_over = true;
    update();
    QAbstractButton::enterEvent(e);
}

void OwnerDrawnButton::leaveEvent(QEvent* e) {
    m_over = false;
    update();
    QAbstractButton::leaveEvent(e);
}

// ---------------------------------------------------------------------------------------------------------
PageControl::PageControl(QWidget* parent) : QStackedWidget(parent) {}

void PageControl::setPageCount(int count) {
    while (this->count() < count) {
        auto* page = new QWidget(this);
        page->setObjectName(QString(QChar(u'A' + this->count())));
        addWidget(page);
    }
}

// ---------------------------------------------------------------------------------------------------------
EditBox::EditBox(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setFont(UiFont(14));
    setTextMargins(2, 0, 2, 0);
}

void EditBox::setMasked(bool on) { setEchoMode(on ? QLineEdit::Password : QLineEdit::Normal); }

void EditBox::setCentred(bool on) { setAlignment(on ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter)); }

std::string EditBox::gbkText() const { return ToGbk(text()); }

void EditBox::setGbkText(const std::string& gbk) { setText(FromGbk(gbk)); }

// ---------------------------------------------------------------------------------------------------------
PopupMenu::PopupMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {
    setFont(UiFont(13));
    setStyleSheet(QStringLiteral(
        "QMenu { background: white; border: 1px solid #cfd8dc; padding: 4px 0; }"
        "QMenu::item { padding: 6px 28px 6px 22px; color: #333d47; }"
        "QMenu::item:selected { background: #e4f3f1; color: #0b7a6f; }"
        "QMenu::separator { height: 1px; background: #e6eaee; margin: 4px 8px; }"));
}

QAction* PopupMenu::addEntry(const QString& text, std::function<void()> action) {
    QAction* a = addAction(text);
    QObject::connect(a, &QAction::triggered, this, [action = std::move(action)] {
        if (action) action();
    });
    return a;
}

void PopupMenu::popUpAtMouse() { popup(QCursor::pos()); }

} // namespace tk
