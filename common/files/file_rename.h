// Renaming a file to a name that must not exist yet: a hand-over file or an
// archived one never replaces another file, whatever else runs beside it.
#pragma once

#include <string>

#include "common/base/problem.h"

// Renames `from` to `to` only when `to` does not exist; a Problem of kind
// kExists when it does, or the error of the rename (left in errno too, for
// callers written before Result). Where the file system cannot rename
// without replacing, a hard link and an unlink stand in.
Result<void> renameWithoutReplacing(const std::string& from, const std::string& to);
