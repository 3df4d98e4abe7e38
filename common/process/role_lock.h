// One process per role: one terminal per metro station, one bus terminal,
// one settlement per world, whichever user or network namespace starts the
// second. A role is held by two claims the kernel keeps for the life of the
// process and lets go however it ends, a kill included:
//
// - A write lock of the open file (F_OFD_SETLK, F_WRLCK) on the whole of
//   the role's lock file, kept open. File locks are seen from every
//   namespace. A write lock needs the file open for writing, so only a
//   process that may write the lock file can take one. A read lock, which
//   would stand in its way, is no holder's (holders take write locks only):
//   a lock file found read-locked is removed and made anew. A lock file is
//   made readable and writable only by those who may write its directory,
//   so that no one else can open it at all. After locking, the claimant
//   checks that the path still names the file it locked (same device and
//   inode), and tries again if not.
// - An abstract unix socket name, made of the world root's device and
//   inode and the role, bound for as long as the lock. No file operation
//   can take it away: a second process of the holder's network namespace,
//   started after the holder's lock file was removed or replaced, takes the
//   new file's lock but finds the name bound, and is refused when the
//   process bound to it may write the lock file's directory (its
//   credentials, held against the directory's owner, group and mode).
//   Anyone can bind a name: one bound by a process that may not write
//   there is no holder's and is passed over, the lock holding the role.
//
// The role has two lock files, the second beside the first with a dot
// before its name (".settlement.lock"), both held the same way, the first
// always taken first: a lock file removed while its holder runs still
// stands in a claimant's way through the other.
//
// So no user who cannot write the world can keep a role from being taken,
// and a second holder is refused from any network namespace while either
// lock file stays, and from the holder's own while neither does.
//
// The holder writes its process id into the lock file, so that a person
// can see who holds it; a second process names the holder from the lock
// file, or from the socket's peer.
#pragma once

#include <string>

#include "common/base/problem.h"

// Done when `role` in the world at `worldRoot` is now this process's;
// otherwise why not, as the end of a sentence: "held by process 1234"
// (Kind::kBusy) or "not available: <what>: <error>" (for a lock file the
// program cannot write, followed by what to do about it).
Result<void> claimRole(const std::string& worldRoot, const std::string& role,
                       const std::string& lockPath);
