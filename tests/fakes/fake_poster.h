// A webhook poster that records the addresses posted to and gives one fixed answer.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "export/webhook.h"

namespace verdalin {

struct AnsweringPoster : HttpPoster {
  PostResult Post(const std::string& url, const std::string&, CancelToken&) override {
    std::lock_guard lock(mutex);
    posted.push_back(url);
    return answer;
  }
  std::mutex mutex;
  std::vector<std::string> posted;
  PostResult answer{PostError::kNone, 204};
};

}  // namespace verdalin
