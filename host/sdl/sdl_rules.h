// The few decisions of the SDL game that need no window system beyond the
// window rules it shares with the Windows game: which video drivers show
// nothing, the fallback outline as pixels and where data files are found.
#pragma once

#include <cstddef>
#include <cstdint>

#include "handheld/handheld.h"

namespace murlo::desktop {

// Whether SDL's video driver of that name puts nothing on any screen (the
// stand-ins SDL falls back on when there is no display).
bool shows_nothing(const char* video_driver);

// Whether window pixel (x, y) lies in the rounded-rectangle outline.
bool in_fallback_outline(int x, int y);

// The name under which the skin or a sound is found: `name` itself when the
// working directory holds it, else `exe_dir` + "../share/murlo/" + name
// (exe_dir ends with a slash, or is null when unknown). Writes the path into
// `out` and returns true, or returns false when neither place has it.
bool find_data_file(const char* name, const char* exe_dir, char* out, std::size_t out_size);

}  // namespace murlo::desktop
