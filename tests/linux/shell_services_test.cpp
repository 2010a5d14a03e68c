// The Linux shell services: XDG folders, the autostart entry, xdg-open and the priority classes.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "linux/shell_services.h"

namespace verdalin {

namespace {

namespace fs = std::filesystem;

// The shell services as both programs' hosts offer them.
struct ShellHost : NativeHost {
  void WriteError(const std::string&) override {}
  void WriteOutput(const std::string&) override {}
  int RunDesktop(const std::function<int(Desktop&)>&) override { return 2; }
  std::unique_ptr<Watch> WatchTermination(EventLoop&) override { return nullptr; }
};

// A temporary folder removed at the end of the test.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "verdalin-shell-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() { fs::remove_all(path_); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Sets an environment variable for the test's duration.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs `body` in a child process (scheduling changes stay there); true when it exits with 0.
template <class Body>
bool InChild(Body body) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body() ? 0 : 1);
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

TEST(SpecialFolders, DocumentsFolderComesFromUserDirsOrIsTheHome) {
  EXPECT_EQ(DocumentsFolderFrom("XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n", "/home/zoë"),
            "/home/zoë/Documents");
  EXPECT_EQ(DocumentsFolderFrom("# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                "  XDG_DOCUMENTS_DIR=\"/data/docs/\"  \n",
                                "/home/u"),
            "/data/docs");
  EXPECT_EQ(
      DocumentsFolderFrom("XDG_DOCUMENTS_DIR=\"$HOME/A\"\nXDG_DOCUMENTS_DIR=\"$HOME/B\"\n", "/h"),
      "/h/B");
  EXPECT_EQ(DocumentsFolderFrom("XDG_DOCUMENTS_DIR=\"relative\"\n", "/home/u"), "/home/u");
  EXPECT_EQ(DocumentsFolderFrom("", "/home/u/"), "/home/u");
  EXPECT_EQ(DocumentsFolderFrom("XDG_DOCUMENTS_DIRX=\"/no\"\n", "/home/u"), "/home/u");
}

// The shipped files of an installed program are in its prefix's share/verdalin; any other copy
// keeps them beside itself.
TEST(SpecialFolders, ShippedDataFollowsTheInstallLayout) {
  EXPECT_EQ(ShippedDataFolderOf("/usr/bin/verdalin"), "/usr/share/verdalin");
  EXPECT_EQ(ShippedDataFolderOf("/opt/v/lib/verdalin/verdalin-headless"), "/opt/v/share/verdalin");
  EXPECT_EQ(ShippedDataFolderOf("/work/build/linux/verdalin"), "/work/build/linux");
  EXPECT_EQ(ShippedDataFolderOf("/home/u/lib/verdalin-2/verdalin"), "/home/u/lib/verdalin-2");
}

TEST(SpecialFolders, FoldersFollowTheXdgEnvironment) {
  TempFolder temp;
  const ScopedEnv home("HOME", temp.Path());
  ShellHost shell;
  {
    const ScopedEnv config("XDG_CONFIG_HOME", "");
    EXPECT_EQ(ConfigHome(), temp.Path() + "/.config");
    EXPECT_EQ(shell.SpecialFolderPath(SpecialFolder::kStartup), temp.Path() + "/.config/autostart");
    EXPECT_EQ(shell.SpecialFolderPath(SpecialFolder::kDocuments), temp.Path());
  }
  const ScopedEnv config("XDG_CONFIG_HOME", temp.Path() + "/conf");
  fs::create_directories(temp.Path() + "/conf");
  std::ofstream(temp.Path() + "/conf/user-dirs.dirs")
      << "XDG_DOCUMENTS_DIR=\"$HOME/Mes documents\"\n";
  EXPECT_EQ(shell.SpecialFolderPath(SpecialFolder::kStartup), temp.Path() + "/conf/autostart");
  EXPECT_EQ(shell.SpecialFolderPath(SpecialFolder::kDocuments), temp.Path() + "/Mes documents");
  EXPECT_EQ(shell.SpecialFolderPath(SpecialFolder::kSettings), temp.Path() + "/conf/verdalin");
  const ScopedEnv relative("XDG_CONFIG_HOME", "not/absolute");
  EXPECT_EQ(ConfigHome(), temp.Path() + "/.config");
  EXPECT_EQ(shell.PathSeparator(), '/');
  EXPECT_EQ(shell.StartupEntryName(), "Verdalin.desktop");
  EXPECT_EQ(fs::path(shell.ExecutablePath()).filename(), "verdalin_tests");
}

// Files are made only where the user may write and never among the system's own programs,
// whoever runs the program.
TEST(SettingsPlaces, FilesAreMadeOnlyInTheUsersOwnFolders) {
  TempFolder temp;
  EXPECT_TRUE(CanCreateFilesIn(temp.Path()));
  EXPECT_TRUE(CanCreateFilesIn(temp.Path() + "/"));
  EXPECT_FALSE(CanCreateFilesIn(temp.Path() + "/missing"));
  EXPECT_FALSE(CanCreateFilesIn(""));
  for (const char* system : {"/usr/bin", "/usr/local/bin", "/bin", "/usr"})
    EXPECT_FALSE(CanCreateFilesIn(system)) << system;
  if (geteuid() != 0) {  // the superuser writes anywhere the file system allows
    chmod(temp.Path().c_str(), 0500);
    EXPECT_FALSE(CanCreateFilesIn(temp.Path()));
    chmod(temp.Path().c_str(), 0700);
  }
}

TEST(SettingsPlaces, CreatingAFolderMakesItsParentsForTheOwnerOnly) {
  TempFolder temp;
  const std::string folder = temp.Path() + "/conf/verdalin été";
  ASSERT_TRUE(CreateFolder(folder));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_TRUE(CreateFolder(folder));  // already there
  std::ofstream(temp.Path() + "/file") << "x";
  EXPECT_FALSE(CreateFolder(temp.Path() + "/file"));
  EXPECT_FALSE(CreateFolder(temp.Path() + "/file/below"));
}

TEST(StartupEntry, ExecQuotesThePathAndPassesTheArgument) {
  EXPECT_EQ(QuoteExecArgument("/usr/bin/verdalin"), "\"/usr/bin/verdalin\"");
  EXPECT_EQ(QuoteExecArgument("/a b/$x`y\"z\\w%"), "\"/a b/\\$x\\`y\\\"z\\\\w%%\"");
  StartupEntrySpec entry;
  entry.target = "/opt/my apps/ver\\dalin";
  entry.arguments = "-startup";
  entry.description = "Verdalin : the truth about your ADSL";
  const std::string text = DesktopEntryText(entry);
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(text.find("\nType=Application\n"), std::string::npos);
  // The quoting rule doubles the backslash, the value's escaping doubles it again.
  EXPECT_NE(text.find("\nExec=\"/opt/my apps/ver\\\\\\\\dalin\" -startup\n"), std::string::npos);
  EXPECT_NE(text.find("\nComment=Verdalin : the truth about your ADSL\n"), std::string::npos);
  EXPECT_EQ(text.find("Path="), std::string::npos);
}

TEST(StartupEntry, WritingCreatesTheFoldersAndReplacesAnEmptyFile) {
  TempFolder temp;
  StartupEntrySpec entry;
  entry.target = "/usr/bin/verdalin";
  entry.arguments = "-startup";
  const std::string path = temp.Path() + "/config/autostart/Verdalin.desktop";
  ASSERT_TRUE(WriteDesktopEntry(path, entry));
  EXPECT_EQ(Slurp(path), DesktopEntryText(entry));
  EXPECT_FALSE(fs::exists(path + ".new"));
  std::ofstream(path, std::ios::trunc).close();
  ASSERT_TRUE(WriteDesktopEntry(path, entry));
  EXPECT_GT(fs::file_size(path), 0u);
  std::ofstream(temp.Path() + "/file") << "x";
  EXPECT_FALSE(WriteDesktopEntry(temp.Path() + "/file/autostart/Verdalin.desktop", entry));
}

// A stand-in xdg-open records its arguments: no browser starts in a test.
TEST(HomeLink, AddressReachesXdgOpenUntouchedAndNoChildIsLeft) {
  TempFolder temp;
  const std::string record = temp.Path() + "/opened";
  const std::string script = temp.Path() + "/xdg-open";
  std::ofstream(script) << "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > '" << record << ".tmp'\nmv '"
                        << record << ".tmp' '" << record << "'\n";
  fs::permissions(script, fs::perms::owner_all);
  const ScopedEnv path("PATH", temp.Path() + ":/usr/bin:/bin");
  const std::string address = "http://www.verdalin.net/?orig=program&version=1.7.2 $(touch x);'\"";
  ASSERT_TRUE(OpenAddress(address));
  for (int i = 0; i < 100 && !fs::exists(record); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(Slurp(record), "1|" + address);
  EXPECT_FALSE(fs::exists("x"));
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);  // the launcher was reaped; xdg-open is not ours
}

// Idle and back to normal, for every thread, as the user the tests run as.
TEST(Priority, IdleAndBackAgainForEveryThread) {
  EXPECT_TRUE(InChild([] {
    std::atomic<pid_t> helper_tid{0};
    std::atomic<bool> stop{false};
    std::thread helper([&] {
      helper_tid = static_cast<pid_t>(syscall(SYS_gettid));
      while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    while (helper_tid == 0) std::this_thread::yield();
    const int idle = SchedulingPolicyFor(PriorityClass::kIdle, MayLeaveIdleClass());
    const bool lowered = SetProcessPriority(PriorityClass::kIdle) &&
                         sched_getscheduler(0) == idle && sched_getscheduler(helper_tid) == idle;
    const bool raised = SetProcessPriority(PriorityClass::kNormal) &&
                        sched_getscheduler(0) == SCHED_OTHER &&
                        sched_getscheduler(helper_tid) == SCHED_OTHER;
    stop = true;
    helper.join();
    return lowered && raised;
  }));
}

// Without CAP_SYS_NICE and with RLIMIT_NICE 0 the kernel would keep a process in SCHED_IDLE:
// such a process uses SCHED_BATCH and still comes back.
TEST(Priority, UnprivilegedProcessComesBackToNormal) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to become an unprivileged user";
  EXPECT_TRUE(InChild([] {
    rlimit none{0, 0};
    if (setrlimit(RLIMIT_NICE, &none) != 0 || setresuid(65534, 65534, 65534) != 0) return false;
    return !MayLeaveIdleClass() && SetProcessPriority(PriorityClass::kIdle) &&
           sched_getscheduler(0) == SCHED_BATCH && SetProcessPriority(PriorityClass::kNormal) &&
           sched_getscheduler(0) == SCHED_OTHER;
  }));
}

}  // namespace verdalin
