// Arbitrary bytes as the terminal's standard input: every line is read and
// parsed as a tap command. A command line never exceeds its limit, and a tap
// always has a card word without spaces and a direction of 0 or 1.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "terminal/command_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  if (input.empty()) return 0;
  FILE* file = fmemopen(input.data(), input.size(), "r");
  if (file == nullptr) return 0;
  while (auto line = readCommandLine(file)) {
    if (line->text.size() > kCommandMaxLength) abort();
    if (line->tooLong) continue;
    const ParsedCommand command = parseCommand(line->text);
    if (command.kind != CommandKind::Tap) continue;
    if (command.tap.card.empty() || command.tap.card.find(' ') != std::string::npos) abort();
    if (command.tap.tap_inout != 0 && command.tap.tap_inout != 1) abort();
  }
  fclose(file);
  return 0;
}
