// exact_reader/ is the settlement's log collector: what it reads from the
// world's trip logs and hand-over files (log_collection.h) and how it moves
// settled hand-over files into the archive (log_archive.h). The folder keeps
// the name the system gives the collector's source; its thread, reader,
// runs with the others (hand_off_loops.h).
//
// The settlement's archive: a directory (archive/ in its working directory)
// that receives every hand-over file once the cycle that settled the last
// of it has been committed. Files are moved whole by a rename that never
// replaces, so a record is always in exactly one place: a live log, a
// hand-over file or the archive. The audit reads all three.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "common/base/problem.h"

// Makes `archive` ready to receive files, creating it when missing; why it
// cannot otherwise (it is not a directory, or cannot be made).
Result<void> readyArchive(const std::filesystem::path& archive);

// The line that says a hand-over file stayed, and why.
std::string archiveProblemText(const std::string& handOver, const Problem& why);

// Moves `handOver` into the ready `archive` under its own name; when that
// is taken, under its name and the settling cycle's number
// ("busfile.txt.1-42"), then with "-2", "-3", ... after that. Names never
// run out: each one tried is a name the archive already holds. Its path in
// the archive, or why it stayed.
Result<std::string> moveToArchive(const std::string& handOver, const std::filesystem::path& archive,
                                  long long cycle);
