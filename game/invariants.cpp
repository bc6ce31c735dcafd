// The reasons behind each rule, step by step through a frame:
//
// - break_and_crumble clears Check on every block it visits, so between
//   that pass and the drops no block has Check; support then sets Loose.
//   A block gets Check again only by arriving from a drop (which clears
//   Loose) or by a dig (which sets Doomed with it). Hence no Hard block
//   is Loose and Check, and a Soft one only when also Doomed.
// - Cracked is set only on Hard blocks (a dig) and on Crumbling cells;
//   a kind changes with its flags kept only towards Crumbling and Empty.
//   Air is never dug with Check nor searched as a group.
// - A cell turns Crumbling carrying Doomed (and Cracked for a cracked Hard
//   block, Loose if it was loose). Each visit moves Doomed to Check, Check
//   to Cracked, and Cracked to Empty: Doomed+Cracked becomes Empty with
//   Check, Cracked alone Empty with nothing. Those Empty cells keep Loose.
// - A drop leaves an Empty cell with the mover's flags but Loose; movers
//   are loose blocks (no Check), loose Crumbling cells and loose Empty
//   cells (which never carry Doomed after the breaking pass).
// - Loose is set with timer 0 (or kept at D after a drop) and counted up
//   the same frame; at D+8 the block drops, clearing Loose. Row 29 is never
//   Loose. Cells without Loose get 0 (fresh, vacated, the Hard floor), D
//   (just arrived) or D-1 (landed).
#include "game/invariants.h"

#include "board/board.h"
#include "game/player.h"
#include "game/rules.h"

namespace murlo {

namespace {

constexpr unsigned loose = 1u << Loose;
constexpr unsigned cracked = 1u << Cracked;
constexpr unsigned check = 1u << Check;
constexpr unsigned doomed = 1u << Doomed;

bool valid_cell(std::uint8_t cell) {
    const unsigned flags = cell & 0x0Fu;
    switch (cell >> 4) {
        case Empty:
            return flags == 0 || flags == doomed || flags == cracked ||
                   flags == (doomed | cracked) || flags == check || flags == loose ||
                   flags == (loose | check);
        case Crumbling: {
            const unsigned stage = flags & ~loose;
            return stage == doomed || stage == check || stage == cracked ||
                   stage == (doomed | cracked);
        }
        case Air:
            return (flags & (cracked | check)) == 0;
        case Hard:
            return (flags & (loose | check)) != (loose | check);
        case Soft1:
        case Soft2:
        case Soft3:
        case Soft4:
            return (flags & cracked) == 0 && (flags & (loose | check | doomed)) != (loose | check);
        default:
            return false;
    }
}

const char* check_board(const Game& g) {
    const Board& board = g.well.board;
    const std::int8_t fall_delay = g.well.fall_delay;
    // After a level's last frame, while its result shows, and after the win
    // (until the next game), check_level_goal has lowered fall_delay once
    // more over the board it was played with.
    const bool lowered = g.closing == Closing::LevelDone || fall_delay == 14;
    const int delay = lowered ? fall_delay + 1 : fall_delay;
    for (int i = 0; i < board_cells; ++i) {
        const std::uint8_t cell = board.cell[i];
        if (!valid_cell(cell)) return "cell byte is not a kind and flags the rules make";
        const int timer = board.fall_timer[i];
        if (cell & loose) {
            if (i >= (board_rows - 1) * board_columns) return "Loose cell in the bottom row";
            if (timer < 1 || timer > delay + 7) return "fall timer of a Loose cell out of range";
        } else if (timer != 0 && timer != delay - 1 && timer != delay) {
            return "fall timer of a resting cell out of range";
        }
    }
    return nullptr;
}

bool neighbours(const GroupEntry& a, const GroupEntry& b) {
    const int dc = a.column - b.column;
    const int dr = a.row - b.row;
    return (dr == 0 && (dc == 1 || dc == -1)) || (dc == 0 && (dr == 1 || dr == -1));
}

// The search takes neighbours up, right, down, left.
int direction(const GroupEntry& from, const GroupEntry& to) {
    if (to.row < from.row) return 0;
    if (to.column > from.column) return 1;
    if (to.row > from.row) return 2;
    return 3;
}

const char* check_group_list(const Well& well) {
    const GroupList& group_list = well.group_list;
    const int examined = well.group_count;
    if (examined < 0 || examined >= group_capacity) return "group_count out of range";
    // Entries past the examined ones are either all unused (the whole group
    // was found) or all listed (the search stopped at the cap).
    int listed = examined;
    for (int i = examined; i < group_capacity; ++i)
        if (group_list.entry[i].column != 0 || group_list.entry[i].row != 0) listed = group_capacity;
    int last_parent = 0;
    int last_direction = -1;
    for (int i = 0; i < listed; ++i) {
        const GroupEntry& e = group_list.entry[i];
        if (e.column >= board_columns || e.row >= board_rows) return "group entry off the board";
        if (i == 0) continue;
        int parent = -1;
        for (int j = 0; j < i; ++j) {
            if (group_list.entry[j].column == e.column && group_list.entry[j].row == e.row)
                return "group entry listed twice";
            if (parent < 0 && neighbours(group_list.entry[j], e)) parent = j;
        }
        // Breadth-first: each cell is found by its earliest neighbour, which
        // was examined, and parents come in list order.
        if (parent < 0 || parent >= examined) return "group entry not next to an examined one";
        const int dir = direction(group_list.entry[parent], e);
        if (parent < last_parent || (parent == last_parent && dir <= last_direction))
            return "group entries out of search order";
        last_parent = parent;
        last_direction = dir;
    }
    return nullptr;
}

// A closing sequence runs for its reason, at a place within it: the result
// for any, the ending only after the win, the game-over wipe after a death
// or the win; a level ends at its multiple of 100, the win at 1000.
const char* check_phase(const Game& g) {
    switch (g.phase) {
        case Phase::Title:
        case Phase::Play:
            if (g.closing != Closing::Nothing || g.closing_step != 0) return "a closing sequence outside its phase";
            return nullptr;
        case Phase::Result:
            if (g.closing == Closing::Nothing || static_cast<int>(g.closing) > static_cast<int>(Closing::Won))
                return "a result with no reason";
            if (g.closing_step > result_length) return "closing_step past the result's end";
            break;
        case Phase::GameOver:
            if (g.closing != Closing::Died && g.closing != Closing::Won) return "a game-over wipe with no game over";
            if (g.closing_step > game_over_length) return "closing_step past the wipe's end";
            break;
        case Phase::Ending:
            if (g.closing != Closing::Won) return "an ending without the win";
            if (g.closing_step > ending_length) return "closing_step past the ending's end";
            break;
        default:
            return "phase out of range";
    }
    if (g.closing == Closing::LevelDone && (g.depth % 100 != 0 || g.depth == 0 || g.depth == 1000))
        return "a level done away from a level's end";
    if (g.closing == Closing::Won && g.depth != 1000) return "a win short of depth 1000";
    return nullptr;
}

}  // namespace

const char* check_invariants(const Game& g, std::int32_t previous_depth) {
    if (const char* broken = check_phase(g)) return broken;
    if ((g.cur_input | g.prev_input) & ~input::all) return "keys latched outside the five keys";
    if (const char* broken = check_board(g)) return broken;

    if (g.player_x < 4 || g.player_x > 60) return "player_x out of 4..60";
    if (g.player_y < 20 || g.player_y > 204 || g.player_y % 2 != 0) return "player_y not even in 20..204";
    if (static_cast<int>(g.facing) > static_cast<int>(Facing::Down)) return "facing out of range";

    if (g.air > air_full || g.air < -2029) return "air out of -2029..10000";

    const std::int32_t depth = g.depth;
    if (depth < 0 || depth > 1000) return "depth out of 0..1000";
    if (previous_depth >= 0 && (depth < previous_depth || depth > previous_depth + 1))
        return "depth fell or rose by more than one row";
    // Level n (1..10) plays with fall_delay 25 - n from depth 100 (n - 1);
    // the win lowers it once more.
    const int level = 25 - g.well.fall_delay;
    if (level < 1 || level > 11) return "fall_delay is no level's";
    if (depth < 100 * (level - 1) || depth > 100 * level) return "depth outside fall_delay's level";
    // A frame that reaches a level's last row with the player below row 3
    // ends the level there: in play, such a depth is a fresh board's top.
    if (g.phase == Phase::Play && depth % 100 == 0 && g.player_y > 28) return "a level's end passed by in play";

    return check_group_list(g.well);
}

}  // namespace murlo
