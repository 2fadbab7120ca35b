#include "OperatorToken.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

bool OperatorToken::Load(const std::string& path, std::string* error, std::string* warning) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  char text[kLongest + 2];
  const std::size_t got = std::fread(text, 1, sizeof text, file);
  const bool failed = std::ferror(file) != 0;
  const int failure = errno;
  std::fclose(file);
  if (failed) {
    *error = path + ": " + std::strerror(failure);
    return false;
  }
  std::string token(text, got);
  token = token.substr(0, token.find('\n'));
  while (!token.empty() && (token.back() == '\r' || token.back() == ' ' || token.back() == '\t')) {
    token.pop_back();
  }
  if (token.size() < kShortest || token.size() > kLongest) {
    *error = path + ": the token's first line is " + std::to_string(kShortest) + " to " +
             std::to_string(kLongest) + " characters";
    return false;
  }
  std::error_code seen;
  const auto permissions = std::filesystem::status(path, seen).permissions();
  if (!seen &&
      (permissions & std::filesystem::perms::others_read) != std::filesystem::perms::none) {
    *warning = path + " may be read by every user of this machine (chmod o-r " + path + ")";
  }
  m_token = token;
  return true;
}

bool OperatorToken::Matches(const std::string& offered) const {
  if (m_token.empty()) return false;
  // Every byte of the token is looked at whatever the offer.
  unsigned difference = offered.size() == m_token.size() ? 0u : 1u;
  for (std::size_t i = 0; i < m_token.size(); ++i) {
    const char c = i < offered.size() ? offered[i] : '\0';
    difference |= static_cast<unsigned>(static_cast<unsigned char>(c ^ m_token[i]));
  }
  return difference == 0;
}
