// Numbers on the command line are decimal: "0x2", "0b11", "010" or "1e3" for a count are usage
// errors, as any other text that is not a number, instead of being read in another base.
#pragma once

#include <CLI/CLI.hpp>

// A whole decimal number within [minimum, maximum].
CLI::Validator decimalRange(int minimum, int maximum);
// A decimal number, with a fraction or without, within [minimum, maximum].
CLI::Validator decimalRange(double minimum, double maximum);
// A decimal number, with a fraction or without, whose range the command checks itself.
CLI::Validator decimalNumber();
