// The Windows program: keep the instance for the window class, then play.
#include "game/game.h"
#include "host/win32/win32_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    murlo::app_instance = instance;
    murlo::game_main();
}
