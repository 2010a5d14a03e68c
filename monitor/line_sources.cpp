// The line source for each kind of gateway.
#include "monitor/line_sources.h"

namespace verdalin {

LineSources::LineSources(PageFetcher& fetcher) : html_(fetcher) {}

LineSource& LineSources::For(const MonitorConfig& config) {
  const auto found = by_type_.find(config.model);
  return found == by_type_.end() ? html_ : *found->second;
}

void LineSources::Add(const std::string& type, std::unique_ptr<LineSource> source) {
  by_type_[type] = std::move(source);
}

}  // namespace verdalin
