// Pictures are kept in the source as text, one string per row and one
// character per pixel: '#' dark, '.' light. Each string becomes a frame row
// word (bit x = column x) while the program is compiled.
#pragma once

#include <cstdint>

namespace murlo {

// A row must be exactly 32 characters wide (the array size checks that) and
// hold nothing but '#' and '.' (anything else stops the compiler here).
consteval std::uint32_t pixel_row(const char (&text)[33]) {
    std::uint32_t word = 0;
    for (int x = 0; x < 32; ++x) {
        if (text[x] == '#')
            word |= std::uint32_t{1} << x;
        else if (text[x] != '.')
            throw "a picture row holds only '#' (dark) and '.' (light)";
    }
    return word;
}

}  // namespace murlo
