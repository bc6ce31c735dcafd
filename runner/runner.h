// The runner: everything between the game and the machine it runs on,
// written once for every host. It owns the Game and carries out its calls
// on a clock of its own; it plays a script and hands the game to the player
// when the script is used up; it records the run as a script, and traces
// it when asked; it pauses, keeps the title's pace and decides what counts
// for the best depth. It knows no platform: a host tells it what happened
// and when (keys held and let go, pause, the focus lost, hidden, shown) and
// what its clock reads, and it says what to show and play and when it
// wants to run again. A host is an adapter: keys, touches and pads in;
// pictures, sounds and wake-ups out.
//
// Time. A host stamps every event and run with its own clock, in
// microseconds from any moment. The runner moves its own clock to each
// event's time, carrying out what is due by then, before it applies the
// event: so a pause begins and ends exactly when it was asked for, however
// late the host got round to it, and a key counts from the moment it was
// pressed. The runner's clock counts the host's time while the game is
// neither paused nor hidden, a jump of more than a second (a machine
// asleep, a stalled tab) counting as one second, or as the wait the host
// was asked to sleep through when that is longer, and runs `speed` times
// as fast while a script is watched faster. A wait of n ticks lets nothing
// happen before n * 9 ms have passed since it began. A wait begins when
// the call before it came due, so a host that runs a little late does not
// slow the game down; one that runs more than late_limit_us late starts
// the wait that late.
//
// Keys. Each poll sees the keys held, and every key pressed since the last
// poll even when it was let go before it (a tap on a touch screen), so no
// press is lost between polls. A key pressed while paused goes on with the
// game, and counts so at the next poll.
//
// The title has no wait of its own: its passes come due one a millisecond
// from the moment it began, and the random source counts them, so the same
// key pressed the same time after the title began gives the same board on
// any host. The runner runs the passes that are due whenever it runs, so
// the host need wake only for the pictures, 15 a second at the most: every
// speck's place still shows, since a speck stays 100 ms on each row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "game/calls.h"
#include "game/game.h"
#include "lcd/lcd.h"
#include "runner/ghost.h"
#include "runs/script.h"

namespace murlo {

constexpr std::uint64_t title_pass_us = 1000;       // one title pass each millisecond
constexpr std::uint64_t title_picture_us = 66667;  // the title shows at most 15 pictures a second
constexpr std::uint64_t longest_jump_us = 1000000;  // a longer gap in the host's time counts as this,
                                                    // or as the wait it was asked to sleep through
constexpr std::uint64_t late_limit_us = 20000;      // a host this late moves the game's time on
constexpr std::uint64_t never = ~std::uint64_t{0};

constexpr std::int8_t no_sound = -1;

// What a save state holds: the game and the runner's few fixed fields.
// Trivially copyable, so a state is a copy; runner/state.h writes it as a
// versioned byte string.
struct RunState {
    Game game;

    std::uint64_t clock_us;      // the runner's clock
    std::uint64_t due_us;        // when the next call is due: a wait's end, or the next title pass
    std::uint64_t title_start_us;  // when the title's first pass came due
    std::uint32_t title_passes;    // passes since then
    std::uint64_t picture_us;      // when the picture shown last changed

    LcdFrame shown;               // the frame presented last
    std::int8_t sound;            // the sound playing (a Sound), or no_sound
    std::uint64_t sound_start_us;  // when it began

    bool paused;
    InputBits resume_keys;  // keys pressed since the last poll: held at the player's next poll
    InputBits last_keys;    // the keys held, as the host last said

    bool counts;         // the game in play was begun by the player's keys
    std::int32_t best;   // the deepest depth of the player's games, as stored

    std::uint64_t script_polls;  // the polls the played script has answered
    bool script_done;            // it is used up (or there was none): the player plays

    GhostState ghost;  // a run raced beside the player's game (runner/ghost.h)
};

// What a run tells the host to do.
struct Report {
    bool picture;               // show the picture (runner_picture) again: it or the pause changed
    bool sound;                 // the sound changed: play runner.state.sound (or silence),
    std::uint64_t sound_at_us;  // ... this far into it
    bool best;                  // the best depth grew: store runner.state.best, show it
    bool ended;                 // the script is used up and the run ends with it
    bool level_done;            // a level was completed: a moment to keep the game
    bool game_over;             // a game ended, by a death or the win: nothing left to keep
    std::uint64_t wake_in_us;   // run again after this long (never: only when something happens)
};

// Something a host saw happen, at a time of its clock.
struct Event {
    enum class Kind : std::uint8_t {
        Keys,       // the game keys held are now `keys`; those newly held count as pressed
        Pause,      // P, Pause or a pad's Start: a game pauses, or a paused one goes on
        FocusLost,  // the window or page lost the focus: a game pauses
        Hidden,     // minimised, hidden or frozen: a game pauses, and time stands still
        Shown,      // shown again (as any key pressed says too): time runs again
    };
    Kind kind;
    InputBits keys = 0;
};

struct Runner {
    RunState state;
    Calls calls;  // the latest advance's, in order

    runs::Script script;  // played before the player takes over (empty: none)
    runs::ScriptPlace script_place;
    runs::Script ghost_run;  // the ghost's run, and its place in it
    runs::ScriptPlace ghost_place;
    bool end_with_script = false;  // the run ends when the script is used up (the replay tool)
    double speed = 1;              // how much faster the clock runs while a script is watched
    bool drawing = true;           // false: the game plays undrawn, for a verifier of its outcome

    runs::ScriptWriter writer;  // the recorded run: a script of every poll's keys
    std::string record;         // its complete tokens so far

    bool tracing = false;  // the trace of every call is kept in `trace`
    std::string trace;     // trace lines not yet taken by the host

    // The host's clock as last seen (none yet after a start or a load: the
    // next event or run sets it), and whether the host is hidden.
    bool host_seen = false;
    std::uint64_t host_us = 0;
    bool hidden = false;
    Report pending{};  // what events since the last run did, for its report

    // What the host was last told.
    bool told_picture = false;
    LcdFrame told_shown{};
    bool told_paused = false;
    std::int8_t told_sound = no_sound;
    std::uint64_t told_sound_start_us = 0;
};

// The program as it starts: the game started up, its title music begun,
// `script` to be played first (empty: none), the best depth as stored.
void start_runner(Runner& r, runs::Script script, std::int32_t best);

// `event` happened at `at_us` on the host's clock: the calls due by then
// are carried out first, then it is applied. What they did is reported by
// the next run.
void handle(Runner& r, std::uint64_t at_us, Event event);

// The host's clock reads `now_us`: the calls due by then are carried out,
// and the report says what to show, play and store (since the last run,
// events included), and when to run next.
Report run(Runner& r, std::uint64_t now_us);

// One advance now, whatever the time: a poll with `keys` (the script's
// while it lasts) or the next calls of a closing sequence. False, doing
// nothing, once the script is used up when the run ends with it. For
// headless play (runner/headless.h), which reads r.calls after each.
bool advance_once(Runner& r, InputBits keys);

// `polls` played now as the player's own, whatever the time: their calls
// carried out and recorded, the game they begin counting as the player's
// (the day's title passes and Z, from a fresh start).
void play_now(Runner& r, const runs::Script& polls);

// A game in play pauses, so that it comes back waiting for the player (a
// game kept for the next start); a paused one, or the title, stays as it is.
void hold(Runner& r);
// The player takes over from the script, at the game's own pace.
void take_over(Runner& r);
// The clock runs this much faster while the script is watched.
void set_speed(Runner& r, double speed);
// The best depth as storage now holds it (another game beside this one
// may have kept a deeper one).
void set_best(Runner& r, std::int32_t best);

// The picture to show: the frame presented last, with a racing ghost
// drawn over it; dimmed while paused.
LcdFrame runner_picture(const Runner& r);
inline bool paused(const Runner& r) { return r.state.paused; }
// A game or its closing pictures run: what a pause can hold.
inline bool in_game(const Runner& r) { return r.state.game.phase != Phase::Title; }
inline bool watching(const Runner& r) { return !r.state.script_done; }
// The depth of the game in play if it counts for the best depth, else -1:
// what a host keeps when the program closes in the middle of it.
std::int32_t depth_to_keep(const Runner& r);

// The recorded run as a complete script text (the last run of keys ended).
std::string recorded_script(const Runner& r);
// The trace lines so far, handed over: the runner keeps no copy.
std::string take_trace(Runner& r);
// The program closes: the trace's last line.
void close_trace(Runner& r);

}  // namespace murlo
