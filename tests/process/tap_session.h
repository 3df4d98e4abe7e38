// A terminal program under test, driven one tap at a time: each tap returns
// exactly what the terminal printed for it (up to the next prompt), with
// the once-a-second clock lines taken out.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/program.h"
#include "support/tap_output.h"
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

// What a terminal printed for each of its commands, in order, the clock
// lines taken out: the text between one prompt and the next (a terminal
// prints each answer together with the prompt that follows it).
inline std::vector<std::string> answersIn(std::string_view output) {
  std::vector<std::string> answers;
  const std::string_view prompt = kPrompt;
  for (size_t at = output.find(prompt); at != std::string_view::npos;) {
    const size_t from = at + prompt.size();
    at = output.find(prompt, from);
    if (at != std::string_view::npos) {
      answers.push_back(withoutClockLines(output.substr(from, at - from)));
    }
  }
  return answers;
}

// A terminal given all of `commands` at once, its input closed after them,
// once the clock file holds `clock`: what it printed for each command, read
// when it has exited. A terminal reads its clock file before its first
// command and answers each command before the next, so this needs no wait
// per tap.
inline std::vector<std::string> pipedTaps(const World& world, const std::string& program,
                                          const std::string& dir,
                                          const std::vector<std::string>& args,
                                          const std::string& clock,
                                          const std::vector<std::string>& commands) {
  world.setClock(clock + "\n");
  Program terminal(programPath(program), args, world.dir(dir));
  std::string input;
  for (const std::string& command : commands) input += command + "\n";
  terminal.write(input);
  terminal.closeInput();
  EXPECT_EQ(terminal.waitExit(10s), 0) << terminal.output();
  EXPECT_TRUE(terminal.waitOutputEnd(10s)) << terminal.output();
  std::vector<std::string> answers = answersIn(terminal.output());
  EXPECT_EQ(answers.size(), commands.size()) << terminal.output();
  answers.resize(commands.size());
  return answers;
}
inline std::vector<std::string> pipedMetroTaps(const World& world, int station,
                                               const std::string& clock,
                                               const std::vector<std::string>& commands) {
  return pipedTaps(world, "metro_terminal", "Metro", {std::to_string(station)}, clock, commands);
}
inline std::vector<std::string> pipedBusTaps(const World& world, const std::string& clock,
                                             const std::vector<std::string>& commands) {
  return pipedTaps(world, "bus_terminal", "Bus", {}, clock, commands);
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
  // show it; without, any clock line will do. (The terminal reads the clock
  // file before it prompts; the first prompt is found by the first tap.)
  TapSession(const World& world, const std::string& program, const std::string& dir,
             const std::vector<std::string>& args, const std::optional<std::string>& clock,
             const ProgramOptions& options = {})
      : world_(world) {
    if (clock) world_.setClock(*clock + "\n");
    program_ = std::make_unique<Program>(programPath(program), args, world.dir(dir), options);
    EXPECT_TRUE(program_->waitFor(clock ? clockLineFor(*clock) : "2014/ ", 10s))
        << program_->output();
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
    // The answer runs from the prompt before to the next; the first tap's
    // from the first prompt.
    const size_t promptLength = std::string(kPrompt).size();
    const bool first = promptEnd_ == 0;
    const auto next = program_->waitForTimes(kPrompt, first ? 2 : 1, 10s, promptEnd_);
    if (!next) {
      ADD_FAILURE() << "no prompt after \"" << command_ << "\":\n" << program_->output();
      return "";
    }
    const size_t from = first ? program_->output().find(kPrompt) + promptLength : promptEnd_;
    promptEnd_ = *next;
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
