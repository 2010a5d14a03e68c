// The libcurl parts the page fetch and the webhook's POST share.
#include "linux/curl_transfer.h"

#include <algorithm>
#include <mutex>

namespace verdalin {

namespace {

using MultiHandle = std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)>;

}  // namespace

EasyHandle NewEasyHandle() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  return EasyHandle(curl_easy_init(), curl_easy_cleanup);
}

HeaderList HeaderLines(std::initializer_list<const char*> lines) {
  HeaderList list(nullptr, curl_slist_free_all);
  for (const char* line : lines) {
    curl_slist* longer = curl_slist_append(list.get(), line);
    if (longer == nullptr) return HeaderList(nullptr, curl_slist_free_all);
    list.release();
    list.reset(longer);
  }
  return list;
}

void SetCommonOptions(CURL* curl, curl_slist* headers) {
  curl_easy_setopt(curl, CURLOPT_PROXY, "");
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "QX@INET");
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
}

void SetTimeLimits(CURL* curl, long connect_ms, long total_ms) {
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, total_ms);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, std::min(connect_ms, total_ms));
}

CURLcode PerformCancellable(CURL* curl, CancelToken& cancel) {
  MultiHandle multi(curl_multi_init(), curl_multi_cleanup);
  if (!multi || curl_multi_add_handle(multi.get(), curl) != CURLM_OK) return CURLE_OUT_OF_MEMORY;
  CURLM* waker = multi.get();
  cancel.OnCancel([waker] { curl_multi_wakeup(waker); });
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  for (int running = 1; running > 0 && !cancel.Cancelled();) {
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) break;
    if (running > 0) curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
  }
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi.get(), &left))
    if (message->msg == CURLMSG_DONE && !cancel.Cancelled()) result = message->data.result;
  cancel.OnCancel({});
  curl_multi_remove_handle(multi.get(), curl);
  return result;
}

}  // namespace verdalin
