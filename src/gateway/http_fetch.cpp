#include "gateway/http_fetch.h"

#include "app/pump.h"
#include "gateway/cookie_store.h"
#include "text/gbk_text.h"
#include "text/numbers.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tk {
namespace {

constexpr size_t kHeaderBufferSize = 1536;
constexpr const char* kDefaultAccept =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";

std::atomic<int> g_runningWorkers{0};

// Everything one exchange needs and produces. The worker and the waiting caller share it; once the caller has
// given up (abandoned), only the worker touches it, and the last owner frees it.
struct FetchRecord {
    std::string address;
    FetchOptions options;

    std::atomic<bool> abandoned{false};

    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    bool ok = false;
    std::string rawHeaders;
    std::string cookies;
    std::string body;
    std::function<void()> wake; // set while a GUI-thread caller runs its event loop
};

bool blankWithoutSpaces(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

// A header counts as present when its name with colon and one space occurs anywhere, in any letter case.
bool headerMissing(std::string_view headerText, std::string_view nameColonSpace) {
    return !ContainsText(headerText, nameColonSpace, true);
}

// The name of a header line as curl sees it (up to ":" or ";"), in lower case.
std::string lineName(std::string_view line) {
    size_t end = line.find_first_of(":;");
    return AsciiLower(TrimBlanks(line.substr(0, end == std::string_view::npos ? line.size() : end)));
}

size_t collectBody(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

size_t collectHeader(char* data, size_t size, size_t count, void* user) {
    auto* headers = static_cast<std::string*>(user);
    std::string_view line(data, size * count);
    // A new status line starts a new response (an interim 100 or an authentication round): keep only the last.
    if (line.substr(0, 5) == "HTTP/") headers->clear();
    headers->append(line);
    return size * count;
}

int abortWhenAbandoned(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<FetchRecord*>(user)->abandoned.load() ? 1 : 0;
}

// The cookies a response set: each "name=value" up to its ";". A line without ";" after the value gives none.
std::string returnedCookies(const std::string& rawHeaders) {
    std::string out;
    if (!ContainsText(rawHeaders, "Set-Cookie:", true)) return out;
    for (const std::string& line : SplitText(rawHeaders, "\r\n")) {
        // Only Set-Cookie lines count: other lines with "=" and ";" (a charset, a cache rule) are no cookie.
        size_t at = FindText(line, "Set-Cookie:", 0, true);
        if (at == std::string::npos) continue;
        std::string_view rest = std::string_view(line).substr(at + 11);
        if (TextBetween(rest, "=", ";").empty()) continue;
        if (!out.empty()) out += "; ";
        out += TrimBlanks(TextBetween(rest, "", ";"));
    }
    return out;
}

void storeReturnedCookies(const std::string& rawHeaders, const std::string& host) {
    for (const std::string& line : SplitText(rawHeaders, "\r\n")) {
        size_t at = FindText(line, "Set-Cookie:", 0, true);
        if (at == std::string::npos) continue;
        std::string_view rest = TrimBlanks(std::string_view(line).substr(at + 11));
        size_t eq = rest.find('=');
        if (eq == std::string_view::npos) continue;
        StoreCookie(host, rest.substr(0, eq), rest.substr(eq + 1));
    }
}

// The request headers in the order they go on the wire after Host and User-Agent.
std::vector<std::string> requestHeaderLines(const FetchRecord& rec, bool post) {
    const FetchOptions& o = rec.options;
    std::string headerText = o.extraHeaders;
    if (headerMissing(headerText, "Accept: ")) headerText += kDefaultAccept;
    if (headerMissing(headerText, "Referer: ")) headerText += "Referer: " + rec.address + "\r\n";
    if (headerMissing(headerText, "Accept-Language: ")) headerText += "Accept-Language: zh-cn\r\n";
    if (post && !o.body.empty()) {
        if (headerMissing(headerText, "Content-Type: "))
            headerText += "Content-Type: application/x-www-form-urlencoded\r\n";
        headerText += "Content-Length: " + std::to_string(o.body.size()) + "\r\n";
    }

    std::vector<std::string> lines;
    if (!TrimBlanks(o.cookieText).empty()) lines.push_back("Cookie: " + o.cookieText);
    for (std::string& line : SplitText(headerText, "\r\n")) {
        if (line.empty()) continue;
        // curl reads "Name:" with nothing after it as "drop this header"; "Name;" sends it empty.
        if (line.back() == ':') line.back() = ';';
        lines.push_back(std::move(line));
    }
    // curl adds headers of its own unless the list names them; an entry with nothing after the colon keeps
    // them off the wire.
    auto named = [&](std::string_view name) {
        for (const std::string& l : lines)
            if (lineName(l) == name) return true;
        return false;
    };
    for (const char* name : {"accept", "expect", "content-type", "content-length"})
        if (!named(name)) lines.push_back(std::string(name) + ":");
    return lines;
}

// Runs the exchange and fills the record. Owns its handles on every path.
void runFetch(const std::shared_ptr<FetchRecord>& rec) {
    const FetchOptions& o = rec->options;
    const std::string method = AsciiUpper(o.method);
    const bool post = method == "POST";
    bool ok = false;
    std::string rawHeaders, body;
    const std::string host = UrlHost(rec->address);

    if ((method.empty() || method == "GET" || post) && !host.empty()) {
        const std::string url = "http://" + host + ":" + std::to_string(UrlPort(rec->address)) + UrlPath(rec->address);
        CURL* curl = curl_easy_init();
        struct curl_slist* headers = nullptr;
        if (curl) {
            for (const std::string& line : requestHeaderLines(*rec, post)) headers = curl_slist_append(headers, line.c_str());
            curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
            curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
            curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
            curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
            curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
            curl_easy_setopt(curl, CURLOPT_USERAGENT, kFetchAgent);
            curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
            // Direct unless a proxy is given; never one from the environment.
            const std::string proxy = blankWithoutSpaces(o.proxy) ? std::string() : "http://" + o.proxy;
            curl_easy_setopt(curl, CURLOPT_PROXY, proxy.c_str());
            if (!blankWithoutSpaces(o.userName) || !blankWithoutSpaces(o.password)) {
                curl_easy_setopt(curl, CURLOPT_USERNAME, blankWithoutSpaces(o.userName) ? "" : o.userName.c_str());
                curl_easy_setopt(curl, CURLOPT_PASSWORD, blankWithoutSpaces(o.password) ? "" : o.password.c_str());
                // Answer a server's challenge rather than volunteering an Authorization header.
                curl_easy_setopt(curl, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
            }
            if (post) {
                curl_easy_setopt(curl, CURLOPT_POST, 1L);
                curl_easy_setopt(curl, CURLOPT_POSTFIELDS, o.body.data());
                curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(o.body.size()));
            } else {
                curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
            }
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collectHeader);
            curl_easy_setopt(curl, CURLOPT_HEADERDATA, &rawHeaders);
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenAbandoned);
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, rec.get());
            ok = curl_easy_perform(curl) == CURLE_OK;
            curl_easy_cleanup(curl);
        }
        curl_slist_free_all(headers);
    }

    std::string cookies;
    if (ok) {
        // The header text must fit the buffer with its terminating zero; otherwise the buffer stays blank.
        if (rawHeaders.size() + 1 > kHeaderBufferSize) rawHeaders.assign(kHeaderBufferSize, ' ');
        cookies = returnedCookies(rawHeaders);
        if (o.storeCookies && !rec->abandoned.load()) storeReturnedCookies(rawHeaders, host);
    } else {
        rawHeaders.clear();
        body.clear();
    }

    std::lock_guard<std::mutex> guard(rec->lock);
    rec->ok = ok;
    rec->rawHeaders = std::move(rawHeaders);
    rec->cookies = std::move(cookies);
    rec->body = std::move(body);
    rec->done = true;
    rec->finished.notify_all();
    if (rec->wake) rec->wake();
}

void ensureCurl() {
    static std::once_flag once;
    std::call_once(once, [] {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        PlatformCookieShare();
    });
}

// Counts window input on the GUI thread: every key, mouse or wheel event restarts the wait.
class InputWatcher : public QObject {
public:
    InputWatcher(QTimer& timer, int ms) : m_timer(timer), m_ms(ms) {}
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            m_timer.start(m_ms);
            break;
        default:
            break;
        }
        return false;
    }

private:
    QTimer& m_timer;
    int m_ms;
};

// True when the worker finished before the limit.
bool waitOnGuiThread(const std::shared_ptr<FetchRecord>& rec, int ms) {
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    limit.setTimerType(Qt::PreciseTimer);
    bool timedOut = false;
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    InputWatcher watcher(limit, ms);
    QCoreApplication::instance()->installEventFilter(&watcher);
    bool needWait;
    {
        std::lock_guard<std::mutex> guard(rec->lock);
        needWait = !rec->done;
        if (needWait) {
            QEventLoop* target = &loop;
            rec->wake = [target] { QMetaObject::invokeMethod(target, [target] { target->quit(); }, Qt::QueuedConnection); };
        }
    }
    if (needWait) {
        limit.start(ms);
        loop.exec();
    }
    QCoreApplication::instance()->removeEventFilter(&watcher);
    std::lock_guard<std::mutex> guard(rec->lock);
    rec->wake = nullptr; // the loop goes away with this frame; the worker must not reach it afterwards
    return rec->done && !timedOut;
}

bool waitBlocking(const std::shared_ptr<FetchRecord>& rec, int ms) {
    std::unique_lock<std::mutex> guard(rec->lock);
    return rec->finished.wait_for(guard, std::chrono::milliseconds(ms), [&] { return rec->done; });
}

} // namespace

std::string HttpFetch(const std::string& address, const FetchOptions& options, FetchReturns* returns) {
    if (returns) *returns = FetchReturns{};
    ensureCurl();
    auto rec = std::make_shared<FetchRecord>();
    rec->address = address;
    rec->options = options;

    g_runningWorkers.fetch_add(1);
    try {
        std::thread([rec] {
            runFetch(rec);
            g_runningWorkers.fetch_sub(1);
        }).detach();
    } catch (const std::system_error&) {
        g_runningWorkers.fetch_sub(1);
        return {};
    }

    const int seconds = options.timeoutSeconds > 0 ? options.timeoutSeconds : 90;
    const int ms = seconds > 2000000 ? 2000000000 : seconds * 1000;
    const bool finished = OnGuiThread() ? waitOnGuiThread(rec, ms) : waitBlocking(rec, ms);
    if (!finished) {
        // The worker sees this in its progress callback, stops, and frees its own handles.
        rec->abandoned.store(true);
        return {};
    }
    std::lock_guard<std::mutex> guard(rec->lock);
    if (!rec->ok) return {};
    if (returns) {
        returns->cookies = rec->cookies;
        returns->headers = rec->rawHeaders;
    }
    return rec->body;
}

std::string HttpFetch(const std::string& address, const std::string& method, const std::string& body,
                      const std::string& cookieText, std::string* returnedCookies, const std::string& proxy,
                      int timeoutSeconds, const std::string& extraHeaders, const std::string& userName,
                      const std::string& password, std::string* returnedHeaders, bool storeCookies) {
    FetchOptions o{method, body, cookieText, proxy, timeoutSeconds, extraHeaders, userName, password, storeCookies};
    FetchReturns r;
    std::string answer = HttpFetch(address, o, &r);
    if (returnedCookies) *returnedCookies = r.cookies;
    if (returnedHeaders) *returnedHeaders = r.headers;
    return answer;
}

int RunningFetchWorkers() { return g_runningWorkers.load(); }

std::string UrlHost(std::string_view address, bool keepPort) {
    size_t start = 0;
    size_t scheme = address.find("http://");
    if (scheme != std::string_view::npos) start = scheme + 7;
    std::string_view host = address.substr(start);
    host = host.substr(0, host.find('/'));
    if (!keepPort) host = host.substr(0, host.find(':'));
    return AsciiLower(host);
}

std::string UrlPath(std::string_view address) {
    const std::string host = UrlHost(address);
    // Look for the host where UrlHost took it from, so that a host such as "h" is not found inside "http://".
    size_t scheme = address.find("http://");
    size_t at = FindText(address, host, scheme == std::string_view::npos ? 0 : scheme + 7, true);
    if (at == std::string_view::npos) return "/";
    size_t slash = address.find('/', at + host.size());
    if (slash == std::string_view::npos) return "/";
    return std::string(address.substr(slash));
}

int UrlPort(std::string_view address) {
    const std::string host = UrlHost(address, true);
    size_t colon = host.find(':');
    if (colon == std::string::npos) return 80;
    int64_t port = TextToInt64(std::string_view(host).substr(colon + 1));
    return port < 0 || port > 65535 ? 0 : static_cast<int>(port);
}

std::string TextBetween(std::string_view text, std::string_view left, std::string_view right) {
    if (!left.empty()) {
        size_t at = text.find(left);
        if (at == std::string_view::npos) return {};
        text = text.substr(at + left.size());
    }
    if (!right.empty()) {
        size_t at = text.find(right);
        if (at == std::string_view::npos) return {};
        text = text.substr(0, at);
    }
    return std::string(text);
}

} // namespace tk
