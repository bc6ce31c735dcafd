#include "runner/ghost.h"

#include <algorithm>
#include <memory>

#include "cycle/cycle.h"
#include "runner/headless.h"
#include "runner/runner.h"
#include "screens/status.h"

namespace murlo {

namespace {

constexpr std::uint64_t tick_us = std::uint64_t{tick_ms} * 1000;
constexpr std::uint64_t blink_us = 4 * frame_wait_ticks * tick_us;  // four frames on, four off

// Where a digger is in the well, in board pixels from the top of its first
// board: a row of depth is 8, and its place within the row on top.
std::int32_t depth_pixels(const Game& g) { return 8 * g.depth + (g.player_y - 4) % 8; }

bool blink_on(const Runner& r) { return r.state.clock_us / blink_us % 2 == 0; }

}  // namespace

bool read_ghost(const runs::Script& run, std::int32_t expected_depth, GhostRun& ghost, std::string& problem) {
    const auto r = std::make_unique<Runner>();
    r->drawing = false;
    GhostRun found, beginning;
    std::int32_t games = 0;
    play_headless(*r, run, [&](const Runner& played) {
        const Outcome o = played.calls.outcome;
        if (o == Outcome::TitleLeft) {
            ++games;
            beginning.first_game = games == 1;
            beginning.start_polls = played.state.script_polls;
            beginning.start = played.state.game;
        }
        const bool frame = o == Outcome::Frame || o == Outcome::LevelDone || o == Outcome::Died || o == Outcome::Won;
        if (frame && played.state.game.depth > found.depth) {
            found = beginning;
            found.depth = played.state.game.depth;
        }
    });
    if (found.depth == 0) {
        problem = "its run reaches no depth";
        return false;
    }
    if (expected_depth >= 0 && found.depth < expected_depth) {
        problem = "its run reaches depth " + std::to_string(found.depth) + ", not " + std::to_string(expected_depth);
        return false;
    }
    ghost = found;
    return true;
}

void set_ghost(Runner& r, runs::Script run, const GhostRun& ghost) {
    r.ghost_run = std::move(run);
    GhostState& g = r.state.ghost;
    g = GhostState{};
    g.present = true;
    g.polls = ghost.start_polls;
    g.depth = ghost.depth;
    g.game = ghost.start;
    r.ghost_place = runs::place_after(r.ghost_run, g.polls);
}

void ghost_follows(Runner& r, std::uint64_t at) {
    GhostState& g = r.state.ghost;
    if (!g.present || g.running || g.over) return;
    g.running = true;
    g.due_us = at;
}

bool ghost_due(const Runner& r, std::uint64_t& due) {
    const GhostState& g = r.state.ghost;
    if (!g.present || !g.running || g.over) return false;
    due = g.due_us;
    return true;
}

void advance_ghost(Runner& r) {
    GhostState& g = r.state.ghost;
    const std::uint64_t at = g.due_us;
    InputBits keys = 0;
    if (awaits_poll(g.game)) {
        if (g.game.phase != Phase::Play || !runs::next_poll(r.ghost_run, r.ghost_place, keys)) {
            g.over = true;  // its run ran out: it stands where it stopped
            return;
        }
        ++g.polls;
    }
    Calls calls;
    advance(g.game, keys, calls, false);
    g.due_us = at;
    for (int i = 0; i < calls.count; ++i)
        if (calls.call[i].kind == Call::Kind::Wait) g.due_us = at + calls.call[i].ticks * tick_us;
    if (calls.outcome == Outcome::Died || calls.outcome == Outcome::Won) {
        g.over = true;
        g.ended = calls.outcome;
    }
}

bool ghost_shown(const Runner& r) {
    const GhostState& g = r.state.ghost;
    return g.present && g.running && r.state.game.phase == Phase::Play;
}

LcdFrame with_ghost(const Runner& r, const LcdFrame& shown) {
    LcdFrame f = shown;
    if (!ghost_shown(r) || !blink_on(r)) return f;
    const Game& player = r.state.game;
    const Game& ghost = r.state.ghost.game;
    const int x = 16 + ghost.player_x - player.player_x;
    const int y = 16 + depth_pixels(ghost) - depth_pixels(player);
    // The player's digger stays as it is, whatever lies over it.
    const auto mine = [](int px, int py) { return px >= 12 && px < 20 && py >= 12 && py < 20; };
    const auto flip = [&](int px, int py) {
        if (px < 0 || px >= lcd_size || py < 0 || py >= lcd_size || mine(px, py)) return;
        f.row[py] ^= std::uint32_t{1} << px;
    };
    if (y + 4 <= 0 || y - 4 >= lcd_size) {
        // Out of sight: a pixel at the edge it lies beyond, in its column.
        const int px = std::clamp(x, 0, lcd_size - 1), py = y < 16 ? 0 : lcd_size - 1;
        f.row[py] ^= std::uint32_t{1} << px;
        return f;
    }
    const Sprite8& sprite = ghost.facing >= Facing::Down
                                ? player_down_sprite
                                : player_sprites[2 * static_cast<int>(ghost.facing) + (ghost.player_x & 1)];
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column)
            if (sprite_pixel(sprite, column, row)) flip(x - 4 + column, y - 4 + row);
    return f;
}

std::string ghost_words(const Runner& r) {
    const GhostState& g = r.state.ghost;
    if (!g.present || !g.running) return {};
    if (g.over) return g.ended == Outcome::Won ? "GHOST WON" : g.ended == Outcome::Died ? "GHOST DIED" : "GHOST STOP";
    const std::int32_t ahead = g.game.depth - r.state.game.depth;
    return "GHOST " + std::string(ahead < 0 ? "-" : "+") + std::to_string(ahead < 0 ? -ahead : ahead);
}

std::uint64_t ghost_blink_change(const Runner& r) {
    if (!ghost_shown(r)) return never;
    return (r.state.clock_us / blink_us + 1) * blink_us;
}

}  // namespace murlo
