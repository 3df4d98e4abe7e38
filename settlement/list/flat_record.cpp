#include "settlement/list/flat_record.h"

std::string journeyIdText(const JourneyIdRef& id) {
  using namespace flat_record_detail;
  if ((id.word & FlatRecord::kSpilled) != 0) {
    return std::string(id.spill + spilledAt(id.word), spilledLength(id.word));
  }
  std::string text;
  for (int shift = 60; shift >= 4; shift -= 4) {
    const uint64_t code = (id.word >> shift) & 0xF;
    if (code > kLineFeedCode) break;
    text += code == kLineFeedCode ? '\n' : static_cast<char>('0' + code);
  }
  return text;
}
