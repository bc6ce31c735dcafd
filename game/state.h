// The Game as bytes: every field in turn, little-endian, whatever the
// machine, its compiler's padding left out. The runner's save states and
// the snapshots of a suspended game begin with this; reading one back is
// checked with check_invariants (game/invariants.h) before it is used.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/game.h"

namespace murlo {

// A cursor over bytes being written; the caller makes the room.
struct ByteWriter {
    std::uint8_t* at;
    void u8(std::uint8_t v) { *at++ = v; }
    void u16(std::uint16_t v) { u8(static_cast<std::uint8_t>(v)), u8(static_cast<std::uint8_t>(v >> 8)); }
    void u32(std::uint32_t v) { u16(static_cast<std::uint16_t>(v)), u16(static_cast<std::uint16_t>(v >> 16)); }
    void u64(std::uint64_t v) { u32(static_cast<std::uint32_t>(v)), u32(static_cast<std::uint32_t>(v >> 32)); }
};

// A cursor over bytes being read; the caller checks the length first.
struct ByteReader {
    const std::uint8_t* at;
    std::uint8_t u8() { return *at++; }
    std::uint16_t u16() {
        const std::uint16_t low = u8();
        return static_cast<std::uint16_t>(low | u8() << 8);
    }
    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | std::uint32_t{u16()} << 16;
    }
    std::uint64_t u64() {
        const std::uint64_t low = u32();
        return low | std::uint64_t{u32()} << 32;
    }
};

// The bytes a Game takes.
constexpr std::size_t game_bytes = 2 * board_cells + 1 + 4 + 2 * group_capacity + 1 + board_rows  // the well
                                   + 4 * lcd_size                                                  // the frame
                                   + 1 + 4 + 1 + 1 + 1 + 4 + 4 + 1 + 4 + 4 + 1 + 1 + 2 + 4 * speck_count;

void write_game(ByteWriter& out, const Game& g);
// Any bytes read into a Game; whether the game is one the rules can make
// is check_invariants' to say. Enumerations out of range stay as read.
void read_game(ByteReader& in, Game& g);

}  // namespace murlo
