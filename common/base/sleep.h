// The millisecond sleep the programs pace themselves with.
#pragma once

void Sleep(int milliseconds);
