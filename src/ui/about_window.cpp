#include "ui/about_window.h"

#include "text/encoding.h"
#include "ui/collapse.h"
#include "ui/png_image.h"

#include <QEventLoop>
#include <QPointer>

namespace tk {

namespace {
QString U(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

const char* const kSlogan = "专业淘客采集，推广轻松一步到位";

void SetTextColor(QLabel& label, const QColor& color) {
    QPalette pal = label.palette();
    pal.setColor(QPalette::WindowText, color);
    label.setPalette(pal);
}
} // namespace

AboutWindow::AboutWindow(AppState& app, QWidget* parent) : BorderlessWindow(parent), m_app(app) {
    setObjectName(QStringLiteral("AboutWindow"));
    setWindowTitle(U(about_text::kTitle));
    setGeometry(50, 50, 350, 220);

    TK_PLACE(外形框_导航, ShapeBox, this, 0, 0, 350, 80);
    外形框_导航->setPicture(Picture(QStringLiteral("band_350.png")));
    外形框_导航->setDragsWindow(true);
    TK_PLACE(透明标签_名称, TransparentLabel, 外形框_导航, 10, 0, 80, 30);
    透明标签_名称->setText(U(about_text::kTitle));
    透明标签_名称->setTextColor(Qt::white);
    QFont titleFont = UiFont(14);
    titleFont.setBold(true);
    透明标签_名称->setFont(titleFont);
    透明标签_名称->setAttribute(Qt::WA_TransparentForMouseEvents);
    TK_PLACE(按钮_关闭, OwnerDrawnButton, 外形框_导航, 320, 0, 30, 30);
    按钮_关闭->setStyle(OwnerDrawnButton::Style::Band);
    按钮_关闭->setText(U(about_text::kClose));
    按钮_关闭->setFont(UiFont(16));
    connect(按钮_关闭, &QAbstractButton::clicked, this, [this] { closeFromButton(); });

    TK_PLACE(图片框1, PictureBox, this, 20, 87, 48, 48);
    图片框1->setPicture(Picture(QStringLiteral("logo_48.png")));
    TK_PLACE(标签3, QLabel, this, 85, 90, 180, 48);
    QFont nameFont = UiFont(20);
    nameFont.setBold(true);
    标签3->setFont(nameFont);
    SetTextColor(*标签3, look::kText);
    TK_PLACE(标签1, QLabel, this, 20, 150, 100, 24);
    标签1->setText(U(about_text::kCurrentVersionForm));
    标签1->setFont(UiFont(13));
    SetTextColor(*标签1, Qt::black);
    TK_PLACE(标签2, QLabel, this, 20, 180, 100, 24);
    标签2->setText(U(about_text::kLatestVersionForm));
    标签2->setFont(UiFont(13));
    SetTextColor(*标签2, Qt::black);
    TK_PLACE(标签5, QLabel, this, 130, 180, 200, 24);
    标签5->setText(QString::fromUtf8(kSlogan));
    标签5->setFont(UiFont(12));
    标签5->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetTextColor(*标签5, look::kMutedText);
}

void AboutWindow::showAbout() { fill(ShowAbout(m_app)); }

void AboutWindow::fill(const AboutData& data) {
    SetTextColor(*标签2, data.latestHighlighted ? kAboutHighlight : QColor(Qt::black));
    标签3->setText(FromGbk(data.productName));
    标签1->setText(FromGbk(data.currentVersion));
    标签2->setText(FromGbk(data.latestVersion));
}

void AboutWindow::closeFromButton() { CollapseAndDestroy(this, 20); }

void AboutWindow::willBeDestroyed() { CollapseAndDestroy(this, 20); }

void ShowAbout(AppState& app, QWidget* owner) {
    auto* w = new AboutWindow(app, owner);
    w->showAbout();
    w->giveDropShadow();
    w->setWindowModality(Qt::ApplicationModal);
    QPointer<AboutWindow> alive(w);
    QEventLoop loop;
    QObject::connect(w, &QObject::destroyed, &loop, &QEventLoop::quit);
    w->show();
    if (alive) loop.exec();
}

} // namespace tk
