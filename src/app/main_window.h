#pragma once
// TForm1: the main window. It draws the Studio's state and turns menu commands and
// gestures into calls on it. Top panel: device lists, transport, message memo and the fixed
// ruler; middle: the track column and the clip area side by side; bottom panel: the docking
// site and the file browser.
#include <QMainWindow>

#include "session/studio.h"

class QAction;
class QPlainTextEdit;
class QSplitter;

namespace tqx {

class DeviceBar;
class FileBrowser;
class RulerStrip;
class TimelineView;
class TrackColumn;
class TransportBar;

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 886;
    static constexpr int kClientHeight = 571;
    static constexpr int kTopPanelHeight = 129;
    static constexpr int kFixedRulerTop = 109;
    static constexpr int kBottomPanelHeight = 223;
    static constexpr int kTrackColumnMaxWidth = 340;
    static constexpr const char* kVersionText = "Tinderquillex version 1.01";
    static constexpr const char* kVersionSecondLine = "Linux 版 (Qt 6 / PortAudio)";

    explicit TForm1(Studio& studio, QWidget* parent = nullptr);
    ~TForm1() override;

    Studio& studio() { return studio_; }

    // The empty docking area of the bottom panel; it has a layout, so a widget added to it
    // fills it.
    QWidget* dockSite() const { return dockSite_; }

    DeviceBar* deviceBar() const { return deviceBar_; }
    TransportBar* transportBar() const { return transportBar_; }
    QPlainTextEdit* memo() const { return memo_; }
    RulerStrip* fixedRuler() const { return fixedRuler_; }
    TrackColumn* trackColumn() const { return trackColumn_; }
    TimelineView* timeline() const { return timeline_; }
    FileBrowser* fileBrowser() const { return fileBrowser_; }

    // Menu items, named as the commands they run.
    QAction* newProjectAction = nullptr;    // プロジェクト(&P)...
    QAction* newTrackAction = nullptr;      // トラック(&T)
    QAction* openAction = nullptr;          // 開く(&O)...
    QAction* saveAction = nullptr;          // 上書き保存(&S)
    QAction* saveAsAction = nullptr;        // 名前を付けて保存(&A)...
    QAction* importAction = nullptr;        // オーディオファイルのインポート(&I)...  (N21)
    QAction* exportTrackAction = nullptr;   // トラック(&T)...  (N25)
    QAction* exportChosenAction = nullptr;  // トラック選択(&S)...  (S2)
    QAction* exportAllAction = nullptr;     // 全体(&A)...  (A2)
    QAction* exitAction = nullptr;          // 終了(&X)  (X1)
    QAction* trackViewAction = nullptr;     // トラックビュー(&V)
    QAction* effectAction = nullptr;        // エフェクト(&E)
    QAction* dockAction = nullptr;          // ドッキング(&D)
    QAction* undockAction = nullptr;        // ドッキング解除(&C)
    QAction* expandAllAction = nullptr;     // 全て展開(&O)
    QAction* foldAllAction = nullptr;       // 全て畳む(&F)
    QAction* aboutAction = nullptr;         // バージョン情報(&A)

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildPanels();
    // The fixed ruler over the clip area (left + 2, width - 2), after a resize or a splitter move.
    void alignFixedRuler();
    void showMemo();
    // The project's name and its unsaved-changes mark, or a running command's caption.
    void showTitle();
    void X1Click();
    void AboutClick();
    void FormClose();

    Studio& studio_;
    bool closed_ = false;
    bool shown_ = false;
    QWidget* topPanel_ = nullptr;
    QWidget* topRow_ = nullptr;  // devices, transport and memo, above the fixed ruler
    DeviceBar* deviceBar_ = nullptr;
    TransportBar* transportBar_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    RulerStrip* fixedRuler_ = nullptr;
    QSplitter* rows_ = nullptr;     // middle band over the bottom panel
    QSplitter* columns_ = nullptr;  // track column | clip area
    TrackColumn* trackColumn_ = nullptr;
    TimelineView* timeline_ = nullptr;
    QWidget* dockSite_ = nullptr;
    Connection captionChanged_, memoChanged_;
    Connection modifiedChanged_, projectReplaced_;
    FileBrowser* fileBrowser_ = nullptr;
};

}  // namespace tqx
