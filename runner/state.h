// A runner's state as bytes: the save states of the libretro core, and the
// head of a suspended game's snapshot. A header ("MURLOST" and a version
// digit, the version again as a number, the size), the Game field by field
// (game/state.h), then the runner's own fixed fields, then a racing
// ghost's (its game and its place), all little-endian. Always state_bytes
// long, as libretro requires of its states. States of version 2, which
// had no ghost, are read too.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/state.h"
#include "runner/runner.h"

namespace murlo {

constexpr char state_magic[7] = {'M', 'U', 'R', 'L', 'O', 'S', 'T'};
constexpr std::uint32_t state_version = 3;
constexpr std::uint32_t oldest_state_version = 2;  // the last without a ghost
constexpr std::size_t state_header_bytes = 8 + 4 + 4;
constexpr std::size_t runner_field_bytes = 8 + 8 + 8 + 4 + 8 + 4 * lcd_size + 1 + 8 + 1 + 1 + 1 + 1 + 4 + 8 + 1;
constexpr std::size_t ghost_field_bytes = game_bytes + 8 + 8 + 4 + 1 + 1 + 1 + 1;
constexpr std::size_t state_bytes = state_header_bytes + game_bytes + runner_field_bytes + ghost_field_bytes;
// The bytes of a state of `version` (0 for none this game reads).
constexpr std::size_t state_bytes_of(std::uint32_t version) {
    return version == state_version ? state_bytes
           : version == oldest_state_version ? state_bytes - ghost_field_bytes
                                             : 0;
}

// Writes state_bytes bytes.
void save_state(const Runner& r, std::uint8_t* out);

// What kind of bytes a state is, before anything in it is believed.
enum class StateKind { Good, Foreign, OtherVersion, Damaged };

// Goes on from a state: nullptr when taken, else why it was refused, with
// the runner untouched: not a state of this game at all (another size or
// header), one of another version, or one no run could have left (a game
// that breaks the invariants, a field out of range, a place past the end
// of the runner's script). `kind` says which, when given.
// A snapshot's state goes on without the script it may have been played
// from (`without_script`): the player plays, and the state's place in a
// script is not asked about.
const char* load_state(Runner& r, const std::uint8_t* data, std::size_t size, StateKind* kind = nullptr,
                       bool without_script = false);

}  // namespace murlo
