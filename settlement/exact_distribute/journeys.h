// Finding the journeys of a time-ordered list of records from their journey
// ids alone.
//
// A run is two or more consecutive records with equal journey ids. Scanning
// from the first record, each run found gives one journey whose legs are the
// record before the run (when there is one) and every record of the run but
// its last. The run's last record stays; the scan goes on from it, and it may
// be the record before the next run. So the legs of a journey are always
// consecutive records of the list as it was before the scan.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

struct JourneyLegs {
  size_t first = 0;  // index of the first leg
  size_t count = 0;  // number of legs, at least 1
  bool operator==(const JourneyLegs&) const = default;
};

// The journeys of records whose journey ids are `journeyIds`, in list order.
std::vector<JourneyLegs> findJourneys(const std::vector<std::string_view>& journeyIds);
