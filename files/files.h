// Files a program keeps between runs (the best depth, a game kept
// as the game closes): opened by their wide names on Windows, and written
// whole, so that a crash or a full disk never leaves one half written.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace murlo::files {

// The file at `path`, opened to read or to write, in binary. On Windows by
// its wide name: a user's folder may be named in any script, and a narrow
// name would reach only the characters of the system's code page.
std::FILE* open_file(const std::filesystem::path& path, bool write);

// Writes `bytes` as the whole of the file at `path`, making its folder: a
// temporary file beside it, handed to the disk, then renamed over the old
// one. False with the reason; the old file is then as it was.
bool write_whole_file(const std::filesystem::path& path, std::string_view bytes, std::string& why);

}  // namespace murlo::files
