#include "audit/ledger.h"

#include <algorithm>

#include "common/formats/record_format.h"

void TransportSums::add(std::optional<Operator> op, long long amount) {
  if (!op) {
    other += amount;
  } else if (*op == kBusOperator) {
    bus += amount;
  } else {
    metro += amount;
  }
}

FeeRecord feeOf(const TripRecord& record) {
  return {record.time_key, record.op, record.inout, record.fee};
}

void CardLedger::line(std::string_view line) {
  const CardEntry entry = history_.next(line);
  const RecordColumns& record = entry.columns;
  switch (entry.kind) {
    case CardEntryKind::kNoRecord:
      noRecordLines_.push_back(entry.line);
      break;
    case CardEntryKind::kProvisioning:
      break;
    case CardEntryKind::kTopUp:
      if (entry.amount < 0) strayCredits_.push_back({entry.line, entry.amount});
      toppedUp_ += entry.amount;
      ++topUps_;
      break;
    case CardEntryKind::kOtherCredit:
      strayCredits_.push_back({entry.line, entry.amount});
      break;
    case CardEntryKind::kCharge:
      charged_({timeKey(record.time), operatorOf(record.transport),
                isEntry(record.direction) ? 1 : 0, entry.amount});
      break;
  }
}

void FeeMatching::charged(const FeeRecord& record, size_t card) {
  records_[record].cards.push_back(card);
}

void FeeMatching::logged(const FeeRecord& record, size_t file) {
  records_[record].files.push_back(file);
}

void FeeMatching::held(const FeeRecord& record) {
  ++records_[record].held;
}

FeeMatching::Unpaired FeeMatching::unpaired() const {
  Unpaired left;
  for (const auto& [record, sources] : records_) {
    const std::vector<size_t>& cards = sources.cards;
    const std::vector<size_t>& files = sources.files;
    // Held records pair with the charges no other record pairs with.
    const size_t paired = std::min(cards.size(), files.size() + sources.held);
    for (size_t i = paired; i < cards.size(); ++i) left.byCard[cards[i]] += record.fee;
    for (size_t i = cards.size(); i < files.size(); ++i) left.byFile[files[i]] += record.fee;
  }
  return left;
}
