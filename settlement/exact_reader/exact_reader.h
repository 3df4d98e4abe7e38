// The log collector: once every collection period, reader reads the
// world's trip logs and hand-over files (log_collection.h) into the trip
// list and hands the list to the distribution; once the distribution has
// printed the block and emptied the list, the hand-over files it covered go
// into the archive.
#pragma once

#include <filesystem>

// Where one settlement works: the world it settles and its archive.
struct SettlementPlaces {
  std::filesystem::path root;     // holds Bus/ and Metro/
  std::filesystem::path archive;  // receives settled hand-over files
};

// The settlement program's own places: the world is its working
// directory's parent, the archive is archive/ in its working directory.
SettlementPlaces programPlaces();

// Milliseconds between collections: the variant's period, set by main before
// the threads start.
extern int collection_period;

// One collection into the trip list through addNode. Missing logs are
// skipped without a word; one that exists but cannot be read is named on
// standard error.
void collectLogs(const SettlementPlaces& places);

// Moves the hand-over files of the last collection into the archive; called
// once their block is printed.
void archiveCollected(const SettlementPlaces& places);

void reader(void*);
