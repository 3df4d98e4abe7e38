#include "common/process/command_table.h"

#include <algorithm>
#include <cstdio>

#include "common/process/console.h"

namespace {

constexpr std::string_view kScripts = "scripts/";

std::string optionsOf(const Command& command) {
  std::string text;
  for (const OptionSpec& option : command.options) {
    text += " [" + std::string(option.name);
    if (!option.value.empty()) text += " " + std::string(option.value);
    text += "]";
  }
  return text;
}

// "list [WORLD]", "new [--force] CARD BALANCE [WORLD]".
std::string synopsis(const Command& command, bool withName) {
  std::string text = withName ? std::string(command.name) + optionsOf(command) : optionsOf(command);
  if (!command.arguments.empty()) text += " " + std::string(command.arguments);
  return text.starts_with(' ') ? text.substr(1) : text;
}

std::string helpLine(std::string_view left, std::string_view help) {
  char line[512];
  snprintf(line, sizeof line, "  %-36.*s %.*s\n", static_cast<int>(left.size()), left.data(),
           static_cast<int>(help.size()), help.data());
  return line;
}

// With `named`, each line names the command the option is of.
std::string optionLines(const Command& command, bool named) {
  std::string text;
  for (const OptionSpec& option : command.options) {
    std::string left = named ? std::string(command.name) + " " + std::string(option.name)
                             : std::string(option.name);
    if (!option.value.empty()) left += " " + std::string(option.value);
    text += helpLine(left, option.help);
  }
  return text;
}

struct Invocation {
  std::string program;             // as the usage line names it
  const Command* alone = nullptr;  // the command run by its own launcher
};

Invocation invocationOf(const Tool& tool, std::string_view argv0) {
  for (const Command& command : tool.commands) {
    if (!command.launcher.empty() && argv0 == command.launcher)
      return {std::string(argv0), &command};
  }
  if (argv0 == std::string(kScripts) + std::string(tool.name)) return {std::string(argv0), nullptr};
  return {std::string(tool.name), nullptr};
}

std::string usageOf(const Tool& tool, const Invocation& invocation) {
  if (invocation.alone) {
    if (!invocation.alone->launcherUsage.empty()) {
      return "usage: " + std::string(invocation.alone->launcherUsage);
    }
    const std::string rest = synopsis(*invocation.alone, false);
    return "usage: " + invocation.program + (rest.empty() ? "" : " " + rest);
  }
  std::string text;
  for (const Command& command : tool.commands) {
    text += (text.empty() ? "usage: " : " | ") + invocation.program + " " + synopsis(command, true);
  }
  return text;
}

std::string helpOf(const Tool& tool, const Invocation& invocation) {
  std::string text = usageOf(tool, invocation) + "\n";
  if (invocation.alone) {
    text += std::string(invocation.alone->help) + "\n" + optionLines(*invocation.alone, false);
  } else {
    text += std::string(tool.summary) + "\n";
    for (const Command& command : tool.commands) {
      text += helpLine(synopsis(command, true), command.help);
    }
    for (const Command& command : tool.commands) text += optionLines(command, true);
  }
  return text + helpLine("--", "every word after it is an argument, not an option");
}

int refuseUsage(const std::string& usage, const std::string& problem) {
  errorWrite(std::string(invokedName()) + ": " + problem + "; " + usage + "\n");
  return kExitUsage;
}

}  // namespace

std::string CommandCall::value(std::string_view option) const {
  const auto found = options.find(option);
  return found == options.end() ? std::string() : found->second;
}

int runTool(const Tool& tool, int argc, char** argv) {
  const Invocation invocation = invocationOf(tool, argc > 0 ? argv[0] : "");
  const std::string usage = usageOf(tool, invocation);
  std::vector<std::string_view> words(argv + std::min(argc, 1), argv + argc);
  const Command* command = invocation.alone;
  if (!command) {
    // The command's name comes first; --help may stand anywhere before "--".
    const Result<ArgumentCheck> help = checkArguments(words, words.size());
    if (help && help->verdict == ArgumentVerdict::Help) {
      consoleWrite(helpOf(tool, invocation));
      return kExitDone;
    }
    if (words.empty()) return refuseUsage(usage, "a command is needed");
    const auto named = std::find_if(tool.commands.begin(), tool.commands.end(),
                                    [&](const Command& c) { return c.name == words.front(); });
    if (named == tool.commands.end()) {
      return refuseUsage(usage, "unknown command \"" + std::string(words.front()) + "\"");
    }
    command = &*named;
    words.erase(words.begin());
  }
  Result<ArgumentCheck> check = checkArguments(words, command->takes, command->options);
  if (const Problem* problem = check.problem()) return refuseUsage(usage, problem->text());
  if (check->verdict == ArgumentVerdict::Help) {
    consoleWrite(helpOf(tool, invocation));
    return kExitDone;
  }
  if (check->arguments.size() < command->needs) {
    return refuseUsage(usage,
                       std::string(command->name) + " needs " + std::string(command->arguments));
  }
  return command->run({std::move(check->arguments), std::move(check->options), usage});
}
