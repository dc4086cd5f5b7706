#pragma once
#include "accounts/heartbeat.h"
#include "app/app_state.h"
#include "collect/export.h"
#include "collect/json_document.h"
#include "ui/product_list.h"
#include "ui/widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

#include <array>
#include <functional>
#include <memory>

namespace tk {

// Opens an address in the default web browser. Tests and the screenshots record instead.
using OpenUrlHook = std::function<void(const QUrl&)>;
void SetOpenUrlHook(OpenUrlHook hook);
void OpenInBrowser(const QUrl& url);

// The save dialog's filter written as "description|pattern|description|pattern", in Qt's syntax.
QString QtFileFilter(const QString& pipeFilter);

// The save dialog of the export: every argument after the owner may be left out. Returns the chosen path or
// an empty text; the process's current directory is put back afterwards unless keepDirectory.
QString ChooseSaveFile(QWidget* owner, const QString& initialDirectory = {}, const QString& title = {},
                       const QString& filter = {}, int filterIndex = 0, bool keepDirectory = false);

// The window a successful log-in opens: the personal centre (account, carousel, password change) and the
// collector (conditions, product list, export) on one page control switched from the title area.
// Controls are public and named as the window names them, so that tests drive them like a user would.
class MainWindow : public BorderlessWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppState& app, QWidget* parent = nullptr);
    ~MainWindow() override;
    // Constructs, shows and runs the creation handler; the window then manages its own life.
    static MainWindow* open(AppState& app);
    // Creation handler: height, heartbeat, account information, page 0, pictures, web site.
    void onCreated();

    void FillAccountInfo();
    // Starts the picture download on a worker of its own; the carousel starts once the three fetches ended.
    void LoadAdPictures();
    // One tick of the carousel timer 时钟2, 时钟3 or 时钟4 (timerNumber 2, 3 or 4).
    void AdScrollTick(int timerNumber);
    // One period of 时钟1: a check on a detached worker, its ending applied here when it comes back.
    void Heartbeat();
    void applyOnlineCheck(OnlineCheck check);

    void showPersonalCentre();
    void showCollector();
    void showPasswordPage();
    void ChangePassword();

    void StartCollection();
    void CollectProducts();
    // Ends a run after the page being fetched; the rows stay and the completion message reports them.
    void stopCollection();
    void clearProducts();
    void SaveProducts();
    void ExportProducts();

    void popUpMenu();
    void popUpListMenu();
    void exitFromMenu();

    bool collecting() const { return m_collecting; }
    int collectedCount() const { return m_collectedCount; }
    ProductListModel* products() const { return 商品列表框->products(); }
    ExportChoice exportChoice() const;
    JsonDocument& document() { return m_document; }

    // Title area
    ShapeBox* 外形框_导航 = nullptr;
    PictureBox* 图片框_LOGO = nullptr;
    TransparentLabel* 标签_标题 = nullptr;
    OwnerDrawnButton* 超级按钮_菜单 = nullptr;
    OwnerDrawnButton* 超级按钮_个人中心 = nullptr;
    OwnerDrawnButton* 超级按钮_淘客采集 = nullptr;
    TransparentLabel* 标签_采集进度 = nullptr; // the progress line of a run
    PageControl* 选择夹_功能 = nullptr;

    // Page 0: personal centre
    QGroupBox* 分组框_个人中心 = nullptr;
    QLabel* 标签15 = nullptr;
    QLabel* 标签1 = nullptr;
    QLabel* 标签5 = nullptr;
    QLabel* 标签2 = nullptr;
    QLabel* 标签6 = nullptr;
    QLabel* 标签3 = nullptr;
    QLabel* 标签7 = nullptr;
    HyperlinkLabel* 超级链接框_更改密码 = nullptr;
    QTimer* 时钟1 = nullptr;
    PageControl* 选择夹_个人中心 = nullptr;
    PictureBox* 图片框_广告1 = nullptr;
    PictureBox* 图片框_广告2 = nullptr;
    PictureBox* 图片框_广告3 = nullptr;
    QTimer* 时钟2 = nullptr;
    QTimer* 时钟3 = nullptr;
    QTimer* 时钟4 = nullptr;
    QLabel* 标签14 = nullptr;
    QLabel* 标签9 = nullptr;
    EditBox* 编辑框_原始密码 = nullptr;
    QLabel* 标签10 = nullptr;
    EditBox* 编辑框_修改密码 = nullptr;
    QLabel* 标签11 = nullptr;
    EditBox* 编辑框_确认密码 = nullptr;
    PictureBox* 图片框_密码修改 = nullptr;
    OwnerDrawnButton* 按钮_密码修改 = nullptr;

    // Page 1: collector
    QGroupBox* 分组框1 = nullptr;
    QRadioButton* 单选框1 = nullptr;
    QRadioButton* 单选框2 = nullptr;
    QLabel* 标签17 = nullptr;
    EditBox* 编辑框3 = nullptr;
    QLabel* 标签18 = nullptr;
    EditBox* 编辑框4 = nullptr;
    QLabel* 标签23 = nullptr;
    QLabel* 标签19 = nullptr;
    EditBox* 编辑框5 = nullptr;
    QLabel* 标签22 = nullptr;
    EditBox* 编辑框6 = nullptr;
    QLabel* 标签25 = nullptr;
    QLabel* 标签20 = nullptr;
    EditBox* 编辑框7 = nullptr;
    QLabel* 标签24 = nullptr;
    EditBox* 编辑框8 = nullptr;
    QLabel* 标签26 = nullptr;
    QLabel* 标签21 = nullptr;
    EditBox* 编辑框9 = nullptr;
    QLabel* 标签27 = nullptr;
    EditBox* 编辑框10 = nullptr;
    QLabel* 标签28 = nullptr;
    QGroupBox* 分组框2 = nullptr;
    QCheckBox* 选择框1 = nullptr;
    PictureBox* 图片框_采集 = nullptr;
    OwnerDrawnButton* 按钮_采集 = nullptr;
    QGroupBox* 分组框4 = nullptr;
    QCheckBox* 选择框2 = nullptr;
    QCheckBox* 选择框3 = nullptr;
    QCheckBox* 选择框4 = nullptr;
    QCheckBox* 选择框5 = nullptr;
    QCheckBox* 选择框6 = nullptr;
    QCheckBox* 选择框7 = nullptr;
    QCheckBox* 选择框8 = nullptr;
    QCheckBox* 选择框9 = nullptr;
    QCheckBox* 选择框10 = nullptr;
    PictureBox* 图片框_保存 = nullptr;
    OwnerDrawnButton* 按钮_保存 = nullptr;
    ProductListView* 商品列表框 = nullptr;

    PopupMenu* 菜单 = nullptr;
    PopupMenu* 采集菜单 = nullptr;
    QAction* 停止采集 = nullptr;

protected:
    void willBeDestroyed() override;

private:
    struct Run;
    class ListSink;

    void buildTitleArea();
    void buildPersonalCentre(QWidget* page);
    void buildCollector(QWidget* page);
    void buildMenus();
    void placeAdPictures();
    void setPasswordBusy(bool busy);
    void showProgress();
    SearchConditions conditions() const;

    AppState& m_app;
    // The client's one JSON document: only the collector reads search answers, and there is one main window.
    JsonDocument m_document;
    bool m_collecting = false;
    int m_collectedCount = 0;
    std::shared_ptr<Run> m_run; // while a collection runs
    bool m_ending = false;      // a heartbeat ending is under way; later endings are moot
    std::array<QCheckBox*, 9> m_exportBoxes{};
};

} // namespace tk
