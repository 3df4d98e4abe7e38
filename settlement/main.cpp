// The settlement program. The two variants compile this file with their own
// collection period: 180000 ms for settlement, 1000 ms for settlement_fast.
#include "common/process/console.h"
#include "common/process/program_arguments.h"
#include "settlement/settlement.h"

namespace {

constexpr int kPeriodMs = SETTLEMENT_COLLECTION_PERIOD_MS;
// The variant that collects every second is settlement_fast.
constexpr ProgramUsage kUsage{kPeriodMs <= 1000 ? "settlement_fast" : "settlement", "",
                              "the settlement of a world: runs its clock and settles its trip "
                              "logs, run in a directory beside Bus and Metro",
                              0};

}  // namespace

int main(int argc, char** argv) {
  ignoreFailedWriteSignals();
  std::vector<std::string> arguments;
  if (const auto status = answerArguments(argc, argv, kUsage, arguments)) return *status;
  return settlementMain(kPeriodMs);
}
