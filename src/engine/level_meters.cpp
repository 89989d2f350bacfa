#include "engine/level_meters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/studio.h"

namespace tqx {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kBlue{0, 0, 255};

// Pure green of intensity trunc(f x 255); only the low 8 bits count, so a level above full
// scale (gain can push it there) wraps round rather than saturating.
Rgb barGreen(double f) {
    const long long g = static_cast<long long>(std::trunc(f * 255.0));
    return {0, static_cast<std::uint8_t>(g & 0xFF), 0};
}

int barLength(double f, int span) {
    const double len = std::trunc(f * span);
    return static_cast<int>(std::clamp(len, 0.0, double(span)));
}

}  // namespace

const double LevelMeters::kScaleDb = 20.0 * std::log10(65536.0);

LevelMeters::LevelMeters(Studio& studio)
    : studio_(studio), trackMeters_(kTrackSlots), master_(kMasterWidth, kMasterHeight) {
    // The master meter starts out drawn empty.
    for (int c = 0; c < 2; ++c) {
        MeterLevel empty = levelOfMean(0.0);
        DrawMasterMeter(c, empty.dBFS, empty.fraction);
    }
}

MeterLevel LevelMeters::levelOfMean(double mean) {
    const double x = std::fabs(mean * 65536.0);
    const double level = x > 0.0 ? 20.0 * std::log10(x) : 0.0;
    return {level - kScaleDb, level / kScaleDb};
}

RgbImage* LevelMeters::trackImage(int slot) {
    if (slot < 0 || slot >= static_cast<int>(trackMeters_.size())) return nullptr;
    RgbImage& image = trackMeters_[static_cast<std::size_t>(slot)];
    if (image.empty()) image.resize(kTrackMeterWidth, kTrackMeterHeight, kBlack);
    return &image;
}

const RgbImage& LevelMeters::trackMeter(int slot) {
    static const RgbImage none;
    const RgbImage* image = trackImage(slot);
    return image ? *image : none;
}

void LevelMeters::DrawTrackMeter(int channels, int track, int c, double dBFS, double f) {
    if (!studio_.model.trackExists(track) || c < 0 || c > 1) return;
    RgbImage& image = *trackImage(track);
    const int w = image.width(), h = image.height();
    int x0 = 0, x1 = w;
    if (channels != 1) {
        // Stereo: each channel keeps to its own half, so drawing one leaves the other standing.
        x0 = c == 0 ? 0 : w / 2;
        x1 = c == 0 ? w / 2 : w;
    }
    image.fillRect(x0, 0, x1, h, kBlack);
    const int bar = barLength(f, h);
    const int top = h - bar;
    image.fillRect(x0, top, x1, h, barGreen(f));
    for (int y = h - 1; y >= top; y -= 2) image.hline(x0, x1 - 1, y, kBlue);
    showLevel(dBFS);
}

void LevelMeters::DrawMasterMeter(int c, double dBFS, double f) {
    if (c < 0 || c > 1) return;
    const int w = master_.width(), h = master_.height();
    const int y0 = c == 0 ? 0 : h / 2;
    const int y1 = c == 0 ? h / 2 : h;
    master_.fillRect(0, y0, w, y1, kBlack);
    const int len = barLength(f, w);
    master_.fillRect(0, y0, len, y1, barGreen(f));
    for (int x = 0; x < len; x += 2) master_.vline(x, y0, y1 - 1, kBlue);
    master_.hline(0, w - 1, 0, kBlue);
    master_.hline(0, w - 1, h - 1, kBlue);
    master_.vline(0, 0, h - 1, kBlue);
    master_.vline(w - 1, 0, h - 1, kBlue);
    showLevel(dBFS);
}

void LevelMeters::showBlockLevels(int channels, int track, const std::array<double, 2>& sum,
                                  const std::array<long, 2>& count, bool feedMaster) {
    double fraction0 = 0.0;
    for (std::size_t c = 0; c < std::size_t(std::clamp(channels, 0, 2)); ++c) {
        const MeterLevel level = levelOfMean(count[c] ? sum[c] / double(count[c]) : 0.0);
        if (c == 0) fraction0 = level.fraction;
        DrawTrackMeter(channels, track, int(c), level.dBFS, level.fraction);
        if (feedMaster) MasterLevelSum[c] += static_cast<float>(level.fraction);
    }
    if (feedMaster && channels == 1) MasterLevelSum[1] += static_cast<float>(fraction0);
}

void LevelMeters::paceMasterMeter(int& counter) {
    counter += 1;
    if (MeterDivisor >= counter) return;
    drawAveragedMaster(counter);
    counter = 1;
}

void LevelMeters::pacePlaybackMeter(bool audible) {
    fillCounter += 1;
    if (audible) ++audibleFills;
    if (MeterDivisor >= fillCounter) return;
    if (audibleFills == 0) MasterLevelSum = {0.0f, 0.0f};
    drawAveragedMaster(audibleFills + 1);
    fillCounter = 1;
    audibleFills = 0;
}

void LevelMeters::drawAveragedMaster(int shares) {
    for (std::size_t c = 0; c < 2; ++c) {
        MasterLevelSum[c] = MasterLevelSum[c] / static_cast<float>(shares);
        DrawMasterMeter(int(c), 0.0, MasterLevelSum[c]);
    }
}

void LevelMeters::clearTrackMeter(int track) {
    const MeterLevel empty = levelOfMean(0.0);
    for (int c = 0; c < 2; ++c) DrawTrackMeter(2, track, c, empty.dBFS, empty.fraction);
}

void LevelMeters::clearMaster() {
    const MeterLevel empty = levelOfMean(0.0);
    for (int c = 0; c < 2; ++c) DrawMasterMeter(c, empty.dBFS, empty.fraction);
    MasterLevelSum = {0.0f, 0.0f};
}

// The last level drawn goes to the hidden diagnostic field as plain text.
void LevelMeters::showLevel(double dBFS) {
    char text[32];
    std::snprintf(text, sizeof text, "%.15g", dBFS);
    studio_.diagnostic = text;
    studio_.notify(Change::Meters);
}

}  // namespace tqx
