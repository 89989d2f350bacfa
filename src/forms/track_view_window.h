#pragma once
// TForm5 "トラックビュー": the track order, the shown track's values as text, its clips, and
// the recording mode. Everything it shows comes from TrackViewModel; it only draws.
#include <functional>

#include <QWidget>

#include "session/track_view_model.h"

class QButtonGroup;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace tqx {

class Studio;

class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(Studio& studio, QWidget* parent = nullptr);

    TrackViewModel& model() { return view_; }
    // RefreshTrackView: fetches everything afresh, shows the top track and redraws.
    void RefreshTrackView();
    // Fetches the shown track afresh and redraws, leaving the selection where it is.
    void FollowProject();
    // The recording mode changed elsewhere (a project was opened).
    void showRecordingMode();

    QListWidget* ListBox1 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QPushButton* Button1 = nullptr;  // "=>"
    QPushButton* Button2 = nullptr;  // "OK"
    QPushButton* Button3 = nullptr;  // "やり直し"
    QTableWidget* ValueListEditor1 = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QButtonGroup* RadioGroup1 = nullptr;

    void N1Click();
    // Editing a value cell or a start time begins: what the cell held is noted, to come back
    // when the edit is not a number.
    void ValueListEditor1GetEditText(int row);
    void StringGrid1GetEditText(int row);
    // Start times are typed as four digits (more when the value has more), a point and three
    // digits; only they are editable.
    static QString StringGrid1GetEditMask(const QString& cellText);
    static bool StringGrid1SelectCell(int column);
    // Enter in the start time of data row `row` (1..n): the clip moves there.
    void StringGrid1KeyPress(int row);
    // Shown: everything fetched afresh, the selection left where it is.
    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Runs an edit of this window's own; the changes it announces are not followed (the
    // window redraws afterwards, keeping the texts as the user typed them).
    void own(const std::function<void()>& change);
    std::vector<int> selectedRows() const;
    void redraw();
    void fillValues();
    void fillClips();

    Studio& studio_;
    TrackViewModel view_;
    bool filling_ = false;
    bool ownChange_ = false;
    std::string ValueBeforeEdit, CellBeforeEdit;
    Connection tracksChanged_, clipsChanged_, replaced_;
};

}  // namespace tqx
