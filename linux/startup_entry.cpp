// The run-at-startup entry on Linux: an XDG autostart desktop entry that runs the program.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "linux/shell_services.h"

namespace verdalin {

namespace {

// The general escapes of a desktop entry's string value.
std::string EscapeValue(std::string_view value) {
  std::string out;
  for (char ch : value) {
    switch (ch) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

bool WriteWhole(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

std::string QuoteExecArgument(std::string_view argument) {
  std::string out = "\"";
  for (char ch : argument) {
    if (ch == '"' || ch == '`' || ch == '$' || ch == '\\') out += '\\';
    out += ch == '%' ? "%%" : std::string(1, ch);
  }
  return out + "\"";
}

// The "-startup" argument starts the program in the tray; the icon is the "verdalin" icon that
// resources/verdalin.desktop names.
std::string DesktopEntryText(const StartupEntrySpec& entry) {
  std::string exec = QuoteExecArgument(entry.target);
  if (!entry.arguments.empty()) exec += " " + entry.arguments;
  std::string text = "[Desktop Entry]\nType=Application\nVersion=1.0\nName=Verdalin\n";
  text += "Comment=" + EscapeValue(entry.description) + "\n";
  text += "Exec=" + EscapeValue(exec) + "\n";
  text += "Icon=verdalin\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
  return text;
}

bool WriteDesktopEntry(const std::string& path, const StartupEntrySpec& entry) {
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !CreateFolder(path.substr(0, slash))) return false;
  const std::string temporary = path + ".new";
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = WriteWhole(fd, DesktopEntryText(entry));
  const bool closed = close(fd) == 0;
  if (written && closed && rename(temporary.c_str(), path.c_str()) == 0) return true;
  unlink(temporary.c_str());
  return false;
}

std::string StartupEntryName() {
  return std::string(kStartupEntryFile);
}

bool CreateStartupEntry(const std::string& path, const StartupEntrySpec& entry) {
  return WriteDesktopEntry(path, entry);
}

}  // namespace verdalin
