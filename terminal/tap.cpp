#include "terminal/tap.h"

#include <utility>

#include "common/files/world_layout.h"
#include "terminal/console_texts.h"

TapLoad parser(const TapCommand& command, std::string_view defaultRecord) {
  CardLookup lookup = lookUpCard(cardFilePath(command.card), defaultRecord);
  switch (lookup.status) {
    case LookupStatus::OpenFailed:
      return {std::nullopt, kFileOpenFailedText};
    case LookupStatus::ReadError:
      return {std::nullopt, kCardfileReadErrorText};
    case LookupStatus::Found:
      break;
  }
  TapLoad load{Tap{std::move(lookup.records), {}, std::move(lookup.held)}, {}};
  load.tap->cinfo().card = command.card;
  load.tap->cinfo().tap_inout = command.tap_inout;
  return load;
}
