// Digging: at most one dig per frame, chosen from the held arrow keys.
#include "board/board.h"
#include "game/game.h"
#include "game/host.h"
#include "game/player.h"
#include "game/rules.h"

namespace murlo {

namespace {

constexpr std::int32_t hard_dig_air = 2000;

// The directions in the order they are tried.
enum class Dig : std::uint8_t { Right, Left, Down, Up, None };

struct Target {
    std::int8_t column;
    std::int8_t row;
};

Target target_of(Dig dig, int x, std::int32_t y) {
    switch (dig) {
        case Dig::Right: return {cell_of(x + 4), cell_of(y)};
        case Dig::Left: return {cell_of(x - 5), cell_of(y)};
        case Dig::Down: return {cell_of(x), cell_of(y + 5)};
        default: return {cell_of(x), cell_of(y - 5)};
    }
}

InputBits key_of(Dig dig) {
    switch (dig) {
        case Dig::Right: return input::Right;
        case Dig::Left: return input::Left;
        case Dig::Down: return input::Down;
        default: return input::Up;
    }
}

}  // namespace

void player_dig() {
    const int x = player_x;
    const std::int32_t y = player_y;
    const bool centred = (x + 4) % 8 == 0;
    // A capsule underfoot counts as standing here, though not for steering.
    const bool standing = get_kind(cell_of(x), cell_of(y + 4)) >= Air;

    Dig chosen = Dig::None;
    for (std::uint8_t order = 0; order < 4; ++order) {
        const Dig dig = static_cast<Dig>(order);
        if (!(cur_input & key_of(dig))) continue;
        if (dig == Dig::Down && !centred) continue;
        if (!standing) continue;
        bool allowed = true;
        switch (dig) {
            case Dig::Right: allowed = x < player_x_max; break;
            case Dig::Left: allowed = x > player_x_min; break;
            case Dig::Down: break;
            default: {
                // A block above that has begun to slide down can no longer be dug.
                const Target t = target_of(dig, x, y);
                allowed = static_cast<int>(get_fall_timer(t.column, t.row)) <
                          static_cast<int>(fall_delay);
                break;
            }
        }
        if (allowed) {
            chosen = dig;
            break;
        }
    }
    if (chosen == Dig::None) return;

    // The chosen direction is spent even when there is nothing there to dig.
    const Target t = target_of(chosen, x, y);
    const std::uint8_t kind = get_kind(t.column, t.row);
    if (kind == Empty || kind == Crumbling) return;
    if (kind == Air) {
        collect_capsule(t.column, t.row);
        return;
    }
    if (kind == Hard) {
        // Each of the two digs needs its own press of the key.
        if (prev_input & key_of(chosen)) return;
        if (test_flag(t.column, t.row, Cracked)) {
            set_flag(t.column, t.row, Doomed);
            clear_flag(t.column, t.row, Cracked);
            air -= hard_dig_air;  // may leave the player short of air
            play_sound("down.wav");
        } else {
            set_flag(t.column, t.row, Cracked);
            play_sound("dig.wav");
        }
        return;
    }
    // An ordinary block: the breaking pass takes its whole group with it.
    set_flag(t.column, t.row, Doomed);
    set_flag(t.column, t.row, Check);
    play_sound("break.wav");
}

}  // namespace murlo
