// The scripted day the demo plays: the cards it provisions, the terminals
// it starts, and its scenes, each a heading and the taps that show it, and
// the lines it prints them with. Plain values and plain text, no I/O.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "common/files/world_layout.h"
#include "world_tool/world_commands.h"

inline constexpr std::array<FirstCard, 4> kDemoCards = {
    {{"1111", "10000"}, {"2222", "10000"}, {"3333", "10000"}, {"4444", "500"}}};

struct DemoTerminal {
  std::string_view name;  // as the tap lines name it: "metro0"
  const char* program;
  const char* dir;
  const char* station;  // its argument; null for the bus
};

inline constexpr std::array<DemoTerminal, 3> kDemoTerminals = {{
    {"bus", "bus_terminal", kBusDir, nullptr},
    {"metro0", "metro_terminal", kMetroDir, "0"},
    {"metro3", "metro_terminal", kMetroDir, "3"},
}};

// The programs the demo runs, the settlement first.
inline constexpr const char* kDemoSettlement = "settlement_fast";
inline constexpr std::array<const char*, 3> kDemoPrograms = {kDemoSettlement, "bus_terminal",
                                                             "metro_terminal"};

struct DemoTap {
  int ticksBefore = 0;  // clock ticks let pass before the tap
  std::string_view terminal;
  std::string_view card;
  std::string_view direction;

  std::string command() const { return std::string(card) + " " + std::string(direction); }
};

struct DemoScene {
  std::string_view heading;
  std::vector<DemoTap> taps;
};

const std::vector<DemoScene>& demoScenes();

// "  [00:08 metro0] 1111 IN    FEE : 1050 | VALANCE : 8950": a tap at the
// time its record was stamped with, and the lines its terminal printed.
std::string tapLine(std::string_view when, std::string_view terminal, std::string_view command,
                    std::string_view printed);

// Every line of `text` after `indent`.
std::string indented(std::string_view text, std::string_view indent);
