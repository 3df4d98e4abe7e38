// What a terminal prints for a charged tap: the metro confirms both records
// before it shows fee and balance, the bus shows them first.
#pragma once

#include <string>

inline std::string metroCharged(int fee, int balance) {
  return "Cardfile Write !\nReadefile Write!\nFEE : " + std::to_string(fee) +
         "\nVALANCE : " + std::to_string(balance) + "\n";
}
inline std::string busCharged(int fee, int balance) {
  return "FEE : " + std::to_string(fee) + "\nVALANCE : " + std::to_string(balance) +
         "\nCardfile Write !\nReadefile Write!\n";
}
