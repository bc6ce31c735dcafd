// The Windows program: the host made, the game started in its window and
// run turn by turn until the quit message, then closed.
#include <memory>
#include <new>

#include "host/win32/win32_host.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace murlo;
    // The runner holds an advance's calls, up to a few hundred frames: the
    // host is made once, off the stack.
    const std::unique_ptr<Host> host(new (std::nothrow) Host{});
    if (host == nullptr) return failed_start();
    host->instance = instance;
    if (!start_host(*host, {})) return failed_start();
    while (host_turn(*host)) {
    }
    close_host(*host);
    return 0;
}
