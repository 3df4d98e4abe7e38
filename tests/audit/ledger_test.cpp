#include "audit/ledger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(AuditLedger, CardsPayTheBalanceDropOfEachRecordAfterTheFirstAndTopUpsAreCredits) {
  TransportSums charged;
  std::vector<FeeRecord> charges;
  CardLedger card([&](const FeeRecord& charge) {
    charged.add(charge.op, charge.fee);
    charges.push_back(charge);
  });
  for (const char* line :
       {"000000000000,NEW,OUT,10000,00", "201412050008,BUS,IN,8950,61",
        "201412050016,BUS,OUT,8950,62", "garbage", "201412050024,METRO,IN,8950,62",
        "201412050032,METRO,OUT,8350,62", "201412050040,BUS,IN,-1050,63",
        "201412050048,TRAM,IN,-1100,64", "201412050050,TOPUP,IN,3900,64",
        "201412050052,BUS,IN,2850,65", "201412050054,METRO,IN,4000,65",
        "201412050056,TOPUP,IN,3000,65", "201412050058,TOPUP,IN,5000,65"}) {
    card.line(line);
  }
  EXPECT_EQ(charged, (TransportSums{1050 + 9400 + 1050, 600, 50}));
  EXPECT_EQ(card.noRecordLines(), std::vector<size_t>{4});
  ASSERT_EQ(charges.size(), 7u);
  EXPECT_EQ(charges[0], (FeeRecord{12050008, kBusOperator, 1, 1050}));
  EXPECT_EQ(charges[3], (FeeRecord{12050032, kMetroOperator, 0, 600}));
  // Top-ups credit the card and are no charge; a credit made by any other
  // record, and a top-up that takes money off, are named by their line.
  EXPECT_EQ(card.topUps(), 3u);
  EXPECT_EQ(card.toppedUp(), 5000 - 1000 + 2000);
  EXPECT_EQ(card.strayCredits(), (std::vector<CardLedger::Credit>{{11, 1150}, {12, -1000}}));
}

// Each charge pairs with one trip log record of the same tap: a record
// twice in the logs, or a charge on two cards with one record, leaves one
// unpaired, and the leftovers are summed where they are.
TEST(AuditLedger, ChargesPairWithOneTripLogRecordEach) {
  const FeeRecord in{12050008, kBusOperator, 1, 1050};
  const FeeRecord out{12050016, kMetroOperator, 0, 600};
  FeeMatching matching;
  matching.charged(in, 0);
  matching.charged(out, 0);
  matching.charged(in, 1);
  matching.logged(in, 0);
  matching.logged(out, 0);
  matching.logged(out, 1);
  matching.logged({12050024, kMetroOperator, 1, 1250}, 1);
  const FeeMatching::Unpaired unpaired = matching.unpaired();
  EXPECT_EQ(unpaired.byCard, (std::map<size_t, long long>{{1, 1050}}));
  EXPECT_EQ(unpaired.byFile, (std::map<size_t, long long>{{1, 600 + 1250}}));
}
