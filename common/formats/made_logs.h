// The logs a terminal made: beside its trip log, the terminal keeps a list
// of the identities of the live logs it started ("busfile.txt.made"), a
// line "DEVICE INODE BORN BORN_NS" each, newest last. A log is listed when
// the terminal opens it empty (it has just made it, or found it so), before
// it writes any record into it; from then on only the terminal appends to
// it. So a log on the list that the settlement has never seen holds only
// taps, never a copy of settled lines, however alike its lines look (a
// terminal started again counts its journeys from 1 again, and taps of the
// same cards in the same minute write the same lines).
//
// The list keeps the newest kMadeLogsKept logs: once it is twice that long
// it is replaced whole by its newest half.
#pragma once

#include <filesystem>
#include <set>
#include <string_view>

#include "common/files/file_identity.h"

inline constexpr size_t kMadeLogsKept = 1024;

// The identities listed in the file at `path` (none when it is missing or
// cannot be read; a line that is no identity is passed over).
std::set<FileIdentity> logsMade(const std::filesystem::path& path);

// Lists `log` in the file at `path`; false when it cannot be written.
bool noteLogMade(const std::filesystem::path& path, const FileIdentity& log);
