#pragma once
// The ten-band equalizer's settings and coefficient table (placeholder until it lands).
#include <array>

#include "platform/user_dialogs.h"

namespace tqx {

struct EqCoefficientTable {
    std::array<std::array<double, 3>, 10> denominator{};
    std::array<std::array<double, 3>, 10> numerator{};
};

class Equalizer {
public:
    explicit Equalizer(UserDialogs& dialogs) : dialogs_(dialogs) {}
    bool isOn() const { return false; }
    const EqCoefficientTable& table() const { return table_; }

private:
    UserDialogs& dialogs_;
    EqCoefficientTable table_{};
};

}  // namespace tqx
