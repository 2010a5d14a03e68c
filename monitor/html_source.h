// The line read from a gateway's HTML status page (LiveBox Inventel, LiveBox Sagem, Tecom AH4222).
#pragma once

#include "monitor/line_source.h"
#include "monitor/page_fetcher.h"

namespace verdalin {

// The request for a config's address: an address that starts with "http://" in any letter case
// is requested with that scheme in lower case and the login and password beside it; any other
// address as it is, without credentials.
FetchRequest StatusPageRequest(const MonitorConfig& config);

// Fetches the status page and runs the parser of the config's model over it. An empty page is
// the unreachable gateway; a page without the model's values (a refused login, another
// gateway's page, no model chosen) is unrecognised and still gives its row of zeros.
class HtmlPageSource : public LineSource {
 public:
  explicit HtmlPageSource(PageFetcher& fetcher) : fetcher_(fetcher) {}
  LineReading Read(const MonitorConfig& config, CancelToken& cancel) override;

 private:
  PageFetcher& fetcher_;
};

}  // namespace verdalin
