#include "forms/rgb_image.h"

#include <algorithm>

#include <QImage>

namespace tqx {

void RgbImage::resize(int width, int height, Rgb fill) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    pixels_.assign(static_cast<std::size_t>(width_) * height_, fill.value());
}

void RgbImage::set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = c.value();
}

Rgb RgbImage::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    std::uint32_t v = pixels_[static_cast<std::size_t>(y) * width_ + x];
    return {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

void RgbImage::fill(Rgb c) { std::fill(pixels_.begin(), pixels_.end(), c.value()); }

void RgbImage::fillRect(int left, int top, int right, int bottom, Rgb c) {
    for (int y = std::max(0, top); y < std::min(bottom, height_); ++y)
        for (int x = std::max(0, left); x < std::min(right, width_); ++x)
            pixels_[static_cast<std::size_t>(y) * width_ + x] = c.value();
}

void RgbImage::hline(int x0, int x1, int y, Rgb c) {
    if (x0 > x1) std::swap(x0, x1);
    for (int x = x0; x <= x1; ++x) set(x, y, c);
}

void RgbImage::vline(int x, int y0, int y1, Rgb c) {
    if (y0 > y1) std::swap(y0, y1);
    for (int y = y0; y <= y1; ++y) set(x, y, c);
}

QImage toQImage(const RgbImage& image) {
    QImage out(image.width(), image.height(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = 0xFF000000u | image.at(x, y).value();
    }
    return out;
}

}  // namespace tqx
