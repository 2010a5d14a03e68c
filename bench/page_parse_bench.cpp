// Parse time of whole pages, typical and built to slow the pattern engine, up to 4 MiB each.
//
// Prints each page's time and, last, the worst of them: every page of 4 MiB or less should parse
// in under 50 ms.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "fakes/gateway_pages.h"
#include "monitor/parsers.h"
#include "worst_reporter.h"

namespace verdalin {
namespace {

constexpr std::size_t kMaxPage = std::size_t{4} << 20;
constexpr double kGoalMs = 50;

struct PageCase {
  std::string name;
  PageParser parse;
  std::string page;
};

// `line` and a line feed, again and again, as long as the page stays within `bytes`.
std::string Repeat(const std::string& line, std::size_t bytes = kMaxPage) {
  std::string page;
  while (page.size() + line.size() + 1 <= bytes) page += line + "\n";
  return page;
}

std::string Times(const std::string& text, std::size_t count) {
  std::string repeated;
  for (std::size_t i = 0; i < count; ++i) repeated += text;
  return repeated;
}

std::vector<PageCase> Pages() {
  const std::size_t typical = 20 * 1024, large = kMaxPage - 4096;
  const std::string tecom_label = "<td class='hd'>Mode:</td>";
  return {
      {"typical/inventel-20K", ParseInventel, InventelPage({}, typical)},
      {"typical/sagem-20K", ParseSagem, SagemPage({}, typical)},
      {"typical/tecom-20K", ParseTecom, TecomPage({}, typical)},
      {"typical/inventel-4M", ParseInventel, InventelPage({}, large)},
      {"typical/tecom-4M", ParseTecom, TecomPage({}, large)},
      {"hostile/inventel-equals-10000", ParseInventel, Repeat("ADSL_" + std::string(10000, '='))},
      {"hostile/inventel-equals-1000", ParseInventel, Repeat("ADSL_" + std::string(1000, '='))},
      {"hostile/inventel-key-value", ParseInventel, Repeat("ADSL_" + Times("a=b", 3000))},
      {"hostile/inventel-matches", ParseInventel, Repeat("ADSL_DOWNSTREAM=8192<br>")},
      {"hostile/inventel-prefixes", ParseInventel, Repeat("ADSL_")},
      {"hostile/inventel-line-feeds", ParseInventel, std::string(kMaxPage, '\n')},
      {"hostile/inventel-short-lines", ParseInventel, Repeat("A")},
      {"hostile/sagem-line-feeds", ParseSagem, std::string(kMaxPage, '\n')},
      {"hostile/tecom-line-feeds", ParseTecom, std::string(kMaxPage, '\n')},
      {"hostile/sagem-vars", ParseSagem, Repeat("var " + Times("var a\t= \"", 1000))},
      {"hostile/sagem-quotes", ParseSagem, Repeat("var a\t= \"" + std::string(10000, '"'))},
      {"hostile/tecom-labels", ParseTecom, Repeat(Times("<td class='hd'>", 700))},
      {"hostile/tecom-values", ParseTecom, Repeat(tecom_label + "\n" + Times("<td>", 2500))},
  };
}

void ParsePage(benchmark::State& state, const PageCase* page) {
  for (auto _ : state) {
    LineSample sample;
    bool values_found = false;
    page->parse(page->page, sample, values_found);
    benchmark::DoNotOptimize(sample);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page->page.size()));
}

}  // namespace
}  // namespace verdalin

int main(int argc, char** argv) {
  static const std::vector<verdalin::PageCase> pages = verdalin::Pages();
  for (const verdalin::PageCase& page : pages) {
    benchmark::RegisterBenchmark(("Parse/" + page.name).c_str(), verdalin::ParsePage, &page)
        ->Unit(benchmark::kMillisecond)
        ->MinTime(0.2);
  }
  benchmark::Initialize(&argc, argv);
  verdalin::WorstReporter reporter("page parse", verdalin::kGoalMs, benchmark::kMillisecond);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintWorst();
  benchmark::Shutdown();
  return 0;
}
