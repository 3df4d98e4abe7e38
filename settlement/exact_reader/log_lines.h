// Which lines of a trip log a collection takes. The log is read as a run of
// reads of at most kLogReadMax characters, each stopping after a line feed;
// a read is taken only when it did not run into the end of the file. So a
// last line without its line feed (one a terminal is still writing) is left
// for a later cycle, and a longer line arrives in pieces.
#pragma once

#include <string_view>
#include <vector>

// The taken reads of a log whose whole content is `content`, in file order.
std::vector<std::string_view> completeLogLines(std::string_view content);
