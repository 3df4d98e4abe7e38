// What the report says of the day's journeys (simulate/day_journeys.h):
// the split rules' table and how far the settled split lies from a
// journey-exact one in the summary, the "apportionment" object of
// report.json, and report.html's section of them: the table and its chart,
// boardings per quarter hour per terminal, the waits between the modes
// with the transfer window drawn, and the riders by home and work place.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "simulate/day_journeys.h"
#include "simulate/day_report.h"

// Reads the journeys of the stopped world into report.journeys; journeys
// not as planned are a difference.
void readJourneys(const std::filesystem::path& world, const std::vector<RiderPlan>& plans,
                  DayReport& report);

// Summary lines, each indented and ended.
std::string journeySummary(const DayJourneys& day);

// {"BUS": …, "METRO": …}, or null where there are no amounts.
nlohmann::ordered_json operatorsJson(const std::optional<OperatorAmounts>& amounts);

// {"rules": {"as_settled": {"BUS": …, "METRO": …}, …}, "journeys": {"metro_only": …, …}, …};
// a rule the day cannot give is null.
nlohmann::ordered_json apportionmentJson(const DayJourneys& day);

// The page's section.
std::string journeyHtml(const DayJourneys& day);
