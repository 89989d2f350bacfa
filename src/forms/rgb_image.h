#pragma once
// A small off-screen picture (0xRRGGBB pixels) for the pictures whose every pixel follows a
// rule: level meters, slider bars and the volume wedge are drawn into one and copied to the
// screen.
#include <cstdint>
#include <vector>

class QImage;

namespace tqx {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    constexpr std::uint32_t value() const { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | b; }
    bool operator==(const Rgb&) const = default;
};

class RgbImage {
public:
    RgbImage() = default;
    RgbImage(int width, int height, Rgb fill = {}) { resize(width, height, fill); }

    void resize(int width, int height, Rgb fill = {});
    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }

    // Out-of-range pixels are ignored when drawing and read as black.
    void set(int x, int y, Rgb c);
    Rgb at(int x, int y) const;
    void fill(Rgb c);
    void fillRect(int left, int top, int right, int bottom, Rgb c);  // right/bottom exclusive
    // Lines include both end points, like a pen that also draws its last pixel.
    void hline(int x0, int x1, int y, Rgb c);
    void vline(int x, int y0, int y1, Rgb c);

    const std::vector<std::uint32_t>& pixels() const { return pixels_; }

private:
    int width_ = 0, height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// The picture as the screen takes it.
QImage toQImage(const RgbImage& image);

}  // namespace tqx
