#include "settlement/exact_reader/log_lines.h"

#include <algorithm>

#include "settlement/settlement_constants.h"

std::vector<std::string_view> completeLogLines(std::string_view content) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  while (at < content.size()) {
    const std::string_view window = content.substr(at, std::min(kLogReadMax, content.size() - at));
    const size_t lineFeed = window.find('\n');
    if (lineFeed != std::string_view::npos) {
      lines.push_back(window.substr(0, lineFeed + 1));
      at += lineFeed + 1;
    } else if (window.size() == kLogReadMax) {
      // Stopped by the read's size, not by the end of the file.
      lines.push_back(window);
      at += window.size();
    } else {
      break;  // ran into the end of the file: not a complete line yet
    }
  }
  return lines;
}
