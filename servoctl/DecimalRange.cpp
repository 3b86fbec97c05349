#include "servoctl/DecimalRange.h"

#include <regex>

namespace {

const std::regex wholeNumber("[+-]?[0-9]+");
const std::regex anyNumber("[+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)([eE][+-]?[0-9]+)?");
// Refused in every number: the command line's parser reads a whole number "010" as octal 8.
const std::regex leadingZeros("([+-]?)0+([0-9].*)");

// The text must match pattern, then pass range.
CLI::Validator decimalWithin(const CLI::Validator& range, const std::regex& pattern, const std::string& kind)
{
    return CLI::Validator(
        [range, &pattern, kind](std::string& text) -> std::string {
            if (!std::regex_match(text, pattern))
                return "\"" + text + "\" is not " + kind;
            if (std::regex_match(text, leadingZeros))
                return "\"" + text + "\" starts with a zero: write " + std::regex_replace(text, leadingZeros, "$1$2");
            return range(text);
        },
        range.get_description());
}

}  // namespace

CLI::Validator decimalRange(int minimum, int maximum)
{
    return decimalWithin(CLI::Range(minimum, maximum), wholeNumber, "a whole decimal number");
}

CLI::Validator decimalRange(double minimum, double maximum)
{
    return decimalWithin(CLI::Range(minimum, maximum), anyNumber, "a decimal number");
}

CLI::Validator decimalNumber()
{
    const CLI::Validator anything([](std::string&) { return std::string(); }, "");
    return decimalWithin(anything, anyNumber, "a decimal number");
}
