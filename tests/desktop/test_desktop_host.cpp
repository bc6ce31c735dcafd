// The desktop host in a real window under a private Xvfb server: the
// picture of shown frames, checked pixel for pixel on a screenshot; the
// runner driven by the host's loop, on the title and in a game; keys sent
// through the X server; controllers plugged in as SDL virtual joysticks;
// pausing; the best depth on the body; sound written by SDL's disk audio
// driver.
// Each test program run starts its own server. MURLO_TEST_SCALE=N makes
// the window at that scale, on a screen N times as big. Every wait here is
// for a condition, with a deadline a busy machine keeps: nothing asserts
// how long anything took (tools/bench-desktop measures that).
#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "game/calls.h"
#include "handheld/handheld.h"
#include "host/sdl/events.h"
#include "host/sdl/host.h"
#include "host/sdl/sdl_rules.h"

namespace {

using namespace murlo;
using namespace murlo::handheld;
using Clock = std::chrono::steady_clock;

int scale_from_environment() {
    const char* text = std::getenv("MURLO_TEST_SCALE");
    return text != nullptr && text[0] >= '1' && text[0] <= '4' ? text[0] - '0' : 1;
}
const int scale = scale_from_environment();
const Geometry scaled = geometry(scale);
const int screen_width = 1024 * scale;
const int screen_height = 768 * scale;
// Where the window lands on that screen (no window manager moves it).
const int window_x = (screen_width - scaled.window_width) / 2;
const int window_y = (screen_height - scaled.window_height) / 2;

pid_t xvfb_pid = 0;
std::string display_name;
std::filesystem::path scratch;
std::filesystem::path audio_file;
// The host, made once as the game makes it; `live` while its runner runs.
std::unique_ptr<sdl::Host> host;
bool live = false;

// Start Xvfb on a display number of its own choosing.
bool start_xvfb() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    xvfb_pid = fork();
    if (xvfb_pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        const std::string screen = std::to_string(screen_width) + "x" + std::to_string(screen_height) + "x24";
        std::freopen("/dev/null", "w", stderr);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
               "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (xvfb_pid < 0) return false;
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
    close(fds[0]);
    if (number.empty()) return false;
    display_name = ":" + number;
    return true;
}

void stop_xvfb() {
    if (xvfb_pid > 0) {
        kill(xvfb_pid, SIGTERM);
        waitpid(xvfb_pid, nullptr, 0);
        xvfb_pid = 0;
    }
}

int run(const std::string& command) {
    const std::string line = "DISPLAY=" + display_name + " " + command;
    return std::system(line.c_str());
}

// Deadlines: far longer than anything takes, even on a busy machine.
constexpr auto deadline = std::chrono::seconds(60);

// Serve events (every one that has come, or the first within 5 ms), the
// runner run after them while it is live, until `done` holds or the
// deadline has passed; whether it holds.
bool serve_until(const std::function<bool()>& done) {
    const auto end = Clock::now() + deadline;
    while (!done()) {
        if (Clock::now() > end) return false;
        sdl::serve_events(*host, 5);
        if (live) sdl::run_now(*host);
    }
    return true;
}

// The keys held, once they read `expected` or the deadline has passed.
InputBits keys_until(InputBits expected) {
    InputBits bits = 0;
    serve_until([&] { return (bits = sdl::held_keys(*host)) == expected; });
    return bits;
}

// The runner started afresh (the script's keys first), tracing, and live.
void start_runner_live(const runs::Script& script = {}) {
    sdl::begin(*host, script, 0);
    host->runner.tracing = true;
    live = true;
}

// The runner stopped, the sound it left playing or held with it too.
void stop_runner() {
    live = false;
    sdl::pause_sound(host->audio, false);
    host->sound_held = false;
    sdl::silence(host->audio);
}

// The polls the runner made since the trace was last taken, their keys.
std::vector<InputBits> polls_traced() {
    std::vector<InputBits> polls;
    const std::string lines = take_trace(host->runner);
    for (std::size_t at = lines.find("poll "); at != std::string::npos; at = lines.find("poll ", at + 1))
        if (at == 0 || lines[at - 1] == '\n')
            polls.push_back(static_cast<InputBits>(std::stoi(lines.substr(at + 5, 2), nullptr, 16)));
    return polls;
}

// The keys of the runner's next poll, once it has come.
int next_poll() {
    std::vector<InputBits> polls;
    serve_until([&] { return !(polls = polls_traced()).empty(); });
    return polls.empty() ? -1 : polls.front();
}

struct Shot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    Rgb at(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

// A screenshot of the whole screen, read from a binary PPM.
Shot screenshot() {
    Shot shot;
    const std::string command = "DISPLAY=" + display_name + " import -silent -window root -depth 8 ppm:-";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return shot;
    int maxval = 0;
    if (std::fscanf(pipe, "P6 %d %d %d", &shot.width, &shot.height, &maxval) == 3 && maxval == 255) {
        std::fgetc(pipe);  // the one white space after the header
        shot.rgb.resize(static_cast<std::size_t>(shot.width) * shot.height * 3);
        if (std::fread(shot.rgb.data(), 1, shot.rgb.size(), pipe) != shot.rgb.size()) shot.rgb.clear();
    }
    pclose(pipe);
    if (shot.rgb.empty()) shot.width = shot.height = 0;
    return shot;
}

// Screenshots, serving events meanwhile, until one shows what `expected`
// says of each screen pixel of the window's area `area` (window
// coordinates at its scale): true when one does. The last one's wrong
// pixels go into the test's failures, the first five named.
bool expect_window_shows(const SDL_Rect& area, const std::function<Rgb(int, int)>& expected,
                         const char* what) {
    Shot shot;
    int wrong = 0;
    const auto count_wrong = [&] {
        shot = screenshot();
        if (shot.width != screen_width) return false;
        wrong = 0;
        for (int y = area.y; y < area.y + area.h; ++y)
            for (int x = area.x; x < area.x + area.w; ++x)
                if (!(shot.at(window_x + x, window_y + y) == expected(x, y))) ++wrong;
        return wrong == 0;
    };
    if (serve_until(count_wrong)) return true;
    EXPECT_EQ(shot.width, screen_width) << what << ": no screenshot";
    EXPECT_EQ(wrong, 0) << what << ": pixels of the window differ";
    int named = 0;
    for (int y = area.y; y < area.y + area.h && shot.width == screen_width; ++y)
        for (int x = area.x; x < area.x + area.w && named < 5; ++x) {
            const Rgb seen = shot.at(window_x + x, window_y + y), want = expected(x, y);
            if (seen == want) continue;
            ++named;
            ADD_FAILURE() << what << ": window pixel (" << x << ", " << y << ") is " << int(seen.r) << ","
                          << int(seen.g) << "," << int(seen.b) << ", not " << int(want.r) << "," << int(want.g)
                          << "," << int(want.b);
        }
    return false;
}

// The LCD area shows the frame in the LCD's colours (or those given), each
// display pixel an exact square; the skin around it is not painted over.
void expect_lcd_shows(const LcdFrame& frame, const char* what, Rgb clear = lcd_clear, Rgb ink = lcd_ink) {
    const int side = scaled.lcd_pixel, left = scaled.lcd_left, top = scaled.lcd_top;
    const SDL_Rect lcd{left, top, scaled.lcd_span, scaled.lcd_span};
    if (!expect_window_shows(
            lcd,
            [&](int x, int y) { return (frame.row[(y - top) / side] >> ((x - left) / side)) & 1u ? ink : clear; },
            what))
        return;
    const Shot shot = screenshot();
    ASSERT_EQ(shot.width, screen_width) << what;
    // The skin around the LCD area is not painted over.
    const int span = scaled.lcd_span;
    for (int i = 0; i < span; i += 7) {
        for (const auto& [x, y] : {std::pair{left - 1, top + i}, {left + span, top + i},
                                  {left + i, top - 1}, {left + i, top + span}}) {
            const Rgb seen = shot.at(window_x + x, window_y + y);
            EXPECT_FALSE(seen == ink || seen == clear) << what << " at " << x << "," << y;
        }
    }
}

// Bytes the disk audio driver has written so far.
std::vector<unsigned char> audio_output() {
    std::ifstream in(audio_file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool all_silent(const std::vector<unsigned char>& bytes, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to && i < bytes.size(); ++i)
        if (bytes[i] != 0) return false;
    return true;
}

// Wait until the audio file has grown by at least `bytes` more.
std::size_t audio_after(std::size_t start, std::size_t bytes) {
    std::size_t size = 0;
    serve_until([&] { return (size = audio_output().size()) >= start + bytes; });
    return size;
}

class DesktopServer : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/murlo-host-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        audio_file = scratch / "audio.raw";
        ASSERT_TRUE(start_xvfb()) << "cannot start Xvfb";
        setenv("DISPLAY", display_name.c_str(), 1);
        unsetenv("WAYLAND_DISPLAY");
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", audio_file.c_str(), 1);
        setenv("XDG_STATE_HOME", (scratch / "state").c_str(), 1);
        host = std::make_unique<sdl::Host>();
        ASSERT_TRUE(sdl::open_window(host->window, desktop::Settings{.scale = scale}));
        sdl::open_controllers();
        sdl::open_audio(host->audio);
        ASSERT_TRUE(serve_until([] { return run("xwininfo -name 'Murlo Win' | grep -q IsViewable") == 0; }))
            << "the window was never shown";
    }
    void TearDown() override {
        live = false;
        sdl::finish(*host);
        host.reset();
        stop_xvfb();
        std::filesystem::remove_all(scratch);
    }
};

const auto* const server = ::testing::AddGlobalTestEnvironment(new DesktopServer);

// Show the frame and check the screen.
void show_and_expect(const LcdFrame& frame, const char* what) {
    sdl::show_frame(host->window, frame);
    expect_lcd_shows(frame, what);
}

TEST(DesktopHost, FramesShowAsExactEightByEightSquaresInTheTwoColours) {
    LcdFrame frame{};
    show_and_expect(frame, "all clear");
    for (auto& row : frame.row) row = 0xFFFFFFFFu;
    show_and_expect(frame, "all set");
    frame = {};
    frame.row[0] = 0x00000001u;
    show_and_expect(frame, "pixel (0, 0)");
    frame = {};
    frame.row[31] = 0x80000000u;
    show_and_expect(frame, "pixel (31, 31)");
    frame = {};
    frame.row[7] = 0x2Cu;
    show_and_expect(frame, "row word 0x2C");
    // A checkerboard tells neighbouring squares apart: nothing blends.
    for (int y = 0; y < 32; ++y) frame.row[y] = y % 2 ? 0xAAAAAAAAu : 0x55555555u;
    show_and_expect(frame, "checkerboard");
    // Presenting the same frame again changes nothing.
    show_and_expect(frame, "checkerboard again");
    // A few rows changed in the middle: the rest stays as it was.
    for (int y = 10; y <= 12; ++y) frame.row[y] = ~frame.row[y];
    show_and_expect(frame, "rows 10 to 12 changed");
}

TEST(DesktopHost, TheLoopRunsTheTitleAtItsPaceWakingForItsPicturesAlone) {
    // The host's own loop, turn by turn, with no key held: the title's
    // passes, a thousand a second, run in the few turns that show its
    // pictures. (How long anything takes is tools/bench-desktop's to
    // measure; a slower machine only makes more passes a turn.)
    start_runner_live();
    live = false;
    int turns = 0;
    std::size_t passes = 0;
    const auto end = Clock::now() + deadline;
    while (passes < 600 && Clock::now() < end) {
        sdl::turn(*host);
        ++turns;
        for (const InputBits keys : polls_traced()) {
            ASSERT_EQ(keys, 0) << "pass " << passes;
            ++passes;
        }
        ASSERT_EQ(host->runner.state.game.phase, Phase::Title);
    }
    EXPECT_GE(passes, 600u);
    EXPECT_LT(turns * 5, static_cast<int>(passes)) << "a turn for every few passes";
    // Its last picture is what the window shows.
    expect_lcd_shows(runner_picture(host->runner), "the title's last picture");
    stop_runner();
}

TEST(DesktopHost, UncoveredWindowIsRepaintedFromTheLastFrame) {
    LcdFrame frame{};
    for (int y = 0; y < 32; ++y) frame.row[y] = 1u << y;  // a diagonal
    show_and_expect(frame, "a diagonal");
    const Shot before = screenshot();
    ASSERT_EQ(before.width, screen_width);
    // Cover the window with another one, then take it away again.
    SDL_Window* cover = SDL_CreateWindow("cover", window_x - 20, window_y - 20, scaled.window_width + 40,
                                         scaled.window_height + 40, SDL_WINDOW_BORDERLESS);
    ASSERT_NE(cover, nullptr);
    const SDL_Rect whole{0, 0, scaled.window_width, scaled.window_height};
    const bool covered = serve_until([&] {
        SDL_Surface* surface = SDL_GetWindowSurface(cover);
        if (surface == nullptr) return false;
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 10, 200, 10));
        SDL_UpdateWindowSurface(cover);
        return screenshot().at(window_x + 200, window_y + 200) == Rgb{10, 200, 10};
    });
    EXPECT_TRUE(covered) << "the cover never showed";
    SDL_DestroyWindow(cover);
    expect_window_shows(whole, [&](int x, int y) { return before.at(window_x + x, window_y + y); },
                        "the window uncovered");
}

TEST(DesktopHost, KeysAreSampledAsHeld) {
    ASSERT_EQ(run("xdotool search --name '^Murlo Win$' windowfocus --sync"), 0);
    EXPECT_EQ(keys_until(0), 0);
    run("xdotool keydown Right keydown z");
    EXPECT_EQ(keys_until(0x03), 0x03);
    EXPECT_EQ(sdl::held_keys(*host), 0x03);  // still held
    run("xdotool keyup Right keyup z");
    EXPECT_EQ(keys_until(0), 0);
    run("xdotool keydown z keydown Right keydown Left keydown Down keydown Up");
    EXPECT_EQ(keys_until(0x1F), 0x1F);
    run("xdotool keyup Up");
    EXPECT_EQ(keys_until(0x0F), 0x0F);
    run("xdotool keyup z keyup Right keyup Left keyup Down");
    EXPECT_EQ(keys_until(0), 0);
    // Other keys count for nothing: once Up, pressed after them, is seen,
    // they have been seen too.
    run("xdotool keydown a keydown space keydown Return keydown x keydown Up");
    EXPECT_EQ(keys_until(input::Up), input::Up);
    run("xdotool keyup a keyup space keyup Return keyup x keyup Up");
    EXPECT_EQ(keys_until(0), 0);
    // Z whatever Shift or Caps Lock say.
    run("xdotool keydown shift keydown z");
    EXPECT_EQ(keys_until(0x01), 0x01);
    run("xdotool keyup z keyup shift");
    EXPECT_EQ(keys_until(0), 0);
    run("xdotool key Caps_Lock keydown z");
    EXPECT_EQ(keys_until(0x01), 0x01);
    run("xdotool keyup z key Caps_Lock");
    EXPECT_EQ(keys_until(0), 0);
}

// A controller as SDL's virtual joystick, plugged in while the game runs.
struct VirtualPad {
    SDL_Joystick* joystick = nullptr;
    VirtualPad() {
        const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                                    SDL_CONTROLLER_BUTTON_MAX, 0);
        if (index >= 0) joystick = SDL_JoystickOpen(index);
    }
    void press(SDL_GameControllerButton button, bool down) {
        SDL_JoystickSetVirtualButton(joystick, button, down ? 1 : 0);
    }
    void stick(SDL_GameControllerAxis axis, Sint16 value) { SDL_JoystickSetVirtualAxis(joystick, axis, value); }
    // Pressed and then let go, each seen by SDL.
    void click(SDL_GameControllerButton button) {
        press(button, true);
        serve_until([&] { return SDL_JoystickGetButton(joystick, button) != 0; });
        press(button, false);
        serve_until([&] { return SDL_JoystickGetButton(joystick, button) == 0; });
    }
    void pull_out() {
        const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
        SDL_JoystickClose(joystick);
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
};

TEST(DesktopHost, ControllersPluggedInAndPulledOutAddTheirKeysToTheKeyboards) {
    ASSERT_EQ(run("xdotool search --name '^Murlo Win$' windowfocus --sync"), 0);
    EXPECT_EQ(keys_until(0), 0);
    VirtualPad first;
    ASSERT_NE(first.joystick, nullptr) << SDL_GetError();
    first.press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    EXPECT_EQ(keys_until(input::Left), input::Left);
    first.press(SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    first.stick(SDL_CONTROLLER_AXIS_LEFTY, 32767);  // the stick pushed down
    EXPECT_EQ(keys_until(input::Down), input::Down);
    first.press(SDL_CONTROLLER_BUTTON_A, true);
    EXPECT_EQ(keys_until(input::Down | input::Z), input::Down | input::Z);

    // A second controller and the keyboard at the same time.
    VirtualPad second;
    ASSERT_NE(second.joystick, nullptr) << SDL_GetError();
    second.press(SDL_CONTROLLER_BUTTON_B, true);
    second.press(SDL_CONTROLLER_BUTTON_DPAD_UP, true);
    run("xdotool keydown Right");
    const InputBits all = input::Down | input::Z | input::Up | input::Right;
    EXPECT_EQ(keys_until(all), all);
    first.press(SDL_CONTROLLER_BUTTON_A, false);
    EXPECT_EQ(keys_until(all), all);  // Z still held on the second one

    // Pulled out with keys held: they are let go.
    first.pull_out();
    EXPECT_EQ(keys_until(input::Z | input::Up | input::Right), input::Z | input::Up | input::Right);
    second.pull_out();
    EXPECT_EQ(keys_until(input::Right), input::Right);
    run("xdotool keyup Right");
    EXPECT_EQ(keys_until(0), 0);
}

// A game begun by Z at the runner's first poll, played by no key since.
void enter_game() {
    start_runner_live({{input::Z, 1}});
    ASSERT_TRUE(serve_until([] { return in_game(host->runner); })) << "the game never began";
    polls_traced();
}

TEST(DesktopHost, NoKeyStaysHeldWhenTheWindowLosesFocusAndAGamePauses) {
    ASSERT_EQ(run("xdotool search --name '^Murlo Win$' windowfocus --sync"), 0);
    enter_game();
    run("xdotool keydown Right");
    ASSERT_EQ(keys_until(0x02), 0x02);
    // Another program's window takes the keyboard while Right is held, and
    // Right is let go there.
    const std::string other = (scratch / "other.pid").string();
    run("xmessage -geometry 200x60+0+0 -name murlo-other other & echo $! > " + other);
    EXPECT_TRUE(serve_until(
        [] { return run("xdotool search --name '^murlo-other$' windowfocus --sync >/dev/null 2>&1") == 0; }));
    EXPECT_TRUE(serve_until([] { return paused(host->runner); })) << "losing the focus did not pause the game";
    run("xdotool keyup Right");
    // The focus back: still paused, until a key resumes the game. Its next
    // poll sees Down alone: Right is not held.
    ASSERT_EQ(run("xdotool search --name '^Murlo Win$' windowfocus --sync"), 0);
    polls_traced();
    run("xdotool key Down");
    EXPECT_TRUE(serve_until([] { return !paused(host->runner); })) << "Down did not resume the game";
    EXPECT_EQ(next_poll(), input::Down);
    EXPECT_EQ(keys_until(0), 0);
    run("kill $(cat " + other + ")");
    stop_runner();
}

TEST(DesktopHost, APauseDimsTheLastFrameHoldsTheSoundAndEndsByAKeyThatCounts) {
    ASSERT_EQ(run("xdotool search --name '^Murlo Win$' windowfocus --sync"), 0);
    // P at the title does nothing: Up, pressed after it, is seen unpaused.
    start_runner_live();
    run("xdotool key p keydown Up");
    EXPECT_EQ(keys_until(input::Up), input::Up);
    EXPECT_FALSE(paused(host->runner)) << "P paused the title";
    run("xdotool keyup Up");
    EXPECT_EQ(keys_until(0), 0);

    enter_game();
    Runner& r = host->runner;
    sdl::play_sound_file(host->audio, sdl::exe_dir(host->window), "ending.wav");  // half a minute of it
    std::size_t size = audio_after(audio_output().size(), 8192);
    EXPECT_FALSE(all_silent(audio_output(), size - 8192, size)) << "ending.wav was not heard";

    // In a game, P pauses: the last frame dimmed, the sound held.
    run("xdotool key p");
    ASSERT_TRUE(serve_until([&] { return paused(r); })) << "P did not pause the game";
    polls_traced();
    const LcdFrame frame = runner_picture(r);
    expect_lcd_shows(frame, "paused", lcd_paused_clear, lcd_paused_ink);
    size = audio_after(audio_output().size(), 4096);  // what the device had already taken
    std::size_t end = audio_after(size, 22050);
    EXPECT_TRUE(all_silent(audio_output(), size, end)) << "the sound went on while paused";
    EXPECT_TRUE(polls_traced().empty()) << "the game went on while paused";

    // Right, tapped, resumes the game: its next poll sees it held.
    run("xdotool key Right");
    EXPECT_EQ(next_poll(), input::Right);
    EXPECT_FALSE(paused(r));
    size = audio_after(audio_output().size(), 4096);
    end = audio_after(size, 22050);
    EXPECT_FALSE(all_silent(audio_output(), size, end)) << "the sound did not go on";

    // A controller's Start pauses and resumes; P resumes too, and counts as
    // no key at all.
    VirtualPad pad;
    ASSERT_NE(pad.joystick, nullptr) << SDL_GetError();
    pad.press(SDL_CONTROLLER_BUTTON_DPAD_UP, true);  // once this is seen, the game has the pad
    EXPECT_EQ(keys_until(input::Up), input::Up);
    pad.press(SDL_CONTROLLER_BUTTON_DPAD_UP, false);
    EXPECT_EQ(keys_until(0), 0);
    // The press counts at a poll, even one after it was let go.
    EXPECT_TRUE(serve_until([&] { return r.state.resume_keys == 0; }));
    pad.click(SDL_CONTROLLER_BUTTON_START);
    EXPECT_TRUE(serve_until([&] { return paused(r); })) << "Start did not pause the game";
    pad.click(SDL_CONTROLLER_BUTTON_START);
    EXPECT_TRUE(serve_until([&] { return !paused(r); })) << "Start did not resume the game";
    pad.click(SDL_CONTROLLER_BUTTON_START);
    EXPECT_TRUE(serve_until([&] { return paused(r); }));
    polls_traced();
    run("xdotool key p");
    EXPECT_EQ(next_poll(), 0);
    EXPECT_FALSE(paused(r));
    // ... and any of its buttons that give a key resumes the game with it.
    run("xdotool key Pause");
    EXPECT_TRUE(serve_until([&] { return paused(r); })) << "the Pause key did not pause the game";
    polls_traced();
    pad.click(SDL_CONTROLLER_BUTTON_B);
    EXPECT_EQ(next_poll(), input::Z);
    pad.pull_out();
    stop_runner();
}

TEST(DesktopHost, TheBestDepthIsShownOnTheBodyAndKeptWhenDeeper) {
    const std::filesystem::path file = scratch / "state" / "murlo" / "best";
    ASSERT_EQ(sdl::best_depth_path(), file);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "412\n";
    // The skin under the label, to compare with.
    char path[4096];
    ASSERT_TRUE(desktop::find_data_file("window.bmp", sdl::exe_dir(host->window), path, sizeof path));
    SDL_Surface* loaded = SDL_LoadBMP(path);
    ASSERT_NE(loaded, nullptr);
    SDL_Surface* skin = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
    SDL_FreeSurface(loaded);
    ASSERT_NE(skin, nullptr);
    const auto skin_at = [skin](int x, int y) {
        const std::uint32_t p = static_cast<const std::uint32_t*>(skin->pixels)[y * skin->pitch / 4 + x];
        return Rgb{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p)};
    };
    const SDL_Rect label{best::x * scale, best::y * scale, best::columns * best::cell * scale,
                         best::rows * best::cell * scale};
    const auto expect_label = [&](std::int32_t depth, const char* what) {
        std::uint64_t rows[best::rows];
        best_label(depth, rows);
        expect_window_shows(
            label,
            [&](int x, int y) {
                const int c = (x / scale - best::x) / best::cell, r = (y / scale - best::y) / best::cell;
                return (rows[r] >> c) & 1u ? skin_ink : skin_at(x / scale, y / scale);
            },
            what);
    };
    const auto kept = [&] {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    sdl::BestDepth& best = host->best;
    EXPECT_EQ(sdl::load_best_depth(best, host->window), 412);
    expect_label(412, "the best depth read at start-up");
    EXPECT_EQ(sdl::keep_best_depth(best, host->window, 300), 412);
    EXPECT_EQ(kept(), "412\n");
    expect_label(412, "a shallower game");
    EXPECT_EQ(sdl::keep_best_depth(best, host->window, 503), 503);
    EXPECT_EQ(kept(), "503\n");
    expect_label(503, "a deeper game");
    // Another game running at once keeps a deeper one: shown at the next.
    std::ofstream(file) << "777\n";
    EXPECT_EQ(sdl::keep_best_depth(best, host->window, 600), 777);
    EXPECT_EQ(kept(), "777\n");
    expect_label(777, "another game's deeper one");
    SDL_FreeSurface(skin);
}

TEST(DesktopHost, TheGameGoesOnHoweverManyEventsCome) {
    // Events every 2 ms, each waking the loop long before the game's wait
    // is over: none of them holds the game up or starts its wait over.
    enter_game();
    live = false;
    std::atomic<bool> stop{false};
    std::thread events([&] {
        while (!stop) {
            SDL_Event event{};
            event.type = SDL_USEREVENT;
            SDL_PushEvent(&event);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    std::size_t polls = 0;
    const auto end = Clock::now() + deadline;
    while (polls < 20 && Clock::now() < end) {
        sdl::turn(*host);
        polls += polls_traced().size();
    }
    stop = true;
    events.join();
    EXPECT_GE(polls, 20u);
    stop_runner();
}

TEST(DesktopHost, SoundsPlayOneAtATimeAndMissingOnesAreSilence) {
    std::size_t size = audio_after(0, 4096);
    ASSERT_GE(size, 4096u) << "the disk audio driver wrote nothing";

    // A short sound reaches the output.
    sdl::play_sound_file(host->audio, sdl::exe_dir(host->window), "dig.wav");
    std::size_t end = audio_after(size, 22050);  // half a second or more
    std::vector<unsigned char> out = audio_output();
    EXPECT_FALSE(all_silent(out, size, end)) << "dig.wav was not heard";

    // Once it is over, all is quiet; a missing file stays quiet, and so
    // does a sound begun longer ago than it lasts.
    const auto expect_quiet_after = [&](const char* name, std::uint64_t at_us) {
        size = audio_after(audio_output().size(), 4096);
        sdl::play_sound_file(host->audio, sdl::exe_dir(host->window), name, at_us);
        end = audio_after(size, 22050);
        EXPECT_TRUE(all_silent(audio_output(), size, end)) << name << " was heard " << at_us << " us in";
    };
    expect_quiet_after("no-such-sound.wav", 0);
    expect_quiet_after("dig.wav", 60000000);

    // A long sound, cut off by a missing one: silence soon after.
    sdl::play_sound_file(host->audio, sdl::exe_dir(host->window), "ending.wav");
    size = audio_after(audio_output().size(), 8192);
    EXPECT_FALSE(all_silent(audio_output(), size - 8192, size)) << "ending.wav was not heard";
    end = audio_after(size, 8192);
    EXPECT_FALSE(all_silent(audio_output(), size, end)) << "ending.wav ended at once";
    sdl::play_sound_file(host->audio, sdl::exe_dir(host->window), "no-such-sound.wav");
    // What was already handed to the device may still come out.
    size = audio_after(audio_output().size(), 11025);
    end = audio_after(size, 22050);
    EXPECT_TRUE(all_silent(audio_output(), size, end)) << "the cut-off sound went on";

    // Silence stops a playing sound, and does no harm when all is quiet.
    sdl::play_sound_file(host->audio, sdl::exe_dir(host->window), "ending.wav");
    size = audio_after(audio_output().size(), 8192);
    sdl::silence(host->audio);
    sdl::silence(host->audio);
    size = audio_after(audio_output().size(), 11025);
    end = audio_after(size, 22050);
    EXPECT_TRUE(all_silent(audio_output(), size, end)) << "silence left it playing";
}

}  // namespace
