// The program against the fake gateway on loopback: CSV rows, credentials, statistics, settings
// after each way out, connection and login errors, an output file held by another writer, the
// shortest poll period.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <regex>
#include <vector>

#include "base/scramble.h"
#include "gateway_client.h"
#include "remote_program.h"
#include "ui/control_ids.h"
#include "ui/control_table.h"

namespace verdalin::driver {

namespace {

constexpr char kHeader[] =
    "Date;Connected;Mode:Type;Upstream_kbps;Downstream_kbps;Attenuation_local;"
    "Attenuation_distant;SNR_local;SNR_distant;CRC_errors;Device;Firmware\r\n";

struct Model {
  const char* type;  // the preset's gateway model
  const char* path;  // the fake gateway's page
  const char* row;   // the CSV row after its date
};

// The fake gateway's default line values as each model's page shows them (C locale numbers).
const Model kModels[] = {
    {"INVENTEL", "/inventel",
     ";1;\"G.992.5 (ADSL2+):Interleaved\";1023;17904;23.50;12.00;6.40;11.20;12;"
     "\"LiveBox Inventel\";\"V4.05.10,B2\"\r\n"},
    {"SAGEM", "/sagem",
     ";1;\"G.992.5 (ADSL2+):Interleaved\";1023;17904;23.50;12.00;6.40;11.20;12;"
     "\"LiveBox Sagem\";\"V4.05.10,B2\"\r\n"},
    {"AH4222", "/tecom",
     ";1;\"G.992.5 (ADSL2+):\";1023;17904;23.50;12.00;6.40;11.20;0;\"Tecom AH4222\";"
     "\"V4.05.10,B2\"\r\n"},
};

// The data rows of a CSV log after its header, each with its date cut off and checked.
std::vector<std::string> RowsAfterDate(const std::string& log) {
  static const std::regex date("^\\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2}:\\d{2}");
  std::vector<std::string> rows;
  std::size_t start = log.rfind(kHeader, 0) == 0 ? sizeof(kHeader) - 1 : 0;
  while (start < log.size()) {
    const std::size_t end = log.find("\r\n", start);
    const std::string row = log.substr(start, end == std::string::npos ? end : end + 2 - start);
    std::smatch match;
    rows.push_back(std::regex_search(row, match, date) ? row.substr(19) : "<no date> " + row);
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return rows;
}

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (GatewayPort() == 0) GTEST_SKIP() << "run under tools/with-fake-gateway.sh";
  }

  // Settings with a unique tag per test so that the gateway's records do not mix.
  void WriteSettings(const std::string& url, const std::string& login, const std::string& password,
                     const std::string& preset = "0", const std::string& delay = "3600") {
    WriteTextFile(folder_.SettingsFile(),
                  "[Settings]\r\ndownstream=17904\r\nlogin=" + login + "\r\ndelay=" + delay +
                      "\r\nurl=" + url + "\r\noutput_file=" + Output() + "\r\npreset=" + preset +
                      "\r\ncrypted_password=" + StorePassword(password) + "\r\n");
  }

  void WritePresets(const std::string& url, const std::string& login, const std::string& password) {
    std::string text = "[Index]\r\ntotal=3\r\n1=M1\r\n2=M2\r\n3=M3\r\n";
    for (int i = 0; i < 3; ++i)
      text += "[M" + std::to_string(i + 1) + "]\r\ntype=" + kModels[i].type +
              "\r\nlabel=" + kModels[i].type + "\r\nURL=" + url + kModels[i].path +
              "?tag=" + Tag() + "\r\nlogin=" + login + "\r\npassword=" + password +
              "\r\ndownmax=17904\r\n";
    WriteTextFile(folder_.PresetsFile(), text);
  }

  std::string Tag() const {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  std::string Output() const { return folder_.File("data.csv"); }

  ProgramFolder folder_;
};

}  // namespace

TEST_F(EndToEndTest, StartPollsEachGatewayModel) {
  WritePresets(GatewayAddress(""), "admin", "admin");
  WriteSettings("http://127.0.0.1:1/", "nobody", "none");
  RemoteProgram program(folder_, "");
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(kModels[i].type);
    program.SelectPreset(i);
    program.ClickAndWaitForPoll(kStartButton);
    int type = -1;
    const std::string status = program.StatusText(0, &type);
    EXPECT_TRUE(std::regex_match(
        status, std::regex("\tTime: \\d\\d:\\d\\d:\\d\\d \\| Down: 17904 Kbps \\| Up: 1023 Kbps "
                           "\\| SNR Margin: 6 dB")))
        << status;
    EXPECT_EQ(type, SBT_POPOUT);
    EXPECT_EQ(program.StatusText(1), "\tQuality Index: 32.0%");
    EXPECT_EQ(SendMessageA(program.Control(kQualityGauge), PBM_GETPOS, 0, 0), 32);
  }
  const std::string log = ReadTextFile(Output());
  EXPECT_EQ(log.rfind(kHeader, 0), 0u);
  const std::vector<std::string> rows = RowsAfterDate(log);
  ASSERT_EQ(rows.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rows[i], kModels[i].row);
  EXPECT_EQ(LastRequest(Tag(), "user"), "admin");
  EXPECT_EQ(LastRequest(Tag(), "password"), "admin");
}

TEST_F(EndToEndTest, StartupOptionPollsHiddenWithTheStoredCredentials) {
  const std::string cred = RegisterCredentials("jean", "s3cret");
  WritePresets(GatewayAddress(""), "admin", "admin");
  WriteSettings(GatewayAddress("/sagem?cred=" + cred + "&tag=" + Tag()), "jean", "s3cret", "1");
  RemoteProgram program(folder_, "-STARTUP");
  EXPECT_FALSE(program.Visible());
  EXPECT_TRUE(WaitUntil([&] { return program.PriorityClass() == IDLE_PRIORITY_CLASS; }));
  ASSERT_TRUE(WaitUntil([&] { return RowsAfterDate(ReadTextFile(Output())).size() == 1; }));
  EXPECT_EQ(RowsAfterDate(ReadTextFile(Output()))[0], kModels[1].row);
  EXPECT_EQ(LastRequest(Tag(), "user"), "jean");
  EXPECT_EQ(LastRequest(Tag(), "password"), "s3cret");
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Statistics", "Runs"), "1");
  EXPECT_TRUE(std::regex_match(IniValue(folder_.SettingsFile(), "Statistics", "LastRun"),
                               std::regex("\\d{4}/\\d\\d/\\d\\d-\\d\\d:\\d\\d")));
}

// A delay of 0 or below polls once a second: never without a pause.
TEST_F(EndToEndTest, ShortDelaysPollOnceASecond) {
  for (const char* delay : {"-5", "0"}) {
    SCOPED_TRACE(delay);
    DeleteFileA(Output().c_str());
    WritePresets(GatewayAddress(""), "admin", "admin");
    WriteSettings(GatewayAddress("/inventel?tag=" + Tag()), "admin", "admin", "0", delay);
    RemoteProgram program(folder_, "-startup");
    ASSERT_TRUE(WaitUntil([&] { return !RowsAfterDate(ReadTextFile(Output())).empty(); }));
    Sleep(3500);
    const std::size_t polls = RowsAfterDate(ReadTextFile(Output())).size();
    EXPECT_GE(polls, 2u);
    EXPECT_LE(polls, 6u);
  }
}

// "--report" writes the page beside the log the settings name, without a window; an error is one
// line on standard error and a non-zero exit. The tray's "Show history" writes the same page.
TEST_F(EndToEndTest, ReportCommandAndShowHistoryWriteThePageBesideTheLog) {
  WriteSettings("http://127.0.0.1:1/", "admin", "admin");
  std::string rows = kHeader;
  for (int i = 0; i < 3; ++i)
    rows += "2026/12/07 10:0" + std::to_string(i) + ":00" + kModels[0].row;
  WriteTextFile(Output(), rows);
  const std::string page = folder_.File("Verdalin_Report.html");
  std::string errors;
  EXPECT_EQ(RunToEnd(folder_, "--report --no-open", &errors), 0u) << errors;
  EXPECT_NE(ReadTextFile(page).find("\"polls\":3"), std::string::npos);
  // Wine gives a GUI program started by another Windows program no standard error: the line's
  // text is checked by tests/e2e/program_suite.py, which starts the program from a shell.
  EXPECT_EQ(RunToEnd(folder_, "--report Z:\\no\\such.csv --no-open", &errors), 1u);
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Statistics", "Runs"), "<missing>");
  DeleteFileA(page.c_str());
  RemoteProgram program(folder_, "");
  PostMessageA(program.Window(), WM_COMMAND, MAKEWPARAM(kShowHistoryItem, 0), 0);
  EXPECT_TRUE(
      WaitUntil([&] { return ReadTextFile(page).find("\"polls\":3") != std::string::npos; }));
}

// A close while the gateway hangs a poll ends the program at once: the fetch is cancelled, no
// row is written and the settings are saved; a session's end during a poll saves them too.
TEST_F(EndToEndTest, CloseDuringAHangingPollEndsAtOnce) {
  WriteSettings(GatewayAddress("/hang"), "admin", "admin", "0", "3");
  RemoteProgram program(folder_, "-startup");
  Sleep(2000);
  program.SetText(kLoginField, "during-the-poll");
  SendMessageA(program.Window(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Settings", "login"), "during-the-poll");
  const DWORD sent = GetTickCount();
  PostMessageA(program.Window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(milliseconds(10000)), 0u);
  EXPECT_LT(GetTickCount() - sent, 5000u);
  EXPECT_FALSE(FileExists(Output()));
}

TEST_F(EndToEndTest, StartupOptionAsSecondParameterIsIgnored) {
  WriteSettings(GatewayAddress("/inventel?tag=" + Tag()), "admin", "admin");
  RemoteProgram program(folder_, "other -startup");
  EXPECT_TRUE(program.Visible());
  EXPECT_EQ(LastRequest(Tag(), "count"), "0");
  EXPECT_FALSE(FileExists(Output()));
}

TEST_F(EndToEndTest, RefusedLoginWritesARowOfZerosAndWarns) {
  WritePresets(GatewayAddress(""), "admin", "wrong");
  WriteSettings("http://127.0.0.1:1/", "admin", "wrong");
  RemoteProgram program(folder_, "");
  program.SelectPreset(0);
  program.ClickAndWaitForPoll(kStartButton);
  const std::string status = program.StatusText(0);
  EXPECT_NE(status.find(" | Warning : Bad/Empty values ! Please check password."),
            std::string::npos)
      << status;
  EXPECT_EQ(program.StatusText(1), "\tQualit\xe9");  // unchanged
  const std::vector<std::string> rows = RowsAfterDate(ReadTextFile(Output()));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0], ";0;\":\";0;0;.00;.00;.00;.00;0;\"LiveBox Inventel\";\"\"\r\n");
  EXPECT_EQ(LastRequest(Tag(), "password"), "wrong");
}

TEST_F(EndToEndTest, OutputFileHeldByAnotherWriterGetsNoRow) {
  WritePresets(GatewayAddress(""), "admin", "admin");
  WriteSettings("http://127.0.0.1:1/", "admin", "admin");
  const HANDLE writer = CreateFileA(Output().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  RemoteProgram program(folder_, "");
  program.SelectPreset(0);
  program.ClickAndWaitForPoll(kStartButton);
  EXPECT_NE(program.StatusText(0).find(" | Down: 17904 Kbps"), std::string::npos);
  CloseHandle(writer);
  EXPECT_EQ(ReadTextFile(Output()), "");
  program.ClickAndWaitForPoll(kStartButton);  // the next poll writes again
  EXPECT_EQ(RowsAfterDate(ReadTextFile(Output())).size(), 1u);
}

TEST_F(EndToEndTest, SettingsAreSavedOnClose) {
  WriteSettings("http://127.0.0.1:1/", "admin", "admin");
  {
    RemoteProgram program(folder_, "");
    EXPECT_EQ(IniValue(folder_.SettingsFile(), "Statistics", "Runs"), "1");
    program.SetText(kAddressField, "http://127.0.0.1:2/edited");
    program.SetText(kLoginField, "edited-login");
    program.SetText(kPasswordField, "p@ss;word");
    program.SetText(kDelayField, "77");
    PostMessageA(program.Window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
  }
  const std::string file = folder_.SettingsFile();
  EXPECT_EQ(IniValue(file, "Settings", "url"), "http://127.0.0.1:2/edited");
  EXPECT_EQ(IniValue(file, "Settings", "login"), "edited-login");
  EXPECT_EQ(IniValue(file, "Settings", "delay"), "77");
  EXPECT_EQ(IniValue(file, "Settings", "downstream"), "17904");
  EXPECT_EQ(IniValue(file, "Settings", "output_file"), Output());
  EXPECT_EQ(IniValue(file, "Settings", "preset"), "-1");
  EXPECT_EQ(LoadPassword(IniValue(file, "Settings", "crypted_password")), "p@ss;word");
  RemoteProgram again(folder_, "");
  EXPECT_EQ(IniValue(file, "Statistics", "Runs"), "2");
  EXPECT_EQ(again.Text(kAddressField), "http://127.0.0.1:2/edited");
}

TEST_F(EndToEndTest, SettingsAreSavedWhenTheSessionEnds) {
  WriteSettings("http://127.0.0.1:1/", "admin", "admin");
  RemoteProgram program(folder_, "");
  program.SetText(kLoginField, "session-login");
  DWORD_PTR answer = 0;
  SendMessageTimeoutA(program.Window(), WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer);
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  SendMessageA(program.Window(), WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(IniValue(folder_.SettingsFile(), "Settings", "login"), "session-login");
}

}  // namespace verdalin::driver
