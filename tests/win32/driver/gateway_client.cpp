// The fake gateway's control endpoint, reached with WinInet on 127.0.0.1 only.
#include "gateway_client.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>

namespace verdalin::driver {

int GatewayPort() {
  const char* port = std::getenv("VERDALIN_GATEWAY_PORT");
  return port != nullptr ? std::atoi(port) : 0;
}

std::string GatewayAddress(const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(GatewayPort()) + path;
}

std::string GatewayGet(const std::string& path) {
  const HINTERNET session =
      InternetOpenA("verdalin-driver", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  if (session == nullptr) return {};
  std::string body;
  const HINTERNET request =
      InternetOpenUrlA(session, GatewayAddress(path).c_str(), nullptr, 0,
                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
  if (request != nullptr) {
    char buffer[4096];
    DWORD read = 0;
    while (InternetReadFile(request, buffer, sizeof(buffer), &read) && read > 0)
      body.append(buffer, read);
    InternetCloseHandle(request);
  }
  InternetCloseHandle(session);
  return body;
}

std::string RegisterCredentials(const std::string& user, const std::string& password) {
  return GatewayGet("/_control/credentials?user=" + user + "&password=" + password);
}

std::string LastRequest(const std::string& tag, const std::string& field) {
  return GatewayGet("/_control/last-auth?tag=" + tag + "&field=" + field);
}

}  // namespace verdalin::driver
