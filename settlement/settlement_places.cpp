#include "settlement/settlement_places.h"

#include "common/world_layout.h"

SettlementPlaces programPlaces() {
  return {kProgramWorldRoot, "archive"};
}
