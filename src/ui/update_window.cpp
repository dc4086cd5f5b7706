#include "ui/update_window.h"

#include "app/pump.h"
#include "text/encoding.h"
#include "ui/collapse.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/png_image.h"

#include <QCoreApplication>
#include <QPointer>

namespace tk {

namespace {
QString U(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

UpdateSession* g_current = nullptr;

constexpr int kTickMs = 1000;
constexpr int kFailedShownMs = 2000;
constexpr int kBeforeFinishedMs = 1000;
constexpr int kFinishedShownMs = 2000;

// Runs a control change on the GUI thread after the ones handed over before it, unless the window has gone.
void HandToGuiThread(const QPointer<UpdateWindow>& window, std::function<void(UpdateWindow&)> change) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(
        app,
        [window, change = std::move(change)] {
            if (window && !window->beingDestroyed()) change(*window);
        },
        Qt::QueuedConnection);
}

// The task's callback, on the downloader's thread; its waits block that thread only, so the windows stay
// responsive. Answers 0 to every event.
int DownloadEvent(const std::shared_ptr<UpdateState>& state, const QPointer<UpdateWindow>& window, int type,
                  int64_t value, int64_t reserved) {
    switch (state->onEvent(type, value, reserved)) {
    case DownloadEnd::None:
        break;
    case DownloadEnd::Failed:
        HandToGuiThread(window, [](UpdateWindow& w) { w.showProgressText(Gbk(update_text::kFetchFailed)); });
        WaitPumping(kFailedShownMs);
        HandToGuiThread(window, [](UpdateWindow& w) { w.showReady(); });
        break;
    case DownloadEnd::Finished:
        WaitPumping(kBeforeFinishedMs);
        HandToGuiThread(window, [](UpdateWindow& w) { w.showProgressText(Gbk(update_text::kFileUpdated)); });
        WaitPumping(kFinishedShownMs);
        HandToGuiThread(window, [](UpdateWindow& w) { w.showFinished(); });
        break;
    }
    return 0;
}
} // namespace

// ---------------------------------------------------------------------------------------------------------
UpdateSession::UpdateSession(DownloaderOptions options)
    : m_downloader(CreateDownloader(options)), m_state(std::make_shared<UpdateState>()), m_previous(g_current) {
    g_current = this;
}

UpdateSession::~UpdateSession() {
    if (g_current == this) g_current = m_previous;
    DestroyDownloader(m_downloader);
}

UpdateSession& UpdateSession::current() {
    if (!g_current) {
        static std::unique_ptr<UpdateSession> fallback;
        fallback = std::make_unique<UpdateSession>();
    }
    return *g_current;
}

// ---------------------------------------------------------------------------------------------------------
UpdateWindow::UpdateWindow(AppState& app, QWidget* parent)
    : BorderlessWindow(parent), m_app(app), m_session(UpdateSession::current()) {
    setObjectName(QStringLiteral("UpdateWindow"));
    setWindowTitle(U(update_text::kCaption));
    setGeometry(50, 50, 400, 250);

    TK_PLACE(外形框_导航, ShapeBox, this, 0, 0, 400, 120);
    外形框_导航->setPicture(Picture(QStringLiteral("band_400.png")));
    外形框_导航->setDragsWindow(true);
    时钟1 = new QTimer(this);
    时钟1->setObjectName(QStringLiteral("时钟1"));
    connect(时钟1, &QTimer::timeout, this, [this] { updateProgressTick(); });
    TK_PLACE(图片框_LOGO, PictureBox, 外形框_导航, 176, 50, 48, 48);
    图片框_LOGO->setPicture(Picture(QStringLiteral("logo_48.png")));
    图片框_LOGO->setAttribute(Qt::WA_TransparentForMouseEvents);
    TK_PLACE(透明标签2, TransparentLabel, 外形框_导航, 10, 0, 80, 30);
    透明标签2->setText(U(update_text::kCaption));
    透明标签2->setTextColor(Qt::white);
    QFont titleFont = UiFont(14);
    titleFont.setBold(true);
    透明标签2->setFont(titleFont);
    透明标签2->setAttribute(Qt::WA_TransparentForMouseEvents);
    TK_PLACE(超级按钮_菜单, OwnerDrawnButton, 外形框_导航, 355, 0, 45, 30);
    超级按钮_菜单->setStyle(OwnerDrawnButton::Style::Band);
    超级按钮_菜单->setText(U(update_text::kMenuButton));
    超级按钮_菜单->setFont(UiFont(8));
    connect(超级按钮_菜单, &QAbstractButton::clicked, this, [this] { popUpMenu(); });

    TK_PLACE(进度条_更新进度, QProgressBar, this, 0, 120, 400, 5);
    进度条_更新进度->setRange(0, kProgressMaximum);
    进度条_更新进度->setValue(0);
    进度条_更新进度->setTextVisible(false);
    进度条_更新进度->setStyleSheet(QStringLiteral("QProgressBar { border: none; background: #DDEFEC; }"
                                                  "QProgressBar::chunk { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #FFC65C, stop:1 #FF9F1C); }"));

    TK_PLACE(标签_更新进度, QLabel, this, 0, 160, 400, 45);
    标签_更新进度->setAlignment(Qt::AlignCenter);
    标签_更新进度->setFont(UiFont(15));
    {
        QPalette pal = 标签_更新进度->palette();
        pal.setColor(QPalette::WindowText, look::kText);
        标签_更新进度->setPalette(pal);
    }
    标签_更新进度->setText(U(update_text::kConnecting));

    TK_PLACE(图片框_开始更新, PictureBox, this, 125, 170, 150, 32);
    图片框_开始更新->setPicture(Picture(QStringLiteral("button_frame_150.png")));
    TK_PLACE(按钮_开始更新, OwnerDrawnButton, 图片框_开始更新, 1, 1, 148, 30);
    按钮_开始更新->setText(U(update_text::kStartButton));
    按钮_开始更新->setFont(UiFont(14));
    connect(按钮_开始更新, &QAbstractButton::clicked, this, [this] { startUpdate(); });

    菜单 = new PopupMenu(U(update_text::kMenu), this);
    菜单->setObjectName(U(update_text::kMenu));
    菜单->addEntry(U(update_text::kMenuMinimise), [this] { minimiseFromMenu(); });
    菜单->addEntry(U(update_text::kMenuExit), [this] { exitFromMenu(); });
}

UpdateWindow* UpdateWindow::open(AppState& app) {
    auto* w = new UpdateWindow(app);
    w->giveDropShadow();
    w->show();
    w->prepareUpdate();
    return w;
}

void UpdateWindow::prepareUpdate() {
    标签_更新进度->hide();
    进度条_更新进度->hide();
    m_session.state()->prepare(m_app);
}

void UpdateWindow::startUpdate() {
    if (按钮_开始更新->text() == U(update_text::kFinishedButton)) {
        StartProgram(m_session.state()->updateFilePath());
        CollapseAndExit(this, 40);
    }
    const std::shared_ptr<UpdateState> state = m_session.state();
    const QPointer<UpdateWindow> self(this);
    // The state keeps its task record, and the record keeps this callback: a weak reference here, or the two
    // would keep each other alive for ever. The session holds the state until after the downloader has gone.
    const std::weak_ptr<UpdateState> weakState = state;
    // Refused tasks bring no event: the window then stays in Downloading, as the user can still leave.
    state->start(m_session.downloader(),
                 [weakState, self](int type, int, int64_t value, int64_t reserved, const DownloadTask&) {
                     const std::shared_ptr<UpdateState> alive = weakState.lock();
                     return alive ? DownloadEvent(alive, self, type, value, reserved) : 0;
                 });
    标签_更新进度->show();
    进度条_更新进度->show();
    图片框_开始更新->hide();
    按钮_开始更新->setEnabled(false);
    SetTimerPeriod(*时钟1, kTickMs);
}

void UpdateWindow::updateProgressTick() {
    const ProgressTick tick = m_session.state()->tick(m_session.downloader());
    if (!tick.active) return;
    进度条_更新进度->setValue(tick.position);
    // The label shows what the bar reads back, not what was asked of it.
    标签_更新进度->setText(FromGbk(ProgressLabel(进度条_更新进度->value())));
    if (进度条_更新进度->value() == kProgressMaximum &&
        FileSizeOf(m_session.state()->updateFilePath()) == m_session.state()->updateTotalLength())
        SetTimerPeriod(*时钟1, 0);
}

void UpdateWindow::showProgressText(const std::string& gbk) { 标签_更新进度->setText(FromGbk(gbk)); }

void UpdateWindow::showReady() {
    // A failed attempt leaves nothing to follow: the timer waits for the next start.
    SetTimerPeriod(*时钟1, 0);
    标签_更新进度->hide();
    进度条_更新进度->hide();
    图片框_开始更新->show();
    按钮_开始更新->setEnabled(true);
}

void UpdateWindow::showFinished() {
    标签_更新进度->hide();
    进度条_更新进度->hide();
    图片框_开始更新->show();
    按钮_开始更新->setEnabled(true);
    按钮_开始更新->setText(U(update_text::kFinishedButton));
}

void UpdateWindow::popUpMenu() { 菜单->popUpAtMouse(); }

void UpdateWindow::minimiseFromMenu() { showMinimized(); }

void UpdateWindow::exitFromMenu() { CollapseAndExit(this, 40); }

void UpdateWindow::willBeDestroyed() { CollapseAndDestroy(this, 10); }

// ---------------------------------------------------------------------------------------------------------
void CheckForUpdate(AppState& app, BorderlessWindow& from) {
    if (CheckForUpdate(app) == UpdateCheckOutcome::Latest) {
        ShowMessage({Gbk(update_text::kIsLatest), MessageIcon::Information, {}});
        return;
    }
    ShowMessage({Gbk(update_text::kNewVersion), MessageIcon::Information, {}});
    UpdateWindow::open(app);
    CollapseAndDestroy(&from, 20);
}

void CheckForUpdate(AppState& app, MainWindow& main) { CheckForUpdate(app, static_cast<BorderlessWindow&>(main)); }

} // namespace tk
