// The fake gateway on loopback as the driver sees it: its addresses and its control endpoint.
#pragma once

#include <string>

namespace verdalin::driver {

// The port from VERDALIN_GATEWAY_PORT; 0 when the tests run without the fake gateway.
int GatewayPort();
// "http://127.0.0.1:<port>" + path.
std::string GatewayAddress(const std::string& path);
// A GET on the gateway without credentials; the body ("" on failure).
std::string GatewayGet(const std::string& path);
// Registers a login and password; the identifier that ?cred= takes.
std::string RegisterCredentials(const std::string& user, const std::string& password);
// A field of the last request tagged `tag`: present, user, password, count, ...
std::string LastRequest(const std::string& tag, const std::string& field);

}  // namespace verdalin::driver
