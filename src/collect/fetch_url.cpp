#include "collect/fetch_url.h"

#include "gateway/cookie_store.h"
#include "text/encoding.h"
#include "text/gbk_text.h"
#include "text/numbers.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <string_view>

namespace tk {
namespace {

constexpr size_t kHeaderBufferSize = 5000;

// ASCII spaces and GBK full-width spaces off both ends; tabs stay.
std::string trimSpaces(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end) {
        if (text[begin] == ' ') ++begin;
        else if (end - begin >= 2 && text.substr(begin, 2) == "\xA1\xA1") begin += 2;
        else break;
    }
    while (end > begin) {
        if (text[end - 1] == ' ') --end;
        else if (end - begin >= 2 && text.substr(end - 2, 2) == "\xA1\xA1") end -= 2;
        else break;
    }
    return std::string(text.substr(begin, end - begin));
}

bool startsWithLower(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

// A request target may not hold blanks, controls or raw 8-bit bytes; such bytes travel percent-encoded so that
// a box text typed with a space still makes a well-formed request.
std::string wireTarget(std::string_view path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (unsigned char c : path) {
        if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
            c == '{' || c == '|' || c == '}') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void ensureCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t collectBody(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

// Keeps the headers of the last response only: a followed redirect or a 100 Continue starts a new block.
size_t collectHeaders(char* data, size_t size, size_t count, void* user) {
    auto* headers = static_cast<std::string*>(user);
    std::string_view line(data, size * count);
    if (line.substr(0, 5) == "HTTP/") headers->clear();
    headers->append(line);
    return size * count;
}

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

} // namespace

UrlParts SplitFetchUrl(const std::string& url) {
    UrlParts parts;
    parts.secure = startsWithLower(url, "https://");
    std::string lower = AsciiLower(url);
    if (lower.empty() || lower.back() != '/') lower += '/';
    std::string marker = "http://";
    if (lower.rfind("https://", 0) == 0) marker = "https://";
    else if (lower.find("http://") == std::string::npos) lower = "http://" + lower;
    size_t start = lower.find(marker) + marker.size();
    size_t slash = lower.find('/', start);
    std::string hostPort = lower.substr(start, slash - start);
    parts.host = hostPort.substr(0, hostPort.find(':'));
    size_t colon = hostPort.rfind(':');
    if (colon != std::string::npos) parts.port = static_cast<int>(TextToInt64(hostPort.substr(colon + 1)));
    else parts.port = lower.rfind("https", 0) == 0 ? 443 : 80;

    size_t at = FindText(url, parts.host, 0, true);
    size_t pathStart = at == std::string::npos ? std::string::npos : url.find('/', at);
    parts.path = pathStart == std::string::npos ? "/" : url.substr(pathStart);
    return parts;
}

std::string FetchUserAgent(const std::string& headerLines) {
    if (!ContainsText(headerLines, "User-Agent:", true)) return kDefaultUserAgent;
    std::string withEnd = headerLines + "\r\n";
    std::string agent;
    size_t at = withEnd.find("User-Agent:");
    if (at != std::string::npos) {
        size_t from = at + 11;
        agent = trimSpaces(std::string_view(withEnd).substr(from, withEnd.find("\r\n", from) - from));
    }
    if (agent.empty()) {
        size_t colon = headerLines.find(':');
        agent = trimSpaces(std::string_view(headerLines).substr(colon + 1));
    }
    return agent;
}

std::string FetchHeaderBlock(const std::string& headerLines, const std::string& url,
                             const std::optional<std::string>& cookieText) {
    std::string block = headerLines;
    if (block.empty()) block = "Accept: */*";
    else if (block.find("Accept:") == std::string::npos) block += "\r\nAccept: */*";
    if (block.find("Referer:") == std::string::npos) block += "\r\nReferer: " + url;
    if (block.find("Accept-Language:") == std::string::npos) block += "\r\nAccept-Language: zh-cn";
    if (block.find("Content-Type:") == std::string::npos)
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    if (cookieText && !cookieText->empty()) {
        if (cookieText->find("Cookie:") == std::string::npos) block += "\r\nCookie: " + *cookieText;
        else block += "\r\n" + *cookieText;
    }
    return block;
}

std::string CookiesFromHeaders(const std::string& rawHeaders) {
    std::string cookies;
    for (const std::string& line : SplitText(rawHeaders, "\r\n")) {
        if (line.find("Set-Cookie") == std::string::npos) continue;
        std::string cookie;
        if (line.find(';') != std::string::npos) {
            size_t at = line.find("Set-Cookie:");
            size_t from = at == std::string::npos ? 0 : at + 11;
            cookie = line.substr(from, line.find(';', from) - from);
        } else {
            cookie = ReplaceText(line, "Set-Cookie:", "", true);
        }
        cookies += trimSpaces(cookie) + "; ";
    }
    if (cookies.size() >= 2) cookies.resize(cookies.size() - 2);
    return cookies;
}

std::string FetchUrl(const std::string& url, int method, const std::string& bodyText,
                     const std::optional<std::string>& cookieText, std::string* cookiesOut, std::string* headerLines,
                     std::string* headersOut, bool noRedirect, const std::string& bodyBytes,
                     const std::string& proxy) {
    if (method < 0 || method > 2) method = 0;
    ensureCurl();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return {};

    const std::string lines = headerLines ? *headerLines : std::string();
    const UrlParts parts = SplitFetchUrl(url);
    const std::string agent = FetchUserAgent(lines);
    const std::string block = FetchHeaderBlock(lines, url, cookieText);
    const std::string target = (parts.secure ? "https://" : "http://") + parts.host + ":" +
                               std::to_string(parts.port) + wireTarget(parts.path);

    std::unique_ptr<curl_slist, SlistDeleter> list;
    auto addLine = [&](std::string line) {
        // curl drops a header written "Name:" with nothing after it; "Name;" sends it empty.
        if (!line.empty() && line.back() == ':') line.back() = ';';
        list.reset(curl_slist_append(list.release(), line.c_str()));
    };
    for (const std::string& line : SplitText(block, "\r\n"))
        if (!line.empty()) addLine(line);
    list.reset(curl_slist_append(list.release(), "Expect:"));

    std::string body, rawHeaders;
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, target.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, collectHeaders);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &rawHeaders);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 30L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, noRedirect ? 0L : 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
    if (!proxy.empty()) curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str());
    else curl_easy_setopt(h, CURLOPT_PROXY, "");
    if (!cookieText) {
        curl_easy_setopt(h, CURLOPT_SHARE, PlatformCookieShare());
        curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
    }

    const std::string& payload = bodyBytes.empty() ? bodyText : bodyBytes;
    if (method == 1) {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(payload.size()));
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, payload.data());
    } else if (method == 2) {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        if (!payload.empty()) {
            curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(payload.size()));
            curl_easy_setopt(h, CURLOPT_POSTFIELDS, payload.data());
            curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "HEAD");
        }
    }

    // Failures are not reported: the caller gets whatever body arrived, often none.
    curl_easy_perform(h);

    if (headerLines) *headerLines = block;
    std::string headers;
    if (rawHeaders.size() < kHeaderBufferSize) headers = ReplaceText(rawHeaders, "Set-Cookie", "Set-Cookie", true);
    if (headersOut) *headersOut = headers;
    if (cookiesOut) *cookiesOut = CookiesFromHeaders(headers);
    return body;
}

} // namespace tk
