// The webhook's body read back by a strict JSON reader; the sender's queue, failures and end.
#include "export/webhook.h"
#include "base/encoding.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>

#include "fakes/fake_gateway.h"
#include "report/report_text.h"

namespace verdalin {
namespace {

// Appends the UTF-8 of a code point below U+10000.
void AppendCodePoint(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
    return;
  }
  if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
  } else {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
  }
  out += static_cast<char>(0x80 | (code & 0x3F));
}

// The string members of a flat JSON object, decoded; empty when the text is not strict JSON (a
// raw control character, an unknown escape, a surrogate, anything after the end).
std::map<std::string, std::string> ReadObject(std::string_view json) {
  std::map<std::string, std::string> members;
  std::size_t at = 0;
  const auto read_string = [&](std::string& out) {
    if (at >= json.size() || json[at++] != '"') return false;
    while (at < json.size() && json[at] != '"') {
      const unsigned char c = json[at++];
      if (c < 0x20) return false;
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      const char escape = at < json.size() ? json[at++] : '?';
      const std::size_t simple = std::string_view("\"\\/bfnrt").find(escape);
      if (simple != std::string_view::npos) {
        out += "\"\\/\b\f\n\r\t"[simple];
        continue;
      }
      if (escape != 'u' || at + 4 > json.size()) return false;
      const unsigned code = std::stoul(std::string(json.substr(at, 4)), nullptr, 16);
      at += 4;
      if (code >= 0xD800 && code < 0xE000) return false;
      AppendCodePoint(out, code);
    }
    return at++ < json.size();
  };
  for (char separator = '{'; at < json.size() && json[at] == separator; separator = ',') {
    std::string key, value;
    ++at;
    if (!read_string(key) || at >= json.size() || json[at++] != ':' || !read_string(value))
      return {};
    members[key] = value;
  }
  return at + 1 == json.size() && json[at] == '}' ? members : decltype(members){};
}

// Every byte alone and odd mixtures: the body is strict JSON in UTF-8 and gives each text back,
// Windows-1252 text as its UTF-8.
TEST(WebhookBody, AnyTextReadsBackFromStrictJson) {
  EXPECT_EQ(WebhookBody({"2026/12/07 10:00:09", "SYNC_LOST", "a=0", "LiveBox", "Sync lost"}),
            "{\"time\":\"2026/12/07 10:00:09\",\"event\":\"SYNC_LOST\",\"detail\":\"a=0\","
            "\"device\":\"LiveBox\",\"message\":\"Sync lost\"}");
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
    {
      std::lock_guard lock(mutex);
      posted.push_back(url + " " + ReadObject(body)["event"]);
    }
    while (hold && !(cancel.Cancelled() && !deaf))
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (cancel.Cancelled() && !deaf) return {PostError::kCancelled};
    std::lock_guard lock(mutex);
    const PostResult result = answers.empty() ? PostResult{PostError::kNone, 200} : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return result;
  }
  std::vector<std::string> Posted() {
    std::lock_guard lock(mutex);
    return posted;
  }
  std::vector<std::string> WaitForPosts(std::size_t count) {
    WaitUntil([&] { return Posted().size() >= count; });
    return Posted();
  }

  std::mutex mutex;
  std::vector<std::string> posted;  // "url event" of each POST, in order
  std::vector<PostResult> answers;  // one per POST, then 200
  std::atomic<bool> hold = false;   // each POST waits until this is false or it is cancelled
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
  poster->hold = false;
  std::vector<std::string> kept = {"http://hook E0"};
  for (int n = 4; n <= sent; ++n) kept.push_back("http://hook E" + std::to_string(n));
  EXPECT_EQ(poster->WaitForPosts(kept.size()), kept);
  sender->Stop();
  EXPECT_EQ(WebhookFailureDetail(sender->TakeFailures()), "reason=queue_full count=3");
}

// Failures are counted by reason in the order first seen and taken once; one wake while they
// wait to be taken.
TEST_F(SenderTest, EachFailureIsReportedOnceWithItsReason) {
  sender->Send("ftp://hook", Event(0));
  sender->Send("hook.example/x", Event(1));
  poster->answers = {{PostError::kNone, 500}, {PostError::kUnreachable}, {PostError::kNone, 204},
                     {PostError::kNone, 500}, {PostError::kTimedOut},    {PostError::kNone, 302},
                     {PostError::kBroken}};
  for (int n = 2; n <= 9; ++n) sender->Send(url, Event(n));
  EXPECT_EQ(poster->WaitForPosts(8).front(), "http://hook E2");  // E0 and E1 were never tried
  // E9 is posted: the results before it are counted.
  const std::vector<WebhookFailure> failures = sender->TakeFailures();
  std::string counted;
  for (const WebhookFailure& failure : failures)
    counted += failure.reason + "=" + std::to_string(failure.count) + " ";
  EXPECT_EQ(counted,
            "not_http=2 status_500=2 unreachable=1 timed_out=1 status_302=1 transfer_failed=1 ");
  EXPECT_EQ(WebhookFailureDetail(failures),
            "reason=not_http,status_500,unreachable,timed_out,status_302,transfer_failed count=8");
  EXPECT_EQ(wakes, 1);
  EXPECT_TRUE(sender->TakeFailures().empty());
  sender->Send("mailto:x", Event(10));
  EXPECT_EQ(wakes, 2);
}

// The end drops the queue and cancels the POST in flight. One that ignores the cancel is left
// behind: the end returns within about a second, and the thread, once its POST fails, posts and
// reports nothing more and lets the poster go.
TEST_F(SenderTest, TheEndLeavesBehindAPostThatDoesNotStop) {
  poster->hold = true;
  poster->deaf = true;
  poster->answers = {{PostError::kTimedOut}};
  for (int n = 0; n < 3; ++n) sender->Send(url, Event(n));
  poster->WaitForPosts(1);
  EXPECT_LT(MillisecondsOf([&] { EXPECT_FALSE(sender->Stop()); }), 1500);
  sender->Send(url, Event(3));
  sender.reset();
  poster->hold = false;
  EXPECT_TRUE(WaitUntil([&] { return poster.use_count() == 1; }));  // the thread has ended
  EXPECT_EQ(poster->Posted(), std::vector<std::string>{"http://hook E0"});
  EXPECT_EQ(wakes, 0);
}

}  // namespace
}  // namespace verdalin
