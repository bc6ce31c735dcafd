// The desktop host on SDL2: the skinned, shaped window with the LCD image in
// it (window.cpp), the keyboard and controllers, timed waits that serve
// window events and the way out (events.cpp), sound (sound.cpp), and
// recorded runs (run_files.cpp). Everything runs on the
// game's one thread; events are served only inside poll_input and
// wait_ticks, and the process ends inside one of them once the window has
// been closed.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

#include "game/host.h"

namespace murlo::sdl {

extern SDL_Window* main_window;  // none until create_main_window has made it
// The window's scale, 1 to handheld::max_scale; set before the window is
// made, where 0 asks for the largest that fits (and becomes it).
extern int window_scale;

// Where the skin and sounds are looked for besides the working directory:
// the folder of the program, or null when unknown.
const char* exe_dir();

// Put the presented image on the screen: the whole window, or only the LCD
// rows that changed since the last time.
void show_window(bool whole);
// Hide the pointer over the LCD, show it elsewhere.
void set_pointer_hidden(bool hidden);
// Let go of the window's pictures.
void close_window();

void open_audio();
void close_audio();

// Game controllers: every one in SDL's controller database, as they are
// plugged in and pulled out (events.cpp).
void open_controllers();
// The keys held on the keyboard and every controller, as of the events
// served so far.
InputBits held_keys();

// Recorded runs (run_files.cpp). Before the window: read the script to
// play and open the files to write, any of them null for none; false with
// a message naming the file when one cannot be had.
bool open_run_files(const char* play, const char* record, const char* trace, std::string& problem);
// The next poll's keys from the script being played; false once it is used
// up (or there is none), and the keyboard takes over.
bool played_keys(InputBits& keys);
// Each host call, into the record and the trace.
void note_poll(InputBits keys);
void note_present(const LcdFrame& frame);
void note_wait(std::uint32_t ticks);
void note_sound(const char* name);
void note_stop();
// Written text goes to the system at least once a second: how long a wait
// may sleep before that is due (no limit when nothing is written), and the
// flush itself when it is.
std::uint32_t ms_until_flush();
void flush_run_files_when_due();
// The trace's quit line, the record's last run, and both files closed.
void close_run_files();

// Stop the sound, let go of the window and end the process with code 0.
[[noreturn]] void host_shutdown();

}  // namespace murlo::sdl
