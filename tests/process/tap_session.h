// A terminal program under test, driven one tap at a time: each tap returns
// exactly what the terminal printed for it (up to the next prompt), with
// the once-a-second clock lines taken out.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "support/program.h"
#include "support/world.h"

inline constexpr const char* kPrompt = "COMMAND LINE_:";

// What a terminal prints for the clock file line "201412050907":
// "2014/ 12/ 5/ 9/ 7\n" (the terminals always show the year 2014).
inline std::string clockLineFor(const std::string& fileLine) {
  auto field = [&](size_t at) { return std::to_string(std::stoi(fileLine.substr(at, 2))); };
  return "2014/ " + field(4) + "/ " + field(6) + "/ " + field(8) + "/ " + field(10) + "\n";
}

// Length of the clock line "%d/ %d/ %d/ %d/ %d\n" that starts at `at` of
// `text`, or 0 when none starts there.
inline size_t clockLineLength(std::string_view text, size_t at) {
  size_t i = at;
  for (int field = 0; field < 5; ++field) {
    if (i < text.size() && text[i] == '-') ++i;
    const size_t digits = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == digits) return 0;
    const std::string_view separator = field < 4 ? "/ " : "\n";
    if (text.substr(i, separator.size()) != separator) return 0;
    i += separator.size();
  }
  return i - at;
}

// `text` with every clock line taken out, wherever it fell.
inline std::string withoutClockLines(std::string_view text) {
  std::string kept;
  for (size_t i = 0; i < text.size();) {
    const size_t clock = clockLineLength(text, i);
    if (clock > 0) {
      i += clock;
    } else {
      kept += text[i++];
    }
  }
  return kept;
}

class TapSession {
 public:
  // Starts the terminal in its directory of `world` once the clock file
  // holds `clock`, and waits until it shows that clock and prompts.
  static std::unique_ptr<TapSession> metro(const World& world, int station,
                                           const std::string& clock,
                                           const ProgramOptions& options = {}) {
    return std::make_unique<TapSession>(world, "metro_terminal", "Metro",
                                        std::vector<std::string>{std::to_string(station)}, clock,
                                        options);
  }
  static std::unique_ptr<TapSession> bus(const World& world, const std::string& clock,
                                         const ProgramOptions& options = {}) {
    return std::make_unique<TapSession>(world, "bus_terminal", "Bus", std::vector<std::string>{},
                                        clock, options);
  }

  // Starts the terminal on the clock a running settlement writes, and waits
  // until it shows a clock and prompts.
  static std::unique_ptr<TapSession> onRunningClock(const World& world, const std::string& program,
                                                    const std::string& dir,
                                                    const std::vector<std::string>& args = {}) {
    return std::make_unique<TapSession>(world, program, dir, args, std::nullopt);
  }

  // With `clock`, the clock file is set to it first and the terminal must
  // show it; without, any clock line will do.
  TapSession(const World& world, const std::string& program, const std::string& dir,
             const std::vector<std::string>& args, const std::optional<std::string>& clock,
             const ProgramOptions& options = {})
      : world_(world) {
    if (clock) world_.setClock(*clock + "\n");
    program_ = std::make_unique<Program>(programPath(program), args, world.dir(dir), options);
    const auto shown = program_->waitFor(clock ? clockLineFor(*clock) : "2014/ ", 10s);
    const auto prompt = program_->waitFor(kPrompt, 10s);
    EXPECT_TRUE(shown && prompt) << program_->output();
    promptEnd_ = prompt.value_or(0);
  }

  // Types `command` and returns what was printed before the next prompt.
  std::string tap(const std::string& command) {
    type(command);
    return tapOutput();
  }

  // The two halves of tap, for a test that acts while the tap is in hand.
  void type(const std::string& command) {
    command_ = command;
    program_->write(command + "\n");
  }
  std::string tapOutput() {
    const size_t from = promptEnd_;
    const auto next = program_->waitFor(kPrompt, 10s, from);
    if (!next) {
      ADD_FAILURE() << "no prompt after \"" << command_ << "\":\n" << program_->output();
      return "";
    }
    promptEnd_ = *next;
    const size_t promptLength = std::string(kPrompt).size();
    return withoutClockLines(program_->output().substr(from, *next - promptLength - from));
  }

  // Rewrites the clock file and waits until the terminal shows the new clock.
  void setClock(const std::string& clock) {
    const size_t from = program_->outputSize();
    world_.setClock(clock + "\n");
    EXPECT_TRUE(program_->waitFor(clockLineFor(clock), 10s, from)) << program_->output();
  }

  Program& program() { return *program_; }

 private:
  const World& world_;
  std::unique_ptr<Program> program_;
  size_t promptEnd_ = 0;
  std::string command_;
};

// The console lines of a charged tap at each terminal.
inline std::string metroCharged(int fee, int balance) {
  return "Cardfile Write !\nReadefile Write!\nFEE : " + std::to_string(fee) +
         "\nVALANCE : " + std::to_string(balance) + "\n";
}
inline std::string busCharged(int fee, int balance) {
  return "FEE : " + std::to_string(fee) + "\nVALANCE : " + std::to_string(balance) +
         "\nCardfile Write !\nReadefile Write!\n";
}
