#pragma once
// TForm1: the main window. It draws the Studio's state and turns menu commands and
// gestures into calls on it. Top panel: device lists, transport, message memo and the fixed
// ruler; middle: the track column and the clip area side by side; bottom panel: the docking
// site and the file browser.
#include <map>
#include <memory>

#include <QList>
#include <QMainWindow>

#include "session/studio.h"

class QAction;
class QMenu;
class QPlainTextEdit;
class QSplitter;

namespace tqx {

class DeviceBar;
class FileBrowser;
class RecentProjects;
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
    // The opening size on a screen with room for it; a smaller screen gets its available area.
    static constexpr int kOpeningWidth = 1280;
    static constexpr int kOpeningHeight = 800;
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
    // Keys of the transport, on the window (no menu has them): Space, Home and R.
    QAction* playKeyAction = nullptr;
    QAction* toStartKeyAction = nullptr;
    QAction* recordKeyAction = nullptr;

    // Sizes the window and its panels to fit `available` (a screen's available area, in
    // which the window manager's frame must fit too): at most kOpeningWidth x kOpeningHeight,
    // the middle band high enough for four track rows, the bottom panel taking what is left
    // up to its share, the file browser at its widths as far as the docking site keeps room.
    void applyOpeningSize(const QRect& available);

    // The file menu lists these projects (opened or saved) above "終了(&X)", and opens one
    // when it is chosen. Without it the menu lists none.
    void useRecentProjects(std::unique_ptr<RecentProjects> recent);
    RecentProjects* recentProjects() const { return recent_.get(); }
    // The recent projects' entries of the file menu, most recent first.
    QList<QAction*> recentProjectActions() const { return recentActions_; }

    QSplitter* rowsSplitter() const { return rows_; }
    QSplitter* columnsSplitter() const { return columns_; }
    QSplitter* bottomSplitter() const { return bottomRow_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildPanels();
    void buildShortcuts();
    void buildRecentProjects();
    void showRecentProjects();
    void rememberProject(const std::string& path);
    void openRecentProject(const QString& path);
    // Splitter positions the user set are put back after the docking commands change the
    // bottom panel.
    void watchSplitters();
    void restoreSplitters();
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
    QSplitter* rows_ = nullptr;       // middle band over the bottom panel
    QSplitter* columns_ = nullptr;    // track column | clip area
    QSplitter* bottomRow_ = nullptr;  // docking site | file browser
    std::map<QSplitter*, QList<int>> movedSplitters_;
    std::unique_ptr<RecentProjects> recent_;
    QMenu* fileMenu_ = nullptr;
    QAction* exitSeparator_ = nullptr;
    QList<QAction*> recentActions_;
    Connection projectReplaced_;
    TrackColumn* trackColumn_ = nullptr;
    TimelineView* timeline_ = nullptr;
    QWidget* dockSite_ = nullptr;
    Connection captionChanged_, memoChanged_;
    Connection modifiedChanged_, titleOnReplace_;
    FileBrowser* fileBrowser_ = nullptr;
};

}  // namespace tqx
