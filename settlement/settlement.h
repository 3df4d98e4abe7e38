// The settlement program's start-up: what it needs before it may start,
// and the four threads of its two hand-off loops (hand_off_loops.h), which
// it starts.
#pragma once

// main: refuses to start, with one line on standard error, without ../Bus
// and ../Metro beside it or while another settlement holds the world
// (status 2), or when the world's statement and its state cannot be trusted
// (status 1); then builds the empty trip list, starts time_setter,
// time_writer, reader and distribute_Controller with the given collection
// period and waits on them for ever. SIGINT or SIGTERM ends the process
// promptly with status 0, prints nothing and leaves no temporary clock file,
// whatever a write is doing. main ignores SIGPIPE and SIGXFSZ before
// anything else (ignoreFailedWriteSignals, console.h).
int settlementMain(int collectionPeriodMs);
