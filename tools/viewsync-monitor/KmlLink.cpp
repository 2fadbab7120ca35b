#include "KmlLink.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace {

// Text as XML character data.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The href: spaces and other bytes a URI cannot hold written as %XX.
std::string UriPath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    bool plain = std::isalnum(c) != 0 || std::strchr("/._-~:", c) != nullptr;
    if (plain && c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

std::string LinkTarget(const char* linkPath, const char* kmlPath) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path kml = fs::absolute(kmlPath, error);
  fs::path link = fs::absolute(linkPath, error);
  kml = kml.lexically_normal();
  link = link.lexically_normal();
  if (kml.parent_path() == link.parent_path()) return kml.filename().string();
  return kml.string();
}

}  // namespace

std::string KmlNetworkLinkText(const char* linkPath, const char* kmlPath, const char* source) {
  std::string href = UriPath(LinkTarget(linkPath, kmlPath));
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n<NetworkLink>\n"
         "<name>ViewSync cameras received on " +
         Escaped(source) +
         ", live</name>\n"
         "<description>Reloads the path that viewsync-monitor writes every second.</description>\n"
         "<refreshVisibility>0</refreshVisibility>\n<flyToView>0</flyToView>\n"
         "<Link>\n<href>" +
         Escaped(href) +
         "</href>\n<refreshMode>onInterval</refreshMode>\n"
         "<refreshInterval>1</refreshInterval>\n</Link>\n</NetworkLink>\n</kml>\n";
}

bool WriteKmlNetworkLink(const char* linkPath, const char* kmlPath, const char* source,
                         std::string* error) {
  std::string text = KmlNetworkLinkText(linkPath, kmlPath, source);
  std::FILE* file = std::fopen(linkPath, "w");
  bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  int reason = errno;
  if (file != nullptr && std::fclose(file) != 0 && written) {
    written = false;
    reason = errno;
  }
  if (!written) *error = std::string("cannot write ") + linkPath + ": " + std::strerror(reason);
  return written;
}
