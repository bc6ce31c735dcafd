// What a desktop game's window shows, and where: the handheld at a whole
// scale, or its screen alone (as the libretro core shows it), in a window
// or on the whole screen. Plain computation shared by both games, so the
// pictures, the pointer, the parts that drag and the drawn controls all
// follow the same numbers.
#pragma once

#include <cstdint>

#include "desktop/settings.h"
#include "game/calls.h"
#include "handheld/handheld.h"

namespace murlo::desktop {

struct View {
    int width, height;  // the window
    bool skin;          // the handheld is drawn (else only its screen)
    int skin_scale;     // the handheld's scale: each skin pixel a square of this side
    int skin_x, skin_y;  // the handheld's top-left corner in the window
    int lcd_left, lcd_top;  // the LCD picture's top-left corner in the window
    int lcd_pixel;          // the side of one display pixel's square
    int lcd_span() const { return lcd_pixel * lcd_size; }
    bool operator==(const View&) const = default;
};

// A window at `scale` (1..max_scale) is the handheld's size at that scale.
// Showing the handheld, the skin fills it; showing the screen alone, the
// LCD is there at the largest whole scale that fits, centred (halves
// truncated), the backdrop around it.
View window_view(Shown shown, int scale);
// The whole screen, `width` x `height`: the handheld at the largest whole
// scale that fits (at least 1), or the LCD at the largest that fits,
// centred on the backdrop.
View full_screen_view(Shown shown, int width, int height);

// The point (x, y) of the window lies on the LCD (the handheld's hit area
// at its scale and place, or the picture and a pixel beyond it alone):
// there the pointer hides and the window does not drag.
bool on_lcd(const View& view, int x, int y);
// The key a click or touch at (x, y) holds on the handheld's drawn
// controls (handheld::skin_keys_at at the view's scale and place); none
// showing the screen alone.
InputBits view_keys_at(const View& view, int x, int y);

// The mark of a muted game, left of the printed name as the best depth is
// right of it: "MUTE" in the LCD's 3 x 5 shapes, a shape pixel to a
// mute_mark::cell square of the skin's ink, in skin pixels.
namespace mute_mark {
constexpr int x = 132, y = 357;
constexpr int cell = 3;
constexpr int rows = 5;
constexpr int columns = 15;  // four shapes of 3, gaps of 1
}  // namespace mute_mark
// Bit c of rows[r] is cell (c, r) of the mark.
void mute_mark_cells(std::uint32_t (&rows)[mute_mark::rows]);

}  // namespace murlo::desktop
