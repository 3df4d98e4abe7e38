// Console output for programs whose threads print independently. Every call
// reaches standard output as one piece and is flushed at once, so pipes and
// scripts see each line (and a prompt without a line end) as it happens. A
// write that fails (a closed pipe, a file-size limit) loses that output
// only: the next one is tried afresh.
#pragma once

#include <string_view>

void consoleWrite(std::string_view text);

// The same for standard error: one line saying what went wrong.
void errorWrite(std::string_view text);

// printf-style formatting, then consoleWrite.
void consolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Makes a write past a file-size limit fail (EFBIG) instead of ending the
// program: SIGXFSZ is ignored. Every program calls it first thing in main.
void ignoreFileSizeSignal();

// Makes failed writes fail instead of ending the program: SIGPIPE (a reader
// that went away) and SIGXFSZ (a file-size limit) are ignored. A program
// that must outlive its console calls it first thing in main.
void ignoreFailedWriteSignals();
