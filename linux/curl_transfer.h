// What the libcurl page fetch and the webhook's POST share: handles, options, a cancellable run.
#pragma once

#include <curl/curl.h>

#include <initializer_list>
#include <memory>

#include "monitor/page_fetcher.h"

namespace verdalin {

using EasyHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;
using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

// A new easy handle, after libcurl's one-time set-up.
EasyHandle NewEasyHandle();

// The header lines given; empty when one could not be added.
HeaderList HeaderLines(std::initializer_list<const char*> lines);

// Direct (no proxy), no signals, agent "QX@INET", HTTP and HTTPS only, the given headers.
void SetCommonOptions(CURL* curl, curl_slist* headers);

// Limits the next transfer to `total_ms`, its connection to `connect_ms` of that.
void SetTimeLimits(CURL* curl, long connect_ms, long total_ms);

// Runs one transfer through a multi handle, so that a cancel wakes the wait at once. A cancelled
// transfer gives CURLE_ABORTED_BY_CALLBACK.
CURLcode PerformCancellable(CURL* curl, CancelToken& cancel);

}  // namespace verdalin
