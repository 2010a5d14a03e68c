// A request address taken apart for the HTTP clients: the credentials, and the address without
// them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verdalin {

struct FetchTarget {
  std::string url;  // scheme in lower case, then the address after the credentials
  bool has_credentials = false;
  std::string user;
  std::string password;
};

// The poll inserts the login and password unescaped: "http://" + login + ":" + password + "@"
// + rest. So the credentials run from the scheme to the LAST "@" of the address, and the user
// name ends at the FIRST ":" of them: a password may hold ":", "@", "/", "#", "%" and blanks,
// a user name all of these but ":" (which Basic authentication cannot carry either). Nothing is
// percent-decoded: the gateway gets the bytes as typed. An "@" in the path or query of the
// gateway's address is therefore not supported. An empty login and password mean no
// credentials. Addresses without "http://" or "https://" (any letter case) give nothing.
std::optional<FetchTarget> SplitFetchAddress(std::string_view address);

}  // namespace verdalin
