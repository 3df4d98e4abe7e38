#include "audit/ledger.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(AuditLedger, CardsPayTheBalanceDropOfEachRecordAfterTheFirstByItsTransport) {
  TransportSums charged;
  CardLedger card(charged);
  for (const char* line : {"000000000000,NEW,OUT,10000,00", "201412050008,BUS,IN,8950,61",
                           "201412050016,BUS,OUT,8950,62", "garbage",
                           "201412050024,METRO,IN,8950,62", "201412050032,METRO,OUT,8350,62",
                           "201412050040,BUS,IN,-1050,63", "201412050048,TRAM,IN,-1100,64"}) {
    card.line(line);
  }
  EXPECT_EQ(charged, (TransportSums{1050 + 9400, 600, 50}));
  EXPECT_EQ(card.unreadable(), 1u);

  TransportSums fees;
  LogLedger log(fees);
  for (const char* line : {"201412050008,BUS,IN,1050,61", "", "201412050032,METRO,OUT,600,62",
                           "201412050040,BUS,IN,9400,63", "201412050048,TRAM,IN,50,64"}) {
    log.line(line);
  }
  EXPECT_EQ(fees, (TransportSums{10450, 600, 50}));
  EXPECT_EQ(log.unreadable(), 1u);
}
