#pragma once
// TForm3 "トラック選択": tick the tracks a mixdown of chosen tracks is to hold. It lists the
// tracks it is given (in the on-screen order), all unticked at every showing.
#include <optional>
#include <string>
#include <vector>

#include <QDialog>

class QListWidget;

namespace tqx {

class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    // Shows the dialog listing `items`; the ticked item indices on OK, nothing when cancelled.
    std::optional<std::vector<int>> chooseTracks(const std::vector<std::string>& items);

    QListWidget* CheckListBox1 = nullptr;
    void FormShow();
    void Button1Click();  // "全選択"
    void Button2Click();  // "全クリア"
    std::vector<int> tickedItems() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void setAll(bool ticked);
    std::vector<std::string> items_;
};

}  // namespace tqx
