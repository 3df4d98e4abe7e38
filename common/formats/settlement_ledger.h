// The settlement's ledger ("settlement.ledger" at the world's root): every
// trip log file it settled that has since left Bus/ and Metro/, a line
// each, appended and never rewritten. A file moved into the archive is
// named there; one removed, or gone where the settlement cannot tell, is
// named "-". With the live logs' settled beginnings, the archive holds
// everything settled; the ledger keeps what each archived file was (its
// settled bytes' length and hash, its stream, its first and last minute,
// the stretches it passed) where a person cleaning out the archive does not
// reach, so a file brought back after that is still known for what it was.
//
//   piece LENGTH_OF_PATH PATH DEVICE INODE BORN BORN_NS LENGTH HASH STREAM FIRST LAST [STRETCH...]
//
// (the cursor entry's text, settlement_book.h). A last line without its
// line feed was cut by a kill and is not read.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "common/base/problem.h"
#include "common/files/file_identity.h"
#include "common/files/world_layout.h"
#include "common/formats/settlement_book.h"

struct LedgerPiece {
  std::string path;  // relative to the world's root; empty when gone
  FileIdentity identity;
  SettledFile file;
  bool operator==(const LedgerPiece&) const = default;
};

std::string encodeLedgerPiece(const LedgerPiece& piece);
std::optional<LedgerPiece> decodeLedgerPiece(std::string_view line);

// The ledger of the world at `root` (none yet: empty). A line the
// settlement did not write is a problem.
Result<std::vector<LedgerPiece>> readLedger(const std::filesystem::path& root);

// Appends `pieces` to the ledger in one write, made durable before it
// returns.
Result<void> appendLedger(const std::filesystem::path& root, std::span<const LedgerPiece> pieces);
