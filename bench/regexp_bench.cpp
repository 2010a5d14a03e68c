// The gateway parsers' patterns over ~20 KB status pages: this engine, std::regex and PCRE2.
//
// Every engine runs each pattern of a page's make on every line and copies the groups of each
// match into a buffer, as the parsers do. Patterns are compiled once, outside the timing.
#define PCRE2_CODE_UNIT_WIDTH 8
#include <benchmark/benchmark.h>
#include <pcre2.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "base/regexp.h"
#include "status_pages.h"

namespace {

using verdalin::regexp;

struct PatternCase {
  const char* ours;  // this engine's syntax
  const char* ecma;  // the same for std::regex and PCRE2
  int groups;
};

struct Workload {
  const char* name;
  std::string (*page)();
  std::vector<PatternCase> patterns;
};

const std::vector<Workload>& Workloads() {
  static const std::vector<Workload> workloads = {
      {"Inventel",
       verdalin::bench::InventelStatusPage,
       {{"ADSL_(.+)=(.+)\\<br\\>", "ADSL_(.+)=(.+)<br>", 2}}},
      {"Sagem",
       verdalin::bench::SagemStatusPage,
       {{"var +([a-zA-Z_]+)\t+= \"(.+)\";", "var +([a-zA-Z_]+)\t+= \"(.+)\";", 2}}},
      {"Tecom",
       verdalin::bench::TecomStatusPage,
       {{"\\<td class\\=\\'hd\\'\\>(.*)\\<\\/td\\>", "<td class='hd'>(.*)</td>", 1},
        {"\\<td\\>(.*)\\<\\/td\\>", "<td>(.*)</td>", 1}}},
  };
  return workloads;
}

std::vector<std::string> Lines(const std::string& page) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = page.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(page.substr(start, end - start));
  }
  lines.push_back(page.substr(start));
  return lines;
}

constexpr std::size_t kBuffer = 500;
using Buffers = char[2][kBuffer];

// Each engine's extraction: one string per group of each match, joined into `out` for checking.
class Engine {
 public:
  virtual ~Engine() = default;
  // Runs pattern `p` on `line`; on a match copies group g into buffers[g - 1] for each group.
  virtual bool Extract(std::size_t p, const std::string& line, int groups, Buffers& buffers) = 0;
};

class OurEngine : public Engine {
 public:
  explicit OurEngine(const Workload& w) {
    for (const PatternCase& c : w.patterns) compiled_.push_back(verdalin::regcomp(c.ours));
  }
  bool Extract(std::size_t p, const std::string& line, int groups, Buffers& buffers) override {
    regexp* re = compiled_[p].get();
    if (!verdalin::regexec(re, line.c_str())) return false;
    static const char* const kTemplates[] = {"\\0", "\\1", "\\2"};
    for (int g = 1; g <= groups; ++g) verdalin::regsub(re, kTemplates[g], buffers[g - 1], kBuffer);
    return true;
  }

 private:
  std::vector<verdalin::RegexpPtr> compiled_;
};

void CopyPiece(const char* start, std::size_t length, char* buffer) {
  if (length >= kBuffer) length = kBuffer - 1;
  std::memcpy(buffer, start, length);
  buffer[length] = '\0';
}

class StdEngine : public Engine {
 public:
  explicit StdEngine(const Workload& w) {
    for (const PatternCase& c : w.patterns) compiled_.emplace_back(c.ecma, std::regex::ECMAScript);
  }
  bool Extract(std::size_t p, const std::string& line, int groups, Buffers& buffers) override {
    if (!std::regex_search(line, match_, compiled_[p])) return false;
    for (int g = 1; g <= groups; ++g) {
      CopyPiece(line.data() + match_.position(g), static_cast<std::size_t>(match_.length(g)),
                buffers[g - 1]);
    }
    return true;
  }

 private:
  std::vector<std::regex> compiled_;
  std::smatch match_;
};

class Pcre2Engine : public Engine {
 public:
  Pcre2Engine(const Workload& w, bool jit) : data_(pcre2_match_data_create(10, nullptr)) {
    for (const PatternCase& c : w.patterns) {
      int error = 0;
      PCRE2_SIZE offset = 0;
      pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(c.ecma), PCRE2_ZERO_TERMINATED,
                                       0, &error, &offset, nullptr);
      if (jit) pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
      compiled_.push_back(code);
    }
  }
  ~Pcre2Engine() override {
    for (pcre2_code* code : compiled_) pcre2_code_free(code);
    pcre2_match_data_free(data_);
  }
  bool Extract(std::size_t p, const std::string& line, int groups, Buffers& buffers) override {
    if (pcre2_match(compiled_[p], reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0, 0,
                    data_, nullptr) < 0) {
      return false;
    }
    PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data_);
    for (int g = 1; g <= groups; ++g) {
      CopyPiece(line.data() + ovector[2 * g], ovector[2 * g + 1] - ovector[2 * g], buffers[g - 1]);
    }
    return true;
  }

 private:
  std::vector<pcre2_code*> compiled_;
  pcre2_match_data* data_;
};

std::unique_ptr<Engine> MakeEngine(const std::string& name, const Workload& w) {
  if (name == "ours") return std::make_unique<OurEngine>(w);
  if (name == "std_regex") return std::make_unique<StdEngine>(w);
  return std::make_unique<Pcre2Engine>(w, name == "pcre2_jit");
}

// One parse of the page: every pattern on every line. Returns the number of matches and
// appends every extracted group to `record` when given.
int ParsePage(Engine& engine, const Workload& w, const std::vector<std::string>& lines,
              std::string* record) {
  Buffers buffers;
  int matches = 0;
  for (const std::string& line : lines) {
    for (std::size_t p = 0; p < w.patterns.size(); ++p) {
      int groups = w.patterns[p].groups;
      if (!engine.Extract(p, line, groups, buffers)) continue;
      ++matches;
      for (int g = 0; record && g < groups; ++g) record->append(buffers[g]).append("\n");
    }
  }
  return matches;
}

void RunParse(benchmark::State& state, const Workload* w, std::string engine_name) {
  std::string page = w->page();
  std::vector<std::string> lines = Lines(page);
  std::unique_ptr<Engine> engine = MakeEngine(engine_name, *w);
  int matches = 0;
  for (auto _ : state) {
    matches = ParsePage(*engine, *w, lines, nullptr);
    benchmark::DoNotOptimize(matches);
  }
  state.counters["matches"] = matches;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size()));
}

// Every engine must extract the same texts, else the comparison means nothing.
bool EnginesAgree() {
  bool agree = true;
  for (const Workload& w : Workloads()) {
    std::vector<std::string> lines = Lines(w.page());
    std::string expected;
    OurEngine ours(w);
    int matches = ParsePage(ours, w, lines, &expected);
    for (const char* other : {"std_regex", "pcre2", "pcre2_jit"}) {
      std::string record;
      ParsePage(*MakeEngine(other, w), w, lines, &record);
      if (record != expected) {
        std::fprintf(stderr, "%s: %s extracts other texts than this engine\n", w.name, other);
        agree = false;
      }
    }
    std::printf("%s page: %zu bytes, %zu lines, %d matches\n", w.name, w.page().size(),
                lines.size(), matches);
  }
  return agree;
}

// Keeps the console output and remembers each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) times_[run.benchmark_name()] = run.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    std::printf(
        "\nCPU time of each engine divided by this engine's (higher: this engine faster)\n");
    std::printf("%-10s %12s %12s %12s\n", "page", "std::regex", "PCRE2", "PCRE2 JIT");
    for (const Workload& w : Workloads()) {
      std::string base = std::string("Parse/") + w.name + "/";
      auto ours = times_.find(base + "ours");
      if (ours == times_.end()) continue;
      std::printf("%-10s", w.name);
      for (const char* other : {"std_regex", "pcre2", "pcre2_jit"}) {
        auto it = times_.find(base + other);
        std::printf(" %11.1fx", it == times_.end() ? 0.0 : it->second / ours->second);
      }
      std::printf("\n");
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  if (!EnginesAgree()) return 1;
  for (const Workload& w : Workloads()) {
    for (const char* engine : {"ours", "std_regex", "pcre2", "pcre2_jit"}) {
      benchmark::RegisterBenchmark((std::string("Parse/") + w.name + "/" + engine).c_str(),
                                   RunParse, &w, std::string(engine));
    }
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
