// The bus terminal: its clock and fare controller.
#pragma once

#include "terminal/time_info.h"

extern TerminalClock btime;

void Calculate_Controller(void*);
