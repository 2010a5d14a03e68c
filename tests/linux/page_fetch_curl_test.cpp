// The libcurl fetcher against the fake gateway: what only the Linux client does.
#include <gtest/gtest.h>

#include "fakes/fake_gateway.h"

namespace verdalin {

using CurlPageFetch = FakeGatewayTest;

// A gateway that refuses without a challenge gets the credentials sent up front once more.
TEST_F(CurlPageFetch, RetriesWithBasicWhenRefusedWithoutChallenge) {
  std::string page = FetchAs(Url("/bare401?tag=bare"), "admin", "admin");
  EXPECT_NE(page.find("ADSL_DOWNSTREAM="), std::string::npos) << page;
  EXPECT_EQ(LastRequest("bare", "user"), "admin");
  EXPECT_EQ(LastRequest("bare", "count"), "2");

  page = FetchAs(Url("/bare401?tag=bare-wrong"), "admin", "nope");
  EXPECT_NE(page.find("401 Unauthorized"), std::string::npos);
  EXPECT_EQ(LastRequest("bare-wrong", "count"), "2");  // one retry, not more
}

}  // namespace verdalin
