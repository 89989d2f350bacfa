#include "effects/equalizer.h"

#include <algorithm>

namespace tqx {

namespace {
bool isBand(int i) { return i >= 0 && i < static_cast<int>(kEqBandCount); }
}  // namespace

// Marks a change and reports it when the outermost operation ends.
class Equalizer::ChangeScope {
public:
    explicit ChangeScope(Equalizer& eq) : eq_(eq) { ++eq_.changeDepth_; }
    ~ChangeScope() {
        if (--eq_.changeDepth_ == 0 && eq_.pending_) {
            eq_.pending_ = false;
            eq_.changed();
        }
    }
    void changed() { eq_.pending_ = true; }

private:
    Equalizer& eq_;
};

Equalizer::Equalizer(UserDialogs& dialogs) : dialogs_(dialogs) {
    CheckBox1Click();  // nothing yet: ON starts unchecked and the table stays zero
}

int Equalizer::bandPosition(int i) const { return isBand(i) ? positions_[i] : 0; }

std::string Equalizer::bandLabel(int i) const { return isBand(i) ? EqBandSets[bandSet_].labels[i] : std::string(); }

void Equalizer::designBand(int i) {
    const float frequency = EqBandSets[bandSet_].frequencies[i];
    const double r = static_cast<double>(frequency) / EQ_DESIGN_RATE;
    const EqBandFilter f = DesignBandFilter(r, kEqQuality, EqGainAtPosition(positions_[i]));
    table_.denominator[i] = f.denominator;
    table_.numerator[i] = f.numerator;
}

void Equalizer::setOn(bool on) {
    ChangeScope scope(*this);
    if (on != on_) {
        on_ = on;
        scope.changed();
    }
    CheckBox1Click();
}

void Equalizer::CheckBox1Click() {
    if (!on_) return;
    ChangeScope scope(*this);
    for (int i = 0; i < static_cast<int>(kEqBandCount); ++i) designBand(i);
    scope.changed();
}

void Equalizer::selectBandSet(int n) {
    if (n < 0 || n >= static_cast<int>(kEqBandSetCount)) return;
    ChangeScope scope(*this);
    bandSet_ = n;  // the labels follow the set
    scope.changed();
    CheckBox1Click();
}

void Equalizer::setBandPosition(int i, int p) {
    if (!isBand(i)) return;
    p = std::clamp(p, kEqPositionMin, kEqPositionMax);
    if (p == positions_[i]) return;
    ChangeScope scope(*this);
    positions_[i] = p;
    BandTrackBarChange(i);
    scope.changed();
}

void Equalizer::BandTrackBarChange(int i) {
    readout_ = EqReadoutText(bandLabel(i), EqGainAtPosition(positions_[i]));
    // Kept current even while OFF, unlike a change of band set.
    designBand(i);
}

void Equalizer::Button1Click() {
    const DialogAnswer answer =
        dialogs_.messageBox("リセットしますか？", kApplicationTitle, DialogIcon::Warning, DialogButtons::YesNo);
    if (answer != DialogAnswer::No) ResetEqualizer();
}

void Equalizer::ResetEqualizer() {
    ChangeScope scope(*this);
    for (int i = 0; i < static_cast<int>(kEqBandCount); ++i) setBandPosition(i, 0);
    readout_ = "----";
    scope.changed();
    CheckBox1Click();
}

void Equalizer::newProjectReset() {
    ChangeScope scope(*this);
    ResetEqualizer();
    setOn(false);
    selectBandSet(0);
}

}  // namespace tqx
