#pragma once
#include <string>
#include <string_view>

// One HTTP exchange for the data gateway, run on a worker thread of its own while the caller waits.
namespace tk {

inline constexpr const char* kFetchAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

struct FetchOptions {
    std::string method;       // "GET" or "POST" in any case; empty = GET; anything else sends nothing
    std::string body;         // POST body
    std::string cookieText;   // "a=1; b=2", sent as the Cookie header when not blank
    std::string proxy;        // "host:port" of an http proxy; blank = direct
    int timeoutSeconds = 0;   // 0 = 90; window input restarts the count
    std::string extraHeaders; // header lines, each ending in "\r\n"
    std::string userName;     // credentials, used when not blank
    std::string password;
    bool storeCookies = false; // also put the cookies the server set into the platform cookie store
};

struct FetchReturns {
    std::string cookies; // "name=value" of every cookie the server set, joined by "; "
    std::string headers; // the raw response headers, lines separated by "\r\n"; 1536 blanks when longer
};

// The response body; empty on any failure or timeout (then both returns are empty too). The HTTP status is
// not looked at. On the GUI thread the wait runs a local event loop; elsewhere it simply blocks.
std::string HttpFetch(const std::string& address, const FetchOptions& options = {}, FetchReturns* returns = nullptr);

// The same with the twelve arguments in their usual order.
std::string HttpFetch(const std::string& address, const std::string& method, const std::string& body,
                      const std::string& cookieText, std::string* returnedCookies, const std::string& proxy,
                      int timeoutSeconds, const std::string& extraHeaders, const std::string& userName,
                      const std::string& password, std::string* returnedHeaders, bool storeCookies);

// Fetch workers still running, abandoned ones included (they end on their own within about a second).
int RunningFetchWorkers();

// Address parts: host in lower case (with ":port" when keepPort), path with query ("/" when none), port (80
// when none).
std::string UrlHost(std::string_view address, bool keepPort = false);
std::string UrlPath(std::string_view address);
int UrlPort(std::string_view address);

// The text between the first left and the first right after it. With an empty left: the text before the first
// right; with an empty right: the text after the first left. Empty when a marker does not occur.
std::string TextBetween(std::string_view text, std::string_view left, std::string_view right);

} // namespace tk
