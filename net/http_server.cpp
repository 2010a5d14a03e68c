// The endpoint's HTTP server over GNU libmicrohttpd: every limit set at the start, so that what a
// client costs is bounded whatever it sends.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <microhttpd.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "export/http_server.h"
#include "net/connection_watch.h"

namespace verdalin {

namespace {

// Ends a socket's reads and writes at once; the library then closes the connection itself.
void CutSocket(MHD_socket socket) {
#ifdef _WIN32
  shutdown(socket, SD_BOTH);
#else
  shutdown(socket, SHUT_RDWR);
#endif
}

// The socket address of a listen address, "localhost" as 127.0.0.1; nothing when it does not read.
bool SocketAddress(const ListenAddress& address, sockaddr_storage& storage) {
  std::memset(&storage, 0, sizeof storage);
  const std::string host = address.host == "localhost" ? "127.0.0.1" : address.host;
  const auto port = htons(static_cast<uint16_t>(address.port));
  if (host.find(':') != std::string::npos) {
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    v6.sin6_family = AF_INET6;
    v6.sin6_port = port;
    return inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1;
  }
  auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
  v4.sin_family = AF_INET;
  v4.sin_port = port;
  return inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1;
}

// What a request's head holds, counted as the limits count it.
struct HeadSize {
  std::size_t target = 0;
  std::size_t count = 0;
  std::size_t total = 0;
  std::size_t longest = 0;
};

MHD_Result CountHeader(void* cls, MHD_ValueKind kind, const char*, size_t key_size, const char*,
                       size_t value_size) {
  HeadSize& size = *static_cast<HeadSize*>(cls);
  const std::size_t bytes = key_size + value_size + 4;  // ": " and the line's end
  if (kind == MHD_GET_ARGUMENT_KIND) {
    size.target += bytes - 2;  // "=" and "&"
    return MHD_YES;
  }
  ++size.count;
  size.total += bytes;
  size.longest = std::max(size.longest, bytes);
  return MHD_YES;
}

// 414 or 431 for a request beyond the limits (the library already refuses a head beyond its
// memory), closing the connection.
std::optional<int> RefusedStatus(MHD_Connection* connection, const char* url,
                                 const ServerLimits& limits) {
  HeadSize size;
  size.target = std::strlen(url);
  MHD_get_connection_values_n(connection,
                              static_cast<MHD_ValueKind>(MHD_HEADER_KIND | MHD_GET_ARGUMENT_KIND),
                              &CountHeader, &size);
  if (size.target > limits.target_bytes) return MHD_HTTP_URI_TOO_LONG;
  if (size.count > limits.header_count || size.total > limits.header_bytes ||
      size.longest > limits.header_line_bytes)
    return MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE;
  return std::nullopt;
}

std::string_view Header(MHD_Connection* connection, const char* name) {
  const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
  return value ? std::string_view(value) : std::string_view();
}

bool HasBody(MHD_Connection* connection) {
  const std::string_view length = Header(connection, MHD_HTTP_HEADER_CONTENT_LENGTH);
  return !Header(connection, MHD_HTTP_HEADER_TRANSFER_ENCODING).empty() ||
         (!length.empty() && length.find_first_not_of('0') != std::string_view::npos);
}

void ReleaseBody(void* cls) {
  delete static_cast<std::shared_ptr<const std::string>*>(cls);
}

// The answer as the library sends it; the body is not copied but held until it has gone out.
MHD_Result Queue(MHD_Connection* connection, const HttpAnswer& answer) {
  auto* held = new std::shared_ptr<const std::string>(
      answer.body ? answer.body : std::make_shared<const std::string>());
  MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
      (*held)->size(), const_cast<char*>((*held)->data()), &ReleaseBody, held);
  if (!response) {
    delete held;
    return MHD_NO;
  }
  MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, answer.content_type.c_str());
  for (const auto& [name, value] : answer.headers)
    MHD_add_response_header(response, name.c_str(), value.c_str());
  const MHD_Result queued =
      MHD_queue_response(connection, static_cast<unsigned>(answer.status), response);
  MHD_destroy_response(response);
  return queued;
}

HttpAnswer Refusal(int status) {
  HttpAnswer answer;
  answer.status = status;
  answer.body = std::make_shared<const std::string>(
      status == MHD_HTTP_URI_TOO_LONG ? "Request target too long\n" : "Request header too large\n");
  answer.headers.push_back({MHD_HTTP_HEADER_CONNECTION, "close"});
  return answer;
}

class MicroHttpServer final : public HttpServer {
 public:
  MicroHttpServer(HttpHandler& handler, const ServerLimits& limits)
      : handler_(handler), limits_(limits), watch_(limits.request_time) {}
  ~MicroHttpServer() override { Stop(); }

  std::optional<std::string> Start(const ListenAddress& address) override;
  int Port() const override { return port_; }
  void Stop() override;

 private:
  static MHD_Result OnRequest(void* cls, MHD_Connection* connection, const char* url,
                              const char* method, const char* version, const char* upload_data,
                              size_t* upload_data_size, void** request_context);
  static void OnConnection(void* cls, MHD_Connection* connection, void** socket_context,
                           MHD_ConnectionNotificationCode code);
  static void OnCompleted(void* cls, MHD_Connection* connection, void** request_context,
                          MHD_RequestTerminationCode code);
  MHD_Result Answer(MHD_Connection* connection, const char* url, const char* method);

  HttpHandler& handler_;
  const ServerLimits limits_;
  ConnectionWatch watch_;
  MHD_Daemon* daemon_ = nullptr;
  int port_ = 0;
};

std::optional<std::string> MicroHttpServer::Start(const ListenAddress& address) {
  const std::string refused =
      "cannot listen on " + address.host + ":" + std::to_string(address.port);
  sockaddr_storage socket_address;
  if (daemon_ || !SocketAddress(address, socket_address)) return refused;
  unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO | MHD_USE_ITC;
  if (socket_address.ss_family == AF_INET6) flags |= MHD_USE_IPv6;
  daemon_ = MHD_start_daemon(
      flags, static_cast<uint16_t>(address.port), nullptr, nullptr, &OnRequest, this,
      MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&socket_address),
      MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<size_t>(limits_.connection_memory),
      MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(limits_.connections),
      MHD_OPTION_THREAD_POOL_SIZE, static_cast<unsigned>(limits_.workers),
      MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(limits_.idle.count()),
      MHD_OPTION_NOTIFY_CONNECTION, &OnConnection, this, MHD_OPTION_NOTIFY_COMPLETED, &OnCompleted,
      this, MHD_OPTION_STRICT_FOR_CLIENT, 1,
#ifdef _WIN32
      // Windows lets a second socket that asks for it bind the same port: refuse it that.
      MHD_OPTION_LISTENING_ADDRESS_REUSE, 0u,
#endif
      MHD_OPTION_END);
  if (!daemon_) return refused;
  const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT);
  port_ = info ? info->port : address.port;
  return std::nullopt;
}

void MicroHttpServer::Stop() {
  if (!daemon_) return;
  MHD_stop_daemon(daemon_);
  daemon_ = nullptr;
}

// The library calls once the head is in, and again when the request is complete. A head beyond
// the limits, or a request with a body, is answered at the first call: the body is never read
// and the connection ends with the answer. Others are answered at the second, which keeps the
// connection for the client's next request.
MHD_Result MicroHttpServer::OnRequest(void* cls, MHD_Connection* connection, const char* url,
                                      const char* method, const char*, const char*, size_t*,
                                      void** request_context) {
  auto& server = *static_cast<MicroHttpServer*>(cls);
  try {
    if (*request_context == nullptr) {
      if (const std::optional<int> status = RefusedStatus(connection, url, server.limits_))
        return Queue(connection, Refusal(*status));
      if (!HasBody(connection)) {
        *request_context = &server;
        return MHD_YES;
      }
    }
    return server.Answer(connection, url, method);
  } catch (...) {
    return MHD_NO;  // the library closes the connection
  }
}

MHD_Result MicroHttpServer::Answer(MHD_Connection* connection, const char* url,
                                   const char* method) {
  const ServedRequest request{method, url, Header(connection, MHD_HTTP_HEADER_HOST),
                            Header(connection, MHD_HTTP_HEADER_AUTHORIZATION)};
  return Queue(connection, handler_.Answer(request));
}

void MicroHttpServer::OnConnection(void* cls, MHD_Connection* connection, void**,
                                   MHD_ConnectionNotificationCode code) {
  ConnectionWatch& watch = static_cast<MicroHttpServer*>(cls)->watch_;
  if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
    watch.Remove(connection);
    return;
  }
  const MHD_ConnectionInfo* info =
      MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
  if (!info) return;
  const MHD_socket socket = info->connect_fd;
  watch.Add(connection, [socket] { CutSocket(socket); });
}

void MicroHttpServer::OnCompleted(void* cls, MHD_Connection* connection, void**,
                                  MHD_RequestTerminationCode) {
  static_cast<MicroHttpServer*>(cls)->watch_.Renew(connection);
}

}  // namespace

std::unique_ptr<HttpServer> MakeHttpServer(HttpHandler& handler, const ServerLimits& limits) {
  return std::make_unique<MicroHttpServer>(handler, limits);
}

}  // namespace verdalin
