#include "common/files/world_place.h"

#include <filesystem>

namespace fs = std::filesystem;

Result<void> checkPlace(const WorldPlace& place) {
  std::error_code error;
  const fs::path here = fs::current_path(error);
  if (error) return Problem("the working directory cannot be read");
  if (place.ownDir && here.filename() != *place.ownDir) {
    return Problem("this is " + here.string() + ", not a directory named " + *place.ownDir);
  }
  for (const std::string& sibling : place.siblings) {
    if (!fs::is_directory(".." / fs::path(sibling), error)) {
      return Problem("../" + sibling + " is missing");
    }
  }
  return {};
}

std::optional<std::string> workingDirAmong(const std::vector<std::string>& siblings) {
  for (const std::string& sibling : siblings) {
    std::error_code error;
    if (fs::equivalent(".", ".." / fs::path(sibling), error)) return sibling;
  }
  return std::nullopt;
}
