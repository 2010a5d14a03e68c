// A fresh folder under the system's temporary folder, removed with all it holds at the end.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace verdalin {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    do {
      auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
      path_ = base / ("verdalin-test-" + std::to_string(random()) + "-" + std::to_string(stamp));
    } while (!std::filesystem::create_directory(path_));
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The full path of a name in the folder, spelt the platform's way.
  std::string Path(std::string_view name) const { return (path_ / name).string(); }
  // The names the folder holds, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace verdalin
