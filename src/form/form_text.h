// Small text helpers of the option form: reading numbers out of edit texts the way the form's
// rules want them (a fallback for anything that is not a number) and tidying free texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mirelk::form {

// The text without leading and trailing blanks and control characters.
std::string Trimmed(std::string_view text);
std::string LowerCased(std::string_view text);
bool EqualsIgnoringCase(std::string_view left, std::string_view right);

// A decimal integer, optionally signed and surrounded by blanks, that fits in 32 bits; nothing
// for any other text.
std::optional<int> IntegerOf(std::string_view text);
int IntegerOr(std::string_view text, int fallback);
// 1000 times the integer of the text (kbit/s to bit/s); the fallback, also times 1000, when the
// text is not a number or the product does not fit in 32 bits.
int ThousandTimesOr(std::string_view text, int fallback);

// The text with every control character replaced by a blank: a text placed into option text must
// stay on its line, or its remainder would be read as further options.
std::string OnOneLine(std::string_view text);

}  // namespace mirelk::form
