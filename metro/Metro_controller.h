// The metro terminal: its station number, clock and fare controller.
#pragma once

#include "terminal/time_info.h"

extern int identifier;
extern TerminalClock mtime;

void Calculate_Controller(void*);
