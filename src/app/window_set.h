#pragma once
// The six windows of the program and what joins them: the view menu's docking commands, the
// new-project command with its dialog, the track choice of the mixdown, and the start-up
// sequence that docks the pages and asks for a project.
#include <QObject>

namespace tqx {

class Studio;
class TForm1;
class TForm2;
class TForm4;
class TForm5;
class TForm6;

class WindowSet : public QObject {
    Q_OBJECT
public:
    WindowSet(Studio& studio, TForm1& main, TForm2& effect, TForm4& newProject, TForm5& trackView, TForm6& host);

    // The main window was shown for the first time: pages into the host, the host into the
    // bottom panel, then the new-project dialog.
    void firstShown();

private:
    Studio& studio_;
    TForm1& main_;
    TForm2& effect_;
    TForm4& newProject_;
    TForm5& trackView_;
    TForm6& host_;
};

}  // namespace tqx
