// HTTP Digest authentication (MD5, qop "auth" or none): a server's challenge read, and the
// Authorization header that answers it, for a transport whose platform client does not.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "monitor/http.h"

namespace verdalin {

struct DigestChallenge {
  std::string realm;
  std::string nonce;
  std::string opaque;
  bool qop_auth = false;  // the server offers qop "auth"
};

// The first Digest challenge with the MD5 algorithm (or none named) among an answer's
// WWW-Authenticate headers; none when there is no such challenge.
std::optional<DigestChallenge> FindDigestChallenge(const std::vector<HttpHeader>& headers);

// The MD5 digest of the bytes, as 32 lower-case hexadecimal digits: the platform's.
using Md5Hex = std::function<std::string(std::string_view)>;

// What the answer is made of; `cnonce` is the client's random text, `uri` the request target.
struct DigestAnswer {
  std::string_view method;
  std::string_view uri;
  std::string_view login;
  std::string_view password;
  std::string_view cnonce;
};

// The Authorization header's value: "Digest username=..., response=...", the first use of the
// nonce (nc=00000001).
std::string DigestAuthorization(const DigestChallenge& challenge, const DigestAnswer& answer,
                                const Md5Hex& md5);

}  // namespace verdalin
