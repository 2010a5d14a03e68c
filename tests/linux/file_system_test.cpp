// The Linux file system: the one-writer rule between processes, file modes, a full disk.
#include "base/file_system.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include <gtest/gtest.h>

#include "base/ini_store.h"
#include "fakes/temp_folder.h"
#include "monitor/csv_log.h"

namespace verdalin {

namespace {

// Runs the check in a child process and gives its exit code.
int InChild(const std::function<int()>& check) {
  pid_t child = fork();
  if (child == 0) _exit(check());
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int CanOpen(const std::string& path) {
  return PlatformFileSystem().OpenShared(path) ? 1 : 0;
}

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// Runs the check in a child process in which files may not grow past `bytes`.
int WithFileSizeLimit(rlim_t bytes, const std::function<int()>& check) {
  return InChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    return check();
  });
}

}  // namespace

TEST(LinuxFileSystem, AnotherProcessCannotWriteWhileTheFileIsOpen) {
  TempFolder temp;
  std::string path = temp.Path("log.csv");
  auto open = PlatformFileSystem().OpenShared(path);
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(InChild([&] { return CanOpen(path); }), 0);
  open.reset();
  EXPECT_EQ(InChild([&] { return CanOpen(path); }), 1);
}

TEST(LinuxFileSystem, AReaderThatForbidsWritersBlocksTheOpen) {
  TempFolder temp;
  std::string path = temp.Path("log.csv");
  ASSERT_TRUE(PlatformFileSystem().ReplaceAll(path, "x"));
  int reader = open(path.c_str(), O_RDONLY);
  struct flock lock = {};
  lock.l_type = F_RDLCK;
  ASSERT_EQ(fcntl(reader, F_OFD_SETLK, &lock), 0);
  EXPECT_EQ(CanOpen(path), 0);
  close(reader);
  EXPECT_EQ(CanOpen(path), 1);
}

// The log is anybody's to read as the umask allows; an INI file, which may hold a password,
// is the owner's only.
TEST(LinuxFileSystem, NewLogsFollowTheUmaskNewIniFilesAreTheOwnersOnly) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  std::string log = temp.Path("log.csv"), other = temp.Path("other.csv"), ini = temp.Path("a.ini");
  mode_t old_mask = umask(022);
  ASSERT_NE(fs.OpenShared(log), nullptr);
  umask(0);
  ASSERT_NE(fs.OpenShared(other), nullptr);
  ASSERT_TRUE(fs.ReplaceAll(ini, "1"));
  umask(old_mask);
  EXPECT_EQ(ModeOf(log), 0644u);
  EXPECT_EQ(ModeOf(other), 0666u);
  EXPECT_EQ(ModeOf(ini), 0600u);
  chmod(ini.c_str(), 0644);
  ASSERT_TRUE(fs.ReplaceAll(ini, "2"));
  EXPECT_EQ(ModeOf(ini), 0644u);
}

// A page is made as other programs' files are (0666 less the umask), whatever stood at its name
// before; a link planted there is replaced, and the file it pointed to is left as it was.
TEST(LinuxFileSystem, APageFollowsTheUmaskAndReplacesALinkWithoutFollowingIt) {
  TempFolder temp;
  FileSystem& fs = PlatformFileSystem();
  const std::string page = temp.Path("page.html"), log = temp.Path("log.csv");
  std::string contents;
  ASSERT_TRUE(fs.ReplaceAll(log, "rows"));
  const std::pair<mode_t, mode_t> masks[] = {{022, 0644}, {027, 0640}, {0, 0666}};
  for (const auto& [mask, mode] : masks) {
    const mode_t old_mask = umask(mask);
    const bool published = fs.Publish(page, "page");
    umask(old_mask);
    ASSERT_TRUE(published);
    EXPECT_EQ(ModeOf(page), mode);
  }
  ASSERT_EQ(unlink(page.c_str()), 0);
  ASSERT_EQ(symlink(log.c_str(), page.c_str()), 0);
  ASSERT_TRUE(fs.Publish(page, "page"));
  struct stat st;
  ASSERT_EQ(lstat(page.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  ASSERT_TRUE(fs.ReadAll(log, contents));
  EXPECT_EQ(contents, "rows");
  EXPECT_EQ(temp.Names(), (std::vector<std::string>{"log.csv", "page.html"}));
}

TEST(LinuxFileSystem, AFullDiskLeavesTheOldFileWhole) {
  TempFolder temp;
  std::string ini = temp.Path("a.ini"), contents;
  ASSERT_TRUE(PlatformFileSystem().ReplaceAll(ini, "old"));
  int replaced = WithFileSizeLimit(
      4, [&] { return PlatformFileSystem().ReplaceAll(ini, "0123456789") ? 1 : 0; });
  EXPECT_EQ(replaced, 0);
  ASSERT_TRUE(PlatformFileSystem().ReadAll(ini, contents));
  EXPECT_EQ(contents, "old");
  EXPECT_EQ(temp.Names(), std::vector<std::string>{"a.ini"});
}

// A FIFO or a device as the settings file: refused at once (a read would block or never end),
// and left as it is. The child gives up after 10 s, so a blocking open fails the test.
TEST(LinuxFileSystem, AFifoOrADeviceIsRefusedWithoutBlocking) {
  TempFolder temp;
  std::string fifo = temp.Path("Verdalin_Settings.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  auto refused = [](const std::string& path) {
    alarm(10);
    IniFile ini(PlatformFileSystem(), path);
    ini.Write("Statistics", "Runs", "1");
    std::string contents;
    return ini.outcome() == IniLoad::kRefused && !ini.Save() &&
                   !PlatformFileSystem().ReadAll(path, contents) &&
                   !PlatformFileSystem().OpenShared(path)
               ? 1
               : 0;
  };
  EXPECT_EQ(InChild([&] { return refused(fifo); }), 1);
  EXPECT_EQ(InChild([&] { return refused("/dev/zero"); }), 1);
  EXPECT_EQ(PlatformFileSystem().Stat(fifo).kind, PathKind::kOther);
  EXPECT_EQ(PlatformFileSystem().ReplaceAll(fifo, "x"), false);
  EXPECT_EQ(temp.Names(), std::vector<std::string>{"Verdalin_Settings.ini"});
}

// The link stays a link, its target is replaced beside itself and keeps its mode.
TEST(LinuxFileSystem, ASymlinkedIniFileIsWrittenThroughToItsTarget) {
  TempFolder temp;
  std::filesystem::create_directory(temp.Path("real"));
  std::string target = temp.Path("real/settings.ini"), link = temp.Path("link.ini"), contents;
  ASSERT_TRUE(PlatformFileSystem().ReplaceAll(target, "[S]\r\nk=1\r\n"));
  chmod(target.c_str(), 0640);
  std::filesystem::create_symlink("real/settings.ini", link);
  std::filesystem::create_symlink(link, temp.Path("chain.ini"));
  WritePreference(PlatformFileSystem(), "S", "k", "2", temp.Path("chain.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  ASSERT_TRUE(PlatformFileSystem().ReadAll(target, contents));
  EXPECT_EQ(contents, "[S]\r\nk=2\r\n");
  EXPECT_EQ(ModeOf(target), 0640u);
  EXPECT_EQ(temp.Names(), (std::vector<std::string>{"chain.ini", "link.ini", "real"}));
  std::filesystem::create_symlink("nowhere.ini", temp.Path("dangling.ini"));
  WritePreference(PlatformFileSystem(), "S", "k", "3", temp.Path("dangling.ini"));
  EXPECT_TRUE(std::filesystem::is_symlink(temp.Path("dangling.ini")));
  EXPECT_EQ(ModeOf(temp.Path("nowhere.ini")), 0600u);
  std::filesystem::create_symlink("loop.ini", temp.Path("loop.ini"));
  EXPECT_FALSE(PlatformFileSystem().ReplaceAll(temp.Path("loop.ini"), "x"));
}

// The disk fills in the middle of a row: the row is taken back and the poll is told.
TEST(LinuxFileSystem, AFullDiskCutsNoRowInHalf) {
  TempFolder temp;
  std::string log = temp.Path("log.csv"), contents;
  PortableNumberFormat format;
  LocaleSnapshot locale;
  LocaleNumbers numbers{format, locale};
  auto append = [&] {
    DataFiles files(PlatformFileSystem());
    return AppendLogRow(files, PlatformFileSystem(), log, LineSample{}, "stamp", numbers) ? 1 : 0;
  };
  const std::string first = std::string(kLogHeader) + FormatLogRow(LineSample{}, "stamp", numbers);
  EXPECT_EQ(WithFileSizeLimit(kLogHeader.size() + 4, append), 0);
  ASSERT_TRUE(PlatformFileSystem().ReadAll(log, contents));
  EXPECT_EQ(contents, "");
  EXPECT_EQ(append(), 1);
  EXPECT_EQ(WithFileSizeLimit(first.size() + 4, append), 0);
  ASSERT_TRUE(PlatformFileSystem().ReadAll(log, contents));
  EXPECT_EQ(contents, first);
}

}  // namespace verdalin
