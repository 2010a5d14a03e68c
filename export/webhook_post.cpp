// The webhook's POST over the HTTP rule book.
#include <utility>

#include "export/webhook.h"

namespace verdalin {

namespace {

PostError PostErrorOf(HttpError error) {
  switch (error) {
    case HttpError::kNone:
      return PostError::kNone;
    case HttpError::kNotHttp:
      return PostError::kNotHttp;
    case HttpError::kUnreachable:
      return PostError::kUnreachable;
    case HttpError::kTimedOut:
      return PostError::kTimedOut;
    case HttpError::kCancelled:
      return PostError::kCancelled;
    case HttpError::kTooLarge:
    case HttpError::kBroken:
      break;
  }
  return PostError::kBroken;
}

}  // namespace

HttpClientPoster::HttpClientPoster(std::unique_ptr<HttpTransport> transport,
                                   const FetchLimits& limits)
    : transport_(std::move(transport)), client_(*transport_, limits) {}

PostResult HttpClientPoster::Post(const std::string& url, const std::string& json_body,
                                  CancelToken& cancel) {
  HttpRequest post;
  post.method = "POST";
  post.url = url;
  post.headers = {{"Content-Type", "application/json"}};
  post.body = json_body;
  post.follow_redirects = false;
  post.read_body = false;
  const HttpResponse response = client_.Send(post, cancel);
  return {PostErrorOf(response.error), response.status};
}

}  // namespace verdalin
