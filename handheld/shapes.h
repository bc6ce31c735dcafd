// Drawing by signed distances, shared by the skin and the icon generator:
// colours and their mixing, the distance to a rounded box or a circle
// (negative inside), and how much of a pixel a shape covers.
#pragma once

#include <algorithm>
#include <cmath>

namespace murlo::art {

struct Colour {
    double r, g, b;
};

inline Colour mix(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Colour lighten(Colour c, double amount) {  // amount < 0 darkens
    if (amount >= 0) return mix(c, {255, 255, 255}, amount);
    return mix(c, {0, 0, 0}, -amount);
}

// The box from (x0, y0) to (x1, y1) with corners rounded by `radius`.
inline double box(double px, double py, double x0, double y0, double x1, double y1, double radius) {
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    const double qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    const double outside = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

inline double circle(double px, double py, double cx, double cy, double radius) {
    return std::hypot(px - cx, py - cy) - radius;
}

// How much of a pixel a shape covers, from its distance in pixels at the
// pixel's centre.
inline double cover(double distance) { return std::clamp(0.5 - distance, 0.0, 1.0); }

}  // namespace murlo::art
