// Line events of the program under Wine: a scripted line on the fake gateway, the event log beside
// the data log, and the balloon a sync loss shows.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "gateway_client.h"
#include "remote_program.h"

namespace verdalin::driver {

namespace {

// One step a poll, as the Linux program's end-to-end run plays it.
constexpr char kScript[] = "up,up,down,down,up,gone,gone,up,snr=3,snr=9";
const std::vector<std::string> kScriptEvents = {"SYNC_LOST",    "SYNC_BACK", "GATEWAY_UNREACHABLE",
                                                "GATEWAY_BACK", "SNR_LOW",   "SNR_OK"};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start) + "<no CRLF>");
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// The text of a tooltip window of another process: its first tool's, read through memory lent
// in that process (the control's messages carry pointers that are not marshalled).
std::string RemoteTooltipText(HWND tooltip) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(tooltip, &process_id);
  const HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process_id);
  if (process == nullptr) return "";
  constexpr SIZE_T kText = 1024;
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(TTTOOLINFOA) + kText, MEM_COMMIT, PAGE_READWRITE));
  std::string text;
  if (remote != nullptr) {
    TTTOOLINFOA info = {};
    info.cbSize = sizeof(info);
    SIZE_T moved = 0;
    WriteProcessMemory(process, remote, &info, sizeof(info), &moved);
    DWORD_PTR found = 0;
    SendMessageTimeoutA(tooltip, TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL,
                        2000, &found);
    if (found != 0 && ReadProcessMemory(process, remote, &info, sizeof(info), &moved)) {
      info.lpszText = remote + sizeof(TTTOOLINFOA);
      WriteProcessMemory(process, remote, &info, sizeof(info), &moved);
      DWORD_PTR ignored = 0;
      SendMessageTimeoutA(tooltip, TTM_GETTEXTA, kText, reinterpret_cast<LPARAM>(remote),
                          SMTO_NORMAL, 2000, &ignored);
      char buffer[kText] = {};
      if (ReadProcessMemory(process, remote + sizeof(TTTOOLINFOA), buffer, kText - 1, &moved))
        text = buffer;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

// The visible tooltip windows of every process, with their texts.
std::vector<std::string> VisibleTooltipTexts() {
  std::vector<std::string> texts;
  EnumWindows(
      [](HWND window, LPARAM found) -> BOOL {
        char name[64] = {};
        GetClassNameA(window, name, sizeof(name));
        if (lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 && IsWindowVisible(window))
          reinterpret_cast<std::vector<std::string>*>(found)->push_back(RemoteTooltipText(window));
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

}  // namespace

class LineEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GatewayPort() == 0) GTEST_SKIP() << "run under tools/with-fake-gateway.sh";
    WriteTextFile(folder_.PresetsFile(),
                  "[Index]\r\ntotal=1\r\n1=A\r\n[A]\r\ntype=INVENTEL\r\nlabel=A\r\n");
  }

  // One poll a second of a scripted line, hidden as at the session's start.
  void WriteSettings(const std::string& steps) {
    const std::string tag = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    WriteTextFile(
        folder_.SettingsFile(),
        "[Settings]\r\nurl=" + GatewayAddress("/script/inventel?tag=" + tag + "&steps=" + steps) +
            "\r\ndelay=1\r\npreset=0\r\noutput_file=" + Output() + "\r\n");
  }
  std::string Output() const { return folder_.File("data.csv"); }
  std::string EventLog() const { return folder_.File("Verdalin_Events.csv"); }

  ProgramFolder folder_;
};

TEST_F(LineEventsTest, ScriptedLineGivesTheEventRowsInOrder) {
  WriteSettings(kScript);
  RemoteProgram program(folder_, "-startup");
  ASSERT_TRUE(
      WaitUntil([&] { return Lines(ReadTextFile(EventLog())).size() >= 1 + kScriptEvents.size(); },
                milliseconds(30000)))
      << ReadTextFile(EventLog());
  Sleep(1500);  // a later poll adds nothing
  const std::vector<std::string> rows = Lines(ReadTextFile(EventLog()));
  ASSERT_EQ(rows.size(), 1 + kScriptEvents.size()) << ReadTextFile(EventLog());
  EXPECT_EQ(rows[0], "Date;Event;Detail");
  static const std::regex row("\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d;([A-Z_]+);\"[^\"]*\"");
  std::vector<std::string> names;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(rows[i], match, row)) << rows[i];
    names.push_back(match.size() > 1 ? match[1].str() : rows[i]);
  }
  EXPECT_EQ(names, kScriptEvents);
  EXPECT_TRUE(std::regex_search(
      rows[2], std::regex(";SYNC_BACK;\"down_kbps=17904 up_kbps=1023 outage_s=[0-9]+\"$")))
      << rows[2];
  const std::vector<std::string> data = Lines(ReadTextFile(Output()));
  ASSERT_GE(data.size(), 6u);
  EXPECT_EQ(data[0].rfind("Date;Connected;Mode:Type;", 0), 0u);
  static const std::regex data_row("\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d;[01];\".*");
  for (std::size_t i = 1; i < data.size(); ++i)
    EXPECT_TRUE(std::regex_match(data[i], data_row)) << data[i];
}

// The line stays out of sync, so no later notice takes the balloon's place.
TEST_F(LineEventsTest, SyncLossShowsABalloon) {
  WriteSettings("up,down");
  RemoteProgram program(folder_, "-startup");
  ASSERT_TRUE(
      WaitUntil([&] { return ReadTextFile(EventLog()).find(";SYNC_LOST;") != std::string::npos; }));
  std::vector<std::string> tooltips;
  EXPECT_TRUE(WaitUntil(
      [&] {
        tooltips = VisibleTooltipTexts();
        for (const std::string& text : tooltips)
          if (text.find("ADSL line lost sync") != std::string::npos) return true;
        return false;
      },
      milliseconds(8000)))
      << tooltips.size() << " visible tooltips";
}

}  // namespace verdalin::driver
