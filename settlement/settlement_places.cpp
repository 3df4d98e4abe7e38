#include "settlement/settlement_places.h"

#include "common/files/world_layout.h"

SettlementPlaces programPlaces() {
  return {kProgramWorldRoot, "archive"};
}
