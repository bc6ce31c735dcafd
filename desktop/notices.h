// What a desktop game says about data files it found but could not wholly
// use (a damaged skin, a sound that is not a WAV, one cut short): one line on
// stderr per file, once for the whole run, so a sound played at every dig
// is named once. A file that is simply not there is said nothing about: the
// game is meant to run without any of them.
#pragma once

#include <cstdint>
#include <cstdio>

namespace murlo::desktop {

// The names already spoken of, kept by the host that speaks: up to 32;
// once it is full it answers false, so a game would rather say too little
// than repeat itself.
struct Notices {
    static constexpr int capacity = 32;
    std::uint64_t seen[capacity] = {};  // a hash of each name
    int count = 0;
};

// True the first time `notices` is asked about `name` (compared by its
// text), false after that.
bool first_time(Notices& notices, const char* name);

// Writes "murlo: ", the printf-style text and a line break to `out`.
void say(std::FILE* out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace murlo::desktop
