// Splits a request address into the credentials and the address the HTTP client is given.
#include "monitor/fetch_address.h"

#include <cctype>

namespace verdalin {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

std::optional<FetchTarget> SplitFetchAddress(std::string_view address) {
  std::string_view scheme;
  for (std::string_view candidate : {"http://", "https://"}) {
    if (StartsWithNoCase(address, candidate)) scheme = candidate;
  }
  if (scheme.empty()) return std::nullopt;
  std::string_view rest = address.substr(scheme.size());
  FetchTarget target;
  std::size_t at = rest.rfind('@');
  if (at != std::string_view::npos) {
    std::string_view userinfo = rest.substr(0, at);
    std::size_t colon = userinfo.find(':');
    target.user = std::string(userinfo.substr(0, colon));
    if (colon != std::string_view::npos) target.password = std::string(userinfo.substr(colon + 1));
    target.has_credentials = !target.user.empty() || !target.password.empty();
    rest = rest.substr(at + 1);
  }
  target.url = std::string(scheme) + std::string(rest);
  return target;
}

}  // namespace verdalin
