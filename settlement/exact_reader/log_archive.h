// The settlement's archive: a directory (archive/ in its working directory)
// that receives every hand-over file once the block that covered it has
// been printed. Files are moved whole by a rename, so a record is always in
// exactly one place: a live log, a hand-over file or the archive. The audit
// reads all three.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Moves `handOver` into `archive` (created when missing) under its own name,
// or its name with "-2", "-3", ... when that is taken. nullopt on success,
// otherwise the line that says why it stayed.
std::optional<std::string> archiveHandOver(const std::filesystem::path& handOver,
                                           const std::filesystem::path& archive);
