#pragma once
#include "app/app_state.h"
#include "update/downloader.h"
#include "update/update_logic.h"
#include "ui/widgets.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include <memory>

namespace tk {

class MainWindow;

// The downloader and the update state that every update window of the process shares. The start routine
// holds one from start-up to exit (its end releases the downloader); a test makes its own. While one lives,
// the update windows use the newest; with none alive, one is made on first use and kept until exit.
class UpdateSession {
public:
    explicit UpdateSession(DownloaderOptions options = {});
    ~UpdateSession();
    UpdateSession(const UpdateSession&) = delete;
    UpdateSession& operator=(const UpdateSession&) = delete;

    FileDownloader& downloader() { return *m_downloader; }
    // Shared with the running task's callback, which may outlive a window.
    const std::shared_ptr<UpdateState>& state() const { return m_state; }

    static UpdateSession& current();

private:
    std::unique_ptr<FileDownloader> m_downloader;
    std::shared_ptr<UpdateState> m_state;
    UpdateSession* m_previous = nullptr;
};

// The online-update window the version gate and the update check hand over to. The caption of
// 按钮_开始更新 and the visibility of its frame carry the state: Ready ("开始更新", shown), Downloading
// (hidden, label and bar shown), Finished ("更新完成", shown). Controls are public for the tests.
class UpdateWindow : public BorderlessWindow {
    Q_OBJECT
public:
    explicit UpdateWindow(AppState& app, QWidget* parent = nullptr);
    // Constructs and shows it without a parent, not modal, and runs the creation handler; the window then
    // manages its own life.
    static UpdateWindow* open(AppState& app);

    // Creation handler: hides the progress, takes the address and builds the local path.
    void prepareUpdate();
    // 按钮_开始更新: starts the download, or in Finished starts the new file and ends the program.
    void startUpdate();
    // 时钟1
    void updateProgressTick();

    PopupMenu* menu() const { return 菜单; }
    void popUpMenu();
    void minimiseFromMenu();
    void exitFromMenu();

    UpdateSession& session() const { return m_session; }

    ShapeBox* 外形框_导航 = nullptr;
    QTimer* 时钟1 = nullptr;
    PictureBox* 图片框_LOGO = nullptr;
    TransparentLabel* 透明标签2 = nullptr;
    OwnerDrawnButton* 超级按钮_菜单 = nullptr;
    QProgressBar* 进度条_更新进度 = nullptr;
    QLabel* 标签_更新进度 = nullptr;
    PictureBox* 图片框_开始更新 = nullptr;
    OwnerDrawnButton* 按钮_开始更新 = nullptr;
    PopupMenu* 菜单 = nullptr;

    // The steps DownloadEvent hands to the GUI thread (public for the screenshots).
    void showProgressText(const std::string& gbk);
    void showReady();
    void showFinished();

protected:
    void willBeDestroyed() override;

private:
    AppState& m_app;
    UpdateSession& m_session;
};

// "更   新": re-reads the Setup row; on a new version opens the update window and collapses the main window,
// otherwise says the version is the latest and the main window stays.
void CheckForUpdate(AppState& app, MainWindow& main);
// The same for any window the check is started from.
void CheckForUpdate(AppState& app, BorderlessWindow& from);

} // namespace tk
