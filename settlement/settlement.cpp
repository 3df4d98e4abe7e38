#include "settlement/settlement.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "settlement/exact_display/exact_display.h"
#include "settlement/exact_distribute/exact_distribute.h"
#include "settlement/exact_reader/exact_reader.h"
#include "settlement/list/list.h"

SimulatedTime ptime;
Totals result = {0, 0};

Handoff tick_ready, tick_written, list_filled, list_settled;

std::mutex clock_file_mutex;

namespace {

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
