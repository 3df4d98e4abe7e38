// Replacing a small file whole, so that a reader opening it at any moment
// sees either the old content or the new, never an empty or partial file.
#pragma once

#include <string_view>

// Writes `content` to `tempPath` (in the same directory as `path`) and
// renames it over `path`. False, with the temporary file removed, when any
// step fails.
bool replaceFile(const char* path, const char* tempPath, std::string_view content);
