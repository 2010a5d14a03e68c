// What both page fetchers share: the addresses they take.
#include "monitor/page_fetcher.h"

#include "base/text_ops.h"

namespace verdalin {

bool IsWebAddress(const std::string& url) {
  const std::string head = LowerCase(LeftPart(url, 8));
  return head.rfind("http://", 0) == 0 || head.rfind("https://", 0) == 0;
}

}  // namespace verdalin
