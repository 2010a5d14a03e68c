// The line source for each kind of gateway, made once and kept between polls.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "monitor/html_source.h"
#include "monitor/line_source.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

class LineSources {
 public:
  explicit LineSources(PageFetcher& fetcher);
  // The source that reads a gateway of the config's model: the one registered for that preset
  // type (compared exactly), else the HTML status page, which serves the three page models and
  // any model it does not know (which then gives a row of zeros).
  LineSource& For(const MonitorConfig& config);
  // Registers the source of a preset type; it replaces an earlier one of that type.
  void Add(const std::string& type, std::unique_ptr<LineSource> source);

 private:
  HtmlPageSource html_;
  std::map<std::string, std::unique_ptr<LineSource>> by_type_;
};

}  // namespace verdalin
