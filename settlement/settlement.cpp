#include "settlement/settlement.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "common/base/exit_status.h"
#include "common/files/file_replace.h"
#include "common/files/world_layout.h"
#include "common/files/world_place.h"
#include "common/process/console.h"
#include "common/process/process_calls.h"
#include "common/process/role_lock.h"
#include "common/process/signals.h"
#include "settlement/hand_off_loops.h"
#include "settlement/settlement_constants.h"
#include "settlement/settlement_cycle.h"
#include "settlement/settlement_places.h"

namespace {

sigset_t stopSignals() {
  return signalSet({SIGINT, SIGTERM});
}

// Waits for SIGINT or SIGTERM, then ends the process. The end falls between
// two console writes when the one under way finishes in time, so a result
// block is not cut, and nothing is printed after it (the console is kept);
// a temporary clock file is removed. A write that never returns (a console
// nobody reads) does not keep the program from ending.
void awaitStop() {
  awaitSignal(stopSignals());
  const std::chrono::milliseconds wait(kStopWaitMs);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (ftrylockfile(stdout) != 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  abandonReplacements(wait);
  endProcessNow(0);
}

// nullopt when the settlement may run in its working directory; otherwise
// why not. Its own directory's name is free, but the logs it collects lie
// beside it, and it never settles from a directory the world gives another
// program.
std::optional<std::string> misplacement() {
  if (const Result<void> placed = checkPlace({std::nullopt, {kBusDir, kMetroDir}}); !placed) {
    return placed.problem()->text();
  }
  if (const auto taken = workingDirAmong({kBusDir, kMetroDir, kCustomerDir, kTimeDir})) {
    return "not in Bus, Metro, customer or time: this is the world's " + *taken + "/";
  }
  return std::nullopt;
}

}  // namespace

int settlementMain(int collectionPeriodMs) {
  if (const auto misplaced = misplacement()) {
    errorWrite("settlement: must run in a directory of a world, beside Bus and Metro (" +
               *misplaced + ")\n");
    return kExitUsage;  // away from a world's directories
  }
  if (const Result<void> claimed = claimRole(kProgramWorldRoot, "settlement", kSettlementLockPath);
      !claimed) {
    errorWrite("settlement: the settlement of this world is " + claimed.problem()->text() + "\n");
    return kExitRefused;
  }
  // Built once, before any thread starts; the threads share it.
  Settlement settlement(programPlaces(), collectionPeriodMs);
  if (const Result<void> resumed = settlement.cycle.resume(); !resumed) {
    errorWrite("settlement: " + resumed.problem()->text() +
               ": nothing is settled until the statement and its state agree (restore both from "
               "a backup, or move both aside to settle what waits from scratch)\n");
    return kExitRefused;
  }
  // Blocked here, so every thread started below inherits the block and the
  // signals reach only awaitStop.
  blockSignals(stopSignals());
  std::thread(awaitStop).detach();
  std::thread setter(time_setter, std::ref(settlement));
  std::thread writer(time_writer, std::ref(settlement));
  std::thread collector(reader, std::ref(settlement));
  std::thread distributor(distribute_Controller, std::ref(settlement));
  collector.join();
  distributor.join();
  setter.join();
  writer.join();
  return kExitDone;
}
