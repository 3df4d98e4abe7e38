// How a record's transport names its operator: by its first three
// characters, "BUS" for the bus and "MET" (of "METRO") for the metro, so
// "BUSX" counts as the bus. A record whose transport names neither is no
// record: its fee would belong to nobody.
#pragma once

#include <string_view>

#include "settlement/settlement_constants.h"

inline constexpr size_t kTransportPrefix = 3;

// Whether `transport` begins with the first three characters of `word`.
inline bool namesTransport(std::string_view transport, std::string_view word) {
  return transport.substr(0, kTransportPrefix) == word.substr(0, kTransportPrefix);
}

inline bool namesAnOperator(std::string_view transport) {
  return namesTransport(transport, kBusTransport) || namesTransport(transport, kMetroTransport);
}
