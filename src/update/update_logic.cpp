#include "update/update_logic.h"

#include "app/app_state.h"
#include "text/encoding.h"
#include "text/gbk_text.h"
#include "text/numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <mutex>

#ifdef _WIN32
#include <shellapi.h>
#include <windows.h>
#endif

namespace tk {

int ProgressPosition(int64_t done, int64_t total) {
    if (total <= 0 || done <= 0) return 0;
    const double position = std::floor(static_cast<double>(done) / static_cast<double>(total) * 1000.0 + 0.5);
    // The bar holds 0..1000; a count past the announced length must not read as more than full.
    return static_cast<int>(std::clamp(position, 0.0, static_cast<double>(kProgressMaximum)));
}

std::string ProgressLabel(int barPosition) {
    return Gbk(update_text::kProgressPrefix) + FormatReal(barPosition / 10.0) + Gbk(update_text::kProgressSuffix);
}

int64_t FileSizeOf(const std::string& path) {
    const QFileInfo info(FromGbk(path));
    return info.exists() && info.isFile() ? info.size() : -1;
}

ProgressTick ComputeProgressTick(int64_t totalLength, int64_t doneLength, const std::string& filePath) {
    ProgressTick tick;
    if (totalLength == 0) return tick;
    tick.active = true;
    tick.position = ProgressPosition(doneLength, totalLength);
    tick.label = ProgressLabel(tick.position);
    tick.stopTimer = tick.position == kProgressMaximum && FileSizeOf(filePath) == totalLength;
    return tick;
}

namespace {

// Keeps a text from the server usable as part of one file name: no separators, no control characters.
std::string fileNamePart(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t n = GbkCharLength(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (n == 1 && (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':'))
            out += '_';
        else
            out.append(text, i, n);
        i += n;
    }
    return out;
}

// ".AppImage" of "http://host/dir/taoke.AppImage?x=1"; empty when the last path piece has no plain ending.
std::string urlFileEnding(std::string_view url) {
    size_t pathStart = 0;
    if (const size_t scheme = url.find("://"); scheme != std::string_view::npos) {
        pathStart = url.find('/', scheme + 3);
        if (pathStart == std::string_view::npos) return {};
    }
    std::string_view path = url.substr(pathStart);
    path = path.substr(0, path.find_first_of("?#"));
    const size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot + 1 >= name.size() || name.size() - dot > 16) return {};
    for (char c : name.substr(dot + 1))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return {};
    return std::string(name.substr(dot));
}

std::mutex g_hookMutex;
StartProgramHook g_startHook;

bool startForReal(const std::string& path) {
    const QString file = FromGbk(path);
#ifdef _WIN32
    const auto wide = file.toStdWString();
    return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, nullptr, wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) >
           32;
#else
    QFile f(file);
    if (!f.exists()) return false;
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser | QFileDevice::ExeGroup |
                     QFileDevice::ExeOther);
    return QProcess::startDetached(QFileInfo(file).absoluteFilePath(), {}, QFileInfo(file).absolutePath());
#endif
}

} // namespace

std::string BuildUpdateFilePath(const std::string& currentDir, const std::string& productName,
                                const std::string& latestVersion, const std::string& downloadUrl, PathStyle style) {
    if (style == PathStyle::Native) {
#ifdef _WIN32
        style = PathStyle::Windows;
#else
        style = PathStyle::Posix;
#endif
    }
    const bool windows = style == PathStyle::Windows;
    std::string path = currentDir;
    const char separator = windows ? '\\' : '/';
    if (path.empty() || path.back() != separator) path += separator;
    path += fileNamePart(productName + latestVersion);
    path += windows ? std::string(".exe") : urlFileEnding(downloadUrl);
    return path;
}

std::string CurrentDirectory() {
    return ToGbk(QDir::toNativeSeparators(QDir::currentPath()));
}

void SetStartProgramHook(StartProgramHook hook) {
    std::lock_guard lock(g_hookMutex);
    g_startHook = std::move(hook);
}

bool StartProgram(const std::string& path) {
    StartProgramHook hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_startHook;
    }
    return hook ? hook(path) : startForReal(path);
}

void UpdateState::prepare(const AppState& app, const std::string& currentDir) {
    m_updateUrl = app.downloadUrl;
    m_updateFilePath = BuildUpdateFilePath(currentDir, app.productName, app.latestVersion, app.downloadUrl);
}

DownloadTask UpdateState::makeTask(DownloadCallback callback) {
    m_task.flags = kDownloadFlag;
    m_task.sourceUrl = m_updateUrl;
    m_task.localPath = m_updateFilePath;
    m_task.segments = 120;
    m_task.speedLimit = 9999999;
    m_task.connectTimeoutMs = 5000;
    m_task.sendTimeoutMs = 5001;
    m_task.receiveTimeoutMs = 10000;
    m_task.stopWaitMs = 1000;
    m_task.receiveBlockSize = 20480;
    m_task.callback = std::move(callback);
    return m_task;
}

bool UpdateState::start(FileDownloader& downloader, DownloadCallback callback) {
    return AddTask(downloader, makeTask(std::move(callback)));
}

DownloadEnd UpdateState::onEvent(int type, int64_t value, int64_t reserved) {
    if (type == kEventLengthKnown) {
        m_updateTotalLength = value;
        return DownloadEnd::None;
    }
    if (type != kEventTaskEnded) return DownloadEnd::None;
    const int64_t total = m_updateTotalLength.load();
    if (total == 0) return DownloadEnd::Failed;
    // An early end must not pass for a finished download that would then be started.
    if (reserved != 1 || FileSizeOf(m_updateFilePath) != total) return DownloadEnd::Failed;
    return DownloadEnd::Finished;
}

ProgressTick UpdateState::tick(const FileDownloader& downloader) const {
    const int64_t total = m_updateTotalLength.load();
    if (total == 0) return {};
    return ComputeProgressTick(total, DoneLength(downloader), m_updateFilePath);
}

UpdateCheckOutcome VersionOutcome(std::string_view latestVersion) {
    return latestVersion == kRunningVersion ? UpdateCheckOutcome::Latest : UpdateCheckOutcome::NewVersion;
}

AboutData MakeAboutData(const std::string& productName, const std::string& latestVersion) {
    AboutData data;
    data.productName = productName;
    data.currentVersion = Gbk(about_text::kCurrentVersion);
    data.latestVersion = Gbk(about_text::kLatestVersionPrefix) + latestVersion;
    data.latestHighlighted = latestVersion != kRunningVersion;
    return data;
}

} // namespace tk
