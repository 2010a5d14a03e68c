// The devices' answer files of tests/answers/, built into the tests: each kind's cases, each case
// with its answers and the values expected from them.
#pragma once

#include <map>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace verdalin {

struct EmbeddedFile {
  std::string_view path;  // inside tests/answers: "broadcom/vdsl2-showtime/answer.txt"
  std::string_view bytes;
};

// Every file under tests/answers/, sorted by path.
std::span<const EmbeddedFile> AnswerFiles();

// One case: its kind ("broadcom"), its name and its files by name ("answer.txt"), the files the
// kind's folder holds for all its cases included unless the case has its own.
struct AnswerCase {
  std::string kind;
  std::string name;
  std::map<std::string, std::string_view, std::less<>> files;

  std::string_view File(std::string_view file) const {
    const auto found = files.find(file);
    return found == files.end() ? std::string_view() : found->second;
  }
};

// How a test names a case in its messages.
inline void PrintTo(const AnswerCase& c, std::ostream* out) {
  *out << c.kind << "/" << c.name;
}

inline std::vector<AnswerCase> AnswerCases() {
  std::map<std::string, std::string_view> shared;  // "kind/file"
  std::vector<AnswerCase> cases;
  for (const EmbeddedFile& file : AnswerFiles()) {
    const std::size_t first = file.path.find('/');
    const std::size_t second = file.path.find('/', first + 1);
    if (second == std::string_view::npos) {
      shared.emplace(file.path, file.bytes);
      continue;
    }
    const std::string kind(file.path.substr(0, first));
    const std::string name(file.path.substr(first + 1, second - first - 1));
    if (cases.empty() || cases.back().kind != kind || cases.back().name != name) {
      cases.push_back({kind, name, {}});
    }
    cases.back().files.emplace(file.path.substr(second + 1), file.bytes);
  }
  for (AnswerCase& each : cases) {
    for (const auto& [path, bytes] : shared) {
      if (path.starts_with(each.kind + "/")) {
        each.files.emplace(path.substr(each.kind.size() + 1), bytes);
      }
    }
  }
  return cases;
}

}  // namespace verdalin
