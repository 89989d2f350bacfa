#pragma once
// The texts the windows show of the session: the main window's caption (the title, or the
// text of a long command that runs), the time display, the message memo and the hidden
// diagnostic field. Each change is announced. GUI thread.
#include <string>
#include <vector>

#include "platform/signal.h"
#include "platform/user_dialogs.h"

namespace tqx {

class WindowTexts {
public:
    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& text) {
        caption_ = text;
        captionChanged();
    }

    const std::string& timeText() const { return timeText_; }
    void setTimeText(const std::string& text) {
        timeText_ = text;
        timeChanged();
    }

    const std::vector<std::string>& memo() const { return memo_; }
    void addMemo(const std::string& line) {
        memo_.push_back(line);
        memoChanged();
    }
    void clearMemo() {
        memo_.clear();
        memoChanged();
    }

    // Not shown; the last value written there (a level, a pixel column).
    const std::string& diagnostic() const { return diagnostic_; }
    void setDiagnostic(const std::string& text) { diagnostic_ = text; }

    Signal<> captionChanged;
    Signal<> timeChanged;
    Signal<> memoChanged;

private:
    std::string caption_ = kApplicationTitle;
    std::string timeText_ = "00:00.000";
    std::vector<std::string> memo_;
    std::string diagnostic_;
};

}  // namespace tqx
