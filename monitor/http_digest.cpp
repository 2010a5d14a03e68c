// HTTP Digest: the challenge's parameters and the response computed over them.
#include "monitor/http_digest.h"

#include "base/text_ops.h"

namespace verdalin {

namespace {

// The auth-params after the scheme: name=token or name="quoted", separated by commas.
std::vector<std::pair<std::string, std::string>> Parameters(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> out;
  std::size_t i = 0;
  const auto skip = [&](std::string_view set) {
    while (i < text.size() && set.find(text[i]) != std::string_view::npos) ++i;
  };
  while (i < text.size()) {
    skip(" \t,");
    const std::size_t equals = text.find('=', i);
    if (equals == std::string_view::npos) break;
    std::string name = LowerCase(TrimBlanks(text.substr(i, equals - i)));
    i = equals + 1;
    skip(" \t");
    std::string value;
    if (i < text.size() && text[i] == '"') {
      for (++i; i < text.size() && text[i] != '"'; ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) ++i;
        value += text[i];
      }
      ++i;
    } else {
      const std::size_t end = std::min(text.find(',', i), text.size());
      value = TrimBlanks(text.substr(i, end - i));
      i = end;
    }
    out.emplace_back(std::move(name), std::move(value));
  }
  return out;
}

// Whether a qop list ("auth,auth-int") holds "auth".
bool OffersAuth(std::string_view list) {
  while (!list.empty()) {
    const std::size_t comma = std::min(list.find(','), list.size());
    if (LowerCase(TrimBlanks(list.substr(0, comma))) == "auth") return true;
    list.remove_prefix(std::min(comma + 1, list.size()));
  }
  return false;
}

std::optional<DigestChallenge> ReadChallenge(std::string_view header) {
  if (header.size() < 7 || LowerCase(header.substr(0, 7)) != "digest ") return {};
  DigestChallenge challenge;
  bool md5 = true;
  for (const auto& [name, value] : Parameters(header.substr(7))) {
    if (name == "realm") challenge.realm = value;
    if (name == "nonce") challenge.nonce = value;
    if (name == "opaque") challenge.opaque = value;
    if (name == "algorithm") md5 = LowerCase(value) == "md5";
    if (name == "qop") challenge.qop_auth = challenge.qop_auth || OffersAuth(value);
  }
  if (!md5 || challenge.nonce.empty()) return {};
  return challenge;
}

// A quoted-string: its quotes and backslashes escaped.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::optional<DigestChallenge> FindDigestChallenge(const std::vector<HttpHeader>& headers) {
  for (const HttpHeader& header : headers) {
    if (LowerCase(header.name) != "www-authenticate") continue;
    if (std::optional<DigestChallenge> challenge = ReadChallenge(header.value)) return challenge;
  }
  return {};
}

std::string DigestAuthorization(const DigestChallenge& challenge, const DigestAnswer& answer,
                                const Md5Hex& md5) {
  const auto text = [](std::string_view a) { return std::string(a); };
  const std::string first =
      md5(text(answer.login) + ":" + challenge.realm + ":" + text(answer.password));
  const std::string second = md5(text(answer.method) + ":" + text(answer.uri));
  constexpr std::string_view kCount = "00000001";
  const std::string response = challenge.qop_auth
                                   ? md5(first + ":" + challenge.nonce + ":" + text(kCount) + ":" +
                                         text(answer.cnonce) + ":auth:" + second)
                                   : md5(first + ":" + challenge.nonce + ":" + second);
  std::string header = "Digest username=" + Quoted(answer.login) +
                       ", realm=" + Quoted(challenge.realm) + ", nonce=" + Quoted(challenge.nonce) +
                       ", uri=" + Quoted(answer.uri) + ", algorithm=MD5";
  if (challenge.qop_auth)
    header += ", qop=auth, nc=" + text(kCount) + ", cnonce=" + Quoted(answer.cnonce);
  header += ", response=" + Quoted(response);
  if (!challenge.opaque.empty()) header += ", opaque=" + Quoted(challenge.opaque);
  return header;
}

}  // namespace verdalin
