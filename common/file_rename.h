// Renaming a file to a name that must not exist yet: a hand-over file or an
// archived one never replaces another file, whatever else runs beside it.
#pragma once

#include <string>

// Renames `from` to `to` only when `to` does not exist; false with errno
// EEXIST when it does, or with the error of the rename. Where the file
// system cannot rename without replacing, a hard link and an unlink stand in.
bool renameWithoutReplacing(const std::string& from, const std::string& to);
