// The WinInet parts the page fetch and the webhook's POST share.
#include "win32/wininet_parts.h"

#include <algorithm>

namespace verdalin {

bool UrlParts::SameServer(const UrlParts& other) const {
  return secure == other.secure && port == other.port &&
         CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, host.c_str(), -1, other.host.c_str(),
                        -1) == CSTR_EQUAL;
}

bool CrackUrl(const std::string& url, UrlParts* parts) {
  URL_COMPONENTSA components{};
  components.dwStructSize = sizeof components;
  components.dwHostNameLength = 1;  // non-zero: answer pointers into url
  components.dwUrlPathLength = 1;
  components.dwExtraInfoLength = 1;
  components.dwUserNameLength = 1;
  if (!InternetCrackUrlA(url.c_str(), 0, 0, &components)) return false;
  if (components.lpszHostName == nullptr || components.dwHostNameLength == 0) return false;
  if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
    return false;
  parts->host.assign(components.lpszHostName, components.dwHostNameLength);
  parts->port = components.nPort;
  parts->secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  std::string path;
  if (components.lpszUrlPath != nullptr)
    path.assign(components.lpszUrlPath, components.dwUrlPathLength);
  if (components.lpszExtraInfo != nullptr)
    path.append(components.lpszExtraInfo, components.dwExtraInfoLength);
  path.resize(std::min(path.size(), path.find('#')));
  parts->path = path.empty() ? std::string(1, '/') : path;
  return true;
}

void SetTimeouts(HINTERNET internet, const FetchLimits& limits) {
  DWORD connect = static_cast<DWORD>(limits.connect_timeout_ms);
  DWORD transfer = static_cast<DWORD>(limits.total_timeout_ms);
  InternetSetOptionA(internet, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
  InternetSetOptionA(internet, INTERNET_OPTION_RECEIVE_TIMEOUT, &transfer, sizeof transfer);
  InternetSetOptionA(internet, INTERNET_OPTION_SEND_TIMEOUT, &transfer, sizeof transfer);
}

DWORD QueryNumber(HINTERNET request, DWORD what, bool* found) {
  DWORD value = 0;
  DWORD size = sizeof value;
  *found = HttpQueryInfoA(request, what | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr) != FALSE;
  return value;
}

HINTERNET Handles::Keep(HINTERNET handle) {
  std::lock_guard lock(mutex_);
  if (closed_) {
    if (handle != nullptr) InternetCloseHandle(handle);
    return nullptr;
  }
  if (handle != nullptr) open_.push_back(handle);
  return handle;
}

void Handles::Close(HINTERNET handle) {
  std::lock_guard lock(mutex_);
  const auto found = std::find(open_.begin(), open_.end(), handle);
  if (found == open_.end()) return;
  InternetCloseHandle(handle);
  open_.erase(found);
}

void Handles::CloseAll() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  for (auto handle = open_.rbegin(); handle != open_.rend(); ++handle) InternetCloseHandle(*handle);
  open_.clear();
}

HINTERNET OpenSession(Handles& handles, const FetchLimits& limits) {
  const HINTERNET session =
      handles.Keep(InternetOpenA("QX@INET", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (session != nullptr) SetTimeouts(session, limits);
  return session;
}

HINTERNET OpenConnection(Handles& handles, HINTERNET session, const UrlParts& target,
                         const FetchLimits& limits, const char* login, const char* password) {
  const HINTERNET connection = handles.Keep(InternetConnectA(
      session, target.host.c_str(), target.port, login, password, INTERNET_SERVICE_HTTP, 0, 0));
  if (connection != nullptr) SetTimeouts(connection, limits);
  return connection;
}

}  // namespace verdalin
