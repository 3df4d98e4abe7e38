#include "terminal/tap_display.h"

#include <cstdio>

#include "terminal/console_texts.h"

std::string display(int kind, int fee, int balance) {
  if (kind == 0) return lack_Display();
  if (kind == 1) return card_Display(fee, balance);
  return "";
}

std::string lack_Display() {
  return kLackText;
}

std::string card_Display(int fee, int balance) {
  char text[64];
  const int length = snprintf(text, sizeof text, kFeeFormat, fee, balance);
  return std::string(text, static_cast<size_t>(length));
}
