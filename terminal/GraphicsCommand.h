// The graphics command (code 5) carried out on the screen: drawing with the pen, the pixel test,
// scrolling and the text cursor.  The queries and the host request never get here (the parser
// hands them over as actions of their own).
#pragma once

#include "terminal/DisplayParser.h"

namespace tavolin {

struct TerminalContext;

// Performs the command's operation; the pixel test leaves its answer in the outbox (ReplyByte).
void GraphicsCommand(TerminalContext& app, GraphicsBytes command);

}  // namespace tavolin
