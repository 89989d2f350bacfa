#pragma once
// TForm3 "トラック選択": tick the tracks a mixdown of chosen tracks is to hold. The list
// follows the on-screen order and starts unticked at every showing.
#include <QDialog>
#include <optional>
#include <vector>

class QListWidget;

namespace tqx {

class Studio;

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(Studio& studio, QWidget* parent = nullptr);

    // Shows the dialog; the ticked item indices on OK, nothing when cancelled.
    std::optional<std::vector<int>> chooseTracks();

    QListWidget* CheckListBox1 = nullptr;
    void FormShow();
    void Button1Click();  // "全選択"
    void Button2Click();  // "全クリア"
    std::vector<int> tickedItems() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setAll(bool ticked);
    Studio& studio_;
};

}  // namespace tqx
