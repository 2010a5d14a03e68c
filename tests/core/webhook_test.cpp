// The webhook's JSON body read back by a strict reader, and the sender's queue, order, failure
// reports and end with a poster that the test holds or lets go.
#include "monitor/webhook.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "fakes/fake_gateway.h"
#include "ui/report_text.h"

namespace verdalin {
namespace {

// One JSON string at `at` (its opening quote), decoded; false when it is not strict JSON: a raw
// control character, an unknown escape, a surrogate or a missing end.
bool ReadString(std::string_view json, std::size_t& at, std::string& out) {
  if (at >= json.size() || json[at++] != '"') return false;
  for (; at < json.size(); ++at) {
    const unsigned char c = json[at];
    if (c == '"') {
      ++at;
      return true;
    }
    if (c < 0x20 || (c == '\\' && ++at == json.size())) return false;
    if (c != '\\') {
      out += static_cast<char>(c);
      continue;
    }
    const char escape = json[at];
    const std::string_view simple = "\"\\/bfnrt", meaning = "\"\\/\b\f\n\r\t";
    if (simple.find(escape) != std::string_view::npos) {
      out += meaning[simple.find(escape)];
    } else if (escape == 'u' && at + 4 < json.size()) {
      const unsigned code = std::stoul(std::string(json.substr(at + 1, 4)), nullptr, 16);
      if (code >= 0xD800 && code < 0xE000) return false;
      out += code < 0x80    ? std::string(1, static_cast<char>(code))
             : code < 0x800 ? std::string{char(0xC0 | code >> 6), char(0x80 | (code & 0x3F))}
                            : std::string{char(0xE0 | code >> 12), char(0x80 | (code >> 6 & 0x3F)),
                                          char(0x80 | (code & 0x3F))};
      at += 4;
    } else {
      return false;
    }
  }
  return false;
}

// The members of a flat JSON object of strings; empty when the text is anything else.
std::map<std::string, std::string> ReadObject(std::string_view json) {
  std::map<std::string, std::string> members;
  std::size_t at = 0;
  for (char separator = '{'; at < json.size() && json[at] == separator; separator = ',') {
    std::string key, value;
    ++at;
    if (!ReadString(json, at, key) || at >= json.size() || json[at++] != ':' ||
        !ReadString(json, at, value))
      return {};
    members[key] = value;
  }
  if (at + 1 != json.size() || json[at] != '}') return {};
  return members;
}

TEST(WebhookBody, HoldsTheFiveTextsInAFixedShape) {
  const WebhookMessage message{"2026/12/07 10:00:09", "SYNC_LOST", "down_kbps=0", "LiveBox Sagem",
                               "The line lost sync"};
  EXPECT_EQ(WebhookBody(message),
            "{\"time\":\"2026/12/07 10:00:09\",\"event\":\"SYNC_LOST\",\"detail\":\"down_kbps=0\","
            "\"device\":\"LiveBox Sagem\",\"message\":\"The line lost sync\"}");
}

// Every byte alone and odd mixtures: the body is strict JSON in UTF-8 and gives each text back,
// Windows-1252 text as its UTF-8.
TEST(WebhookBody, AnyTextReadsBackFromStrictJson) {
  std::vector<std::pair<std::string, std::string>> texts = {
      {"say \"hi\" \\ \\\" /", "say \"hi\" \\ \\\" /"},
      {std::string("a\0b\x1F\x7F\r\n\t", 8), std::string("a\0b\x1F\x7F\r\n\t", 8)},
      {"caf\xE9 \x80 \x9F \x81", "caf\xC3\xA9 \xE2\x82\xAC \xC5\xB8 \xC2\x81"},
      {"caf\xC3\xA9 \xE2\x80\xA8</script>&", "caf\xC3\xA9 \xE2\x80\xA8</script>&"},
      {"", ""}};
  for (int byte = 0; byte < 256; ++byte) {
    const std::string one(1, static_cast<char>(byte));
    texts.push_back({one, byte < 0x80 ? one : AsUtf8(one)});
  }
  for (const auto& [text, utf8] : texts) {
    const std::string body = WebhookBody({text, text, text, "LiveBox", text});
    const auto members = ReadObject(body);
    ASSERT_EQ(members.size(), 5u) << body;
    EXPECT_EQ(AsUtf8(body), body) << "not UTF-8: " << body;
    for (const char* key : {"time", "event", "detail", "message"})
      EXPECT_EQ(members.at(key), utf8) << key << " of " << body;
  }
}

// A poster that the test sets the answers of, and can hold inside a POST until it lets go.
struct FakePoster : HttpPoster {
  PostResult Post(const std::string& url, const std::string& body, CancelToken& cancel) override {
    std::unique_lock lock(mutex);
    posted.push_back(url + " " + ReadObject(body)["event"]);
    changed.notify_all();
    while (hold && !(cancel.Cancelled() && !deaf))
      changed.wait_for(lock, std::chrono::milliseconds(5));  // the token tells no condition
    if (cancel.Cancelled() && !deaf) return {PostError::kCancelled};
    const PostResult result = answers.empty() ? PostResult{PostError::kNone, 200} : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return result;
  }
  void Release() {
    std::lock_guard lock(mutex);
    hold = false;
    changed.notify_all();
  }
  std::vector<std::string> WaitForPosts(std::size_t count) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, std::chrono::seconds(10), [&] { return posted.size() >= count; });
    return posted;
  }

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> posted;  // "url event" of each POST, in order
  std::vector<PostResult> answers;  // one per POST, then 200
  bool hold = false;                // each POST waits for Release or a cancel
  bool deaf = false;                // and a cancel does not end it
};

class SenderTest : public ::testing::Test {
 protected:
  WebhookMessage Event(int n) { return {"", "E" + std::to_string(n), "", "", ""}; }
  std::shared_ptr<FakePoster> poster = std::make_shared<FakePoster>();
  std::atomic<int> wakes{0};
  std::unique_ptr<WebhookSender> sender =
      std::make_unique<WebhookSender>(poster, [this] { ++wakes; });
  const std::string url = "http://hook";
};

TEST_F(SenderTest, AFullQueueDropsItsOldestAndCountsThem) {
  poster->hold = true;
  sender->Send(url, Event(0));
  poster->WaitForPosts(1);  // E0 is in flight, the queue is empty
  const int sent = static_cast<int>(kWebhookQueueCapacity) + 3;
  for (int n = 1; n <= sent; ++n) sender->Send(url, Event(n));
  EXPECT_EQ(wakes, 1);
  poster->Release();
  std::vector<std::string> kept = {"http://hook E0"};
  for (int n = 4; n <= sent; ++n) kept.push_back("http://hook E" + std::to_string(n));
  EXPECT_EQ(poster->WaitForPosts(kept.size()), kept);
  sender->Stop();
  EXPECT_EQ(WebhookFailureDetail(sender->TakeFailures()), "queue_full=3");
}

TEST_F(SenderTest, EachFailureIsReportedOnceWithItsReason) {
  poster->answers = {{PostError::kNone, 500}, {PostError::kUnreachable}, {PostError::kNone, 204},
                     {PostError::kNone, 500}, {PostError::kTimedOut},    {PostError::kNone, 302},
                     {PostError::kBroken}};
  for (int n = 0; n < 7; ++n) sender->Send(url, Event(n));
  sender->Send("ftp://hook", Event(7));
  sender->Send("hook.example/x", Event(8));
  sender->Send(url, Event(9));  // once it is posted, the results before it are counted
  EXPECT_EQ(poster->WaitForPosts(8).back(), "http://hook E9");  // E7 and E8 were never tried
  sender->Stop();
  const auto failures = sender->TakeFailures();
  std::map<std::string, int64_t> counted;
  for (const WebhookFailure& failure : failures) counted[failure.reason] = failure.count;
  EXPECT_EQ(counted, (std::map<std::string, int64_t>{{"not_http", 2},
                                                     {"status_500", 2},
                                                     {"unreachable", 1},
                                                     {"timed_out", 1},
                                                     {"status_302", 1},
                                                     {"transfer_failed", 1}}));
  EXPECT_EQ(wakes, 1);  // one wake while failures wait to be taken
  EXPECT_TRUE(sender->TakeFailures().empty());
}

TEST_F(SenderTest, AWakeComesAgainOnceTheFailuresAreTaken) {
  sender->Send("mailto:x", Event(0));
  EXPECT_EQ(wakes, 1);
  EXPECT_EQ(WebhookFailureDetail(sender->TakeFailures()), "not_http=1");
  poster->answers = {{PostError::kUnreachable}};
  sender->Send(url, Event(1));
  sender->Send(url, Event(2));
  poster->WaitForPosts(2);
  sender->Stop();
  EXPECT_EQ(wakes, 2);
  EXPECT_EQ(WebhookFailureDetail(sender->TakeFailures()), "unreachable=1");
}

// The end cancels the POST in flight and the queue; a cancelled POST is no failure.
TEST_F(SenderTest, TheEndCancelsThePostInFlightAndTheQueue) {
  poster->hold = true;
  for (int n = 0; n < 3; ++n) sender->Send(url, Event(n));
  poster->WaitForPosts(1);
  EXPECT_TRUE(sender->Stop());
  EXPECT_EQ(poster->posted.size(), 1u);
  EXPECT_TRUE(sender->TakeFailures().empty());
  sender->Send(url, Event(3));  // nothing is sent after the end
  EXPECT_EQ(poster->posted.size(), 1u);
}

// A POST that ignores the cancel is left behind: the end returns within about a second, and the
// thread, once its POST fails, reports nothing and lets the poster go.
TEST_F(SenderTest, APostThatDoesNotStopIsLeftBehind) {
  poster->hold = true;
  poster->deaf = true;
  poster->answers = {{PostError::kTimedOut}};
  sender->Send(url, Event(0));
  poster->WaitForPosts(1);
  std::weak_ptr<FakePoster> left = poster;
  poster.reset();
  EXPECT_LT(MillisecondsOf([&] { sender.reset(); }), 1500);
  left.lock()->Release();
  EXPECT_TRUE(WaitUntil([&] { return left.expired(); }));
  EXPECT_EQ(wakes, 0);
}

}  // namespace
}  // namespace verdalin
