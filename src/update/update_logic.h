#pragma once
#include "update/downloader.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// What the update and about windows decide, without the windows. Texts returned here are GBK.
namespace tk {

struct AppState;

// Fixed texts of the update window, as UTF-8 source literals; pass them through Gbk() for the screen.
namespace update_text {
inline constexpr std::string_view kCaption = "在线更新";
inline constexpr std::string_view kConnecting = "正在连接服务器……";
inline constexpr std::string_view kStartButton = "开始更新";
inline constexpr std::string_view kFinishedButton = "更新完成";
inline constexpr std::string_view kMenuButton = "● ● ●";
inline constexpr std::string_view kMenu = "菜单";
inline constexpr std::string_view kMenuMinimise = "最小化";
inline constexpr std::string_view kMenuExit = "退   出";
inline constexpr std::string_view kFetchFailed = "获取失败，请稍后重试！";
inline constexpr std::string_view kFileUpdated = "程序文件更新完毕";
inline constexpr std::string_view kIsLatest = "当前使用的是最新版本";
inline constexpr std::string_view kNewVersion = "发现新版本，请立刻更新";
inline constexpr std::string_view kProgressPrefix = "更新进度（";
inline constexpr std::string_view kProgressSuffix = "%）";
} // namespace update_text

// Fixed texts of the about window (UTF-8 source literals).
namespace about_text {
inline constexpr std::string_view kTitle = "关于";
inline constexpr std::string_view kClose = "×";
inline constexpr std::string_view kCurrentVersionForm = "当前版本";
inline constexpr std::string_view kLatestVersionForm = "最新版本";
inline constexpr std::string_view kCurrentVersion = "当前版本:1.001";
inline constexpr std::string_view kLatestVersionPrefix = "最新版本:";
} // namespace about_text

inline constexpr int kProgressMaximum = 1000;

// ---- progress ----

// Bar position (0..1000) for done of total bytes: tenths of a percent, .5 rounding up. 0 when total is 0.
int ProgressPosition(int64_t done, int64_t total);
// "更新进度（45.7%）" for a bar reading 457.
std::string ProgressLabel(int barPosition);
// Size of the file in bytes; -1 when there is none. The path is GBK.
int64_t FileSizeOf(const std::string& path);

struct ProgressTick {
    bool active = false;    // false: the length is not known yet, the tick changes nothing
    int position = 0;       // for the bar
    std::string label;      // for the label, from the position the bar will read back
    bool stopTimer = false; // the bar is full and the complete file stands at the path
};
// One tick of the progress timer.
ProgressTick ComputeProgressTick(int64_t totalLength, int64_t doneLength, const std::string& filePath);

// ---- the file and how it is started ----

enum class PathStyle { Windows, Posix, Native };

// Current directory + separator + product name + latest version + ending. The ending is ".exe" on Windows;
// elsewhere it is the download address's own file ending (none when the address has none). Separators and
// control characters in the product name and version become "_", so the server cannot steer the file
// elsewhere. All texts GBK.
std::string BuildUpdateFilePath(const std::string& currentDir, const std::string& productName,
                                const std::string& latestVersion, const std::string& downloadUrl,
                                PathStyle style = PathStyle::Native);
// The process's current directory as GBK text, in the platform's separators.
std::string CurrentDirectory();

// Starts the downloaded file with the system's default action (elsewhere than Windows: marked executable,
// then started detached). With a hook set, the hook is called instead; an empty hook restores the real start.
using StartProgramHook = std::function<bool(const std::string& path)>;
void SetStartProgramHook(StartProgramHook hook);
bool StartProgram(const std::string& path);

// ---- the update state ----

enum class DownloadEnd {
    None,     // not an end event
    Failed,   // "获取失败，请稍后重试！", back to Ready
    Finished, // "程序文件更新完毕", then "更新完成"
};

// The update state that lives for the whole process, with the task record handed to the downloader.
class UpdateState {
public:
    // From PrepareUpdate: the address and the local path from the application state.
    void prepare(const AppState& app, const std::string& currentDir = CurrentDirectory());
    // The task record as the start button fills it.
    DownloadTask makeTask(DownloadCallback callback);
    // Fills the record and hands it to the downloader; the answer is the downloader's.
    bool start(FileDownloader& downloader, DownloadCallback callback);

    // The data part of DownloadEvent, safe on the downloader's thread: a length event records the length,
    // an end event says which way the window goes. Finished only when the downloader reports the file
    // complete and a file of the announced length stands at the path.
    DownloadEnd onEvent(int type, int64_t value, int64_t reserved);

    ProgressTick tick(const FileDownloader& downloader) const;

    const std::string& updateUrl() const { return m_updateUrl; }
    const std::string& updateFilePath() const { return m_updateFilePath; }
    int64_t updateTotalLength() const { return m_updateTotalLength.load(); }
    const DownloadTask& task() const { return m_task; }

private:
    std::string m_updateUrl;
    std::string m_updateFilePath;
    std::atomic<int64_t> m_updateTotalLength{0}; // written on the downloader's thread, read by the timer
    DownloadTask m_task;
};

// ---- version check and about data ----

enum class UpdateCheckOutcome {
    Latest,     // "当前使用的是最新版本"; the main window stays
    NewVersion, // "发现新版本，请立刻更新"; the update window opens and the main window goes
};
// Any difference from the running version counts as new, an older or empty one included.
UpdateCheckOutcome VersionOutcome(std::string_view latestVersion);

struct AboutData {
    std::string productName;        // 标签3
    std::string currentVersion;     // 标签1: "当前版本:1.001"
    std::string latestVersion;      // 标签2: "最新版本:" + version
    bool latestHighlighted = false; // 标签2 in pure blue (0, 0, 255); black otherwise
};
AboutData MakeAboutData(const std::string& productName, const std::string& latestVersion);

// These two re-read the Setup row through the gateway; app.lastResult and app.latestVersion are replaced.
UpdateCheckOutcome CheckForUpdate(AppState& app);
AboutData ShowAbout(AppState& app);

} // namespace tk
