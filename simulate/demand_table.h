// The demand model as a table a user edits (simulate --write-demand FILE
// writes it, --demand FILE plays it): lines beginning with "#" say what the
// columns mean, then a header line names them, then one line per pair of
// home and work place:
//
//   home,work,share,commuters,out_peak,out_spread,out_earliest,out_latest,back_peak,...
//   bus,metro2,0.049,0.75,08:00,50,05:00,11:00,17:30,70,06:00,20:00,120,360
//
// Places are "bus" and "metro0" to "metro4"; times of day HH:MM; spreads and
// stays whole minutes; shares and the commuters' share decimal numbers.
// The table written reads back as the same model, so the same seed plans
// the same riders from it.
#pragma once

#include <string>
#include <string_view>

#include "common/base/problem.h"
#include "simulate/demand_model.h"

inline constexpr std::string_view kDemandHeader =
    "home,work,share,commuters,out_peak,out_spread,out_earliest,out_latest,back_peak,back_spread,"
    "others_from,others_to,others_stay_least,others_stay_most";

// The table of `model`, its "#" lines first.
std::string demandTableText(const DemandModel& model);

// The model of a table's text; a table that is not one is a Problem of one
// line naming `name`, the line and the column: "demand.csv line 4, column
// out_spread: ...". Blank lines and "#" lines are skipped, a carriage
// return before a line feed is ignored.
Result<DemandModel> readDemandTable(std::string_view text, const std::string& name);

// The same from the file at `path` (named as given); why not, in one line.
Result<DemandModel> loadDemandTable(const std::string& path);

// Writes the table of `model` whole to `path`, through a fresh file
// renamed into place (a link at `path` is replaced, never written through).
Result<void> saveDemandTable(const std::string& path, const DemandModel& model);
