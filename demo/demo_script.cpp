#include "demo/demo_script.h"

const std::vector<DemoScene>& demoScenes() {
  static const std::vector<DemoScene> scenes = {
      {"a metro trip across two distance classes (station 0 to 3): 1050 in, 200 surcharge",
       {{0, "metro0", "1111", "IN"}, {2, "metro3", "1111", "OUT"}}},
      {"a metro trip out at the station of entry: 1050 in, nothing out",
       {{0, "metro3", "2222", "IN"}, {1, "metro3", "2222", "OUT"}}},
      {"a bus trip: 1050 in, nothing out", {{0, "bus", "3333", "IN"}, {2, "bus", "3333", "OUT"}}},
      {"the same card goes on by metro within 120 minutes: free entry, transfer exit 600",
       {{1, "metro0", "3333", "IN"}, {2, "metro3", "3333", "OUT"}}},
      {"card 1111 changes from the metro to the bus within 120 minutes: free both ways",
       {{0, "bus", "1111", "IN"}, {1, "bus", "1111", "OUT"}}},
      {"a card with 500 left is refused at the gate", {{0, "metro0", "4444", "IN"}}},
  };
  return scenes;
}

std::string tapLine(std::string_view when, std::string_view terminal, std::string_view command,
                    std::string_view printed) {
  constexpr int kCommandWidth = 10;
  std::string head = "  [" + std::string(when) + " " + std::string(terminal) + "] ";
  head += command;
  if (command.size() < kCommandWidth) head.append(kCommandWidth - command.size(), ' ');
  return head + " " + std::string(printed) + "\n";
}

std::string indented(std::string_view text, std::string_view indent) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    end = end == std::string_view::npos ? text.size() : end + 1;
    out += indent;
    out += text.substr(at, end - at);
    at = end;
  }
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out;
}
