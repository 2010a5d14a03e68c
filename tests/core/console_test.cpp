// The command line's telnet layer and dialogue over a scripted device (negotiation, prompts,
// line ends, a silent box, a flood, a cut answer), its addresses, and the host keys trusted on
// first use.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "app/settings.h"
#include "app/ssh_host_keys.h"
#include "base/ini_store.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_file_system.h"
#include "monitor/command_line_source.h"
#include "monitor/console.h"

namespace verdalin {

namespace {

const std::string kSilence = "<silence>";  // nothing comes until the wait has passed
const std::string kHangUp = "<hang up>";   // the line closes

// What a device sends, one read after another; what this end writes is kept.
class ScriptedStream : public ByteStream {
 public:
  ScriptedStream(std::deque<std::string> reads, FakeMonotonicClock& clock)
      : reads_(std::move(reads)), clock_(clock) {}
  std::optional<std::string> Read(std::chrono::milliseconds wait, CancelToken&) override {
    if (reads_.empty() || reads_.front() == kHangUp) return std::nullopt;
    std::string next = std::move(reads_.front());
    reads_.pop_front();
    if (next != kSilence) return next;
    clock_.now += wait;
    return std::string();
  }
  bool Write(std::string_view bytes) override {
    written += bytes;
    return true;
  }
  std::string written;

 private:
  std::deque<std::string> reads_;
  FakeMonotonicClock& clock_;
};

struct DialogueCase {
  const char* name;
  std::deque<std::string> device;
  ConsoleStatus login;
  std::optional<std::string> answer;  // of the command, once logged in
  std::string written;                // all this end sent, when given
};

const std::string kCommand = "xdslctl info --stats";
const std::string kNegotiation("\xff\xfb\x01\xff\xfb\x03\xff\xfd\x1f",
                               9);  // WILL ECHO, SGA; DO NAWS
const std::string kFloodChunk = std::string(1 << 20, 'x') + "\n";

std::vector<DialogueCase> DialogueCases() {
  return {
      {"NegotiationLoginAndCrLf",
       {kNegotiation + "Login: ", "admin\r\nPassword: ", "\r\nBusyBox\r\n# ",
        kCommand + "\r\nStatus: Showtime\r\n", "# "},
       ConsoleStatus::kReady,
       "Status: Showtime\r\n",
       std::string("\xff\xfd\x01\xff\xfd\x03\xff\xfc\x1f", 9) + "admin\r\npw\xff\xff\r\n" +
           kCommand + "\r\n"},
      {"ColouredPromptsInCapitalsAndLf",
       {"\x1b[1;32mACCOUNT:\x1b[0m", "admin\n\x1b[33mPassword:\x1b[0m ",
        "\n\x1b[36mDrayTek>\x1b[0m ", kCommand + "\nState : SHOWTIME\n\x1b[36mDrayTek>\x1b[0m "},
       ConsoleStatus::kReady,
       "State : SHOWTIME\n",
       ""},
      {"CommandsCutAcrossReadsEscapedDataNoLogin",
       {"\xff", std::string("\xfb\x01\xff\xfa\x18\x01\xff\xf0$ ", 9), "$ " + kCommand + "\r\n",
        "value \xff\xff\r\n$ "},
       ConsoleStatus::kReady,
       "value \xff\r\n",
       std::string("\xff\xfd\x01", 3) + kCommand + "\r\n"},
      {"RefusedLogin",
       {"login: ", "Password: ", "\r\nLogin incorrect\r\nlogin: "},
       ConsoleStatus::kRefused,
       std::nullopt,
       ""},
      {"NeverPrompts",
       {kNegotiation, kSilence, kSilence},
       ConsoleStatus::kBroken,
       std::nullopt,
       ""},
      {"NoPromptAfterTheCommand",
       {"# ", kCommand + "\r\nStatus: Showtime\r\n", kSilence},
       ConsoleStatus::kReady,
       std::nullopt,
       ""},
      {"FloodPastTheLimit",
       {"# ", kFloodChunk, kFloodChunk, kFloodChunk, kFloodChunk, kFloodChunk, "# "},
       ConsoleStatus::kReady,
       std::nullopt,
       ""},
      {"CutAnswer",
       {"# ", kCommand + "\r\nStatus: Show", kHangUp},
       ConsoleStatus::kReady,
       std::nullopt,
       ""},
  };
}

TEST(Console, DialoguesWithScriptedDevices) {
  for (const DialogueCase& test : DialogueCases()) {
    SCOPED_TRACE(test.name);
    FakeMonotonicClock clock;
    auto owned = std::make_unique<ScriptedStream>(test.device, clock);
    ScriptedStream& device = *owned;
    TelnetStream telnet(std::move(owned));
    Console console(telnet, clock);
    CancelToken cancel;
    const auto start = clock.now;
    ASSERT_EQ(console.LogIn("admin", "pw\xff", cancel), test.login);
    if (test.login == ConsoleStatus::kReady) EXPECT_EQ(console.Run(kCommand, cancel), test.answer);
    if (!test.written.empty()) EXPECT_EQ(device.written, test.written);
    EXPECT_LE(clock.now - start, 2 * ConsoleLimits{}.time);
  }
}

TEST(Console, AddressesOfTheCommandLine) {
  const std::map<std::string, std::string> cases = {
      {"telnet://192.168.1.1", "192.168.1.1:23"},
      {" ssh://router.lan:2222/ ", "router.lan:2222"},
      {"SSH://[fe80::1]", "[fe80::1]:22"},
      {"telnet://[::1]:2323", "[::1]:2323"},
      {"http://192.168.1.1", ""},
      {"telnet://admin:pw@192.168.1.1", ""},
      {"ssh://host:0", ""},
      {"ssh://host:65536", ""},
      {"ssh://host:", ""},
      {"telnet://", ""},
      {"ssh://fe80::1", ""},
  };
  for (const auto& [address, host_port] : cases) {
    const std::optional<ConsoleAddress> read = ReadConsoleAddress(address);
    EXPECT_EQ(read ? read->host_port : "", host_port) << address;
  }
}

TEST(Console, HostKeysAreTrustedOnFirstUseAndOutliveASettingsSave) {
  FakeFileSystem disk;
  const std::string path = "Verdalin_Settings.ini";
  disk.files[path] = "[Settings]\r\ndelay=5\r\n";
  SettingsHostKeys keys(disk, path);
  std::string digest;
  for (char byte = 0; byte < 32; ++byte) digest += byte;
  const std::string fingerprint = SshFingerprint(digest);
  EXPECT_EQ(fingerprint, "SHA256:AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8");
  EXPECT_TRUE(TrustHostKey(keys, "box:22", fingerprint));
  const ProgramSettings settings = ReadProgramSettings(IniFile(disk, path), "out.csv", "host");
  ASSERT_TRUE(SaveProgramSettings(disk, path, settings.line, settings));
  EXPECT_EQ(ReadPreference(disk, kSshHostKeysGroup, "box:22", "", path), fingerprint);
  EXPECT_TRUE(TrustHostKey(keys, "box:22", fingerprint));
  EXPECT_FALSE(TrustHostKey(keys, "box:22", SshFingerprint(std::string(32, 'x'))));
  EXPECT_TRUE(TrustHostKey(keys, "box:2222", SshFingerprint(std::string(32, 'x'))));
  EXPECT_TRUE(TrustHostKey(keys, "[fe80::1]:22", fingerprint));
  EXPECT_FALSE(TrustHostKey(keys, "[fe80::1]:22", SshFingerprint(std::string(32, 'x'))));
}

}  // namespace

}  // namespace verdalin
