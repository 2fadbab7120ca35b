#include "CommandLine.h"

#include <getopt.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace Platform {
namespace {

// getopt_long's value for the long form of option i; above every character.
constexpr int kLongBase = 256;

// The option's name as written, without "=value".
std::string WrittenName(const char* argument) {
  const char* equals = std::strchr(argument, '=');
  return equals != nullptr ? std::string(argument, static_cast<std::size_t>(equals - argument))
                           : std::string(argument);
}

// Why getopt_long refused the argument it was reading.
std::string FaultText(int result, const char* argument, const CommandOption* options,
                      int optionCount) {
  const bool isLong = std::strncmp(argument, "--", 2) == 0;
  if (!isLong) {
    const std::string shortName(1, static_cast<char>(optopt));
    return result == ':' ? "option requires an argument -- '" + shortName + "'"
                         : "invalid option -- '" + shortName + "'";
  }
  const std::string name = WrittenName(argument);
  if (result == ':') return "option '" + name + "' requires an argument";
  if (optopt != 0) return "option '" + name + "' doesn't allow an argument";
  std::string matches;
  int matchCount = 0;
  for (int i = 0; i < optionCount; ++i) {
    if (std::strncmp(options[i].longName, name.c_str() + 2, name.size() - 2) == 0) {
      matches += " '--" + std::string(options[i].longName) + "'";
      ++matchCount;
    }
  }
  if (matchCount > 1) return "option '" + name + "' is ambiguous; possibilities:" + matches;
  return "unrecognized option '" + name + "'";
}

void CopyFault(const std::string& text, char* fault, int faultSize) {
  if (faultSize <= 0) return;
  const std::size_t length = std::min(text.size(), static_cast<std::size_t>(faultSize - 1));
  std::memcpy(fault, text.data(), length);
  fault[length] = '\0';
}

// The options up to the first operand; its index into *firstOperand, or a
// fault when there is one and the program takes none.
bool ReadOptions(int argc, const char* const* argv, const CommandOption* options, int optionCount,
                 const CommandOptionReader& read, int* firstOperand, char* fault, int faultSize) {
  CopyFault("", fault, faultSize);
  // "+": stop at the first operand instead of reordering argv; ":": tell a
  // missing value apart from an unknown option.
  std::string shortOptions = "+:";
  std::vector<option> longOptions;
  for (int i = 0; i < optionCount; ++i) {
    const int hasArg = options[i].takesValue ? required_argument : no_argument;
    longOptions.push_back({options[i].longName, hasArg, nullptr, kLongBase + i});
    if (options[i].shortName != 0) {
      shortOptions += options[i].shortName;
      if (options[i].takesValue) shortOptions += ':';
    }
  }
  longOptions.push_back({nullptr, 0, nullptr, 0});

  char* const* arguments = const_cast<char* const*>(argv);
  optind = 0;  // a fresh reading, whatever read before
  opterr = 0;  // the faults are ours to word
  for (;;) {
    const int reading = optind == 0 ? 1 : optind;
    const int result =
        getopt_long(argc, arguments, shortOptions.c_str(), longOptions.data(), nullptr);
    if (result == -1) break;
    if (result == '?' || result == ':') {
      CopyFault(FaultText(result, argv[reading], options, optionCount), fault, faultSize);
      return false;
    }
    int index = result - kLongBase;
    if (result < kLongBase) {
      for (index = 0; index < optionCount && options[index].shortName != result; ++index) {
      }
    }
    if (index < 0 || index >= optionCount) {
      CopyFault("unrecognized option '" + std::string(argv[reading]) + "'", fault, faultSize);
      return false;
    }
    if (!read(options[index].key, options[index].takesValue ? optarg : nullptr)) return false;
  }
  if (firstOperand != nullptr) {
    *firstOperand = optind;
  } else if (optind < argc) {
    CopyFault("unexpected argument '" + std::string(argv[optind]) + "'", fault, faultSize);
    return false;
  }
  return true;
}

}  // namespace

bool ReadCommandLine(int argc, const char* const* argv, const CommandOption* options,
                     int optionCount, const CommandOptionReader& read, char* fault, int faultSize) {
  return ReadOptions(argc, argv, options, optionCount, read, nullptr, fault, faultSize);
}

bool ReadCommandLineAndOperands(int argc, const char* const* argv, const CommandOption* options,
                                int optionCount, const CommandOptionReader& read,
                                int* firstOperand, char* fault, int faultSize) {
  return ReadOptions(argc, argv, options, optionCount, read, firstOperand, fault, faultSize);
}

void PrintUsageFault(std::FILE* err, const char* program, const char* fault) {
  std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", program, fault, program);
}

}  // namespace Platform
