// The desktop game as one value: the runner that plays the game, and what
// the host adapts it to: the window, the keyboard and controllers, sound,
// the files of a recorded run and the best depth's. Driven by events: each
// turn sleeps until the runner wants to run again, an event comes or the
// files are due, serves the events, runs the runner with the time passed
// and the keys held, and carries out what it reports.
#pragma once

#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <filesystem>

#include "desktop/kept_game.h"
#include "host/sdl/best_depth.h"
#include "host/sdl/run_files.h"
#include "host/sdl/sound.h"
#include "host/sdl/window.h"
#include "runner/runner.h"

namespace murlo::sdl {

// The controllers plugged in, each opened as SDL announces it.
struct Controllers {
    static constexpr int most = 16;
    SDL_GameController* open[most] = {};
};

// Made once, in main, and passed to whatever needs a part of it.
struct Host {
    Runner runner;
    Window window;
    Audio audio;
    Controllers controllers;
    RunFiles files;
    BestDepth best;
    desktop::KeptGame kept;  // the game kept for the next start
    // The settings as the file keeps them (those in use are the window's:
    // the command line's for this run over these), where it is (empty:
    // kept nowhere), and whether a failed write of it was named.
    desktop::Settings stored;
    std::filesystem::path settings_file;
    bool settings_said = false;
    // Escape, pressed in full screen, left it: its release does not quit.
    bool escape_left_full_screen = false;

    std::chrono::steady_clock::time_point started{};  // the host's clock begins here
    std::uint64_t wake_in_us = 0;                      // after this long it wants to run again
    bool sound_held = false;                           // the sound paused with the game
    bool quit = false;  // Escape, the window closed, a signal: the loop ends
    bool display_lost = false;  // ... or the display went away
};

// The runner started with the script to play (empty: none), tracing when
// there is a trace file, and the best depth as stored; the game kept at
// `kept` (empty: none) gone on with, paused, its trace up to there written
// first; then run once: the first picture is on the screen.
void begin(Host& h, runs::Script script, std::int32_t best, const std::filesystem::path& kept = {});
// SIGHUP (the terminal or session gone) ends the loop as Escape does.
void end_on_hangup();
// One turn of the loop (see above). Returns at once when h.quit is set.
// However long the runner would sleep, a signal is noticed within
// signal_check_ms.
constexpr std::uint32_t signal_check_ms = 200;
void turn(Host& h);
// The host's clock: microseconds since the game began.
std::uint64_t now_us(const Host& h);
// What happened, now, told to the runner.
void tell(Host& h, Event event);
// Run the runner now: what it reports is carried out.
void run_now(Host& h);
// A change of the settings by the player's keys (desktop/settings.h),
// shown at once and written to the file (unless it is Escape leaving full
// screen).
using desktop::Change;
void change_settings(Host& h, Change change);

// The way out, wherever the game is: a game in the middle kept for the
// next start and its depth kept as the best if deeper, the trace's quit
// line, the record closed, the sound stopped, the controllers and the
// window let go, SDL shut down.
void finish(Host& h);

}  // namespace murlo::sdl
