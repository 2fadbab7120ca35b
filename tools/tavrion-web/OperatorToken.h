#pragma once
// The operator's token: what a browser must send (header X-Tavrion-Token)
// with each change. It is the first line of the token file, read once at
// start-up; compared in a time that does not tell how much of it matched.

#include <string>

class OperatorToken {
 public:
  static constexpr std::size_t kShortest = 16;
  static constexpr std::size_t kLongest = 256;

  // Reads the file. False with the reason in `error` (the file cannot be
  // read, holds no line, or its token is shorter than kShortest or longer
  // than kLongest). A file that every user may read is taken with a
  // `warning`.
  bool Load(const std::string& path, std::string* error, std::string* warning);
  bool IsSet() const { return !m_token.empty(); }
  bool Matches(const std::string& offered) const;

 private:
  std::string m_token;
};
