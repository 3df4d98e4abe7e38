#include "world_tool/journeys_command.h"

#include <fcntl.h>

#include "common/files/file_handle.h"
#include "common/files/world_files.h"
#include "common/files/world_layout.h"
#include "common/formats/statement_table.h"
#include "common/formats/time_info.h"
#include "common/process/console.h"
#include "common/process/program_arguments.h"
#include "common/process/world_programs.h"
#include "journeys/rule_table.h"

namespace fs = std::filesystem;

namespace {

// Written to the console in pieces of about this size.
constexpr size_t kCsvChunk = 1 << 16;

// What the statement settled, share by share; nullopt without a statement.
std::optional<OperatorAmounts> statementShares(const fs::path& world) {
  const Result<std::string> text = readRegularFile((world / kStatementName).string());
  if (!text) return std::nullopt;
  const std::optional<StatementCycles> statement = readStatementCycles(*text);
  if (!statement || statement->cycles.empty()) return std::nullopt;
  OperatorAmounts shares{0, 0};
  for (const StatementLine& line : statement->cycles) {
    for (size_t op = 0; op < 2; ++op) shares[op] = wrappingSum(shares[op], line.shares[op]);
  }
  return shares;
}

std::string legText(const JourneyLeg& leg) {
  return std::string(transportWord(leg.mode)) + (leg.entry ? " IN " : " OUT ") +
         readableTime(timeText(leg.stamp)) + " " + std::to_string(leg.fee) + " " + legTerminal(leg);
}

}  // namespace

std::string journeysCsvHeader() {
  std::string header = "card,journey,kind,legs,paid";
  for (size_t r = 1; r < kSplitRules; ++r) {
    header += "," + std::string(kSplitRuleNames[r]) + "_bus," + std::string(kSplitRuleNames[r]) +
              "_metro";
  }
  return header + ",taps\n";
}

std::string journeyCsvLine(const std::string& card, size_t number, const Journey& journey) {
  std::string line = card + "," + std::to_string(number) + "," +
                     std::string(kJourneyKindNames[static_cast<size_t>(journey.kind())]) + "," +
                     std::to_string(journey.legs.size()) + "," + std::to_string(journey.paid());
  for (size_t r = 1; r < kSplitRules; ++r) {
    const std::optional<OperatorAmounts> split = splitJourney(journey, static_cast<SplitRule>(r));
    for (const Operator op : {kBusOperator, kMetroOperator}) {
      line += "," + (split ? std::to_string((*split)[op]) : std::string());
    }
  }
  std::string taps;
  for (const JourneyLeg& leg : journey.legs) taps += (taps.empty() ? "" : "; ") + legText(leg);
  return line + "," + taps + "\n";
}

int showJourneys(const fs::path& world, const fs::path& named, bool csv) {
  if (const std::vector<RunningProgram> running = programsOf(world); !running.empty()) {
    errorWrite(std::string(invokedName()) + ": " + named.string() + " is not quiet (" +
               describePrograms(running) +
               " running): its cards change while they are read; stop it first\n");
    return kExitRefused;
  }
  RuleTable table;
  size_t cards = 0;
  bool unreadable = false;
  std::string out = csv ? journeysCsvHeader() : std::string();
  for (const std::string& card : cardsOf(world)) {
    const fs::path path = cardPath(world, card);
    const Result<std::string> text = readRegularFile(path.string());
    if (const Problem* problem = text.problem()) {
      errorWrite(std::string(invokedName()) + ": card " + card + " cannot be read (" +
                 problem->text() + "): its journeys are not counted\n");
      unreadable = true;
      continue;
    }
    ++cards;
    size_t number = 0;
    for (const Journey& journey : cardJourneys(*text)) {
      table.add(journey);
      if (csv) out += journeyCsvLine(card, ++number, journey);
    }
    if (out.size() >= kCsvChunk) {
      consoleWrite(out);
      out.clear();
    }
  }
  if (csv) {
    consoleWrite(out);
    return unreadable ? kExitRefused : kExitDone;
  }
  table.settled = statementShares(world);
  std::string text = "== journeys of " + named.string() + ": " + std::to_string(cards) +
                     " cards read by the terminals' fare rules\n" + ruleTableText(table, "   ");
  if (const std::string distance = settledDistanceText(table); !distance.empty()) {
    text += "   " + distance + "\n";
  }
  consoleWrite(text);
  return unreadable ? kExitRefused : kExitDone;
}
