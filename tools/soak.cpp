// murlo-soak: plays the real game for a long time, game after game, and
// checks after every advance that its state is one the rules can make
// (game/invariants.h) and that nothing was allocated on the heap.
//
// usage: murlo-soak --frames N [--seed S] [--script FILE]
//
// N counts the steps that play a game frame (outcome Frame, LevelDone,
// Died or Won); title passes and the closing sequences (which run inside
// the step that ends a game) are not counted. The invariants are checked
// after every step, title passes included. The keys come from a player
// that digs its way down, mixed with bursts of random presses; both, and
// how long each title runs, are drawn from S (default 1), so a seed always
// plays the same games.
//
// The player (its board reading and moves are murlo-autoplay's too, in
// tools/bot): whenever the digger stands centred on a block it picks a
// move (dig a capsule beside or above it, dig down, walk one to three
// columns, wait) by a cheap cost in air: the frames it takes at the
// current drain, the air a Hard block's second dig costs, less what
// capsules give. It plays the move for real; if the digger dies during it,
// the game is rewound (a copy of the Game) to the last choice and the next
// cheapest move is tried, back through the last four choices. Rewound
// frames are real game frames too: they count in N and are checked. Random
// presses are never rewound, so they end games now and then. With seed 1 a
// million frames reach depth 982; other seeds win games.
//
// The last line is
//   frames N games G deepest D violations V allocations A
// (G games started, D the deepest depth reached). The first violations are
// listed on stderr with their frame numbers. Exit status 1 when V or A is
// not 0, 2 on bad arguments.
//
// --script FILE writes the run as an input script for murlo-replay: the
// keys of every poll from start-up as the game was finally played, frames
// a rewind undid left out. So a violation can be replayed, and distinct
// seeds give distinct runs of a chosen length to submit to murlo-board.
// Before it is written the script is played again from start-up, and it
// must end on the very Game the soak ended on (exit status 1 if not).
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "board/board.h"
#include "cycle/cycle.h"
#include "game/game.h"
#include "game/calls.h"
#include "game/invariants.h"
#include "game/player.h"
#include "game/rules.h"
#include "runner/headless.h"
#include "game/state.h"
#include "runs/script.h"
#include "tools/bot/moves.h"
#include "tools/bot/stepping.h"

// ---- Heap allocations counted ----------------------------------------------
//
// Every operator new, malloc, calloc and realloc in the program is counted
// once counting is on. Operator new takes its memory from malloc. Plain
// builds replace malloc, calloc and realloc here and take the memory from
// the allocator next in line (the C library's), leaving free as it is.
// AddressSanitizer owns malloc and calls into the program before main, so
// under it the sanitizer's own allocation hook does the counting instead.

#if defined(__SANITIZE_ADDRESS__)
#define MURLO_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MURLO_SOAK_ASAN 1
#endif
#endif

namespace {

bool counting = false;
std::size_t allocations = 0;

void count() {
    if (counting) ++allocations;
}

}  // namespace

#ifdef MURLO_SOAK_ASAN

extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, std::size_t), void (*free_hook)(const volatile void*));

namespace {

void on_malloc(const volatile void*, std::size_t) { count(); }
void on_free(const volatile void*) {}
void install_counter() { __sanitizer_install_malloc_and_free_hooks(on_malloc, on_free); }
void count_direct() {}  // the hook sees every allocation already

}  // namespace

#else

namespace {

using MallocFn = void* (*)(std::size_t);
using CallocFn = void* (*)(std::size_t, std::size_t);
using ReallocFn = void* (*)(void*, std::size_t);
MallocFn next_malloc = nullptr;
CallocFn next_calloc = nullptr;
ReallocFn next_realloc = nullptr;

// Looking the allocator up may itself allocate: such early requests are
// served from here, and never freed.
alignas(std::max_align_t) unsigned char bootstrap[4096];
std::size_t bootstrap_used = 0;
bool resolving = false;

void* bootstrap_alloc(std::size_t size) {
    const std::size_t step = alignof(std::max_align_t);
    size = (size + step - 1) / step * step;
    if (bootstrap_used + size > sizeof bootstrap) return nullptr;
    void* p = bootstrap + bootstrap_used;
    bootstrap_used += size;
    return p;
}

bool resolve() {
    if (next_malloc != nullptr) return true;
    if (resolving) return false;
    resolving = true;
    next_calloc = reinterpret_cast<CallocFn>(dlsym(RTLD_NEXT, "calloc"));
    next_realloc = reinterpret_cast<ReallocFn>(dlsym(RTLD_NEXT, "realloc"));
    next_malloc = reinterpret_cast<MallocFn>(dlsym(RTLD_NEXT, "malloc"));
    resolving = false;
    if (next_malloc == nullptr || next_calloc == nullptr || next_realloc == nullptr) std::abort();
    return true;
}

void install_counter() {}
void count_direct() { count(); }

}  // namespace

extern "C" void* malloc(std::size_t size) {
    if (!resolve()) return bootstrap_alloc(size);
    count();
    return next_malloc(size);
}

extern "C" void* calloc(std::size_t n, std::size_t size) {
    if (!resolve()) return bootstrap_alloc(n * size);  // the arena starts zero
    count();
    return next_calloc(n, size);
}

extern "C" void* realloc(void* p, std::size_t size) {
    if (!resolve()) std::abort();
    count();
    return next_realloc(p, size);
}

#endif

namespace {

void* new_memory(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void* new_aligned(std::size_t size, std::align_val_t align) {
    count_direct();  // posix_memalign is not replaced
    const auto a = static_cast<std::size_t>(align);
    void* p = nullptr;
    if (posix_memalign(&p, a < sizeof(void*) ? sizeof(void*) : a, size == 0 ? 1 : size) != 0)
        throw std::bad_alloc();
    return p;
}

void* new_aligned_nothrow(std::size_t size, std::align_val_t align) noexcept {
    try {
        return new_aligned(size, align);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Counting is on from here; false if an allocation made on purpose was not
// counted, so a count of 0 can be trusted.
bool start_counting() {
    install_counter();
    allocations = 0;
    counting = true;
    void* volatile a = std::malloc(16);
    std::free(a);
    void* volatile b = ::operator new(16);
    ::operator delete(b);
    const bool seen = allocations == 2;
    allocations = 0;
    return seen;
}

}  // namespace

void* operator new(std::size_t size) { return new_memory(size); }
void* operator new[](std::size_t size) { return new_memory(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size, std::align_val_t a) { return new_aligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return new_aligned(size, a); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return new_aligned_nothrow(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return new_aligned_nothrow(size, a);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using murlo::InputBits;
using murlo::bot::Act;
using murlo::bot::Move;

// ---- Random draws from the seed --------------------------------------------

std::uint64_t random_state = 1;

std::uint64_t draw() {  // xorshift64*
    random_state ^= random_state >> 12;
    random_state ^= random_state << 25;
    random_state ^= random_state >> 27;
    return random_state * 0x2545F4914F6CDD1Dull;
}

unsigned draw_below(unsigned n) { return static_cast<unsigned>((draw() >> 33) % n); }

// ---- The run ---------------------------------------------------------------

// The game, and the calls of its steps (listed, never carried out): both
// made before counting starts.
murlo::Game game;
murlo::Calls calls;

struct Violation {
    long frame;
    long game;
    std::int32_t depth;
    const char* what;
};

constexpr int violations_kept = 5;
Violation first_violations[violations_kept];
long violations = 0;
long frames = 0;
long games = 0;
std::int32_t deepest = 0;
std::int32_t previous_depth = murlo::first_check_of_game;

// The keys of every poll as the run stands, when --script asks for them:
// made room for before counting starts, so recording allocates nothing.
bool recording = false;
std::vector<InputBits> recorded;

void record(InputBits key) {
    if (recording) recorded.push_back(key);
}

void check() {
    if (const char* what = murlo::check_invariants(game, previous_depth)) {
        if (violations < violations_kept)
            first_violations[violations] = {frames, games, game.depth, what};
        ++violations;
    }
    // A title step keeps the depth the last game ended at, and the next
    // game starts again from 0.
    previous_depth = game.phase == murlo::Phase::Play ? game.depth : murlo::first_check_of_game;
    if (game.depth > deepest) deepest = game.depth;
}

// One poll with `key` held and what follows it up to the next poll,
// checked after every advance, in the middle of the closing pictures too;
// the poll's outcome.
murlo::Outcome play_frame(InputBits key) {
    record(key);
    murlo::advance(game, key, calls);
    const murlo::Outcome outcome = calls.outcome;
    if (murlo::bot::is_game_frame(outcome)) ++frames;
    check();
    while (!murlo::awaits_poll(game)) {
        murlo::advance(game, 0, calls);
        check();
    }
    return outcome;
}

// ---- What moves cost ---------------------------------------------------------

// What a move is likely to cost, in air: the frames it takes at this
// depth's drain, what a Hard block's second dig takes, less what capsules
// give. A Hard block the air cannot pay for is not dug at all.
constexpr int never = 1 << 20;

int drain() { return murlo::air_drain(game.depth); }
int capsule_bonus() { return murlo::capsule_gift(game.air); }

int cell_cost(int kind) {
    if (kind == murlo::Hard)
        return game.air > murlo::hard_dig_air + 4 * drain() ? murlo::hard_dig_air + 3 * drain()
                                                            : never;
    if (kind == murlo::Air) return drain() - capsule_bonus();
    if (murlo::is_open(kind)) return 0;
    return drain();  // Soft: one frame to dig
}

int move_cost(Move m) {
    using murlo::bot::kind_at;
    const int column = murlo::bot::player_column(game);
    const int row = murlo::bot::player_row(game);
    switch (m.act) {
        case Act::Grab:
            return murlo::bot::grab_key(game) != 0 ? drain() - capsule_bonus() : never;
        case Act::Down:
        case Act::Burrow:
            return cell_cost(murlo::bot::kind_toward(game, murlo::Dig::Down));
        case Act::Walk: {
            int cost = 0;
            for (int i = 1; i <= m.columns; ++i) {
                const int c = column + m.step * i;
                if (c < 0 || c >= murlo::board_columns) return never;
                cost += 8 * drain() + cell_cost(kind_at(game, c, row));
                const int under = kind_at(game, c, row + 1);
                // A gap under the way: the digger falls there, a dig saved.
                if (!murlo::is_footing(under))
                    return cost - 4 * drain() - (under == murlo::Air ? capsule_bonus() : 0);
                if (i == m.columns) cost += cell_cost(under);
            }
            return cost;
        }
        case Act::Wait:
            break;
    }
    return never - 1;  // only when nothing else survives
}

// ---- Choosing, and rewinding to a choice -------------------------------------

constexpr int longest_walk = 3;
constexpr int move_count = 3 + 2 * longest_walk;

murlo::bot::Running running{};
bool move_running = false;

void begin_move(Move m) {
    running = murlo::bot::begin_move(game, m);
    move_running = true;
}

// The choices made lately, to rewind to when a move ends in death.
struct Choice {
    murlo::Game saved;
    std::int32_t depth;
    std::size_t polls;  // keys recorded up to here
    Move order[move_count];  // the moves that can start here, cheapest first
    int moves;
    int tried;
};

constexpr int choices_kept = 4;
Choice choices[choices_kept];
int choice_count = 0;
int rewinds_left = 0;

void forget_choices() { choice_count = 0; }

void choose() {
    if (choice_count == choices_kept) {
        for (int i = 1; i < choices_kept; ++i) choices[i - 1] = choices[i];
        --choice_count;
    }
    Choice& c = choices[choice_count++];
    c.saved = game;
    c.depth = game.depth;
    c.polls = recorded.size();
    int cost[move_count] = {};  // (filled as moves are considered; zeroed for the optimiser's sake)
    c.moves = 0;
    const auto consider = [&](Move m) {
        const int k = move_cost(m);
        if (k >= never) return;
        // Cheapest first; equal costs keep the order considered.
        int i = c.moves++;
        for (; i > 0 && k < cost[i - 1]; --i) {
            cost[i] = cost[i - 1];
            c.order[i] = c.order[i - 1];
        }
        cost[i] = k;
        c.order[i] = m;
    };
    consider({Act::Grab, 0, 0});
    consider({Act::Down, 0, 0});
    for (int n = 1; n <= longest_walk; ++n) {
        consider({Act::Walk, -1, static_cast<std::int8_t>(n)});
        consider({Act::Walk, 1, static_cast<std::int8_t>(n)});
    }
    consider({Act::Wait, 0, 0});
    c.tried = 1;
    begin_move(c.order[0]);
}

// After a death in a move: back to the latest choice with a move left to
// try. False when there is none, or the rewinds allowed are used up.
bool rewind() {
    while (choice_count > 0 && rewinds_left > 0) {
        Choice& c = choices[choice_count - 1];
        if (c.tried == c.moves) {
            --choice_count;
            continue;
        }
        --rewinds_left;
        game = c.saved;
        previous_depth = c.depth;
        recorded.resize(c.polls);
        begin_move(c.order[c.tried++]);
        return true;
    }
    return false;
}

// One game, from a title poll to its end or until the frames run out.
void play_game(long frame_limit) {
    const int title_passes = static_cast<int>(draw_below(40));
    const auto title_key = static_cast<InputBits>(1 + draw_below(murlo::input::all));
    for (int i = 0; i < title_passes; ++i) record(0);
    record(title_key);
    murlo::bot::leave_title(game, calls, title_passes, title_key, check);
    ++games;
    forget_choices();
    move_running = false;
    rewinds_left = 0;
    int burst = 0;
    std::int32_t best_depth = -1;

    while (frames < frame_limit) {
        // Now and then a burst of random presses, played as they come.
        if (burst == 0 && draw_below(1000) == 0) burst = 1 + static_cast<int>(draw_below(16));
        if (burst > 0) {
            --burst;
            forget_choices();
            move_running = false;
            if (murlo::bot::ends_game(play_frame(static_cast<InputBits>(draw() >> 59)))) return;
            continue;
        }
        InputBits key = 0;
        if (move_running && !murlo::bot::move_key(game, running, key)) move_running = false;
        if (!move_running) {
            if (murlo::bot::at_rest(game)) {
                choose();
                if (!murlo::bot::move_key(game, running, key)) move_running = false;
            } else {
                key = murlo::bot::settle_key(game);
            }
        }
        if (game.depth > best_depth) {
            best_depth = game.depth;
            rewinds_left = 24;  // a fresh allowance wherever the digger gets deeper
        }
        const murlo::Outcome outcome = play_frame(key);
        if (outcome == murlo::Outcome::Won) return;
        if (outcome == murlo::Outcome::Died && !rewind()) return;  // nothing left to try
    }
}

bool parse_count(const char* text, long& out) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < 0) return false;
    out = static_cast<long>(v);
    return true;
}

// The recorded keys played again from start-up, as murlo-replay plays a
// script, end on the Game the soak ended on; then the script is written.
bool write_script(const char* path) {
    const auto runner = std::make_unique<murlo::Runner>();
    murlo::play_headless(*runner, murlo::runs::script_of(recorded));
    const murlo::Game& replayed = runner->state.game;
    std::uint8_t ended[murlo::game_bytes];
    std::uint8_t again[murlo::game_bytes];
    murlo::ByteWriter a{ended};
    murlo::ByteWriter b{again};
    murlo::write_game(a, game);
    murlo::write_game(b, replayed);
    if (std::memcmp(ended, again, sizeof ended) != 0) {
        std::fputs("murlo-soak: the recorded script does not replay to the game played\n", stderr);
        return false;
    }
    const std::string text = murlo::runs::format_script(murlo::runs::script_of(recorded));
    std::FILE* out = std::fopen(path, "w");
    const bool written = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    if ((out != nullptr && std::fclose(out) != 0) || !written) {
        std::fprintf(stderr, "murlo-soak: cannot write %s\n", path);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    long frame_limit = -1;
    long seed = 1;
    const char* script_path = nullptr;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            ok = ok && parse_count(argv[++i], frame_limit);
        else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            ok = ok && parse_count(argv[++i], seed);
        else if (std::strcmp(argv[i], "--script") == 0 && i + 1 < argc)
            script_path = argv[++i];
        else
            ok = false;
    }
    if (!ok || frame_limit < 0) {
        std::fputs("usage: murlo-soak --frames N [--seed S] [--script FILE]\n", stderr);
        return 2;
    }
    // xorshift never leaves 0; mix the seed so nearby seeds differ at once.
    random_state = static_cast<std::uint64_t>(seed) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    if (random_state == 0) random_state = 1;
    // Every game plays a counted frame, and each takes at most 40 title
    // passes and a key to begin: room for every poll.
    recording = script_path != nullptr;
    if (recording) recorded.reserve(static_cast<std::size_t>(frame_limit) * 42 + 1);

    murlo::start_up(game, calls);
    check();
    if (!start_counting()) {
        std::fputs("murlo-soak: heap allocations cannot be counted in this build\n", stderr);
        return 2;
    }
    while (frames < frame_limit) play_game(frame_limit);
    counting = false;

    for (long i = 0; i < violations && i < violations_kept; ++i) {
        const Violation& v = first_violations[i];
        std::fprintf(stderr, "murlo-soak: frame %ld (game %ld, depth %d): %s\n", v.frame,
                     v.game, static_cast<int>(v.depth), v.what);
    }
    std::printf("frames %ld games %ld deepest %d violations %ld allocations %zu\n", frames, games,
                static_cast<int>(deepest), violations, allocations);
    const bool scripted = script_path == nullptr || write_script(script_path);
    return violations != 0 || allocations != 0 || !scripted ? 1 : 0;
}
