#include "engine/master_volume.h"

#include <algorithm>
#include <cmath>

namespace tqx {

MasterVolume::MasterVolume(UserDialogs& dialogs) : dialogs_(dialogs) {}

MasterVolume::~MasterVolume() { release(); }

void MasterVolume::load() { loadNamed(kLibraryName); }

void MasterVolume::loadNamed(const std::string& fileName) {
    release();
    library_ = SharedLibrary::loadFromProgramDirectory(fileName);
    if (!library_) {
        dialogs_.showMessage(kLoadFailedMessage);
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
    DrawMasterVolume(static_cast<int>(std::trunc((kWidth + 0.5) * v)));
}

void MasterVolume::release() {
    functions_ = {};
    library_.reset();
}

void MasterVolume::setColumn(int x) {
    x = std::clamp(x, 0, kWidth);
    DrawMasterVolume(x);
    if (functions_.SetVolume) functions_.SetVolume(static_cast<int>(std::trunc(double(x) / kWidth * 100.0 + 0.5)));
}

void MasterVolume::DrawMasterVolume(int x) {
    column_ = x;
    const double p = std::clamp(double(x) / kWidth * 100.0 + 0.5, 0.0, 100.0);
    percentText_ = std::to_string(static_cast<int>(std::trunc(p)));
    drawn_ = true;
    changed();
}

}  // namespace tqx
