// The desktop host on SDL2: the skinned, shaped window with the LCD image in
// it (window.cpp), the keyboard, timed waits that serve window events and
// the way out (events.cpp), and sound (sound.cpp). Everything runs on the
// game's one thread; events are served only inside poll_input and
// wait_ticks, and the process ends inside one of them once the window has
// been closed.
#pragma once

#include <SDL.h>

namespace murlo::sdl {

extern SDL_Window* main_window;  // none until create_main_window has made it

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

// Stop the sound, let go of the window and end the process with code 0.
[[noreturn]] void host_shutdown();

}  // namespace murlo::sdl
