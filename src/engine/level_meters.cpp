#include "engine/level_meters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/window_texts.h"
#include "project/project_model.h"

namespace tqx {

const double LevelMeters::kScaleDb = 20.0 * std::log10(65536.0);

LevelMeters::LevelMeters(const ProjectModel& model, WindowTexts& texts)
    : model_(model), texts_(texts), trackMeters_(kTrackSlots) {}

MeterLevel LevelMeters::levelOfMean(double mean) {
    const double x = std::fabs(mean * 65536.0);
    const double level = x > 0.0 ? 20.0 * std::log10(x) : 0.0;
    return {level - kScaleDb, level / kScaleDb};
}

MeterHalves LevelMeters::trackMeter(int slot) const {
    return model_.trackExists(slot) ? trackMeters_[static_cast<std::size_t>(slot)] : MeterHalves{};
}

void LevelMeters::DrawTrackMeter(int channels, int track, int c, double dBFS, double f) {
    if (!model_.trackExists(track) || c < 0 || c > 1) return;
    MeterHalves& halves = trackMeters_[static_cast<std::size_t>(track)];
    // Stereo: each channel keeps to its own half, so drawing one leaves the other standing.
    if (channels == 1)
        halves = {f, f};
    else
        halves[std::size_t(c)] = f;
    showLevel(dBFS);
    trackMeterChanged(track);
}

void LevelMeters::DrawMasterMeter(int c, double dBFS, double f) {
    if (c < 0 || c > 1) return;
    master_[std::size_t(c)] = f;
    showLevel(dBFS);
    masterMeterChanged();
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
    texts_.setDiagnostic(text);
}

}  // namespace tqx
