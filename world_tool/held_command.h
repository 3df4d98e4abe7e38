// The world tool's "held": the lines the settlement holds because it cannot
// tell them from lines it settled (common/formats/line_ledger.h), and a
// person's word on each run of them. A held run is settled once, by a
// statement line of its own, or set aside for good with a note in the
// archive; nothing held is settled otherwise. Listing only reads the world;
// settling or setting aside needs the settlement stopped (the tool holds the
// settlement's role meanwhile) and changes nothing else.
#pragma once

#include <filesystem>
#include <string>

// What the tool is asked to do with held run `run` (1, 2, ... as listed).
struct HeldWord {
  enum class Kind { kList, kSettle, kSetAside } kind = Kind::kList;
  long long run = 0;
  std::string note;  // why it is set aside
};

// Lists, settles or sets aside the held runs of the world at `world`
// (physical), named `named` as the user named it. The exit status.
int heldCommand(const std::filesystem::path& world, const std::string& named, const HeldWord& word);
