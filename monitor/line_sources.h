// The line source for each kind of gateway, made once and kept between polls.
#pragma once

#include "monitor/html_source.h"
#include "monitor/line_source.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

class LineSources {
 public:
  explicit LineSources(PageFetcher& fetcher) : html_(fetcher) {}
  // The source that reads a gateway of the config's model. The HTML status page serves the three
  // page models and any model it does not know (which then gives a row of zeros).
  LineSource& For(const MonitorConfig& config);

 private:
  HtmlPageSource html_;
};

}  // namespace verdalin
