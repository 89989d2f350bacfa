#pragma once
// The master volume control: a wedge drawn into a 126 x 20 image that shows and sets the
// system's master volume through libCorvane.so, loaded from the program's directory.
#include <functional>
#include <optional>
#include <string>

#include "platform/rgb_image.h"
#include "platform/shared_library.h"

namespace tqx {

class Studio;

class MasterVolume {
public:
    static constexpr int kWidth = 126;
    static constexpr int kHeight = 20;
    static constexpr const char* kLibraryName = "libCorvane.so";
    static constexpr const char* kLoadFailedMessage = "Corvane.dllの読み込みに失敗しました。";

    // The two functions of the volume library.
    struct Functions {
        std::function<double()> GetVolume;
        std::function<void(int)> SetVolume;
    };

    explicit MasterVolume(Studio& studio);
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

    // The mouse on the image: the volume follows the mouse while the button is held.
    void MouseDown();
    void MouseMove(int x);
    void MouseUp();
    bool dragging() const { return dragging_; }

    // Draws the wedge filled up to column x.
    void DrawMasterVolume(int x);

    const RgbImage& image() const { return image_; }
    bool drawn() const { return drawn_; }
    // The percentage the widget writes over the image ("0".."100"); empty until drawn.
    const std::string& percentText() const { return percentText_; }

private:
    void start(const Functions& functions);

    Studio& studio_;
    std::optional<SharedLibrary> library_;
    Functions functions_;
    bool dragging_ = false;
    bool drawn_ = false;
    RgbImage image_;
    std::string percentText_;
};

}  // namespace tqx
