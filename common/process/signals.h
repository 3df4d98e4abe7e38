// The process's signals: a set of them, blocked for a thread and the
// threads it starts, waited for, taken when one waits, or caught by a
// handler. The programs handle signals through these and make no signal
// call of their own.
#pragma once

#include <signal.h>

#include <initializer_list>
#include <optional>

// The set of the signals `numbers`.
sigset_t signalSet(std::initializer_list<int> numbers);

// Blocks `signals` for the calling thread and every thread it starts
// afterwards.
void blockSignals(const sigset_t& signals);

// Waits until one of `signals` (blocked) comes; its number.
int awaitSignal(const sigset_t& signals);

// One of `signals` (blocked) that waits, taken; nullopt when none waits.
std::optional<int> takeWaitingSignal(const sigset_t& signals);

// Gives each of `numbers` its default action back (a shell starts its
// background jobs with SIGINT ignored).
void restoreDefaultActions(std::initializer_list<int> numbers);

// Calls `handler` when one of `numbers` comes.
void catchSignals(std::initializer_list<int> numbers, void (*handler)(int));
