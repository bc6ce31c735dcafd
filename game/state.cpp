#include "game/state.h"

namespace murlo {

void write_game(ByteWriter& out, const Game& g) {
    const Well& w = g.well;
    for (const std::uint8_t cell : w.board.cell) out.u8(cell);
    for (const std::uint8_t timer : w.board.fall_timer) out.u8(timer);
    out.u8(static_cast<std::uint8_t>(w.fall_delay));
    out.u32(w.rng_state);
    for (const GroupEntry& e : w.group_list.entry) out.u8(e.column), out.u8(e.row);
    out.u8(static_cast<std::uint8_t>(w.group_count));
    for (const std::uint8_t mask : w.support_mask) out.u8(mask);
    for (const std::uint32_t row : g.lcd.row) out.u32(row);
    out.u8(static_cast<std::uint8_t>(g.player_x));
    out.u32(static_cast<std::uint32_t>(g.player_y));
    out.u8(static_cast<std::uint8_t>(g.facing));
    out.u8(g.cur_input);
    out.u8(g.prev_input);
    out.u32(static_cast<std::uint32_t>(g.air));
    out.u32(static_cast<std::uint32_t>(g.depth));
    out.u8(g.blink_counter);
    out.u32(static_cast<std::uint32_t>(g.depth_shown));
    out.u32(static_cast<std::uint32_t>(g.depth_show_frames));
    out.u8(static_cast<std::uint8_t>(g.phase));
    out.u8(static_cast<std::uint8_t>(g.closing));
    out.u16(g.closing_step);
    for (const std::uint32_t seed : g.speck_seed) out.u32(seed);
}

void read_game(ByteReader& in, Game& g) {
    Well& w = g.well;
    for (std::uint8_t& cell : w.board.cell) cell = in.u8();
    for (std::uint8_t& timer : w.board.fall_timer) timer = in.u8();
    w.fall_delay = static_cast<std::int8_t>(in.u8());
    w.rng_state = in.u32();
    for (GroupEntry& e : w.group_list.entry) {
        e.column = in.u8();
        e.row = in.u8();
    }
    w.group_count = static_cast<std::int8_t>(in.u8());
    for (std::uint8_t& mask : w.support_mask) mask = in.u8();
    for (std::uint32_t& row : g.lcd.row) row = in.u32();
    g.player_x = static_cast<std::int8_t>(in.u8());
    g.player_y = static_cast<std::int32_t>(in.u32());
    g.facing = static_cast<Facing>(in.u8());
    g.cur_input = in.u8();
    g.prev_input = in.u8();
    g.air = static_cast<std::int32_t>(in.u32());
    g.depth = static_cast<std::int32_t>(in.u32());
    g.blink_counter = in.u8();
    g.depth_shown = static_cast<std::int32_t>(in.u32());
    g.depth_show_frames = static_cast<std::int32_t>(in.u32());
    g.phase = static_cast<Phase>(in.u8());
    g.closing = static_cast<Closing>(in.u8());
    g.closing_step = in.u16();
    for (std::uint32_t& seed : g.speck_seed) seed = in.u32();
}

}  // namespace murlo
