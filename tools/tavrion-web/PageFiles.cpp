#include "PageFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

struct Known {
  const char* name;
  const char* path;
  const char* type;
};

constexpr Known kFiles[] = {
    {"index.html", "/", "text/html; charset=utf-8"},
    {"page.css", "/page.css", "text/css; charset=utf-8"},
    {"page.js", "/page.js", "text/javascript; charset=utf-8"},
};

// A page file is a few tens of KiB; anything far larger is not one.
constexpr long kLargest = 1 << 20;

bool ReadWhole(const std::string& path, std::string* body, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  char buffer[16384];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    body->append(buffer, got);
    if (body->size() > static_cast<std::size_t>(kLargest)) break;
  }
  const bool failed = std::ferror(file) != 0;
  const int failure = errno;
  std::fclose(file);
  if (failed) {
    *error = path + ": " + std::strerror(failure);
    return false;
  }
  if (body->size() > static_cast<std::size_t>(kLargest)) {
    *error = path + ": larger than 1 MiB: not a page file";
    return false;
  }
  return true;
}

}  // namespace

std::string DefaultPageFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "/usr/share/tavrion-web";
  return (program.parent_path().parent_path() / "share" / "tavrion-web").string();
}

bool LoadPageFiles(const std::string& folder, std::map<std::string, PageFile>* files,
                   std::string* error) {
  for (const Known& known : kFiles) {
    PageFile file;
    file.type = known.type;
    if (!ReadWhole(folder + "/" + known.name, &file.body, error)) return false;
    (*files)[known.path] = std::move(file);
  }
  return true;
}
