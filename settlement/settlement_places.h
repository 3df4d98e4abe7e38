// Where one settlement works: the world it settles and the archive it moves
// settled hand-over files into. The program's own places come from its
// working directory; the tests, the benchmark and the fuzz target give
// others.
#pragma once

#include <filesystem>

struct SettlementPlaces {
  std::filesystem::path root;     // holds Bus/ and Metro/, the statement and its state
  std::filesystem::path archive;  // receives the hand-over files once settled
};

// The settlement program's own places: the world is its working
// directory's parent, the archive is archive/ in its working directory.
SettlementPlaces programPlaces();
