#pragma once
// The system's master volume, read and set through libCorvane.so, loaded from the program's
// directory. The control shows it as a wedge of 126 columns filled up to a column; this keeps
// that column and the percentage, the window draws them and passes on the mouse. GUI thread.
#include <functional>
#include <optional>
#include <string>

#include "platform/shared_library.h"
#include "platform/signal.h"
#include "platform/user_dialogs.h"

namespace tqx {

class MasterVolume {
public:
    static constexpr int kWidth = 126;  // columns of the control
    static constexpr const char* kLibraryName = "libCorvane.so";
    static constexpr const char* kLoadFailedMessage = "Corvane.dllの読み込みに失敗しました。";

    // The two functions of the volume library.
    struct Functions {
        std::function<double()> GetVolume;
        std::function<void(int)> SetVolume;
    };

    explicit MasterVolume(UserDialogs& dialogs);
    ~MasterVolume();

    // Loads the library and draws the current volume; a library that cannot be loaded is
    // reported and the control then only redraws itself.
    void load();
    // The same with a library of another file name in the program's directory.
    void loadNamed(const std::string& fileName);
    // Uses the given functions as if they came from the library (tests and other backends).
    void attach(Functions functions);
    void release();
    bool loaded() const { return static_cast<bool>(functions_.SetVolume); }

    // The user set the volume to column x of the control (limited to 0..kWidth).
    void setColumn(int x);
    // Shows the wedge filled up to column x.
    void DrawMasterVolume(int x);

    int column() const { return column_; }
    bool drawn() const { return drawn_; }
    // The percentage the control writes over the wedge ("0".."100"); empty until drawn.
    const std::string& percentText() const { return percentText_; }

    Signal<> changed;

private:
    void start(const Functions& functions);

    UserDialogs& dialogs_;
    std::optional<SharedLibrary> library_;
    Functions functions_;
    bool drawn_ = false;
    int column_ = 0;
    std::string percentText_;
};

}  // namespace tqx
