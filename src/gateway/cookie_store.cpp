#include "gateway/cookie_store.h"

#include "text/gbk_text.h"

#include <mutex>

namespace tk {
namespace {

std::mutex g_locks[CURL_LOCK_DATA_LAST];

void lockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { g_locks[data].lock(); }
void unlockShare(CURL*, curl_lock_data data, void*) { g_locks[data].unlock(); }

void ensureGlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// A handle bound to the store, for reading and writing cookies without a transfer.
struct StoreHandle {
    CURL* curl;
    StoreHandle() : curl(curl_easy_init()) {
        curl_easy_setopt(curl, CURLOPT_SHARE, PlatformCookieShare());
        curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
    }
    ~StoreHandle() { curl_easy_cleanup(curl); }
};

std::string stripControl(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\t' && c != '\r' && c != '\n') out.push_back(c);
    return out;
}

} // namespace

CURLSH* PlatformCookieShare() {
    // Deliberately never cleaned up: detached fetch workers may still hold it while the process ends.
    static CURLSH* share = [] {
        ensureGlobalInit();
        CURLSH* s = curl_share_init();
        curl_share_setopt(s, CURLSHOPT_LOCKFUNC, lockShare);
        curl_share_setopt(s, CURLSHOPT_UNLOCKFUNC, unlockShare);
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        return s;
    }();
    return share;
}

void StoreCookie(std::string_view host, std::string_view name, std::string_view value) {
    std::string cookieName(TrimBlanks(name));
    if (host.empty() || cookieName.empty()) return;
    std::string_view rest = value;
    size_t semi = rest.find(';');
    std::string cookieValue(TrimBlanks(rest.substr(0, semi)));
    std::string path = "/";
    while (semi != std::string_view::npos) {
        rest = rest.substr(semi + 1);
        semi = rest.find(';');
        std::string_view attr = TrimBlanks(rest.substr(0, semi));
        if (attr.size() > 5 && AsciiLower(attr.substr(0, 5)) == "path=") path = std::string(attr.substr(5));
    }
    // Netscape cookie-file line: domain, include subdomains, path, secure, expiry (0 = session), name, value.
    std::string line = stripControl(AsciiLower(host)) + "\tFALSE\t" + stripControl(path) + "\tFALSE\t0\t" +
                       stripControl(cookieName) + "\t" + stripControl(cookieValue);
    StoreHandle h;
    curl_easy_setopt(h.curl, CURLOPT_COOKIELIST, line.c_str());
}

std::string StoredCookies(std::string_view host, std::string_view path) {
    StoreHandle h;
    struct curl_slist* list = nullptr;
    curl_easy_getinfo(h.curl, CURLINFO_COOKIELIST, &list);
    std::string out;
    const std::string wantHost = AsciiLower(host);
    for (auto* item = list; item; item = item->next) {
        std::vector<std::string> f = SplitText(item->data, "\t");
        if (f.size() == 6) f.emplace_back(); // an empty value leaves no last field
        if (f.size() < 7) continue;
        std::string domain = f[0];
        if (domain.rfind("#HttpOnly_", 0) == 0) domain.erase(0, 10);
        if (AsciiLower(domain) != wantHost) continue;
        if (std::string_view(path).substr(0, f[2].size()) != f[2]) continue;
        if (!out.empty()) out += "; ";
        out += f[5] + "=" + f[6];
    }
    curl_slist_free_all(list);
    return out;
}

} // namespace tk
