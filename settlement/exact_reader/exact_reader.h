// The collecting side of the settlement loop: once every collection period,
// reader collects the world's trip logs and hand-over files into the trip
// list (settlement_cycle.h) and hands the list to distribute_Controller.
#pragma once

#include <filesystem>

// Where one settlement works: the world it settles and its archive.
struct SettlementPlaces {
  std::filesystem::path root;     // holds Bus/ and Metro/, the statement and its state
  std::filesystem::path archive;  // receives settled hand-over files
};

// The settlement program's own places: the world is its working
// directory's parent, the archive is archive/ in its working directory.
SettlementPlaces programPlaces();

// Milliseconds between collections: the variant's period, set by main before
// the threads start.
extern int collection_period;

void reader(void*);
