// Walking, falling and counting depth.
#include "board/board.h"
#include "game/game.h"
#include "game/player.h"

namespace murlo {

std::int8_t player_x = 0;
std::int32_t player_y = 0;
Facing facing = Facing::Right;

namespace {

// Pixel to cell: plain integer division, so -1 lands in cell 0 (only ever
// asked for at the left wall, where the wall refuses the move first).
std::int8_t cell_of(int pixel) { return static_cast<std::int8_t>(pixel / 8); }

bool is_open(std::uint8_t kind) { return kind == Empty || kind == Crumbling; }
bool is_fall_through(std::uint8_t kind) { return kind <= Air; }
bool is_footing(std::uint8_t kind) { return kind >= Hard; }

}  // namespace

void move_player() {
    const int x = player_x;
    const std::int32_t y0 = player_y;

    // Arriving centred on a column ends any walk.
    if ((x + 4) % 8 == 0) facing = Facing::Down;

    // Only a player with a block underfoot can steer; Left is read last so
    // it wins when both keys are held.
    if (is_footing(get_kind(cell_of(x), cell_of(y0 + 4)))) {
        if (cur_input & input::Right) facing = Facing::Right;
        if (cur_input & input::Left) facing = Facing::Left;
    }

    // The probe is always the cell the player is entering.
    switch (facing) {
        case Facing::Right:
            if (x < 60 && is_open(get_kind(cell_of(x + 4), cell_of(y0))))
                player_x = static_cast<std::int8_t>(x + 1);
            break;
        case Facing::Left:
            if (x > 4 && is_open(get_kind(cell_of(x - 5), cell_of(y0))))
                player_x = static_cast<std::int8_t>(x - 1);
            break;
        case Facing::Down:
            if (is_fall_through(get_kind(cell_of(x), cell_of(y0 + 4)))) player_y = y0 + 2;
            break;
    }

    // One more row of depth each time the centre reaches a new row's middle.
    if ((player_y - 4) / 8 != (y0 - 4) / 8) ++depth;
}

}  // namespace murlo
