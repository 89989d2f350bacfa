#pragma once
// One track's panel in the track column: number badge, icon, level meter, name, the "M" "S"
// "R" toggles, the volume, pan and gain sliders and the two device lists. The panel draws
// the track's slot of the project model and turns gestures into TrackCommands calls; it
// keeps no track values of its own.
#include <functional>

#include <QFrame>
#include <QLineEdit>
#include <QWidget>

#include "project/project_model.h"
#include "session/track_commands.h"

class QComboBox;
class QLabel;
class QMenu;
class QAction;

namespace tqx {

class Studio;

inline constexpr const char* kTrackBadgeMimeType = "application/x-tinderquillex-track-badge";

// The 34 x 20 number badge: black, blue while its track is selected. It can be dragged onto
// another track's badge to swap the two tracks.
class TrackBadge : public QWidget {
public:
    TrackBadge(Studio& studio, int slot, QWidget* parent);
    bool selected() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void dragEnterEvent(QDragEnterEvent*) override;
    void dropEvent(QDropEvent*) override;

private:
    Studio& studio_;
    int slot_;
    QPoint pressPos_;
    bool pressed_ = false;
};

// A picture that answers the mouse: the icon, the toggles and the sliders.
class TrackImage : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void(QPainter&)> paint;
    std::function<void(QMouseEvent*)> press, move, release, doubleClick;
    std::function<void()> enter, leave;
    // True from the second press of a double click until its release.
    bool secondClick() const { return secondClick_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    bool secondClick_ = false;
};

// The name field: flat like a label until pressed or typed in, then white with a border;
// Enter in the white look makes it flat again.
class TrackNameField : public QLineEdit {
public:
    explicit TrackNameField(QWidget* parent);
    bool editing() const { return editing_; }
    void setEditing(bool editing);

protected:
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    bool editing_ = true;
};

class TrackPanel : public QFrame {
    Q_OBJECT
public:
    static constexpr int kInnerTop = 22;
    static constexpr int kInnerWidth = 210;
    static constexpr int kInnerHeight = 170;
    static constexpr int kEdgeZone = 4;  // bottom rows where the panel is resized

    TrackPanel(Studio& studio, int slot, QWidget* parent);

    int slot() const { return slot_; }
    // Draws everything again from the model (badge, icon, name, toggles, sliders, lists).
    void sync();
    // Repaints the level meter only.
    void syncMeter();

    // The controls, for the column and for tests.
    TrackBadge* badge = nullptr;
    QFrame* innerPanel = nullptr;
    TrackImage* icon = nullptr;
    TrackImage* meter = nullptr;
    TrackNameField* nameField = nullptr;
    TrackImage* muteToggle = nullptr;
    TrackImage* soloToggle = nullptr;
    TrackImage* armToggle = nullptr;
    TrackImage* volumeSlider = nullptr;
    TrackImage* panSlider = nullptr;
    TrackImage* gainSlider = nullptr;
    QLabel* volumeLabel = nullptr;
    QLabel* panLabel = nullptr;
    QLabel* gainLabel = nullptr;
    QLabel* playLabel = nullptr;
    QLabel* recLabel = nullptr;
    QComboBox* playbackList = nullptr;
    QComboBox* recordingList = nullptr;

    QMenu* trackMenu = nullptr;  // import, export, delete
    QAction* importAction = nullptr;
    QAction* exportAction = nullptr;
    QAction* deleteAction = nullptr;
    QMenu* iconMenu = nullptr;  // "アイコン１" .. "アイコン１３"

    // Selects the track the way a click does and hands the keyboard to the column.
    void selectByClick();

protected:
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    TrackImage* makeToggle(const char* letter, int letterX, int left, int top, bool (*on)(const TrackSlot&),
                           QColor onColour, void (TrackCommands::*flip)(int));
    TrackImage* makeSlider(TrackSlider kind, int top, QLabel*& label);
    void fillDeviceLists();
    // The toggles under the name, or beside the badge while the row is too low for that.
    void placeToggles();
    bool inEdgeZone(int y) const { return height() - kEdgeZone < y; }

    Studio& studio_;
    TrackCommands& commands_;
    int slot_;
    bool heightToggled_ = false;          // a double click folded the panel; the next release ends it
    bool resizeLatch_ = false;            // the drag hit the largest height
    int toggleLeft_ = 0, toggleTop_ = 0;  // the toggles' place in the inner panel
};

}  // namespace tqx
