#pragma once
#include <optional>
#include <string>

namespace tk {

inline constexpr const char* kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// One complete, blocking HTTP exchange; returns the response body (empty when no exchange took place).
//   method       0 GET, 1 POST, 2 HEAD; anything else is GET
//   bodyText     body for POST/HEAD when bodyBytes is empty
//   cookieText   given (even empty): the process cookie store is neither read nor written for this call,
//                and a non-empty text goes out as the Cookie line
//   cookiesOut   the cookies this response set, "a=1; b=2"
//   headerLines  extra request lines joined by "\r\n"; replaced by the complete block that was sent
//   headersOut   the raw response headers ("Set-Cookie" in that case), empty when over 5000 bytes
//   noRedirect   true: a redirect is returned, not followed
//   bodyBytes    body for POST/HEAD; wins over bodyText
//   proxy        proxy server, empty for a direct connection
// Texts are GBK. Connecting is limited to 15 s and a transfer that stalls for 30 s is given up, so a dead host
// cannot hold the caller for ever.
std::string FetchUrl(const std::string& url, int method = 0, const std::string& bodyText = {},
                     const std::optional<std::string>& cookieText = std::nullopt, std::string* cookiesOut = nullptr,
                     std::string* headerLines = nullptr, std::string* headersOut = nullptr, bool noRedirect = false,
                     const std::string& bodyBytes = {}, const std::string& proxy = {});

// The pieces FetchUrl derives from a URL, exposed for the tests.
struct UrlParts {
    bool secure = false;
    std::string host;
    int port = 80;
    std::string path;
};
UrlParts SplitFetchUrl(const std::string& url);

// The agent FetchUrl announces for the given extra header lines.
std::string FetchUserAgent(const std::string& headerLines);

// The request header block built from the caller's lines.
std::string FetchHeaderBlock(const std::string& headerLines, const std::string& url,
                             const std::optional<std::string>& cookieText);

// The cookies a raw response header text sets, "a=1; b=2".
std::string CookiesFromHeaders(const std::string& rawHeaders);

} // namespace tk
