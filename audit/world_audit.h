// Reconciling a world: every fee a card paid against every fee the trip
// logs carry, wherever those records now are: in a live trip log, in a
// hand-over file waiting for the settlement, or in a settlement's archive
// (archive/ in any directory of the world besides time, customer, Metro
// and Bus). Nothing is written.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "audit/ledger.h"

struct WorldAudit {
  TransportSums charged;  // by the cards
  TransportSums settled;  // in an archive: shown in a block and put away
  TransportSums waiting;  // in live trip logs and hand-over files
  size_t unreadableLines = 0;
  std::vector<std::string> unreadableFiles;

  TransportSums logged() const;
  bool reconciled() const { return charged == logged() && unreadableFiles.empty(); }
};

WorldAudit auditWorld(const std::filesystem::path& root);

// The table, a line per transport, and the verdict.
std::string auditReport(const WorldAudit& audit);
