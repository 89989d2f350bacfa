#pragma once
// Numbers written with the program's fixed patterns ("0.00", "0.000", "0000.000", "00"):
// at least `minIntDigits` integer digits, exactly `decimals` decimals, halves rounded away
// from zero, and no minus sign on a value that prints as zero.
#include <string>

namespace tqx {

std::string formatFixed(double value, int decimals, int minIntDigits = 1);

}  // namespace tqx
