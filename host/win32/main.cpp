// The Windows program: keep the instance for the window class, read the
// best depth, make the window, start the game and drive it until the quit
// message ends it.
#include <memory>
#include <new>

#include "cycle/cycle.h"
#include "host/win32/win32_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace murlo;
    app_instance = instance;
    // A step lists up to a few hundred frames: the game and its calls are
    // made once, off the stack.
    const std::unique_ptr<Game> game(new (std::nothrow) Game{});
    const std::unique_ptr<Calls> calls(new (std::nothrow) Calls{});
    if (game == nullptr || calls == nullptr) fail_to_start();
    load_best();
    create_main_window();
    start_up(*game, *calls);
    carry_out(*calls);
    handheld::TitlePace pace;
    for (;;) play_turn(*game, *calls, pace);
}
