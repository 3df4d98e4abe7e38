// Worlds of trip logs shaped like a busy day of the network, for measuring
// the settlement: journeys begun evenly at the bus and the five metro
// stations at random times, three in ten continuing on the other mode with
// the journey id copied, some bus rides short enough to tap in and out
// within one tick. Every log is in time order, as the terminals write it,
// and many records of every log share each time key.
#pragma once

#include <filesystem>

struct WorldShape {
  long long records = 0;
  // Hand-over files per log: the records of a log are spread evenly over
  // its hand-over files ("busfile.txt.1", ...) and its live log.
  int handOversPerLog = 0;
  unsigned seed = 19;
};

// Lays out time/, customer/, Bus/, Metro/ and Settlement/ under `root`
// (created when missing) and writes the logs of `shape` there, replacing
// any logs, hand-over files, statement and state already there.
void writeRealisticWorld(const std::filesystem::path& root, const WorldShape& shape);
