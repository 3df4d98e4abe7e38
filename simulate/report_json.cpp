#include "simulate/report_json.h"

#include <cstdio>

#include "driving/clock_follower.h"
#include "simulate/journey_report.h"

namespace {

std::string decimal(double value, int places) {
  char text[64];
  snprintf(text, sizeof text, "%.*f", places, value);
  return text;
}

std::string operators(const OperatorAmounts& a) {
  return "{\"BUS\": " + std::to_string(a[kBusOperator]) +
         ", \"METRO\": " + std::to_string(a[kMetroOperator]) + "}";
}

std::string lagObject(const LagSummary& lag) {
  return "\"p50\": " + std::to_string(lag.p50) + ", \"p99\": " + std::to_string(lag.p99) +
         ", \"max\": " + std::to_string(lag.max) + ", \"taps\": " + std::to_string(lag.count);
}

template <typename Map>
std::string counts(const Map& map) {
  std::string text = "{";
  for (const auto& [key, count] : map) {
    text += (text.size() > 1 ? ", " : "") + jsonString(key) + ": " + std::to_string(count);
  }
  return text + "}";
}

std::string strings(const std::vector<std::string>& list) {
  std::string text = "[";
  for (const std::string& item : list) text += (text.size() > 1 ? ", " : "") + jsonString(item);
  return text + "]";
}

}  // namespace

std::string jsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string reportJson(const DayReport& r) {
  const long long moved = movedToBus(r);
  const double cpu = r.driver.cpuSeconds() + r.children.cpuSeconds();
  std::string json = "{\n";
  auto add = [&](const std::string& key, const std::string& value) {
    json += "  " + jsonString(key) + ": " + value + ",\n";
  };
  add("riders", std::to_string(r.riders));
  add("from", jsonString(clockText(r.fromMinute)));
  add("hours", decimal(r.minutes / 60.0, 2));
  add("seed", std::to_string(r.seed));
  add("chaos_seconds", r.chaosSeconds ? decimal(*r.chaosSeconds, 2) : "null");
  add("world", jsonString(r.world));
  add("taps_planned", std::to_string(r.tapsPlanned));
  add("taps_answered", std::to_string(r.tapsAnswered));
  add("taps_charged", std::to_string(r.tapsCharged));
  add("commands_answered", std::to_string(r.commandsAnswered));
  add("mistyped", std::to_string(r.mistyped));
  add("refused", counts(r.refused));
  add("top_ups", "{\"count\": " + std::to_string(r.topUps) +
                     ", \"amount\": " + std::to_string(r.topUpAmount) + "}");
  add("fees_charged", operators(r.feesCharged));
  add("statement_fees", operators(r.statementFees));
  add("settled", operators(r.settled));
  add("transfer_revenue_moved", "{\"from\": " + jsonString(moved >= 0 ? "METRO" : "BUS") +
                                    ", \"to\": " + jsonString(moved >= 0 ? "BUS" : "METRO") +
                                    ", \"amount\": " + std::to_string(moved >= 0 ? moved : -moved) +
                                    "}");
  add("transfer_journeys", std::to_string(r.transferJourneys));
  add("apportionment", apportionmentJson(r.journeys));
  add("statement_cycles", std::to_string(r.statement.size()));
  add("kills", std::to_string(r.kills));
  add("kills_by_program", counts(r.killsOf));
  add("taps_resent", std::to_string(r.resentAfterKill));
  add("taps_found_on_card_after_kill", std::to_string(r.answeredByCard));
  add("taps_resent_after_time_read_error", std::to_string(r.resentAfterClockError));
  add("audit", r.auditRun && r.auditDifferences.empty() ? jsonString("reconciled")
                                                        : strings(r.auditDifferences));
  add("tap_lag_minutes", "{" + lagObject(r.lag) + ", \"morning_peak\": {\"from\": " +
                             jsonString(clockText(kMorningPeakFrom)) +
                             ", \"to\": " + jsonString(clockText(kMorningPeakTo)) + ", " +
                             lagObject(r.morningLag) + "}}");
  add("taps_per_second", decimal(r.tapsPerSecond, 1));
  add("taps_per_second_peak", std::to_string(r.peakTapsPerSecond));
  add("real_seconds", decimal(r.realSeconds, 1));
  add("play_seconds", decimal(r.playSeconds, 1));
  add("driver", "{\"cpu_seconds\": " + decimal(r.driver.cpuSeconds(), 2) +
                    ", \"cpu_share\": " + decimal(cpu > 0 ? r.driver.cpuSeconds() / cpu : 0, 3) +
                    ", \"peak_memory_mib\": " + decimal(r.driver.peakKib / 1024.0, 1) +
                    ", \"setup_cpu_seconds\": " + decimal(r.setupCpuSeconds, 2) + "}");
  add("programs_cpu_seconds", decimal(r.children.cpuSeconds(), 2));
  add("cut_short", r.cutShortBy != 0 ? jsonString(signalName(r.cutShortBy)) : "null");
  json += "  \"differences\": " + strings(r.differences) + "\n}\n";
  return json;
}
