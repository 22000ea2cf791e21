// Text files the command line reads whole (the list of --files-from, the --journal) and the
// pieces it cuts texts into.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace mirelk {

// Appends what is left of the stream to text. False when reading failed before the end.
bool ReadToEnd(std::FILE* stream, std::string& text);

// The pieces between the separators, empty ones included, so that the n-th piece is the n-th
// line of a text cut at line feeds; a separator at the very end starts no piece of its own.
std::vector<std::string> Pieces(const std::string& text, char separator);

}  // namespace mirelk
