// Host keys trusted on first use, by the fingerprint OpenSSH shows.
#include "monitor/ssh_shell.h"

#include "base/scramble.h"

namespace verdalin {

std::string SshFingerprint(std::string_view sha256_digest) {
  std::string text = EncodeBase64(sha256_digest);
  while (!text.empty() && text.back() == '=') text.pop_back();
  return "SHA256:" + text;
}

bool TrustHostKey(HostKeyStore& store, const std::string& host_port,
                  const std::string& fingerprint) {
  const std::optional<std::string> known = store.Known(host_port);
  if (known && !known->empty()) return *known == fingerprint;
  store.Learn(host_port, fingerprint);
  return true;
}

}  // namespace verdalin
