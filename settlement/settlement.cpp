#include "settlement/settlement.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "common/console.h"
#include "common/role_lock.h"
#include "common/world_layout.h"
#include "common/world_place.h"
#include "settlement/exact_display/exact_display.h"
#include "settlement/exact_distribute/exact_distribute.h"
#include "settlement/exact_reader/exact_reader.h"
#include "settlement/list/list.h"

SimulatedTime ptime;
Totals result = {0, 0};

std::mutex write_mutex, time_mutex, gmutex, sync_mutex;
std::condition_variable write_cond, time_cond, gcond, sync_cond;
bool tick_ready = false, tick_written = false, list_filled = false, list_settled = false;

std::mutex clock_file_mutex;

namespace {

constexpr int kRefusedStatus = 2;

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

// Waits for SIGINT or SIGTERM, then ends the process between two clock file
// replacements and between two console writes, so nothing is left half done.
void awaitStop() {
  const sigset_t set = stopSignals();
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }
  clock_file_mutex.lock();
  flockfile(stdout);
  _exit(0);
}

}  // namespace

int settlementMain(int collectionPeriodMs) {
  // Its own directory's name is free, but the logs it collects lie beside it.
  if (const auto missing = missingFromPlace({std::nullopt, {kBusDir, kMetroDir}})) {
    errorWrite("settlement: must run in a directory of a world, beside Bus and Metro (" + *missing +
               ")\n");
    return kRefusedStatus;
  }
  if (const auto held = claimRole(kSettlementLockPath)) {
    errorWrite("settlement: the settlement of this world is " + *held + "\n");
    return kRefusedStatus;
  }
  // Blocked here, so every thread started below inherits the block and the
  // signals reach only awaitStop.
  const sigset_t set = stopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(awaitStop).detach();

  createTripList();
  result = {0, 0};
  collection_period = collectionPeriodMs;
  std::thread setter(time_setter, nullptr);
  std::thread writer(time_writer, nullptr);
  std::thread collector(reader, nullptr);
  std::thread distributor(distribute_Controller, nullptr);
  collector.join();
  distributor.join();
  setter.join();
  writer.join();
  return 0;
}
