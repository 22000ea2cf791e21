// Option text, as every caller hands it to a task: one option a line, "name=value" or a bare
// name. The command line reads it with the same rules as the engine, so that what it makes of
// a line is what the engine applies.
#pragma once

#include <string>
#include <vector>

namespace mirelk {

struct TOptionLine {
    std::string name;
    std::string value;
};

// The text without blanks and control characters at either end.
std::string TrimBlanks(const std::string& text);

// The lines of an option text, first to last. Blanks and control characters at the ends of the
// whole text go; a line ends at CR LF, a lone CR or a lone LF (so an empty line inside the text
// is a line with an empty name). A line is split at its first "=": the value is everything after
// it ("metadata=title=A=B" has the value "title=A=B"); a line without one is a name with an
// empty value. Names and values keep their blanks: in "b = 1000" the name is "b ".
std::vector<TOptionLine> OptionLines(const std::string& text);

}  // namespace mirelk
