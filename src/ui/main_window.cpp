#include "ui/main_window.h"

#include "accounts/accounts.h"
#include "accounts/account_sql.h"
#include "app/pump.h"
#include "collect/fetch_url.h"
#include "text/encoding.h"
#include "ui/about_window.h"
#include "ui/collapse.h"
#include "ui/message_box.h"
#include "ui/png_image.h"
#include "ui/update_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QHeaderView>
#include <QPointer>
#include <QRegularExpression>

#include <atomic>
#include <thread>

namespace tk {

namespace {
const char* const kCaption = "青禾淘客";
const char* const kMenuButton = "● ● ●";
const char* const kMenuHint = "菜单";
const char* const kPersonalButton = "个人中心";
const char* const kCollectorButton = "淘客采集";
const char* const kFetching = "获取中……";
const char* const kMenuTitle = "菜单";
const char* const kMenuAbout = "关   于";
const char* const kMenuUpdate = "更   新";
const char* const kMenuMinimise = "最小化";
const char* const kMenuExit = "退   出";
const char* const kListMenuTitle = "采集菜单";
const char* const kListMenuSave = "保存商品";
const char* const kListMenuClear = "清空信息";
const char* const kListMenuStop = "停止采集";
const char* const kCollectHint = "开始搜索";
const char* const kSaveButton = "保存商品";
const char* const kPasswordButton = "确认修改";

constexpr int kHeartbeatMs = 5000;
constexpr int kCarouselMs = 50;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

OpenUrlHook g_openUrlHook;

// Runs a blocking call on a worker of its own and waits for it while events keep flowing. The worker owns
// what it shares with the waiter, so a waiter that gives up early (the application quitting) leaves it safe.
template <class Result, class Work> Result OnWorkerPumping(Work work) {
    struct Job {
        Result result{};
        std::atomic<bool> done{false};
        QPointer<QEventLoop> loop;
    };
    auto job = std::make_shared<Job>();
    QEventLoop loop;
    job->loop = &loop;
    std::thread([job, work = std::move(work)]() mutable {
        job->result = work();
        job->done = true;
        if (auto* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [job] {
                    if (job->loop) job->loop->quit();
                },
                Qt::QueuedConnection);
    }).detach();
    while (!job->done.load()) {
        loop.exec();
        if (QCoreApplication::closingDown()) break;
    }
    return job->done.load() ? job->result : Result{};
}

QImage DecodePicture(const std::string& bytes) {
    QImage image = DecodePng(bytes);
    if (image.isNull()) image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
    return image;
}

QLabel* MakeLabel(QLabel*& member, const char* name, QWidget* parent, int x, int y, int w, int h, const char* text) {
    member = new QLabel(parent);
    member->setObjectName(U(name));
    member->setGeometry(x, y, w, h);
    member->setText(U(text));
    return member;
}
} // namespace

#define TK_LABEL(member, parent, x, y, w, h, text) MakeLabel(member, #member, parent, x, y, w, h, text)

// A button sitting 1 pixel inside its frame picture.
#define TK_FRAMED_BUTTON(frame, button, parent, x, y, w, h, picture, caption)                                    \
    do {                                                                                                       \
        TK_PLACE(frame, PictureBox, parent, x, y, w, h);                                                       \
        frame->setPicture(Picture(QStringLiteral(picture)));                                                   \
        TK_PLACE(button, OwnerDrawnButton, frame, 1, 1, (w)-2, (h)-2);                                         \
        button->setText(U(caption));                                                                           \
    } while (0)

void SetOpenUrlHook(OpenUrlHook hook) { g_openUrlHook = std::move(hook); }

void OpenInBrowser(const QUrl& url) {
    if (g_openUrlHook) {
        g_openUrlHook(url);
        return;
    }
    QDesktopServices::openUrl(url);
}

QString QtFileFilter(const QString& pipeFilter) {
    const QStringList pieces = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        const QString description = pieces[i];
        QString patterns = pieces[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // A description that already ends with its patterns in brackets is what Qt reads as is.
        if (description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            filters << description;
        else
            filters << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString ChooseSaveFile(QWidget* owner, const QString& initialDirectory, const QString& title, const QString& filter,
                       int filterIndex, bool keepDirectory) {
    const QString remembered = QDir::currentPath();
    const QString directory = initialDirectory.isEmpty() ? remembered : initialDirectory;
    const QString caption = title.isEmpty() ? U(kSaveDialogTitle) : title;
    const QString filters = QtFileFilter(filter.isEmpty() ? U(kSaveDialogFilter) : filter);
    (void)filterIndex; // the first filter, which is what index 1 (and 0) names, is the dialog's own default
    const QString path = AskSaveFileName(owner, caption, directory, filters);
    if (!keepDirectory) QDir::setCurrent(remembered);
    return path;
}

// ---------------------------------------------------------------------------------------------------------
struct MainWindow::Run {
    bool stop = false;
    int page = 0;  // the page being fetched
    int pages = 0; // N
};

// Where a run's rows go. The window may go while the run waits for a page; the sink then drops the rows and
// asks the run to end.
class MainWindow::ListSink : public ProductSink {
public:
    ListSink(MainWindow* w, std::shared_ptr<Run> run) : m_w(w), m_run(std::move(run)) {}
    void clear() override {
        if (!m_w) return;
        m_w->m_collectedCount = 0;
        m_w->products()->clear();
        m_w->m_collecting = true;
    }
    int rowCount() const override { return m_w ? m_w->products()->count() : 0; }
    void addProduct(const ProductRecord& row) override {
        if (!m_w) return;
        m_w->products()->append(row);
        ++m_w->m_collectedCount;
        m_w->showProgress();
    }
    bool stopRequested() override { return !m_w || m_run->stop; }
    void pageDone(int, int, int) override {
        if (m_w) m_w->showProgress();
    }

private:
    QPointer<MainWindow> m_w;
    std::shared_ptr<Run> m_run;
};

// ---------------------------------------------------------------------------------------------------------
MainWindow::MainWindow(AppState& app, QWidget* parent) : BorderlessWindow(parent), m_app(app) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(U(kCaption));
    setGeometry(50, 50, 950, 700);
    setStyleSheet(QStringLiteral(
        "tk--EditBox { border: 1px solid #cfd8dc; border-radius: 3px; background: white; }"
        "tk--EditBox:focus { border: 1px solid #129e8f; }"
        "tk--EditBox:disabled { background: #f2f5f6; color: #8a96a3; }"
        "QGroupBox { border: 1px solid #d5dde3; border-radius: 4px; margin-top: 8px; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: #0b7a6f; }"
        "QGroupBox:disabled { color: #8a96a3; }"
        "QCheckBox { spacing: 3px; } QRadioButton { spacing: 4px; }"));
    buildTitleArea();
    TK_PLACE(选择夹_功能, PageControl, this, 0, 120, 950, 530);
    选择夹_功能->setPageCount(2);
    buildPersonalCentre(选择夹_功能->page(0));
    buildCollector(选择夹_功能->page(1));
    选择夹_功能->showPage(0);
    buildMenus();
}

MainWindow::~MainWindow() {
    if (m_run) m_run->stop = true;
}

void MainWindow::buildTitleArea() {
    TK_PLACE(外形框_导航, ShapeBox, this, 0, 0, 950, 120);
    外形框_导航->setPicture(Picture(QStringLiteral("banner_950.png")));
    外形框_导航->setDragsWindow(true);
    TK_PLACE(图片框_LOGO, PictureBox, 外形框_导航, 5, 5, 20, 20);
    图片框_LOGO->setPicture(Picture(QStringLiteral("logo.png")));
    图片框_LOGO->setAttribute(Qt::WA_TransparentForMouseEvents);
    TK_PLACE(标签_标题, TransparentLabel, 外形框_导航, 30, 0, 80, 30);
    标签_标题->setText(U(kCaption));
    标签_标题->setTextColor(Qt::white);
    QFont nameFont = UiFont(14);
    nameFont.setBold(true);
    标签_标题->setFont(nameFont);

    TK_PLACE(超级按钮_菜单, OwnerDrawnButton, 外形框_导航, 905, 0, 45, 30);
    超级按钮_菜单->setStyle(OwnerDrawnButton::Style::Band);
    超级按钮_菜单->setText(U(kMenuButton));
    超级按钮_菜单->setSecondText(U(kMenuHint));
    超级按钮_菜单->setFont(UiFont(8));
    connect(超级按钮_菜单, &QAbstractButton::clicked, this, [this] { popUpMenu(); });

    TK_PLACE(超级按钮_个人中心, OwnerDrawnButton, 外形框_导航, 0, 85, 150, 35);
    超级按钮_个人中心->setStyle(OwnerDrawnButton::Style::Band);
    超级按钮_个人中心->setText(U(kPersonalButton));
    超级按钮_个人中心->setSelected(true);
    connect(超级按钮_个人中心, &QAbstractButton::clicked, this, [this] { showPersonalCentre(); });
    TK_PLACE(超级按钮_淘客采集, OwnerDrawnButton, 外形框_导航, 150, 85, 150, 35);
    超级按钮_淘客采集->setStyle(OwnerDrawnButton::Style::Band);
    超级按钮_淘客采集->setText(U(kCollectorButton));
    connect(超级按钮_淘客采集, &QAbstractButton::clicked, this, [this] { showCollector(); });

    // Beside the page buttons, so that a long run can be followed from either page.
    TK_PLACE(标签_采集进度, TransparentLabel, 外形框_导航, 320, 85, 610, 35);
    标签_采集进度->setTextColor(Qt::white);
    标签_采集进度->setFont(UiFont(13));
    标签_采集进度->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    标签_采集进度->hide();
}

void MainWindow::buildPersonalCentre(QWidget* page) {
    TK_PLACE(分组框_个人中心, QGroupBox, page, 10, 10, 500, 510);
    QWidget* g = 分组框_个人中心;
    TK_LABEL(标签15, g, 5, 9, 80, 24, "  ● 个人中心");
    QFont heading = UiFont(13);
    heading.setBold(true);
    标签15->setFont(heading);
    标签15->setStyleSheet(QStringLiteral("color: #0b7a6f;"));
    TK_LABEL(标签1, g, 100, 50, 60, 30, "账号：");
    TK_LABEL(标签5, g, 160, 50, 240, 30, kFetching);
    TK_LABEL(标签2, g, 100, 85, 60, 30, "邮箱：");
    TK_LABEL(标签6, g, 160, 85, 240, 30, kFetching);
    TK_LABEL(标签3, g, 100, 120, 60, 30, "本次登录：");
    TK_LABEL(标签7, g, 160, 120, 240, 30, kFetching);
    for (QLabel* value : {标签5, 标签6, 标签7}) value->setFont(UiFont(14));
    标签3->setFont(UiFont(12)); // five characters in 60 pixels
    TK_PLACE(超级链接框_更改密码, HyperlinkLabel, g, 380, 205, 80, 24);
    超级链接框_更改密码->setText(U("更改密码"));
    connect(超级链接框_更改密码, &HyperlinkLabel::leftButtonDown, this, [this] { showPasswordPage(); });

    时钟1 = new QTimer(g);
    时钟1->setObjectName(QStringLiteral("时钟1"));
    connect(时钟1, &QTimer::timeout, this, [this] { Heartbeat(); });

    TK_PLACE(选择夹_个人中心, PageControl, g, 5, 230, 490, 270);
    选择夹_个人中心->setPageCount(2);
    QWidget* ads = 选择夹_个人中心->page(0);
    QWidget* password = 选择夹_个人中心->page(1);

    TK_PLACE(图片框_广告1, PictureBox, ads, 0, 5, 490, 240);
    TK_PLACE(图片框_广告2, PictureBox, ads, 150, 5, 490, 240);
    TK_PLACE(图片框_广告3, PictureBox, ads, 300, 5, 490, 240);
    for (PictureBox* ad : {图片框_广告1, 图片框_广告2, 图片框_广告3}) {
        ad->setStretch(true);
        ad->setCursor(Qt::PointingHandCursor);
        connect(ad, &PictureBox::leftButtonDown, this,
                [this] { OpenInBrowser(QUrl(QString::fromStdString(m_app.settings.webSite))); });
    }
    QTimer** carousel[] = {&时钟2, &时钟3, &时钟4};
    for (int i = 0; i < 3; ++i) {
        QTimer*& t = *carousel[i];
        t = new QTimer(ads);
        t->setObjectName(QStringLiteral("时钟%1").arg(i + 2));
        t->setTimerType(Qt::PreciseTimer);
        connect(t, &QTimer::timeout, this, [this, i] { AdScrollTick(i + 2); });
    }

    TK_LABEL(标签14, password, 0, 0, 80, 24, "  ● 密码更改");
    标签14->setFont(heading);
    标签14->setStyleSheet(QStringLiteral("color: #0b7a6f;"));
    TK_LABEL(标签9, password, 100, 50, 60, 30, "原始密码：");
    TK_PLACE(编辑框_原始密码, EditBox, password, 160, 50, 220, 30);
    编辑框_原始密码->setLimit(0);
    编辑框_原始密码->setMasked(true);
    TK_LABEL(标签10, password, 100, 85, 60, 30, "修改密码：");
    TK_PLACE(编辑框_修改密码, EditBox, password, 160, 85, 220, 30);
    编辑框_修改密码->setLimit(20);
    编辑框_修改密码->setMasked(true);
    TK_LABEL(标签11, password, 100, 120, 60, 30, "确认密码：");
    TK_PLACE(编辑框_确认密码, EditBox, password, 160, 120, 220, 30);
    编辑框_确认密码->setLimit(20);
    编辑框_确认密码->setMasked(true);
    for (QLabel* label : {标签9, 标签10, 标签11}) label->setFont(UiFont(12));
    TK_FRAMED_BUTTON(图片框_密码修改, 按钮_密码修改, password, 160, 180, 220, 32, "button_frame_220.png",
                     kPasswordButton);
    connect(按钮_密码修改, &QAbstractButton::clicked, this, [this] { ChangePassword(); });
    选择夹_个人中心->showPage(0);
}

void MainWindow::buildCollector(QWidget* page) {
    TK_PLACE(分组框1, QGroupBox, page, 10, 10, 240, 240);
    分组框1->setTitle(U("搜索条件"));
    QWidget* g = 分组框1;
    TK_PLACE(单选框1, QRadioButton, g, 20, 30, 80, 24);
    单选框1->setText(U("所有商品"));
    单选框1->setChecked(true);
    TK_PLACE(单选框2, QRadioButton, g, 130, 30, 80, 24);
    单选框2->setText(U("只选天猫"));
    auto number = [](EditBox* box) {
        box->setCentred(true);
        box->setFont(UiFont(13));
    };
    TK_LABEL(标签17, g, 20, 65, 50, 24, "关键词");
    TK_PLACE(编辑框3, EditBox, g, 75, 65, 140, 24);
    编辑框3->setFont(UiFont(13));
    TK_LABEL(标签18, g, 20, 100, 50, 24, "月销量");
    TK_PLACE(编辑框4, EditBox, g, 75, 100, 100, 24);
    number(编辑框4);
    TK_LABEL(标签23, g, 185, 100, 30, 24, "以上");
    TK_LABEL(标签19, g, 20, 135, 50, 24, "佣金比例");
    TK_PLACE(编辑框5, EditBox, g, 75, 135, 50, 24);
    number(编辑框5);
    TK_LABEL(标签22, g, 125, 135, 20, 24, "-");
    TK_PLACE(编辑框6, EditBox, g, 145, 135, 50, 24);
    number(编辑框6);
    TK_LABEL(标签25, g, 195, 135, 20, 24, "%");
    TK_LABEL(标签20, g, 20, 170, 50, 24, "价格区间");
    TK_PLACE(编辑框7, EditBox, g, 75, 170, 50, 24);
    number(编辑框7);
    TK_LABEL(标签24, g, 125, 170, 20, 24, "-");
    TK_PLACE(编辑框8, EditBox, g, 145, 170, 50, 24);
    number(编辑框8);
    TK_LABEL(标签26, g, 195, 170, 20, 24, "元");
    TK_LABEL(标签21, g, 20, 205, 50, 24, "采集范围");
    TK_PLACE(编辑框9, EditBox, g, 75, 205, 50, 24);
    number(编辑框9);
    编辑框9->setText(QStringLiteral("1"));
    TK_LABEL(标签27, g, 125, 205, 20, 24, "-");
    TK_PLACE(编辑框10, EditBox, g, 145, 205, 50, 24);
    number(编辑框10);
    编辑框10->setText(QStringLiteral("10"));
    TK_LABEL(标签28, g, 195, 205, 20, 24, "页");
    for (QLabel* dash : {标签22, 标签24, 标签27}) dash->setAlignment(Qt::AlignCenter);
    for (QLabel* unit : {标签23, 标签25, 标签26, 标签28}) unit->setAlignment(Qt::AlignCenter);

    TK_PLACE(分组框2, QGroupBox, page, 10, 250, 240, 60);
    分组框2->setTitle(U("扩展条件"));
    TK_PLACE(选择框1, QCheckBox, 分组框2, 20, 24, 80, 24);
    选择框1->setText(U("包邮商品"));

    TK_FRAMED_BUTTON(图片框_采集, 按钮_采集, page, 30, 315, 200, 30, "button_frame_200.png", kCollectButtonIdle);
    按钮_采集->setSecondText(U(kCollectHint));
    connect(按钮_采集, &QAbstractButton::clicked, this, [this] { StartCollection(); });

    TK_PLACE(分组框4, QGroupBox, page, 8, 350, 240, 170);
    分组框4->setTitle(U("保存商品"));
    QWidget* s = 分组框4;
    TK_PLACE(选择框2, QCheckBox, s, 15, 30, 70, 24);
    TK_PLACE(选择框3, QCheckBox, s, 85, 30, 70, 24);
    TK_PLACE(选择框4, QCheckBox, s, 155, 30, 70, 24);
    TK_PLACE(选择框5, QCheckBox, s, 15, 60, 70, 24);
    TK_PLACE(选择框6, QCheckBox, s, 85, 60, 70, 24);
    TK_PLACE(选择框7, QCheckBox, s, 155, 60, 70, 24);
    TK_PLACE(选择框8, QCheckBox, s, 15, 90, 70, 24);
    TK_PLACE(选择框9, QCheckBox, s, 85, 90, 70, 24);
    TK_PLACE(选择框10, QCheckBox, s, 155, 90, 70, 24);
    m_exportBoxes = {选择框2, 选择框3, 选择框4, 选择框5, 选择框6, 选择框7, 选择框8, 选择框9, 选择框10};
    for (size_t i = 0; i < m_exportBoxes.size(); ++i) m_exportBoxes[i]->setText(U(kExportBoxes[i].label));
    TK_FRAMED_BUTTON(图片框_保存, 按钮_保存, s, 16, 130, 200, 30, "button_frame_200.png", kSaveButton);
    connect(按钮_保存, &QAbstractButton::clicked, this, [this] { SaveProducts(); });

    TK_PLACE(商品列表框, ProductListView, page, 255, 18, 685, 502);
    商品列表框->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(商品列表框, &QWidget::customContextMenuRequested, this, [this] { popUpListMenu(); });

    // The form's 50- and 70-pixel cells hold four characters and a tick box only at this size.
    for (QLabel* label : page->findChildren<QLabel*>()) label->setFont(UiFont(12));
    for (QCheckBox* box : page->findChildren<QCheckBox*>()) box->setFont(UiFont(12));
}

void MainWindow::buildMenus() {
    菜单 = new PopupMenu(U(kMenuTitle), this);
    菜单->setObjectName(U(kMenuTitle));
    菜单->addEntry(U(kMenuAbout), [this] { ShowAbout(m_app, this); });
    菜单->addEntry(U(kMenuUpdate), [this] { CheckForUpdate(m_app, *this); });
    菜单->addSeparator();
    菜单->addEntry(U(kMenuMinimise), [this] { showMinimized(); });
    菜单->addEntry(U(kMenuExit), [this] { exitFromMenu(); });

    采集菜单 = new PopupMenu(U(kListMenuTitle), this);
    采集菜单->setObjectName(U(kListMenuTitle));
    采集菜单->addEntry(U(kListMenuSave), [this] { SaveProducts(); });
    采集菜单->addEntry(U(kListMenuClear), [this] { clearProducts(); });
    停止采集 = 采集菜单->addEntry(U(kListMenuStop), [this] { stopCollection(); });
    停止采集->setEnabled(false);
}

MainWindow* MainWindow::open(AppState& app) {
    auto* w = new MainWindow(app);
    w->show();
    w->onCreated();
    return w;
}

void MainWindow::onCreated() {
    giveDropShadow();
    resize(width(), 650);
    SetTimerPeriod(*时钟1, kHeartbeatMs);
    QPointer<MainWindow> self(this);
    FillAccountInfo();
    if (!self) return;
    选择夹_功能->showPage(0);
    LoadAdPictures();
    OpenInBrowser(QUrl(QString::fromStdString(m_app.settings.webSite)));
}

void MainWindow::FillAccountInfo() {
    QPointer<MainWindow> self(this);
    m_app.lastResult = QueryGateway(m_app.gateway, accounts::UserByIdQuery(m_app.currentUserId));
    if (!self) return;
    标签5->setText(FromGbk(CellText(m_app.lastResult, accounts::kColName, 1)));
    标签6->setText(FromGbk(CellText(m_app.lastResult, accounts::kColEmail, 1)));
    标签7->setText(FromGbk(CellText(m_app.lastResult, accounts::kColIp, 1)));
}

// ---------------------------------------------------------------------------------------------------------
// Carousel

void MainWindow::placeAdPictures() {
    图片框_广告1->move(0, 图片框_广告1->y());
    图片框_广告2->move(图片框_广告1->width(), 图片框_广告2->y());
    图片框_广告3->move(图片框_广告1->width() + 图片框_广告2->width(), 图片框_广告3->y());
}

void MainWindow::LoadAdPictures() {
    // The worker holds copies and a guarded pointer only: the window may be gone before a picture arrives.
    QPointer<MainWindow> self(this);
    const std::string server = m_app.settings.pictureServer;
    auto post = [](std::function<void()> change) {
        if (auto* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, std::move(change), Qt::QueuedConnection);
    };
    std::thread([self, server, post] {
        post([self] {
            if (self) self->placeAdPictures();
        });
        for (int n = 1; n <= 3; ++n) {
            const std::string body = FetchUrl(server + "/tkimg/" + std::to_string(n) + ".jpg");
            QImage picture = DecodePicture(body);
            post([self, n, picture] {
                if (!self) return;
                PictureBox* box = n == 1 ? self->图片框_广告1 : n == 2 ? self->图片框_广告2 : self->图片框_广告3;
                box->setPicture(picture);
            });
        }
        post([self] {
            if (self) SetTimerPeriod(*self->时钟2, kCarouselMs);
        });
    }).detach();
}

void MainWindow::AdScrollTick(int timerNumber) {
    PictureBox *lead, *f1, *f2;
    QTimer *running, *next;
    int overlap = 0;
    switch (timerNumber) {
    case 2: lead = 图片框_广告1, f1 = 图片框_广告2, f2 = 图片框_广告3, running = 时钟2, next = 时钟3; break;
    case 3: lead = 图片框_广告3, f1 = 图片框_广告1, f2 = 图片框_广告2, running = 时钟3, next = 时钟4; break;
    case 4:
        lead = 图片框_广告2, f1 = 图片框_广告3, f2 = 图片框_广告1, running = 时钟4, next = 时钟2;
        overlap = 1;
        break;
    default: return;
    }
    lead->move(lead->x() - 1, lead->y());
    f1->move(lead->x() + lead->width() - overlap, f1->y());
    f2->move(f1->x() + f1->width() - overlap, f2->y());
    if (f2->x() == 0) {
        SetTimerPeriod(*running, 0);
        SetTimerPeriod(*next, kCarouselMs);
    }
}

// ---------------------------------------------------------------------------------------------------------
// Heartbeat

void MainWindow::Heartbeat() {
    // The check reads only values written before the heartbeat started; it gets its own copy of them.
    auto snapshot = std::make_shared<const AppState>(m_app);
    QPointer<MainWindow> self(this);
    std::thread([snapshot, self]() mutable {
        const OnlineCheck check = CheckOnline(*snapshot);
        if (auto* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app,
                [self = std::move(self), check] {
                    if (self) self->applyOnlineCheck(check);
                },
                Qt::QueuedConnection);
    }).detach();
}

void MainWindow::applyOnlineCheck(OnlineCheck check) {
    // Once one check has ended the client, the checks still on their way have nothing left to say.
    if (m_ending) return;
    if (KeepsRunning(check)) {
        SetTimerPeriod(*时钟1, kHeartbeatMs);
        return;
    }
    m_ending = true;
    SetTimerPeriod(*时钟1, 0);
    ShowMessage(messageFor(check), MessageOwnedByMainWindow(check) ? this : nullptr);
    if (ClearsOnlineFlag(check)) SetOnlineState(m_app, 0);
    CollapseAndExit(this, 40);
}

// ---------------------------------------------------------------------------------------------------------
// Pages

void MainWindow::showPersonalCentre() {
    超级按钮_个人中心->setSelected(true);
    选择夹_功能->showPage(0);
    超级按钮_淘客采集->setSelected(false);
}

void MainWindow::showCollector() {
    超级按钮_淘客采集->setSelected(true);
    选择夹_功能->showPage(1);
    超级按钮_个人中心->setSelected(false);
}

void MainWindow::showPasswordPage() {
    选择夹_个人中心->showPage(1);
    编辑框_原始密码->setFocus();
}

void MainWindow::setPasswordBusy(bool busy) {
    按钮_密码修改->setEnabled(!busy);
    编辑框_原始密码->setEnabled(!busy);
    编辑框_修改密码->setEnabled(!busy);
    编辑框_确认密码->setEnabled(!busy);
}

void MainWindow::ChangePassword() {
    const std::string oldPassword = 编辑框_原始密码->gbkText();
    const std::string newPassword = 编辑框_修改密码->gbkText();
    const std::string confirmation = 编辑框_确认密码->gbkText();
    if (auto refused = ChangePasswordEntryCheck(oldPassword, newPassword, confirmation)) {
        ShowMessage(messageFor(*refused));
        return;
    }
    QPointer<MainWindow> self(this);
    setPasswordBusy(true);
    const ChangePasswordOutcome outcome = tk::ChangePassword(m_app, oldPassword, newPassword, confirmation);
    if (!self) return;
    ShowMessage(messageFor(outcome));
    if (!self) return;
    if (outcome == ChangePasswordOutcome::Success) {
        编辑框_原始密码->clear();
        编辑框_修改密码->clear();
        编辑框_确认密码->clear();
        选择夹_个人中心->showPage(0);
    }
    setPasswordBusy(false);
}

// ---------------------------------------------------------------------------------------------------------
// Collector

SearchConditions MainWindow::conditions() const {
    SearchConditions c;
    c.keyword = 编辑框3->gbkText();
    c.minSales = 编辑框4->gbkText();
    c.rateFrom = 编辑框5->gbkText();
    c.rateTo = 编辑框6->gbkText();
    c.priceFrom = 编辑框7->gbkText();
    c.priceTo = 编辑框8->gbkText();
    c.lastPage = 编辑框10->gbkText();
    c.tmallOnly = 单选框2->isChecked();
    c.freeShipping = 选择框1->isChecked();
    return c;
}

void MainWindow::StartCollection() {
    QPointer<MainWindow> self(this);
    按钮_采集->setEnabled(false);
    按钮_采集->setText(U(kCollectButtonBusy));
    分组框1->setEnabled(false);
    分组框2->setEnabled(false);
    CollectProducts();
    if (!self) return;
    按钮_采集->setEnabled(true);
    按钮_采集->setText(U(kCollectButtonIdle));
    分组框1->setEnabled(true);
    分组框2->setEnabled(true);
}

void MainWindow::CollectProducts() {
    QPointer<MainWindow> self(this);
    auto run = std::make_shared<Run>();
    m_run = run;
    CollectRequest request;
    request.searchHost = m_app.settings.searchHost;
    // The condition groups stay disabled for the whole run, so reading them once reads them afresh.
    request.conditions = conditions();
    run->pages = PageCount(request.conditions.lastPage);
    request.fetch = [self, run](const std::string& url) {
        ++run->page;
        if (self) self->showProgress();
        // The exchange runs on a worker so that the windows keep answering while a slow page arrives.
        return OnWorkerPumping<std::string>([url] { return FetchSearchPage(url); });
    };
    停止采集->setEnabled(true);
    ListSink sink(this, run);
    // A copy shares the document's engine and keeps it alive should the window go during the run.
    JsonDocument document = m_document;
    const CollectOutcome outcome = tk::CollectProducts(request, sink, document);
    if (!self) return;
    停止采集->setEnabled(false);
    标签_采集进度->hide();
    ShowMessage({CollectionDoneMessage(outcome.collected), MessageIcon::None, {}}, this);
    if (!self) return;
    m_collecting = false;
    m_run.reset();
}

void MainWindow::showProgress() {
    if (!m_run) return;
    QString line;
    if (m_run->stop)
        line = QString::fromUtf8("正在停止采集…  已采集 %1 个商品").arg(m_collectedCount);
    else
        line = QString::fromUtf8("正在采集第 %1 / %2 页  ·  已采集 %3 个商品")
                   .arg(m_run->page)
                   .arg(m_run->pages)
                   .arg(m_collectedCount);
    标签_采集进度->setText(line);
    标签_采集进度->show();
}

void MainWindow::stopCollection() {
    if (!m_run) return;
    m_run->stop = true;
    showProgress();
}

void MainWindow::clearProducts() { products()->clear(); }

ExportChoice MainWindow::exportChoice() const {
    ExportChoice choice;
    for (size_t i = 0; i < m_exportBoxes.size(); ++i)
        if (m_exportBoxes[i]->isChecked()) choice.ticked[static_cast<size_t>(kExportBoxes[i].column)] = true;
    return choice;
}

void MainWindow::SaveProducts() {
    QPointer<MainWindow> self(this);
    按钮_保存->setEnabled(false);
    if (products()->count() == 0)
        ShowMessage({ExportMessage(ExportOutcome::NoProducts), MessageIcon::None, {}});
    else
        ExportProducts();
    if (self) 按钮_保存->setEnabled(true);
}

void MainWindow::ExportProducts() {
    const ExportChoice choice = exportChoice();
    const ExportOutcome check = ExportPrecheck(static_cast<size_t>(products()->count()), m_collecting, choice);
    if (check != ExportOutcome::NoPath) {
        ShowMessage({ExportMessage(check), MessageIcon::None, {}});
        return;
    }
    QPointer<MainWindow> self(this);
    const QString path = ChooseSaveFile(this);
    if (!self) return;
    // The rows in the order shown, so that a sorted list is saved as it is seen.
    const ExportOutcome outcome = tk::ExportProducts(products()->records(), m_collecting, choice, path);
    ShowMessage({ExportMessage(outcome), outcome == ExportOutcome::WriteFailed ? MessageIcon::Warning
                                                                              : MessageIcon::None, {}});
}

// ---------------------------------------------------------------------------------------------------------
// Menus and the end

void MainWindow::popUpMenu() { 菜单->popUpAtMouse(); }

void MainWindow::popUpListMenu() { 采集菜单->popUpAtMouse(); }

void MainWindow::exitFromMenu() {
    SetOnlineState(m_app, 0);
    CollapseAndExit(this, 40);
}

void MainWindow::willBeDestroyed() {
    // Nothing is left to check once the window goes, and a run in progress ends after its page.
    SetTimerPeriod(*时钟1, 0);
    if (m_run) m_run->stop = true;
    SetOnlineState(m_app, 0);
    CollapseAndDestroy(this, 20);
}

} // namespace tk
