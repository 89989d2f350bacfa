#pragma once
// Track and master level meters. Playback and capture measure every block and show the
// result here as the share of the 96.33 dB scale each half of a meter fills; the windows draw
// the bars from these numbers. GUI thread.
#include <array>
#include <vector>

#include "platform/signal.h"

namespace tqx {

class ProjectModel;
class WindowTexts;

// One block's level on the meters' 96.33 dB scale.
struct MeterLevel {
    double dBFS = 0.0;      // level below full scale
    double fraction = 0.0;  // share of the scale the bar fills
};

// What a meter shows: the share of the scale each half fills. A track meter's halves are its
// left and right columns (a mono source fills both alike), the master meter's its upper
// (left) and lower (right) rows.
using MeterHalves = std::array<double, 2>;

class LevelMeters {
public:
    // 20 x log10(65536): the span of the scale, and the level of an empty meter below it.
    static const double kScaleDb;

    LevelMeters(const ProjectModel& model, WindowTexts& texts);

    // Fractions drawn on the master meter, summed between draws (left, right).
    std::array<float, 2> MasterLevelSum{0.0f, 0.0f};
    // Clips taking part in the current run; the master meter is drawn once per that many fills.
    int MeterDivisor = 0;
    // Fills since the master meter was last drawn, by playback and by capture, counted from 1.
    int fillCounter = 1;
    int captureFillCounter = 1;
    // Of the playback fills since the last draw, those of audible clips (which feed the sums).
    int audibleFills = 0;

    // Level of a block whose mean magnitude is `mean` (1.0 = full scale). A silent block
    // measures 0 dB above the floor, that is -96.33 dBFS and fraction 0.
    static MeterLevel levelOfMean(double mean);

    // Channel c of a track's meter: the full width for a mono source, the left or right
    // half for a stereo one. Nothing happens for a slot without a track.
    void DrawTrackMeter(int channels, int track, int c, double dBFS, double f);
    // Channel c of the master meter: upper half left, lower half right.
    void DrawMasterMeter(int c, double dBFS, double f);

    // A measured block (sums of |sample| and sample counts, left and right; 1.0 = full
    // scale) on the track's meter. With `feedMaster` the channels' fractions are added to
    // MasterLevelSum, a mono block's to both halves.
    void showBlockLevels(int channels, int track, const std::array<double, 2>& sum, const std::array<long, 2>& count,
                         bool feedMaster);
    // One more capture fill towards the next master draw: once `counter` passes MeterDivisor
    // the averaged sums are drawn and the count starts again at 1. The sums are not cleared,
    // so each drawn value also carries the previous one.
    void paceMasterMeter(int& counter);
    // One more playback fill, of an audible clip or not. The draw averages the previous value
    // with the audible clips' fractions only, so a muted track does not pull the meter down;
    // with no audible clip at all the meter falls to empty.
    void pacePlaybackMeter(bool audible);

    // Both halves of a track's meter empty.
    void clearTrackMeter(int track);
    // Both halves of the master meter empty and its sums back to zero.
    void clearMaster();

    // What a track slot's meter and the master meter show (empty for a slot without one).
    MeterHalves trackMeter(int slot) const;
    const MeterHalves& masterMeter() const { return master_; }

    Signal<int> trackMeterChanged;  // track slot
    Signal<> masterMeterChanged;

private:
    // The sums divided by `shares` (the previous value and the fills since), and drawn.
    void drawAveragedMaster(int shares);
    void showLevel(double dBFS);

    const ProjectModel& model_;
    WindowTexts& texts_;
    std::vector<MeterHalves> trackMeters_;
    MeterHalves master_{};
};

}  // namespace tqx
