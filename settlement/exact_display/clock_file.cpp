#include "settlement/exact_display/clock_file.h"

#include <cstdio>

bool replaceFile(const char* path, const char* tempPath, std::string_view content) {
  FILE* file = fopen(tempPath, "w");
  if (file == nullptr) return false;
  const bool written = fwrite(content.data(), 1, content.size(), file) == content.size();
  const bool closed = fclose(file) == 0;
  if (written && closed && rename(tempPath, path) == 0) return true;
  remove(tempPath);
  return false;
}
