#include "terminal/tap_display.h"

#include "common/console.h"
#include "terminal/console_texts.h"
#include "terminal/terminal.h"

void display(int kind) {
  if (kind == 0) lack_Display();
  if (kind == 1) card_Display();
}

void lack_Display() {
  consoleWrite(kLackText);
}

// Both lines go out as one piece, so the clock line never splits them.
void card_Display() {
  consolePrintf(kFeeFormat, cinfo.fee, cinfo.balance);
}
