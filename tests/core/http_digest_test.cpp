// Digest authentication: which challenges are answered, and the response's formula and quoting,
// over a stand-in digest that shows what it was given.
#include "monitor/http_digest.h"

#include <gtest/gtest.h>

namespace verdalin {
namespace {

std::string Shown(std::string_view bytes) {
  return "h(" + std::string(bytes) + ")";
}

TEST(HttpDigest, AnswersAnMd5ChallengeWithTheResponseOverItsParameters) {
  const std::vector<HttpHeader> headers = {
      {"WWW-Authenticate", "Basic realm=\"x\""},
      {"WWW-Authenticate", "Digest realm=\"SHA\", nonce=\"n0\", algorithm=SHA-256"},
      {"www-authenticate",
       "Digest realm=\"Home \\\"Box\\\"\",nonce=\"abc\", algorithm=MD5, qop=\"auth,auth-int\", "
       "opaque=op"}};
  const std::optional<DigestChallenge> challenge = FindDigestChallenge(headers);
  ASSERT_TRUE(challenge);
  EXPECT_EQ(challenge->realm, "Home \"Box\"");
  EXPECT_TRUE(challenge->qop_auth);
  const std::string header =
      DigestAuthorization(*challenge, {"POST", "/upnp/control/x", "ad\"min", "pw", "c1"}, Shown);
  EXPECT_EQ(header,
            "Digest username=\"ad\\\"min\", realm=\"Home \\\"Box\\\"\", nonce=\"abc\", "
            "uri=\"/upnp/control/x\", algorithm=MD5, qop=auth, nc=00000001, cnonce=\"c1\", "
            "response=\"h(h(ad\\\"min:Home \\\"Box\\\":pw):abc:00000001:c1:auth:h(POST:/upnp/"
            "control/x))\", opaque=\"op\"");
  // Without qop: the older formula, no nc or cnonce.
  const DigestChallenge plain{"r", "n", "", false};
  EXPECT_EQ(DigestAuthorization(plain, {"GET", "/", "u", "p", "c"}, Shown),
            "Digest username=\"u\", realm=\"r\", nonce=\"n\", uri=\"/\", algorithm=MD5, "
            "response=\"h(h(u:r:p):n:h(GET:/))\"");
  for (const char* none : {"Basic realm=\"x\"", "Digest realm=\"r\"", "Digestive nonce=\"n\""})
    EXPECT_FALSE(FindDigestChallenge({{"WWW-Authenticate", none}})) << none;
}

}  // namespace
}  // namespace verdalin
