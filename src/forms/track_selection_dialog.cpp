#include "forms/track_selection_dialog.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tqx {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setWindowTitle("トラック選択");
    setFixedSize(360, 300);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 8, 8);
    CheckListBox1 = new QListWidget(this);
    layout->addWidget(CheckListBox1, 1);
    auto* buttons = new QVBoxLayout;
    auto* all = new QPushButton("全選択", this);
    auto* none = new QPushButton("全クリア", this);
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    auto* cancel = new QPushButton("キャンセル", this);
    buttons->addWidget(all);
    buttons->addWidget(none);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(all, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(none, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm3::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TForm3::FormShow() {
    CheckListBox1->clear();
    for (const std::string& text : items_) {
        auto* item = new QListWidgetItem(QString::fromStdString(text), CheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void TForm3::setAll(bool ticked) {
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void TForm3::Button1Click() { setAll(true); }
void TForm3::Button2Click() { setAll(false); }

std::vector<int> TForm3::tickedItems() const {
    std::vector<int> out;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        if (CheckListBox1->item(i)->checkState() == Qt::Checked) out.push_back(i);
    return out;
}

std::optional<std::vector<int>> TForm3::chooseTracks(const std::vector<std::string>& items) {
    items_ = items;
    if (exec() != QDialog::Accepted) return std::nullopt;
    return tickedItems();
}

}  // namespace tqx
