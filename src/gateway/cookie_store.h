#pragma once
#include <curl/curl.h>

#include <string>
#include <string_view>

// The process-wide cookie store: one curl share handle holding cookies. Every curl handle that should see the
// stored cookies attaches it (CURLOPT_SHARE) and turns its cookie engine on (CURLOPT_COOKIEFILE "").
namespace tk {

// Lives until the process ends; safe to use from any thread.
CURLSH* PlatformCookieShare();

// Puts one cookie into the store for host (a session cookie, host-only). value is the text after the "=" of a
// Set-Cookie line: its first piece up to ";" is the value, a "path=" attribute (if any) the path.
void StoreCookie(std::string_view host, std::string_view name, std::string_view value);

// The stored cookies as "name=value" pairs joined by "; " that a request to host and path would carry.
std::string StoredCookies(std::string_view host, std::string_view path = "/");

} // namespace tk
