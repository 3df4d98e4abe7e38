// Writes a world of trip logs for measuring the settlement:
//
//   settlement_world DIR RECORDS [HAND_OVERS_PER_LOG]
//
// (realistic_world.h). The settlement then runs in DIR/Settlement.
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "realistic_world.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    fprintf(stderr, "usage: settlement_world DIR RECORDS [HAND_OVERS_PER_LOG]\n");
    return 2;
  }
  WorldShape shape;
  shape.records = atoll(argv[2]);
  shape.handOversPerLog = argc == 4 ? atoi(argv[3]) : 0;
  try {
    writeRealisticWorld(argv[1], shape);
  } catch (const std::exception& error) {
    fprintf(stderr, "settlement_world: %s\n", error.what());
    return 1;
  }
  return 0;
}
