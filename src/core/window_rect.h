// A window's outer rectangle on the screen, in pixels.
#pragma once

namespace vq {

struct WindowRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

}  // namespace vq
