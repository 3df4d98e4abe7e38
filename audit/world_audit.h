// Reconciling a world, per operator: every fee the cards paid must be
// settled in the statement, waiting in a trip log or hand-over file beyond
// what the settlement's cursor settled of it, or held (lines the settlement
// cannot tell from settled ones, until a person says). The audit reads the
// trip logs by the settlement's own rule (common/formats/trip_log_reading.h)
// and places the files its cursor does not know as the settlement does
// (common/formats/log_placement.h), so it sees exactly the records the
// settlement settles, and a copy of settled lines once; it also checks that:
//   - every card charge has its trip log record and the reverse;
//   - the statement settles what the logs hold below the cursor and in the
//     archives (archive/ in any directory of the world besides time,
//     customer, Metro and Bus), no more and no less;
//   - the statement runs from cycle 1 without a gap or a repeat and agrees
//     with its state;
//   - no record lies in a file beside a log that no program reads;
//   - every credit on a card is its provisioning or a top-up, and no
//     top-up takes money off.
// Top-ups are summed per card; lines that hold no record are named by file
// and line, and are no difference.
// Each difference is a sentence with a positive amount that names its card
// or file. Nothing is written: a statement that lacks its last line is
// repaired in the reading only, as the settlement would repair it.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "audit/ledger.h"

struct CardTopUps {
  std::string card;
  long long amount = 0;
  size_t count = 0;
};

struct WorldAudit {
  TransportSums charged;           // by the cards
  TransportSums logged;            // in every trip log, hand-over, archived and stray file
  TransportSums settled;           // in the statement
  TransportSums waiting;           // in trip logs and hand-over files beyond the cursor
  TransportSums held;              // lines held until a person settles them or sets them aside
  std::vector<CardTopUps> topUps;  // cards topped up, in order of their numbers
  // Files (relative to the world) and their line numbers that hold no record.
  std::vector<std::pair<std::string, std::vector<size_t>>> noRecordLines;
  // Logs that no longer begin with what was settled of them.
  std::vector<std::string> notes;
  std::vector<std::string> differences;

  bool reconciled() const { return differences.empty(); }
};

WorldAudit auditWorld(const std::filesystem::path& root);

// The table, a line per operator, the differences and the verdict.
std::string auditReport(const WorldAudit& audit);
