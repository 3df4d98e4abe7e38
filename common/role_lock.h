// One process per role: one terminal per metro station, one bus terminal,
// one settlement per world. A role is an exclusive flock on its lock file,
// taken at start and held for the life of the process; the kernel lets go
// of it however the process ends, a kill included. The holder writes its
// process id into the file, so that a second process can say who holds it.
#pragma once

#include <optional>
#include <string>

// nullopt when the role is now this process's; otherwise why not, as the
// end of a sentence: "held by process 1234" or the lock file's error.
std::optional<std::string> claimRole(const std::string& lockPath);
