#pragma once
// The GNU command line of the station's programs: long options as
// "--name value" or "--name=value" (a unique abbreviation will do), short
// options as "-n value", "-nvalue" or grouped ("-cd 10.0.0.1"), "--" ending
// the options. Most programs take no operands. Read with getopt_long, whose
// state is process-wide: one reading at a time.

#include <cstdint>
#include <cstdio>
#include <functional>

#include "ValueText.h"  // the options' numbers and addresses

namespace Platform {

struct CommandOption {
  const char* longName;  // without the dashes
  char shortName;        // 0: long form only
  bool takesValue;
  int key;  // what the reader hands to the caller for this option
};

// Called for each option in command-line order with its key and its value
// (null for an option without one). Returns false to stop, with its reason
// written to the fault text.
using CommandOptionReader = std::function<bool(int key, const char* value)>;

// Reads argv (argv[0] is the program) against the options. False on the
// first fault: an unknown or ambiguous option, a missing value, a value given
// to an option that takes none, an operand, or the reader's own false. The
// fault text (cut to faultSize - 1) then says what is wrong, as one line
// without the program's name.
bool ReadCommandLine(int argc, const char* const* argv, const CommandOption* options,
                     int optionCount, const CommandOptionReader& read, char* fault, int faultSize);

// As ReadCommandLine, for a program that takes operands after its options
// (the options come first: the first operand ends them, and what follows it
// is all operands, "-2" too). The index of the first operand, argc when there
// is none, into *firstOperand.
bool ReadCommandLineAndOperands(int argc, const char* const* argv, const CommandOption* options,
                                int optionCount, const CommandOptionReader& read,
                                int* firstOperand, char* fault, int faultSize);

// "<program>: <fault>" and "Try '<program> --help' for more information."
void PrintUsageFault(std::FILE* err, const char* program, const char* fault);

}  // namespace Platform
