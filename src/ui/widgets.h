#pragma once
// The small widget kit the windows are built from. Every control is placed with absolute geometry and
// carries the name its window gives it as objectName (see TK_PLACE).
#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStackedWidget>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

class QApplication;

namespace tk {

// Colours of the one look all windows share.
namespace look {
inline const QColor kBrand{0x12, 0x9E, 0x8F};
inline const QColor kBrandDark{0x0B, 0x7A, 0x6F};
inline const QColor kBrandLight{0x3F, 0xB8, 0xAA};
inline const QColor kPanel{0xFF, 0xFF, 0xFF};
inline const QColor kText{0x33, 0x3D, 0x47};
inline const QColor kMutedText{0x8A, 0x96, 0xA3};
inline const QColor kLink{0x0E, 0x8C, 0x80};
} // namespace look

// "微软雅黑" where it is installed, otherwise the CJK face that Linux ships.
QString UiFontFamily();
QFont UiFont(int pixelSize);
// Application font and palette; called once by the start routine (and by the GUI tests).
void ApplyApplicationLook(QApplication& app);

// Creates a control of the given type as a child of parent, names it after the member and places it.
#define TK_PLACE(member, Type, parent, x, y, w, h)                                                               \
    do {                                                                                                       \
        member = new Type(parent);                                                                             \
        member->setObjectName(QString::fromUtf8(#member));                                                     \
        member->setGeometry((x), (y), (w), (h));                                                               \
    } while (0)

// A period of 0 stops the timer; any other period (re)starts its count-down.
void SetTimerPeriod(QTimer& timer, int ms);

// Top-level window without a system frame. Its geometry figures are the window's outer figures.
// Destruction goes through destroyWindow(), which runs willBeDestroyed() exactly once, whatever asked for it.
class BorderlessWindow : public QWidget {
    Q_OBJECT
public:
    explicit BorderlessWindow(QWidget* parent = nullptr);
    ~BorderlessWindow() override;

    // A shadow only where the window system draws one outside the window; never one that changes geometry.
    void giveDropShadow();

    // Runs willBeDestroyed() and deletes the window later. False when destruction is already under way.
    bool destroyWindow();
    bool beingDestroyed() const { return m_destroying; }

    // When set (the client does, tests do not), the application quits once no such window is left.
    static void setQuitWhenAllGone(bool on);
    static int liveCount();

protected:
    virtual void willBeDestroyed() {}
    void closeEvent(QCloseEvent* event) override;

private:
    bool m_destroying = false;
};

// A filled rectangle; with dragsWindow the user moves the top-level window by dragging it (the title area).
class ShapeBox : public QWidget {
    Q_OBJECT
public:
    explicit ShapeBox(QWidget* parent = nullptr);
    void setColors(const QColor& top, const QColor& bottom);
    void setPicture(const QImage& image); // drawn over the colours from the top-left corner
    void setDragsWindow(bool on) { m_drags = on; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    QColor m_top, m_bottom;
    QImage m_picture;
    bool m_drags = false;
    bool m_dragging = false;
    QPoint m_grab;
};

// A label without background, in a chosen text colour.
class TransparentLabel : public QLabel {
    Q_OBJECT
public:
    explicit TransparentLabel(QWidget* parent = nullptr);
    void setTextColor(const QColor& color);
};

// An underlined link text that acts on the left button going down (not on release).
class HyperlinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit HyperlinkLabel(QWidget* parent = nullptr);
signals:
    void leftButtonDown();

protected:
    void mousePressEvent(QMouseEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
};

// Shows a picture at its natural size from the top-left corner (or stretched to the box); also a parent for
// the controls drawn over it.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);
    void setPicture(const QImage& image);
    QImage picture() const { return m_image; }
    void setStretch(bool on);
signals:
    void leftButtonDown();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;

private:
    QImage m_image;
    bool m_stretch = false;
};

// A button that is only a picture (with an optional second picture while the mouse is over it).
class PictureButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget* parent = nullptr);
    void setPictures(const QImage& normal, const QImage& hover = {});

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    QImage m_normal, m_hover;
    bool m_over = false;
};

// Owner-drawn button: a caption, a second text shown as the hint, and a selected state for tab-like use.
class OwnerDrawnButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Style {
        Filled, // white caption on the brand colour, for a button sitting in its frame picture
        Band,   // caption on the title band (menu button, page buttons); selected = white tab
    };
    explicit OwnerDrawnButton(QWidget* parent = nullptr);
    void setStyle(Style style);
    void setSecondText(const QString& text);
    QString secondText() const { return m_second; }
    void setSelected(bool on);
    bool isSelected() const { return m_selected; }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    Style m_style = Style::Filled;
    QString m_second;
    bool m_selected = false;
    bool m_over = false;
};

// Page control switched by index only; draws no tabs. Pages are created up front.
class PageControl : public QStackedWidget {
    Q_OBJECT
public:
    explicit PageControl(QWidget* parent = nullptr);
    void setPageCount(int count);
    QWidget* page(int index) const { return widget(index); }
    void showPage(int index) { setCurrentIndex(index); }
    int currentPage() const { return currentIndex(); }
};

// Edit box with a length limit in characters and optional masking. Texts are exchanged as GBK.
class EditBox : public QLineEdit {
    Q_OBJECT
public:
    explicit EditBox(QWidget* parent = nullptr);
    void setLimit(int maxChars) { setMaxLength(maxChars > 0 ? maxChars : 32767); }
    void setMasked(bool on);
    void setCentred(bool on);
    std::string gbkText() const;
    void setGbkText(const std::string& gbk);
};

// A pop-up menu opened at the mouse position; entries run their action when chosen.
class PopupMenu : public QMenu {
    Q_OBJECT
public:
    explicit PopupMenu(const QString& title, QWidget* parent = nullptr);
    QAction* addEntry(const QString& text, std::function<void()> action);
    void popUpAtMouse();
};

} // namespace tk
