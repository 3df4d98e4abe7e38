// What the passenger sees after a tap: "Lack!" for a refusal, or the fee and
// the balance left ("FEE : %d" and "VALANCE : %d"). Built as text, so that a
// tap's whole output goes to the console in one write.
#pragma once

#include <string>

// kind 0: lack_Display; kind 1: card_Display; any other kind: nothing.
std::string display(int kind, int fee, int balance);
std::string lack_Display();
std::string card_Display(int fee, int balance);
