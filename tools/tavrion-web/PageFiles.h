#pragma once
// The page's files (index.html, page.css, page.js), read once at start-up
// from the page folder and served from memory: the page needs nothing
// from outside this machine, and a file changed or removed while the
// server runs does not break a browser's page halfway.

#include <map>
#include <string>

struct PageFile {
  std::string type;  // its Content-Type
  std::string body;
};

// ../share/tavrion-web from the running program's folder, where the
// package (and any `cmake --install`) puts the page beside it.
std::string DefaultPageFolder();

// The files by the path they are served at ("/" for index.html). False with
// the file and the reason in `error`.
bool LoadPageFiles(const std::string& folder, std::map<std::string, PageFile>* files,
                   std::string* error);
