// The game driven: its calls carried out in order, one turn of the loop
// WinMain runs until the quit message ends the process, and the best depth
// kept from the games it plays.
#include <filesystem>
#include <string>

#include "cycle/cycle.h"
#include "desktop/best.h"
#include "host/win32/win32_host.h"

namespace murlo {

std::int32_t best_depth = 0;

namespace {

// The game play_turn drives, whose depth is kept if the program closes in
// the middle of it.
const Game* driven_game = nullptr;

// %LOCALAPPDATA%\Murlo\best.txt; empty where Windows names no such folder.
std::filesystem::path best_path() {
    const DWORD size = GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (size == 0) return {};
    std::wstring folder(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), size);
    if (length == 0 || length >= size) return {};
    folder.resize(length);
    return std::filesystem::path(folder) / L"Murlo" / L"best.txt";
}

}  // namespace

void load_best() {
    const std::filesystem::path path = best_path();
    best_depth = path.empty() ? 0 : desktop::read_best(path);
    show_best();
}

void keep_best(std::int32_t depth) {
    if (depth <= best_depth) return;
    const std::filesystem::path path = best_path();
    // The file may hold a deeper one, from a game run beside this one.
    const std::int32_t kept = path.empty() ? -1 : desktop::write_best(path, depth);
    best_depth = kept > depth ? kept : depth;
    show_best();
}

void keep_best_at_close() {
    if (driven_game != nullptr && driven_game->phase == Phase::Play) keep_best(driven_game->depth);
}

void carry_out(const Calls& calls) {
    for (int i = 0; i < calls.count; ++i) {
        const Call& call = calls.call[i];
        switch (call.kind) {
            case Call::Kind::Present:
                show_frame(calls.frame[call.frame]);
                break;
            case Call::Kind::Wait:
                wait_for_ticks(call.ticks);
                break;
            case Call::Kind::Sound:
                start_sound(sound_name(call.sound));
                break;
            case Call::Kind::Stop:
                stop_sounds();
                break;
        }
    }
}

void play_step(Game& game, InputBits keys, Calls& calls) {
    step(game, keys, calls);
    // Kept as the game ends, before its closing pictures, so that closing
    // the window during them loses nothing.
    if (calls.outcome == Outcome::Died || calls.outcome == Outcome::Won) keep_best(game.depth);
    carry_out(calls);
}

Outcome play_turn(Game& game, Calls& calls, handheld::TitlePace& pace) {
    driven_game = &game;
    // A game pauses from its frame's poll to the end of the step's calls.
    pausable = game.phase == Phase::Play;
    // The title has no wait of its own: its passes are paced here, in
    // bursts, so it neither spins a core nor wakes a thousand times a second.
    if (game.phase == Phase::Title) {
        const std::uint64_t pause = handheld::title_wait_us(pace, clock_us());
        if (pause > 0) pause_us(pause);
    }
    const InputBits keys = poll_keys();
    play_step(game, keys, calls);
    return calls.outcome;
}

}  // namespace murlo
