// Whether a file can be the window's skin, judged from its header before
// any loader reads it: both desktop games refuse the same files, and a
// damaged one never reaches a loader that would read past its end.
#pragma once

#include <cstddef>
#include <cstdint>

namespace murlo::desktop {

// The first bytes of a skin file that check_skin_file reads: the file
// header and the largest info header there is.
constexpr std::size_t skin_head_bytes = 14 + 124;

// Whether a file can be the window's skin: a BMP that both desktop games
// read, 512 x 400 pixels (rows stored either way up), 1, 4, 8, 16, 24 or 32
// bits a pixel (run-length or bit-field packing where the format allows
// it), with its header, colour table and pixels all inside the file. `head`
// holds its first `head_size` bytes (skin_head_bytes, or the whole file when
// it is shorter) and `file_size` is its length. When it cannot be, writes
// why (a short phrase) into `why` and returns false. The Windows loader
// reads past the end of a file cut short and crashes under Wine; SDL's
// would make a 10000 x 10000 picture before anyone could look at its size.
bool check_skin_file(const std::uint8_t* head, std::size_t head_size, std::uint64_t file_size,
                     char* why, std::size_t why_size);

}  // namespace murlo::desktop
