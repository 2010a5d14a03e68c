// Start-up work on huge INI files: load presets, update statistics, load settings, save them.
//
// Each case writes its files to the temporary folder and times the four steps together, on the
// platform's file system (each step that writes replaces the file on disk and flushes it).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/settings.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_window.h"
#include "fakes/temp_folder.h"

namespace verdalin {
namespace {

constexpr std::size_t kMegabyte = 1000 * 1000;

// Key lines up to `bytes` in all.
std::string Junk(std::size_t bytes) {
  std::string text;
  for (int i = 0; text.size() < bytes; ++i) text += "key" + std::to_string(i) + "=some value\r\n";
  return text;
}

// The settings and statistics groups, with `bytes` of key lines in the settings group or in a
// group of their own.
std::string SettingsText(std::size_t bytes, bool in_settings_group) {
  const std::string junk = Junk(bytes);
  return "[Settings]\r\ndownstream=8192\r\nlogin=admin\r\ndelay=300\r\nurl=http://127.0.0.1/\r\n"
         "output_file=/tmp/Verdalin_Data.CsV\r\npreset=0\r\n" +
         (in_settings_group ? junk : "") +
         "crypted_password=Zk3+Tw8=\r\n\r\n[Statistics]\r\nLastRun=2006/12/30-21:05\r\nRuns=41\r\n"
         "\r\n[Junk]\r\n" +
         (in_settings_group ? "" : junk);
}

// An index that claims the largest count, the presets it does name, and filler up to `bytes`.
std::string PresetsText(std::size_t bytes) {
  std::string text = "[Index]\r\ntotal=2147483647\r\n";
  for (int i = 1; i <= kMaxPresets; ++i)
    text += std::to_string(i) + "=P" + std::to_string(i) + "\r\n";
  for (int i = 1; i <= kMaxPresets; ++i) {
    text += "[P" + std::to_string(i) + "]\r\ntype=INVENTEL\r\nlabel=Preset " + std::to_string(i) +
            "\r\nURL=http://127.0.0.1/\r\nlogin=admin\r\npassword=x\r\ndownmax=8192\r\n";
  }
  for (int i = 0; text.size() < bytes; ++i) text += "[Filler" + std::to_string(i) + "]\r\nk=v\r\n";
  return text;
}

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

void StartUp(benchmark::State& state, std::string settings, std::string presets) {
  TempFolder folder;
  const std::string settings_path = folder.Path("Verdalin_Settings.ini");
  const std::string presets_path = folder.Path("Verdalin_Presets.ini");
  Write(presets_path, presets);
  FileSystem& fs = PlatformFileSystem();
  FakeClock clock;
  for (auto _ : state) {
    state.PauseTiming();
    Write(settings_path, settings);
    state.ResumeTiming();
    FakeWindow window;
    PresetTable table = ReadPresets(IniFile(fs, presets_path));
    UpdateRunStatistics(fs, clock, settings_path);
    const ProgramSettings stored = ReadProgramSettings(IniFile(fs, settings_path), "", "");
    ShowLineSettings(window, stored.line);
    SaveProgramSettings(fs, settings_path, LineSettingsOf(window), stored);
    benchmark::DoNotOptimize(table);
  }
  state.counters["settings_MB"] = static_cast<double>(settings.size()) / kMegabyte;
  state.counters["presets_MB"] = static_cast<double>(presets.size()) / kMegabyte;
}

const std::string kSmallPresets = PresetsText(0);

// A 20 MB file is over the 16 MiB limit: refused, the defaults are used and nothing is written.
BENCHMARK_CAPTURE(StartUp, settings_20MB, SettingsText(20 * kMegabyte, false), kSmallPresets)
    ->Unit(benchmark::kMillisecond);
// Just under the limit: read, indexed and written back whole.
BENCHMARK_CAPTURE(StartUp, settings_16MiB_other_group, SettingsText(kMaxIniFileSize - 4096, false),
                  kSmallPresets)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, settings_16MiB_settings_group,
                  SettingsText(kMaxIniFileSize - 4096, true), kSmallPresets)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, presets_huge_total, SettingsText(0, false), kSmallPresets)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, presets_huge_total_16MiB, SettingsText(0, false),
                  PresetsText(kMaxIniFileSize - 4096))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, typical, SettingsText(0, false), "")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace verdalin

BENCHMARK_MAIN();
