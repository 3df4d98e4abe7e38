#include "common/process/program_arguments.h"

#include <errno.h>

#include <algorithm>

#include "common/process/console.h"

namespace {

constexpr std::string_view kEndOfOptions = "--";

bool isOption(std::string_view word) {
  return word.size() >= 2 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

}  // namespace

Result<ArgumentCheck> checkArguments(const std::vector<std::string_view>& words,
                                     size_t maxArguments, const std::vector<OptionSpec>& options) {
  for (const std::string_view word : words) {
    if (word == kEndOfOptions) break;
    if (word == "--help" || word == "-h") return ArgumentCheck{ArgumentVerdict::Help, {}, {}};
  }
  ArgumentCheck check;
  bool optionsEnded = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (!optionsEnded && word == kEndOfOptions) {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && isOption(word)) {
      const auto known = std::find_if(options.begin(), options.end(),
                                      [&](const OptionSpec& o) { return o.name == word; });
      if (known == options.end()) return Problem("unknown option \"" + std::string(word) + "\"");
      std::string value;
      if (!known->value.empty()) {
        if (i + 1 == words.size()) {
          return Problem(std::string(word) + " needs " + std::string(known->value));
        }
        value = words[++i];
      }
      check.options[std::string(word)] = std::move(value);
      continue;
    }
    if (check.arguments.size() == maxArguments) {
      return Problem("one argument too many: \"" + std::string(word) + "\"");
    }
    check.arguments.emplace_back(word);
  }
  return check;
}

std::string usageLine(const ProgramUsage& usage) {
  std::string line = "usage: " + std::string(usage.program);
  if (!usage.arguments.empty()) line += " " + std::string(usage.arguments);
  return line;
}

std::optional<int> answerArguments(int argc, char** argv, const ProgramUsage& usage,
                                   std::vector<std::string>& arguments) {
  const std::vector<std::string_view> words(argv + std::min(argc, 1), argv + argc);
  Result<ArgumentCheck> check = checkArguments(words, usage.maxArguments);
  if (const Problem* problem = check.problem()) {
    errorWrite(std::string(usage.program) + ": " + problem->text() + "; " + usageLine(usage) +
               "\n");
    return kExitUsage;
  }
  if (check->verdict == ArgumentVerdict::Help) {
    consoleWrite(usageLine(usage) + "\n" + std::string(usage.summary) + "\n");
    return kExitDone;
  }
  arguments = std::move(check->arguments);
  return std::nullopt;
}

std::string_view invokedName() {
  return program_invocation_short_name;
}
