// Removing a file or a directory tree inside a world without ever following
// a link. Every directory on the way is entered as a directory that is no
// link, and the name removed is removed as what it is: a link is unlinked
// (never what it points to), a directory emptied the same way, entry by
// entry, then removed. So nothing outside the tree is ever removed, whatever
// links stand inside it.
#pragma once

#include <filesystem>
#include <string>

#include "common/base/problem.h"

// Removes `relative` ("Settlement/archive") below the directory `root`.
// Done when it is gone (or was never there); otherwise what stood in the
// way: a symbolic link or no directory on the way (Kind::kNotRegular,
// "Settlement is a symbolic link or no directory: ..."), or the system's
// refusal ("cannot remove Settlement/archive/x: Permission denied").
Result<void> removeBelow(const std::filesystem::path& root, const std::string& relative);
