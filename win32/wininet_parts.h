// What the WinInet page fetch and the webhook's POST share: address parts, limits, handles.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <mutex>
#include <string>
#include <vector>

#include "monitor/page_fetcher.h"

namespace verdalin {

struct UrlParts {
  std::string host;
  INTERNET_PORT port = 0;
  std::string path;  // path and query, without the fragment
  bool secure = false;
  bool SameServer(const UrlParts& other) const;
};

// The parts of an "http://" or "https://" address that names a host; false for any other.
bool CrackUrl(const std::string& url, UrlParts* parts);

// Set on every handle: Wine takes the receive and send time-outs only from the connection and
// request handles.
void SetTimeouts(HINTERNET internet, const FetchLimits& limits);

// A number of the answer's head (HTTP_QUERY_STATUS_CODE, ...); `found` tells whether it had one.
DWORD QueryNumber(HINTERNET request, DWORD what, bool* found);

// The WinInet handles of one request. Another thread may close them all to cancel it: WinInet's
// blocking calls on a closed handle return at once (but see CancelToken about Wine).
class Handles {
 public:
  Handles() = default;
  Handles(const Handles&) = delete;
  Handles& operator=(const Handles&) = delete;
  ~Handles() { CloseAll(); }
  // Keeps `handle` to close; null (and the handle closed) once CloseAll has run.
  HINTERNET Keep(HINTERNET handle);
  // Closes a request or connection that is done with, and forgets it.
  void Close(HINTERNET handle);
  void CloseAll();

 private:
  std::mutex mutex_;
  std::vector<HINTERNET> open_;
  bool closed_ = false;
};

// A direct session with the program's agent and the limits set; kept by `handles`.
HINTERNET OpenSession(Handles& handles, const FetchLimits& limits);

// A connection to the server `target` names, with the limits set, kept by `handles`; the login
// and password are given only when not null.
HINTERNET OpenConnection(Handles& handles, HINTERNET session, const UrlParts& target,
                         const FetchLimits& limits, const char* login = nullptr,
                         const char* password = nullptr);

}  // namespace verdalin
