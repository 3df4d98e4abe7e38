// The command line every program of the system reads the same way. "--help"
// (or "-h") prints the program's usage line and what it is on standard
// output, and the program ends with status 0 without doing anything else. An
// option the program does not know, or an argument beyond those it takes, is
// refused with one line on standard error that says what is wrong and gives
// the usage line, status 2. A word that begins with '-' and a digit ("-3")
// is an argument, not an option, so a negative number reaches the program's
// own checks; every word after "--" is an argument (a card number "-x").
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/base/exit_status.h"
#include "common/base/problem.h"

struct ProgramUsage {
  std::string_view program;    // "metro_terminal"
  std::string_view arguments;  // "STATION"; empty for a program that takes none
  std::string_view summary;    // one line saying what the program is
  size_t maxArguments = 0;
};

// An option a program knows: "--all", or "--svg" followed by its value
// ("FILE"), and one line on what it does.
struct OptionSpec {
  std::string_view name;
  std::string_view value;  // empty for an option that takes none
  std::string_view help;
};

enum class ArgumentVerdict { Run, Help };
struct ArgumentCheck {
  ArgumentVerdict verdict = ArgumentVerdict::Run;
  std::vector<std::string> arguments;  // for Run: the arguments in order
  // For Run: the options given, with their values ("" for one without);
  // an option given twice keeps its last value.
  std::map<std::string, std::string, std::less<>> options;
};

// What the words after the program name ask for, for a program that takes
// at most `maxArguments` arguments and knows `options`; otherwise what is
// wrong with them.
Result<ArgumentCheck> checkArguments(const std::vector<std::string_view>& words,
                                     size_t maxArguments,
                                     const std::vector<OptionSpec>& options = {});

// "usage: metro_terminal STATION".
std::string usageLine(const ProgramUsage& usage);

// Reads argv by checkArguments and answers --help or a refusal. nullopt
// when the program is to run, with its arguments in `arguments`; otherwise
// the status to exit with.
std::optional<int> answerArguments(int argc, char** argv, const ProgramUsage& usage,
                                   std::vector<std::string>& arguments);

// The name the program was run by, for the start of its refusals: its
// file's name ("card"), or the script's that ran it under its own name
// ("scripts/new-card" runs build/card as "new-card").
std::string_view invokedName();
