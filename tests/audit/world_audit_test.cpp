// The audit over small worlds: one that reconciles, and one change each
// that it must notice, named in a sentence with a positive amount.
#include "audit/world_audit.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "common/files/file_handle.h"
#include "common/formats/settlement_book.h"
#include "support/world.h"

namespace fs = std::filesystem;

namespace {

const std::string kHeader(kStatementHeader);
const std::string kLine1 = "1,201412050010,0,0,0,0,0\n";
const std::string kLine2 = "2,201412050020,2,1050,0,1050,0\n";

FileIdentity identityOf(const World& world, const std::string& relative) {
  const FileDescriptor file =
      openRegular((world.root() / relative).string(), O_RDONLY).value_or(FileDescriptor());
  return fileIdentity(file.get()).value();
}

// Card 1111 paid 1050 on the bus and 1050 in the metro. The bus fee was
// settled by cycle 2 from a hand-over file; the metro fee waits in a live log.
void baseWorld(const World& world) {
  world.putCard("1111",
                "000000000000,NEW,OUT,10000,00\n201412050008,BUS,IN,8950,61\n"
                "201412050016,BUS,OUT,8950,61\n201412050024,METRO,IN,7900,01\n");
  const std::string handOver = "201412050008,BUS,IN,1050,61\n201412050016,BUS,OUT,0,61\n";
  world.put("Bus/busfile.txt.1", handOver);
  world.put("Metro/Metrofile0.txt", "201412050024,METRO,IN,1050,01\n");
  SettlementState state;
  state.statementLength = static_cast<off_t>(kHeader.size() + kLine1.size());
  state.line = *parseStatementLine(kLine2.substr(0, kLine2.size() - 1));
  state.lines.add(kLine1.substr(0, kLine1.size() - 1));
  state.cursor[identityOf(world, "Bus/busfile.txt.1")].key = keyOf(handOver);
  world.put("settlement.state", encodeState(state));
  world.put("statement.csv", kHeader + kLine1 + kLine2);
}

void append(const World& world, const std::string& relative, const std::string& text) {
  world.put(relative, world.get(relative) + text);
}

}  // namespace

TEST(WorldAudit, DifferencesAreNamedAndAnyMakesTheWorldUnreconciled) {
  struct Case {
    const char* change;
    std::function<void(const World&)> apply;
    const char* says;             // null: reconciled
    const char* shows = nullptr;  // a line of the report besides the differences
  };
  const std::vector<Case> cases = {
      {"none", [](const World&) {}, nullptr},
      {"a kill left the last line half written",
       [](const World& w) { w.put("statement.csv", kHeader + kLine1 + kLine2.substr(0, 5)); },
       nullptr},
      {"the last line duplicated", [](const World& w) { append(w, "statement.csv", kLine2); },
       "statement.csv holds 31 bytes after its last line"},
      {"the first line duplicated",
       [](const World& w) { w.put("statement.csv", kHeader + kLine1 + kLine1 + kLine2); },
       "statement.csv holds 25 bytes after its last line"},
      {"a line's cycle changed",
       [](const World& w) { w.put("statement.csv", kHeader + "3" + kLine1.substr(1) + kLine2); },
       "statement.csv line 2 holds cycle 3 where cycle 1 belongs"},
      {"an over-long line in a hand-over file",
       [](const World& w) {
         append(w, "Bus/busfile.txt.1",
                std::string(71, 'x') + "201412050040,BUS,IN,1050,63,xxxxxxxxxxxxxxxxxxxxxxxxxxx\n");
       },
       "1050 in Bus/busfile.txt.1 was charged to no card"},
      {"fees in a stray file name",
       [](const World& w) {
         w.put("Metro/Metrofile0.txt.1x", w.get("Metro/Metrofile0.txt"));
         fs::remove(w.root() / "Metro/Metrofile0.txt");
       },
       "1050 in Metro/Metrofile0.txt.1x is in a file the settlement never reads"},
      {"a trip log removed", [](const World& w) { fs::remove(w.root() / "Metro/Metrofile0.txt"); },
       "1050 charged to card 1111 is in no trip log"},
      {"a settled file cut",
       [](const World& w) { fs::resize_file(w.root() / "Bus/busfile.txt.1", 27); },
       "Bus/busfile.txt.1 no longer begins with the 54 bytes settled of it (cut or rewritten)"},
      {"a settled file renamed",
       [](const World& w) {
         fs::rename(w.root() / "Bus/busfile.txt.1", w.root() / "Bus/busfile.txt.2");
       },
       nullptr},
      {"a settled file rewritten alike",
       [](const World& w) {
         const std::string text = w.get("Bus/busfile.txt.1");
         fs::remove(w.root() / "Bus/busfile.txt.1");
         w.put("Bus/busfile.txt.1", text);
       },
       nullptr},
      {"a statement line edited at its length",
       [](const World& w) {
         w.put("statement.csv", kHeader + "1,201412050011,0,0,0,0,0\n" + kLine2);
       },
       "statement.csv line 2 is not the line the settlement wrote for cycle 1"},
      {"a settled record archived twice",
       [](const World& w) {
         fs::create_directory(w.root() / "Settlement/archive");
         w.put("Settlement/archive/busfile.txt.1", w.get("Bus/busfile.txt.1"));
       },
       "1050 of BUS that the trip logs hold as settled is not in statement.csv"},
      {"the statement without its state",
       [](const World& w) { fs::remove(w.root() / "settlement.state"); },
       "statement.csv has lines but"},
      {"a top-up",
       [](const World& w) { append(w, "customer/1111.txt", "201412050030,TOPUP,IN,12900,01\n"); },
       nullptr, "card 1111 was topped up 5000 (1 top-up)\n"},
      {"a credit by a record that is no top-up",
       [](const World& w) { append(w, "customer/1111.txt", "201412050030,METRO,OUT,12900,01\n"); },
       "5000 credited to card 1111 on line 5 is neither a provisioning nor a top-up"},
      {"a top-up that takes money off",
       [](const World& w) { append(w, "customer/1111.txt", "201412050030,TOPUP,IN,7000,01\n"); },
       "900 taken from card 1111 by the top-up on line 5"},
      {"lines that hold no record",
       [](const World& w) {
         append(w, "customer/1111.txt", "garbage\n");
         append(w, "Metro/Metrofile0.txt", "x\n" + std::string(150, 'y') + "\n");
       },
       nullptr,
       "customer/1111.txt line 5 holds no record (not counted)\n"
       "Metro/Metrofile0.txt lines 2, 3 hold no record (not counted)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.change);
    World world;
    baseWorld(world);
    c.apply(world);
    const WorldAudit audit = auditWorld(world.root());
    const std::string report = auditReport(audit);
    EXPECT_EQ(audit.reconciled(), c.says == nullptr) << report;
    if (c.says != nullptr) {
      EXPECT_NE(report.find(c.says), std::string::npos) << report;
    }
    if (c.shows != nullptr) {
      EXPECT_NE(report.find(c.shows), std::string::npos) << report;
    }
  }
}
