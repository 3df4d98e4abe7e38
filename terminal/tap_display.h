// What the passenger sees after a tap: "Lack!" for a refusal, or the fee and
// the balance left ("FEE : %d" and "VALANCE : %d") from cinfo.
#pragma once

// kind 0: lack_Display; kind 1: card_Display; any other kind: nothing.
void display(int kind);
void lack_Display();
void card_Display();
