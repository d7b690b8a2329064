// The answers to what the chip asked in a block of its display output (the interpreter's
// outbox): the queries for the time, the date and the palette value, and the 512-byte blocks of
// the prepared file.  The main loop sends them after the block, in the order the chip asked.
//
// A query's answer is its text and CR.  A file block is the 512 bytes at block x 512 of
// PreparedFile (zeros past its end; a negative block reads from the start), then their sum as
// signed bytes in a 32-bit little-endian word, in two writes; while it goes out the mouse's
// moves are not reported, and afterwards MsMoveOff follows Normal-Terminal Mode.  Without a
// prepared file that can be read the chip gets nothing.
// May touch: app.port, app.SendBuffer, app.settings.MsMoveOff, app.interpreter.questions; reads
// the clock, the palette and PreparedFile.
#pragma once

#include <string>

#include "app/AppState.h"

namespace tavolin {

inline constexpr std::size_t kFileBlockSize = 512;

// Answers and empties app.interpreter.questions.
void AnswerQuestions(AppState& app);

// The texts of the queries, for the local time given.
long long SecondsSince1970(const LocalDateTime& t);
std::string FormatTime(const LocalDateTime& t);
std::string FormatDate(const LocalDateTime& t);

}  // namespace tavolin
