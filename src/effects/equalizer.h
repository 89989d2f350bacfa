#pragma once
// The ten-band equalizer's settings and the program's one coefficient table. The effect
// window shows these settings and turns the user's gestures into the calls below; playback and
// the export paths read table() through ApplyEqualizer whenever isOn().
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "effects/apply_equalizer.h"
#include "effects/band_filter.h"
#include "platform/signal.h"
#include "platform/user_dialogs.h"

namespace tqx {

struct EqCoefficientTable {
    std::array<std::array<double, 3>, 10> denominator{};
    std::array<std::array<double, 3>, 10> numerator{};
    bool operator==(const EqCoefficientTable&) const = default;
};

class Equalizer {
public:
    // Starts OFF, with band set 0, every position 0, the readout "----" and a zero table.
    explicit Equalizer(UserDialogs& dialogs);

    bool isOn() const { return on_; }
    const EqCoefficientTable& table() const { return table_; }
    int bandSet() const { return bandSet_; }
    // The position of band i's slider; 0 for an index outside 0..9.
    int bandPosition(int i) const;
    // The text under band i's slider in the current band set; empty outside 0..9.
    std::string bandLabel(int i) const;
    const std::string& readout() const { return readout_; }
    int GetBandCount() const { return static_cast<int>(kEqBandCount); }

    // The ON box changed to `on` (by the user or by loading): runs CheckBox1Click.
    void setOn(bool on);
    // Designs all ten bands from the current settings; does nothing while OFF.
    void CheckBox1Click();
    // A radio button chose band set n (0..4): relabels, then CheckBox1Click. Other n ignored.
    void selectBandSet(int n);
    // Band i's slider moved to p, clamped to −300..300. When the position changes, band i is
    // designed at once (ON or not) and the readout names it.
    void setBandPosition(int i, int p);
    // The reset button: asks first, resets unless the answer is No.
    void Button1Click();
    // Every slider to 0, the readout back to "----", then CheckBox1Click.
    void ResetEqualizer();
    // A new project: reset, OFF, band set 0.
    void newProjectReset();

    // Values read from a project file.
    void loadOn(bool on) { setOn(on); }
    void loadBandSet(std::int32_t n) { selectBandSet(n); }
    void loadBandPosition(int i, std::int32_t p) { setBandPosition(i, p); }

    // Raised after any change of the settings, the readout or the table. Nested operations
    // (a reset moves ten sliders) announce once, at their end.
    Signal<> changed;

private:
    class ChangeScope;
    void BandTrackBarChange(int i);
    void designBand(int i);

    UserDialogs& dialogs_;
    EqCoefficientTable table_{};
    bool on_ = false;
    int bandSet_ = 0;
    std::array<int, kEqBandCount> positions_{};
    std::string readout_ = "----";
    int changeDepth_ = 0;
    bool pending_ = false;
};

}  // namespace tqx
