// A tool of several commands ("card list", "card top-up 1234 500"): one
// table of their names, what each takes and does, and its handler. The
// first word names the command, exactly: a word that names none is
// refused, never taken for another command. The rest is read as every
// program reads its command line (common/process/program_arguments.h), with the
// command's own options; "--help" prints the usage line, what the tool is
// and one line per command and option.
//
// A script may run one command alone under its own name: run as
// "scripts/new-card" (its launcher), the card tool is its "new" command,
// and says so in its usage line. Run as "scripts/card", it names itself
// so; otherwise by the tool's name. A launcher whose options go together
// only in some ways says so in a usage line of its own.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/process/program_arguments.h"

// What a command is called with.
struct CommandCall {
  std::vector<std::string> arguments;
  std::map<std::string, std::string, std::less<>> options;
  // The usage line, for a command that refuses a command line the options
  // alone do not rule out ("--stop and --reset-trips go alone; usage: …").
  std::string usage;

  bool has(std::string_view option) const { return options.count(option) > 0; }
  // The value of an option given with one; empty otherwise.
  std::string value(std::string_view option) const;
};

struct Command {
  std::string_view name;       // "top-up"
  std::string_view arguments;  // "CARD AMOUNT [WORLD]", after its options
  size_t needs = 0;            // arguments it cannot do without
  size_t takes = 0;            // arguments at most
  std::vector<OptionSpec> options;
  std::string_view help;                       // what it does, one line
  std::string_view launcher;                   // the script that runs it alone, if any
  std::function<int(const CommandCall&)> run;  // the exit status
  // The launcher's usage line after "usage: ", when the options and
  // arguments alone do not say how they go together; empty otherwise.
  std::string_view launcherUsage = {};
};

struct Tool {
  std::string_view name;     // "card"
  std::string_view summary;  // what the tool is, one line
  std::vector<Command> commands;
};

// Runs the command argv asks for; the exit status. A command line the
// tool cannot take gets one line on standard error and kExitUsage.
int runTool(const Tool& tool, int argc, char** argv);
