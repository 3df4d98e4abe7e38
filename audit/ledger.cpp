#include "audit/ledger.h"

#include "common/record_format.h"

void TransportSums::add(std::string_view transport, long long amount) {
  if (transport == kBusTransport) {
    bus += amount;
  } else if (transport == kMetroTransport) {
    metro += amount;
  } else {
    other += amount;
  }
}

void CardLedger::line(std::string_view line) {
  const auto record = splitRecord(line);
  if (!record) {
    ++unreadable_;
    return;
  }
  const long long balance = recordAmount(record->amount);
  if (seenFirst_) charged_.add(record->transport, balance_ - balance);
  seenFirst_ = true;
  balance_ = balance;
}

void LogLedger::line(std::string_view line) {
  const auto record = splitRecord(line);
  if (!record) {
    ++unreadable_;
    return;
  }
  fees_.add(record->transport, recordAmount(record->amount));
}
