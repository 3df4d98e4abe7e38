// One process per role: one terminal per metro station, one bus terminal,
// one settlement per world. A role is an abstract unix socket name, bound
// for the life of the process and built from the world root's device and
// inode and the role's name. No file operation can take it away (removing
// or replacing a lock file changes nothing), and the kernel lets go of it
// however the process ends, a kill included.
//
// The holder also writes its process id into the role's lock file, so that
// a person can see who holds it; a second process names the holder from
// the socket's peer, or from the lock file when the peer cannot say.
#pragma once

#include <optional>
#include <string>

#include "common/problem.h"

// nullopt when `role` in the world at `worldRoot` is now this process's;
// otherwise why not, as the end of a sentence: "held by process 1234" or
// "not available: <what>: <error>" (for a lock file the program cannot
// write, followed by what to do about it).
std::optional<Problem> claimRole(const std::string& worldRoot, const std::string& role,
                                 const std::string& lockPath);
