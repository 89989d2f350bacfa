#include "engine/master_volume.h"

#include <algorithm>
#include <cmath>

#include "engine/studio.h"

namespace tqx {

namespace {

constexpr Rgb kBackground{163, 73, 164};
constexpr Rgb kFrame{0, 0, 0};
constexpr Rgb kWedge{64, 64, 64};

// Colour of a filled column by its place in percent of the width.
Rgb bandColour(double percent) {
    if (percent > 80) return {255, 0, 0};
    if (percent > 60) return {0, 255, 0};
    if (percent > 40) return {200, 240, 0};
    if (percent > 20) return {200, 225, 0};
    return {200, 200, 0};
}

}  // namespace

MasterVolume::MasterVolume(Studio& studio) : studio_(studio) {}

MasterVolume::~MasterVolume() { release(); }

void MasterVolume::load() { loadNamed(kLibraryName); }

void MasterVolume::loadNamed(const std::string& fileName) {
    release();
    library_ = SharedLibrary::loadFromProgramDirectory(fileName);
    if (!library_) {
        studio_.dialogs.showMessage(kLoadFailedMessage);
        return;
    }
    Functions f;
    if (auto get = library_->function<double (*)()>("GetVolume")) f.GetVolume = get;
    if (auto set = library_->function<void (*)(int)>("SetVolume")) f.SetVolume = set;
    start(f);
}

void MasterVolume::attach(Functions functions) {
    release();
    start(functions);
}

void MasterVolume::start(const Functions& functions) {
    functions_ = functions;
    double v = 0.0;
    if (functions_.GetVolume) {
        functions_.GetVolume();  // the first answer is not used; the second is the current volume
        v = functions_.GetVolume();
    }
    dragging_ = false;
    DrawMasterVolume(static_cast<int>(std::trunc((kWidth + 0.5) * v)));
}

void MasterVolume::release() {
    functions_ = {};
    library_.reset();
}

void MasterVolume::MouseDown() { dragging_ = true; }

void MasterVolume::MouseUp() { dragging_ = false; }

void MasterVolume::MouseMove(int x) {
    if (!dragging_) return;
    x = std::clamp(x, 0, kWidth);
    DrawMasterVolume(x);
    if (functions_.SetVolume)
        functions_.SetVolume(static_cast<int>(std::trunc(double(x) / kWidth * 100.0 + 0.5)));
}

void MasterVolume::DrawMasterVolume(int x) {
    const int W = kWidth, H = kHeight;
    RgbImage img(W, H, kBackground);
    img.hline(0, W - 1, H - 1, kFrame);
    img.vline(W - 1, 0, H - 1, kFrame);
    // The wedge rises to the right, reaching the top at 80% of the width.
    const double slope = H / (0.8 * W);
    auto column = [&](int i, Rgb c) {
        img.vline(i, H - 2, static_cast<int>(std::trunc(H - i * slope - 2)), c);
    };
    for (int i = 0; i < W; i += 2) column(i, kWedge);
    for (int i = 0; i < x; i += 2) column(i, bandColour(double(i) / W * 100.0));
    img.set(0, H - 1, kBackground);
    image_ = std::move(img);

    const double p = std::clamp(double(x) / W * 100.0 + 0.5, 0.0, 100.0);
    percentText_ = std::to_string(static_cast<int>(std::trunc(p)));
    drawn_ = true;
    studio_.notify(Change::MasterVolume);
}

}  // namespace tqx
