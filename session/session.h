// A player's program around its runs, written once for every host: what
// it goes on with when it starts, what of the player's game it keeps and
// when, the best depth, and which of two programs running at once keeps
// the player's game. The session says what to read, write, remove or set
// aside, as the runner says what to show; the host's storage carries it
// out, with files, the browser's storage, or a frontend's save folder,
// and words what the session has to say.
//
// The rules:
// - A start with no script goes on with the game kept, if this program
//   keeps the player's games: paused, the best depth as stored, and the
//   trace of the run before it made again when traced. A kept game that
//   cannot go on is set aside for a bug report, named in one line, and the
//   game starts on the title. A start that plays a script (a run watched)
//   leaves the kept game where it is.
// - The player's own games are kept: those that count for the best depth.
//   Each is kept as it starts (in place of the one kept before), at each
//   level, after every checkpoint_us of play, and when the program closes
//   or is hidden; when it ends, nothing is left kept.
// - Only the program holding the host's lock keeps the player's games; a
//   second one keeps none, and says so once when it would have.
// - The best depth is read and checked at the start, and stored when a
//   game of the player's ends deeper, and when the program closes in the
//   middle of one: always the larger of it and what storage holds then
//   (another program may have kept a deeper one).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runner/runner.h"
#include "runs/daily.h"
#include "runs/script.h"

namespace murlo {

constexpr std::uint64_t checkpoint_us = 10000000;  // the most play a crash may lose

// The places a host keeps a session's bytes.
enum class Slot : std::uint8_t {
    Best,     // the best depth, as text: its digits and a line break
    Kept,     // the game kept for the next start: a snapshot (runner/snapshot.h)
    KeptBad,  // a kept game that could not be used, set aside for a bug report
    Watched,  // there while the kept game's run holds a watched script
    BestRun,  // the run that reached the best depth, as a script: written before Best
};

// What reading a slot found.
struct Stored {
    enum class Kind : std::uint8_t { Nothing, Bytes, Unreadable };
    Kind kind = Kind::Nothing;
    std::string bytes;
};

// What a session has to say, for the host to word: it knows where it keeps
// things, and how its player is spoken to.
enum class Notice : std::uint8_t {
    BestUnreadable,    // the best depth cannot be read: it starts again from 0
    BestDamaged,       // the best depth's slot holds no depth: it starts again from 0
    BestNotWritten,    // the best depth cannot be written (detail: why); said once
    KeptUnreadable,    // the kept game cannot be read: the game starts on the title
    KeptDamaged,       // the kept game cannot go on (detail: why): set aside, the title
    KeptOtherVersion,  // the kept game is another version's: set aside, the title
    KeptElsewhere,     // a game is kept, and another program keeps it: the title
    NotKeeping,        // this program keeps no game (another does); said once
    KeptNotWritten,    // the kept game cannot be written (detail: why); said once
    BestRunDamaged,    // the run kept with the best depth does not reach it (detail: why)
};

// What the session asks of the host's storage; carry_out() does it.
struct Requests {
    bool set_aside = false;  // move the kept game to KeptBad
    bool keep = false;       // write `snapshot` to Kept (and Watched as it says)
    bool drop = false;       // remove Kept and Watched
    bool best = false;       // keep `best_depth` as the best, if deeper than storage holds,
    std::int32_t best_depth = 0;  // and `best_run` (when not empty) as the run that reached it
    std::string best_run;
    std::string snapshot;  // the kept game's bytes (for set_aside: as they were read)
    bool watched = false;  // the run kept holds a watched script
    std::vector<std::pair<Notice, std::string>> notices;
};

struct Session {
    Runner runner;
    bool keeps = false;     // this program keeps the player's games
    bool written = false;   // storage holds this program's game
    bool own_game = false;  // the game in play at the last look was the player's own
    // The run recorded is all the player's: no script was watched in it,
    // nor in the game kept that it goes on with. Only such a run goes to a
    // board.
    bool own_run = true;
    bool ended_own = false;  // the last run ended a game of the player's own
    bool same_well = false;  // the race set last plays the ghost's own well (else depth alone)
    std::uint64_t since_kept_us = 0;  // play since the game was last kept
    bool said_not_keeping = false, said_not_written = false, said_best = false;
    Requests requests;
};

// What a host read before the session opens.
struct Opening {
    runs::Script script;  // played first (a run watched); empty: the player's start
    bool tracing = false;  // the runner keeps a trace
    Stored best;
    bool keeps = false;  // the host holds the lock: this program keeps the player's games
    Stored kept;         // the kept game (read on the player's start)
    bool watched = false;  // the Watched slot is there
};

// The best depth a slot's bytes hold: a whole number 0..1000, then at
// most a line break. False for anything else.
bool read_best_depth(std::string_view bytes, std::int32_t& depth);
// The bytes that store it.
std::string best_depth_text(std::int32_t depth);

// The runner started, and the kept game gone on with (see above).
void open_session(Session& s, Opening opening);

// `event` happened at `at_us` (runner.h); hidden, the game is kept now.
void session_event(Session& s, std::uint64_t at_us, Event event);

// The runner run at `now_us`; the game kept or let go as it goes.
Report session_run(Session& s, std::uint64_t now_us);

// The player's game kept now, paused, if it is theirs (a page frozen, a
// session ending).
void keep_now(Session& s);

// The program closes: the game in play kept, paused, and its depth kept
// as the best when it is deeper.
void close_session(Session& s);

// A run opened to watch (a file, a link): the player's game kept as it
// was left, and the run played from the game's start.
void watch(Session& s, runs::Script script);

// The day's well: the depth of the player's game in play kept as the best
// when deeper, and a new run from a fresh start with the day's title passes and Z played at once as
// the player's own, so the player digs at once. It counts, and is kept,
// like any game of the player's.
void start_daily(Session& s, runs::Day day);

// Race `run` as a ghost (runner/ghost.h): the depth of the player's game
// in play kept as the best when deeper, and a new run from a fresh start. When the
// ghost's scoring game is its run's first, the race begins with its title
// polls as the player's own, so the player digs at once on the same well
// (s.same_well); otherwise the player plays a fresh well from the title,
// a race of depth alone. False, with the reason and nothing changed, when
// the run cannot be a ghost or does not reach `expected_depth` (when not
// negative): the game plays without it.
bool race(Session& s, runs::Script run, std::int32_t expected_depth, std::string& problem);

// Race the run kept with the best depth (`stored`, as the BestRun slot
// holds it): trusted only if it reaches the best depth. False, with the
// reason, when there is none or it does not.
bool race_best(Session& s, const Stored& stored, std::string& problem);

// Storage holds `depth` as the best now: the runner's best grows to it.
void stored_best(Session& s, std::int32_t depth);

// The requests carried out by a host's storage, which has:
//   Stored read(Slot);
//   bool write(Slot, std::string_view bytes, std::string& why);  // whole, or not at all
//   void remove(Slot);
//   void say(Notice, std::string_view detail);
// Taken in order: the kept game set aside, kept or let go, then the best
// depth (read again, so that the larger is kept), then what is said.
template <typename Store>
void carry_out(Session& s, Store& store) {
    Requests& q = s.requests;
    std::string why;
    if (q.set_aside) {
        store.write(Slot::KeptBad, q.snapshot, why);
        store.remove(Slot::Kept);
        store.remove(Slot::Watched);
    }
    if (q.keep) {
        if (store.write(Slot::Kept, q.snapshot, why)) {
            s.written = true;
            s.since_kept_us = 0;
            if (q.watched)
                store.write(Slot::Watched, "1\n", why);
            else
                store.remove(Slot::Watched);
        } else if (!s.said_not_written) {
            s.said_not_written = true;
            q.notices.emplace_back(Notice::KeptNotWritten, why);
        }
    }
    if (q.drop) {
        store.remove(Slot::Kept);
        store.remove(Slot::Watched);
        s.written = false;
    }
    if (q.best) {
        std::int32_t held = 0;
        const Stored now = store.read(Slot::Best);
        if (now.kind != Stored::Kind::Bytes || !read_best_depth(now.bytes, held)) held = 0;
        // The run first: a run kept without its depth is trusted only once
        // it replays to the depth kept (race_best), and a depth is kept
        // even where its run cannot be.
        if (held < q.best_depth && !q.best_run.empty()) store.write(Slot::BestRun, q.best_run, why);
        if (held >= q.best_depth) {
            stored_best(s, held);
        } else if (store.write(Slot::Best, best_depth_text(q.best_depth), why)) {
            stored_best(s, q.best_depth);
        } else if (!s.said_best) {
            s.said_best = true;
            q.notices.emplace_back(Notice::BestNotWritten, why);
        }
    }
    for (const auto& [notice, detail] : q.notices) store.say(notice, detail);
    q = Requests{};
}

}  // namespace murlo
