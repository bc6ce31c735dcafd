// The deepest depth a player has reached, kept between runs in a small text
// file of its own (the number and a line break). Where the file lives is
// each desktop game's choice; reading and writing it are the same for both.
#pragma once

#include <cstdint>
#include <filesystem>

namespace murlo::desktop {

// The best depth in the file at `path`: 0 when there is none. A file that is
// there but cannot be read or holds no depth (a whole number 0..1000, then
// at most a line break) is named in one line on stderr and counts as 0; the
// next write replaces it.
std::int32_t read_best(const std::filesystem::path& path);

// Keeps the larger of `depth` and what the file holds at this moment, so two
// games running at once each keep the larger on write. The folder is made
// when missing; the number goes to a temporary file beside the real one,
// which then takes its place in one rename, so a crash or a full disk never
// leaves a broken file. Returns the depth now kept, or -1 when it could not
// be written (said in one line on stderr, once a run: `said` is set then
// and kept by the caller; the old file stays as it was).
std::int32_t write_best(const std::filesystem::path& path, std::int32_t depth, bool& said);

}  // namespace murlo::desktop
