#include "session/session.h"

#include <algorithm>
#include <memory>

#include "runner/snapshot.h"
#include "runner/state.h"

namespace murlo {

namespace {

constexpr std::int32_t deepest = 1000;  // no game goes deeper

// Only the player's own games are kept: those that count for the best
// depth (never a watched script's, even taken over).
bool worth_keeping(const Runner& r) { return in_game(r) && r.state.counts && !watching(r); }

void say(Session& s, Notice notice, std::string detail = {}) {
    s.requests.notices.emplace_back(notice, std::move(detail));
}

// The player's game kept now, paused so that it comes back waiting for
// the player.
void keep_game(Session& s) {
    if (!worth_keeping(s.runner)) return;
    if (!s.keeps) {
        if (!s.said_not_keeping) say(s, Notice::NotKeeping);
        s.said_not_keeping = true;
        return;
    }
    const auto held = std::make_unique<Runner>(s.runner);
    hold(*held);
    s.requests.keep = true;
    s.requests.snapshot = write_snapshot(*held);
    s.requests.watched = !s.own_run;
    s.since_kept_us = 0;
}

// The depth kept as the best, with the run so far that reached it.
void store_best(Session& s, std::int32_t depth) {
    if (depth <= s.requests.best_depth && s.requests.best) return;
    s.requests.best = true;
    s.requests.best_depth = depth;
    s.requests.best_run = recorded_script(s.runner);
}

// The kept game gone on with, or set aside.
void resume(Session& s, const Opening& o, std::int32_t best) {
    Runner& r = s.runner;
    if (o.kept.kind == Stored::Kind::Nothing) return;
    if (!s.keeps) return say(s, Notice::KeptElsewhere);
    if (o.kept.kind == Stored::Kind::Unreadable) return say(s, Notice::KeptUnreadable);
    StateKind kind = StateKind::Good;
    if (const char* why = read_snapshot(r, o.kept.bytes, &kind)) {
        s.requests.set_aside = true;
        s.requests.snapshot = o.kept.bytes;
        say(s, kind == StateKind::OtherVersion ? Notice::KeptOtherVersion : Notice::KeptDamaged, why);
        return;
    }
    s.written = true;  // this program now keeps it, and goes on writing over it
    s.own_run = !o.watched;
    hold(r);
    // The best as stored counts too, when it is deeper than the one the
    // game was kept with.
    set_best(r, best);
    // The same run: its trace begins with what the kept game's program
    // traced (its record is already the whole run).
    if (r.tracing) r.trace = trace_before(r);
}

}  // namespace

bool read_best_depth(std::string_view bytes, std::int32_t& depth) {
    std::size_t i = 0;
    std::int32_t value = 0;
    for (; i < bytes.size() && bytes[i] >= '0' && bytes[i] <= '9'; ++i) {
        value = value * 10 + (bytes[i] - '0');
        if (value > deepest) return false;
    }
    if (i == 0) return false;
    if (i < bytes.size() && bytes[i] == '\n') ++i;
    if (i != bytes.size()) return false;
    depth = value;
    return true;
}

std::string best_depth_text(std::int32_t depth) { return std::to_string(depth) + "\n"; }

void open_session(Session& s, Opening o) {
    Runner& r = s.runner;
    s.requests = Requests{};
    std::int32_t best = 0;
    if (o.best.kind == Stored::Kind::Unreadable) say(s, Notice::BestUnreadable);
    if (o.best.kind == Stored::Kind::Bytes && !read_best_depth(o.best.bytes, best)) {
        best = 0;
        say(s, Notice::BestDamaged, o.best.bytes.substr(0, 20));
    }
    s.keeps = o.keeps;
    s.written = false;
    s.own_run = o.script.empty();
    s.since_kept_us = 0;
    const bool players_start = o.script.empty();
    r.tracing = o.tracing;
    start_runner(r, std::move(o.script), best);
    if (players_start) resume(s, o, best);
    s.own_game = worth_keeping(r);
}

void session_event(Session& s, std::uint64_t at_us, Event event) {
    handle(s.runner, at_us, event);
    if (event.kind == Event::Kind::Hidden) keep_game(s);
}

Report session_run(Session& s, std::uint64_t now_us) {
    Runner& r = s.runner;
    const std::uint64_t clock_before = r.state.clock_us;
    const Report report = run(r, now_us);
    if (report.best) store_best(s, r.state.best);
    const bool own = worth_keeping(r);
    s.ended_own = report.game_over && s.own_game;
    if (s.ended_own && s.written) s.requests.drop = true;
    if (own && !paused(r)) s.since_kept_us += r.state.clock_us - clock_before;
    if (own && (!s.own_game || report.level_done || s.since_kept_us >= checkpoint_us)) keep_game(s);
    s.own_game = own;
    return report;
}

void keep_now(Session& s) { keep_game(s); }

void close_session(Session& s) {
    keep_game(s);
    const std::int32_t depth = depth_to_keep(s.runner);
    if (depth > s.runner.state.best) store_best(s, depth);
}

void watch(Session& s, runs::Script script) {
    Runner& r = s.runner;
    const std::int32_t depth = depth_to_keep(r);
    if (depth > r.state.best) store_best(s, depth);
    keep_game(s);  // kept as it was left
    s.own_game = false;
    s.own_run = false;
    start_runner(r, std::move(script), r.state.best);
}

void start_daily(Session& s, runs::Day day) {
    Runner& r = s.runner;
    const std::int32_t depth = depth_to_keep(r);
    if (depth > r.state.best) store_best(s, depth);
    s.own_game = false;
    s.own_run = true;
    start_runner(r, {}, r.state.best);
    play_now(r, runs::daily_script(day));
}

bool race(Session& s, runs::Script run, std::int32_t expected_depth, std::string& problem) {
    GhostRun ghost;
    if (!read_ghost(run, expected_depth, ghost, problem)) return false;
    Runner& r = s.runner;
    const std::int32_t depth = depth_to_keep(r);
    if (depth > r.state.best) store_best(s, depth);
    s.own_game = false;
    s.own_run = true;
    s.same_well = ghost.first_game;
    start_runner(r, {}, r.state.best);
    runs::Script before;  // its title polls and the key that left the title
    std::uint64_t polls = ghost.start_polls;
    for (const runs::ScriptRun& step : run) {
        if (polls == 0) break;
        before.push_back({step.value, std::min(step.count, polls)});
        polls -= before.back().count;
    }
    set_ghost(r, std::move(run), ghost);
    if (s.same_well) play_now(r, before);
    return true;
}

bool race_best(Session& s, const Stored& stored, std::string& problem) {
    runs::Script run;
    if (stored.kind != Stored::Kind::Bytes || s.runner.state.best <= 0) {
        problem = "no run has reached a best depth yet";
        return false;
    }
    if (!runs::read_script(stored.bytes, "", run, problem) || !race(s, std::move(run), s.runner.state.best, problem)) {
        say(s, Notice::BestRunDamaged, problem);
        return false;
    }
    return true;
}

void stored_best(Session& s, std::int32_t depth) { set_best(s.runner, depth); }

}  // namespace murlo
