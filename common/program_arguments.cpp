#include "common/program_arguments.h"

#include "common/console.h"

namespace {

constexpr std::string_view kEndOfOptions = "--";

bool isOption(std::string_view word) {
  return word.size() >= 2 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}

}  // namespace

ArgumentCheck checkArguments(const std::vector<std::string_view>& words, size_t maxArguments) {
  ArgumentCheck check;
  for (const std::string_view word : words) {
    if (word == kEndOfOptions) break;
    if (word == "--help" || word == "-h") return {ArgumentVerdict::Help, {}, std::nullopt};
  }
  bool options = true;
  for (const std::string_view word : words) {
    if (options && word == kEndOfOptions) {
      options = false;
      continue;
    }
    if (options && isOption(word)) {
      return {ArgumentVerdict::Refuse, {}, Problem("unknown option \"" + std::string(word) + "\"")};
    }
    if (check.arguments.size() == maxArguments) {
      return {ArgumentVerdict::Refuse,
              {},
              Problem("one argument too many: \"" + std::string(word) + "\"")};
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
  constexpr int kRefusedStatus = 2;
  const std::vector<std::string_view> words(argv + 1, argv + argc);
  ArgumentCheck check = checkArguments(words, usage.maxArguments);
  switch (check.verdict) {
    case ArgumentVerdict::Help:
      consoleWrite(usageLine(usage) + "\n" + std::string(usage.summary) + "\n");
      return 0;
    case ArgumentVerdict::Refuse:
      errorWrite(std::string(usage.program) + ": " + check.problem->text() + "; " +
                 usageLine(usage) + "\n");
      return kRefusedStatus;
    case ArgumentVerdict::Run:
      break;
  }
  arguments = std::move(check.arguments);
  return std::nullopt;
}
