// The two record writers of a charged tap: one record appended to the card
// file ("../customer/<card>.txt") and one to the terminal's trip log. Both
// stamp the terminal clock, write the terminal's transport word and the
// tap's direction, and either continue the last record's journey id or write
// a new one, each by its own continuation test from the terminal profile.
// The card writer advances the journey count when it writes a new journey
// id; the trip log writer uses the count as it stands.
#pragma once

#include <mutex>

// Serialises appending to the trip log with its periodic removal.
extern std::mutex trip_log_mutex;

// Appends the card record of the tap in cinfo (column 4: the new balance).
void cardFileWriter();
// Appends the trip log record of the tap in cinfo (column 4: the fee).
void readerFileWriter();

// Call the writer when `flag` is non-zero.
void cardWriteController(int flag);
void readerWriteController(int flag);
