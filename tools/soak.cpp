// murlo-soak: plays the real game for a long time, game after game, and
// checks after every game frame that its state is one the rules can make
// (game/invariants.h) and that nothing was allocated on the heap.
//
// usage: murlo-soak --frames N [--seed S]
//
// N counts calls of game_frame, the frames the game itself plays; title
// passes and the closing sequences (which run inside the frame that ends a
// game) are not counted. The keys come from a player that digs its way
// down, mixed with bursts of random presses; both, and how long each title
// runs, are drawn from S (default 1), so a seed always plays the same games.
//
// The player: whenever the digger stands centred on a block it picks a
// move (dig a capsule beside or above it, dig down, walk one to three
// columns, wait) by a cheap cost in air: the frames it takes at the
// current drain, 2000 for a Hard block, less what capsules give. It plays
// the move for real; if the digger dies during it, the game is rewound to
// the last choice and the next cheapest move is tried, back through the
// last four choices. Rewound frames are real game frames too: they count in
// N and are checked. Random presses are never rewound, so they end games
// now and then. With seed 1 a million frames reach depth 982; other seeds
// win games.
//
// The last line is
//   frames N games G deepest D violations V allocations A
// (G games started, D the deepest depth reached). The first violations are
// listed on stderr with their frame numbers. Exit status 1 when V or A is
// not 0, 2 on bad arguments.
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "board/board.h"
#include "game/game.h"
#include "game/host.h"
#include "game/invariants.h"
#include "game/player.h"
#include "game/rules.h"
#include "game/state.h"
#include "screens/title.h"

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

// ---- Random draws from the seed --------------------------------------------

std::uint64_t random_state = 1;

std::uint64_t draw() {  // xorshift64*
    random_state ^= random_state >> 12;
    random_state ^= random_state << 25;
    random_state ^= random_state >> 27;
    return random_state * 0x2545F4914F6CDD1Dull;
}

unsigned draw_below(unsigned n) { return static_cast<unsigned>((draw() >> 33) % n); }

// ---- The host ----------------------------------------------------------------

struct Host {
    bool on_title = false;
    unsigned title_polls_left = 0;  // title passes with no key, then title_key
    InputBits title_key = murlo::input::Z;
    InputBits key = 0;              // what each poll of a game frame returns
    bool died = false;              // "auu.wav" was started
};

Host host;

// ---- The run ---------------------------------------------------------------

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

void check() {
    if (const char* what = murlo::check_invariants(previous_depth)) {
        if (violations < violations_kept)
            first_violations[violations] = {frames, games, murlo::depth, what};
        ++violations;
    }
    previous_depth = murlo::depth;
    if (murlo::depth > deepest) deepest = murlo::depth;
}

// One game frame with `key` held; true when the game ended in it.
bool play_frame(InputBits key) {
    host.key = key;
    const bool ended = murlo::game_frame();
    ++frames;
    check();
    return ended;
}

// ---- Reading the board around the digger -------------------------------------

int kind_at(int column, int row) {
    return murlo::get_kind(static_cast<std::int8_t>(column), static_cast<std::int8_t>(row));
}
int column_of_player() { return murlo::player_x / 8; }
int row_of_player() { return murlo::player_y / 8; }
bool centred() { return (murlo::player_x + 4) % 8 == 0; }
int below_kind() { return kind_at(column_of_player(), (murlo::player_y + 4) / 8); }
bool at_rest() { return centred() && murlo::is_block(below_kind()); }
bool open_kind(int kind) { return kind == murlo::Empty || kind == murlo::Crumbling; }

// A Hard block takes two presses: let the key go for a frame between them.
InputBits press(InputBits k, int target_kind) {
    if (target_kind == murlo::Hard && (murlo::cur_input & k)) return 0;
    return k;
}

// ---- Moves -------------------------------------------------------------------

// A capsule beside or above the digger, not yet dug: the key that digs it.
InputBits grab_key() {
    const int column = column_of_player();
    const int row = row_of_player();
    const auto capsule = [](int c, int r) {
        return murlo::on_board(c, r) && kind_at(c, r) == murlo::Air &&
               !murlo::test_flag(static_cast<std::int8_t>(c), static_cast<std::int8_t>(r),
                                 murlo::Doomed);
    };
    if (murlo::player_x < murlo::player_x_max && capsule(column + 1, row)) return murlo::input::Right;
    if (murlo::player_x > murlo::player_x_min && capsule(column - 1, row)) return murlo::input::Left;
    if (capsule(column, row - 1) &&
        murlo::get_fall_timer(static_cast<std::int8_t>(column),
                              static_cast<std::int8_t>(row - 1)) < murlo::fall_delay)
        return murlo::input::Up;
    return 0;
}

// What the digger can do when it stands centred on a block: dig a capsule
// beside or above it, dig down, walk one to three columns (digging what is
// in the way; a gap on the way ends the walk in a fall), or wait.
enum class Act : std::uint8_t { Grab, Down, Walk, Wait };

struct Move {
    Act act;
    std::int8_t step;     // Walk: -1 left, +1 right
    std::int8_t columns;  // Walk: how far
};

constexpr int longest_walk = 3;
constexpr int move_count = 3 + 2 * longest_walk;

struct Running {
    Move move{Act::Wait, 0, 0};
    int frames = 0;
    int start_x = 0;
    std::int32_t start_depth = 0;
    bool active = false;
};

Running running;

void begin_move(Move m) { running = {m, 0, murlo::player_x, murlo::depth, true}; }

// The key for the next frame of the running move; false when it is over.
bool move_key(InputBits& key) {
    Running& r = running;
    if (r.frames >= 40 * (r.move.act == Act::Walk ? r.move.columns : 1)) return false;
    const int x = murlo::player_x;
    switch (r.move.act) {
        case Act::Grab:
            if (r.frames >= 1) return false;
            key = grab_key();
            break;
        case Act::Down:
            if (murlo::depth > r.start_depth && at_rest()) return false;
            key = press(murlo::input::Down, below_kind());
            break;
        case Act::Walk: {
            const bool right = r.move.step > 0;
            if (centred() && x != r.start_x &&
                (x == r.start_x + 8 * r.move.step * r.move.columns || !at_rest()))
                return false;
            if (right ? x >= murlo::player_x_max : x <= murlo::player_x_min) return false;
            if (!centred() && !murlo::is_block(below_kind())) {
                key = 0;  // over a gap the walk goes on by itself
                break;
            }
            const int target = right ? kind_at((x + 4) / 8, row_of_player())
                                     : kind_at((x - 5) / 8, row_of_player());
            key = press(right ? murlo::input::Right : murlo::input::Left, target);
            break;
        }
        case Act::Wait:
            if (r.frames >= 4) return false;
            key = 0;
            break;
    }
    ++r.frames;
    return true;
}

// Between moves, while falling or finishing a walk: no key, unless a walk
// is stuck against a block, which is then dug.
InputBits settle_key() {
    if (centred() || !murlo::is_block(below_kind())) return 0;
    const bool right = murlo::facing == murlo::Facing::Right;
    const int x = murlo::player_x;
    const int target = right ? kind_at((x + 4) / 8, row_of_player())
                             : kind_at((x - 5) / 8, row_of_player());
    if (open_kind(target)) return 0;
    return press(right ? murlo::input::Right : murlo::input::Left, target);
}

// What a move is likely to cost, in air: the frames it takes at this
// depth's drain, 2000 for each Hard block, less what capsules give. A Hard
// block the air cannot pay for is not dug at all.
constexpr int never = 1 << 20;

int capsule_bonus() {
    const int room = murlo::air_full - murlo::air;
    return room < 1000 ? room : 1000;
}

int drain() { return 10 + murlo::depth / 50; }

int cell_cost(int kind) {
    if (kind == murlo::Hard) return murlo::air > 2000 + 4 * drain() ? 2000 + 3 * drain() : never;
    if (kind == murlo::Air) return drain() - capsule_bonus();
    if (open_kind(kind)) return 0;
    return drain();  // Soft: one frame to dig
}


int move_cost(Move m) {
    const int column = column_of_player();
    const int row = row_of_player();
    switch (m.act) {
        case Act::Grab:
            return grab_key() != 0 ? drain() - capsule_bonus() : never;
        case Act::Down:
            return cell_cost(below_kind());
        case Act::Walk: {
            int cost = 0;
            for (int i = 1; i <= m.columns; ++i) {
                const int c = column + m.step * i;
                if (c < 0 || c >= murlo::board_columns) return never;
                cost += 8 * drain() + cell_cost(kind_at(c, row));
                const int under = kind_at(c, row + 1);
                // A gap under the way: the digger falls there, a dig saved.
                if (!murlo::is_block(under))
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

// The choices made lately, to rewind to when a move ends in death.
struct Choice {
    murlo::GameState state;
    std::int32_t depth;
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
    c.state = murlo::save_game_state();
    c.depth = murlo::depth;
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
        murlo::restore_game_state(c.state);
        host.died = false;
        previous_depth = c.depth;
        begin_move(c.order[c.tried++]);
        return true;
    }
    return false;
}

// One game, from the title to its end or until the frames run out.
void play_game(long frame_limit) {
    murlo::begin_cycle();
    host.on_title = true;
    host.title_polls_left = draw_below(40);
    host.title_key = static_cast<InputBits>(1 + draw_below(murlo::input::all));
    murlo::play_sound("title.wav");
    murlo::title_screen();
    murlo::stop_sound();
    host.on_title = false;
    murlo::begin_game();
    ++games;
    host.died = false;
    previous_depth = murlo::first_check_of_game;
    check();
    forget_choices();
    running.active = false;
    rewinds_left = 0;
    int burst = 0;
    std::int32_t best_depth = -1;

    while (frames < frame_limit) {
        // Now and then a burst of random presses, played as they come.
        if (burst == 0 && draw_below(1000) == 0) burst = 1 + static_cast<int>(draw_below(16));
        if (burst > 0) {
            --burst;
            forget_choices();
            running.active = false;
            if (play_frame(static_cast<InputBits>(draw() >> 59))) return;
            continue;
        }
        InputBits key = 0;
        if (running.active && !move_key(key)) running.active = false;
        if (!running.active) {
            if (at_rest()) {
                choose();
                if (!move_key(key)) running.active = false;
            } else {
                key = settle_key();
            }
        }
        if (murlo::depth > best_depth) {
            best_depth = murlo::depth;
            rewinds_left = 24;  // a fresh allowance wherever the digger gets deeper
        }
        if (!play_frame(key)) continue;
        if (!host.died || !rewind()) return;  // a win, or a death with nothing left to try
    }
}

bool parse_count(const char* text, long& out) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < 0) return false;
    out = static_cast<long>(v);
    return true;
}

}  // namespace

// ---- Host operations -----------------------------------------------------------

namespace murlo {

void create_main_window() {}

InputBits poll_input() {
    if (!host.on_title) return host.key;
    if (host.title_polls_left > 0) {
        --host.title_polls_left;
        return 0;
    }
    return host.title_key;
}

void present_frame(const LcdFrame&) {}
void wait_ticks(std::uint32_t) {}

void play_sound(const char* name) {
    if (name != nullptr && std::strcmp(name, "auu.wav") == 0) host.died = true;
}

void stop_sound() {}

}  // namespace murlo

int main(int argc, char** argv) {
    long frame_limit = -1;
    long seed = 1;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            ok = ok && parse_count(argv[++i], frame_limit);
        else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            ok = ok && parse_count(argv[++i], seed);
        else
            ok = false;
    }
    if (!ok || frame_limit < 0) {
        std::fputs("usage: murlo-soak --frames N [--seed S]\n", stderr);
        return 2;
    }
    // xorshift never leaves 0; mix the seed so nearby seeds differ at once.
    random_state = static_cast<std::uint64_t>(seed) * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    if (random_state == 0) random_state = 1;

    murlo::reset_program_state();
    murlo::start_up();
    murlo::create_main_window();
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
    return violations != 0 || allocations != 0 ? 1 : 0;
}
