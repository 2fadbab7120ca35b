// Arbitrary strings and sizes through the text functions.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Limit.h"
#include "QM_ErrorReport.h"
#include "TextFunctions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // First byte: the destination size; the rest: the text, split once at a NUL.
  int destinationSize = data[0];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string second;
  std::size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    second = text.substr(nul + 1);
    text.resize(nul);
  }

  std::vector<char> destination(static_cast<std::size_t>(destinationSize) + 1, '\0');
  SafeCopy(destination.data(), text.c_str(), destinationSize);
  SafeFormat(destination.data(), destinationSize, "%s|%6.1f|%s", text.c_str(), 1.5, second.c_str());

  std::vector<char> work(text.begin(), text.end());
  work.push_back('\0');
  CutAtChar(work.data(), second.empty() ? '|' : second[0]);
  TabsToSpaces(work.data());
  RemoveSpaces(work.data());
  SkipLeadingSpaces(work.data());
  CutAtNewline(work.data());
  TextModeLineEnd(work.data());
  SameIgnoringSpaces(text.c_str(), second.c_str());
  TextToDouble(text.c_str());

  std::vector<char> split(text.begin(), text.end());
  split.push_back('\0');
  std::vector<char*> tokens(split.size() + 2);
  Tokenise(split.data(), second.empty() ? " " : second.c_str(), tokens.data());
  std::vector<char> splitMax(text.begin(), text.end());
  splitMax.push_back('\0');
  char* few[7];
  TokeniseMax(splitMax.data(), "|", few, 6);

  QM_ErrorReport report;
  report.SetError(text.c_str(), second.c_str(), text.c_str());
  report.SetErrorOnce("f", "m", "t", destinationSize);
  report.GetErrorText();
  Limit(0, destinationSize, 19999);
  return 0;
}
