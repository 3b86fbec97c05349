#include "servoctl/DecimalRange.h"

#include <regex>

namespace {

CLI::Validator decimalWithin(const CLI::Validator& range, const std::regex& pattern, const std::string& kind)
{
    return CLI::Validator(
        [range, &pattern, kind](std::string& text) -> std::string {
            if (!std::regex_match(text, pattern))
                return "\"" + text + "\" is not " + kind;
            return range(text);
        },
        range.get_description());
}

}  // namespace

CLI::Validator decimalRange(int minimum, int maximum)
{
    static const std::regex whole("[+-]?[0-9]+");
    return decimalWithin(CLI::Range(minimum, maximum), whole, "a whole decimal number");
}

CLI::Validator decimalRange(double minimum, double maximum)
{
    static const std::regex number("[+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)([eE][+-]?[0-9]+)?");
    return decimalWithin(CLI::Range(minimum, maximum), number, "a decimal number");
}
