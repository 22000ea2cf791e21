// Naming the output file: the input's name with "_(new)" and the format's ending, in the output
// folder or beside the input, numbered "_(new_1)", "_(new_2)" ... while the name is taken.
#pragma once

#include <functional>
#include <string>

namespace mirelk::form {

// The output name before its "_(new)" mark and ending: beside the input (the input's path
// without its extension) when the folder is kSameAsInput, else in the folder. A folder without
// a trailing "/" gets one; an empty folder gives a name without a folder.
std::string OutputBaseName(const std::string& outputFolder, const std::string& inputFile);

// Base "_(new)" ending, or, while that name is taken, the first of Base "_(new_N)" ending with
// N = 1, 2, 3 ... that is not.
std::string FreeOutputName(const std::string& base, const std::string& ending,
                           const std::function<bool(const std::string&)>& taken);

// True when anything (a file, a folder, a link even if it leads nowhere) has the name: writing
// there would replace it or go where the link leads.
bool NameInUse(const std::string& path);

}  // namespace mirelk::form
