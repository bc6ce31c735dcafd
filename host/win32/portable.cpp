#include "host/win32/portable.h"

#include "game/game.h"

namespace murlo {

void frame_to_presented(const LcdFrame& frame, std::uint8_t (&out)[presented_bytes]) {
    for (int y = 0; y < 32; ++y) {
        const std::uint32_t word = frame.row[y];
        // Columns 8k..8k+7 sit in bits 8k..8k+7 of the word, leftmost lowest;
        // the bitmap wants the leftmost in bit 7.
        out[4 * y + 0] = bit_reverse_table[word & 0xFFu];
        out[4 * y + 1] = bit_reverse_table[(word >> 8) & 0xFFu];
        out[4 * y + 2] = bit_reverse_table[(word >> 16) & 0xFFu];
        out[4 * y + 3] = bit_reverse_table[(word >> 24) & 0xFFu];
    }
}

const KeyBinding key_table[key_count] = {
    {0x5A, input::Z},      // the letter key Z
    {0x27, input::Right},  // VK_RIGHT
    {0x25, input::Left},   // VK_LEFT
    {0x28, input::Down},   // VK_DOWN
    {0x26, input::Up},     // VK_UP
};

InputBits keys_from_state(const std::uint8_t (&state)[256]) {
    InputBits held = 0;
    for (const KeyBinding& key : key_table)
        if (state[key.virtual_key] & 0x80u) held = static_cast<InputBits>(held | key.mask);
    return held;
}

KeyPress key_press(std::uint8_t virtual_key) {
    constexpr std::uint8_t vk_p = 0x50, vk_pause = 0x13;
    KeyPress press{virtual_key == vk_p || virtual_key == vk_pause, 0};
    for (const KeyBinding& key : key_table)
        if (key.virtual_key == virtual_key) press.key = key.mask;
    return press;
}

std::optional<desktop::Change> settings_key(std::uint8_t virtual_key, bool alt) {
    using desktop::Change;
    switch (virtual_key) {
    case 0x7A:  // VK_F11
        return Change::full_screen;
    case 0x0D:  // VK_RETURN
        if (alt) return Change::full_screen;
        return std::nullopt;
    case 0x53:  // S
        return Change::shown;
    case 0x4D:  // M
        return Change::mute;
    case 0x43:  // C
        return Change::palette;
    case 0xBB:  // VK_OEM_PLUS, the = and + key
    case 0x6B:  // VK_ADD
        return Change::bigger;
    case 0xBD:  // VK_OEM_MINUS
    case 0x6D:  // VK_SUBTRACT
        return Change::smaller;
    default:
        return std::nullopt;
    }
}

InputBits xinput_keys(const XInputPad& pad) {
    const auto held = [&pad](std::uint16_t button) { return (pad.buttons & button) != 0; };
    return handheld::pad_keys({held(xinput::dpad_up), held(xinput::dpad_down), held(xinput::dpad_left),
                              held(xinput::dpad_right), held(xinput::a), held(xinput::b), pad.thumb_lx,
                              -static_cast<int>(pad.thumb_ly)});
}

std::size_t skin_pixel_bytes(int width, int height) {
    if (width <= 0 || height <= 0) return 0;
    // Both below 2^31, so neither product below can wrap in 64 bits.
    const std::uint64_t stride = (3 * static_cast<std::uint64_t>(width) + 3) & ~std::uint64_t{3};
    const std::uint64_t bytes = stride * static_cast<std::uint64_t>(height);
    return bytes > 0x7FFFFFFFu ? 0 : static_cast<std::size_t>(bytes);
}

std::vector<PixelRun> opaque_runs(const std::uint8_t* pixels, std::size_t stride, handheld::Rgb key,
                                  int width, int height) {
    std::vector<PixelRun> runs;
    if (width <= 0) return runs;  // no pixels, and no row to point into
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * stride;
        bool open = false;
        int start = 0;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + 3 * static_cast<std::size_t>(x);
            const bool opaque = p[0] != key.b || p[1] != key.g || p[2] != key.r;
            if (opaque) {
                if (!open) {
                    open = true;
                    start = x;
                }
            } else if (open) {
                runs.push_back({start, x, y});
                open = false;
            }
        }
        if (open) runs.push_back({start, width, y});
    }
    return runs;
}

}  // namespace murlo
