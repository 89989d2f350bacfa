#include "forms/new_project_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "session/project_file_commands.h"
#include "session/studio.h"

namespace tqx {

namespace {

QGroupBox* choiceGroup(const QString& title, const QStringList& items, int columns, QButtonGroup*& group, int checked,
                       QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(box);
    group = new QButtonGroup(box);
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], box);
        group->addButton(b, i);
        grid->addWidget(b, i / columns, i % columns);
    }
    group->button(checked)->setChecked(true);
    return box;
}

}  // namespace

TForm4::TForm4(Studio& studio, QWidget* parent) : QDialog(parent), studio_(studio) {
    setWindowTitle("新規作成");
    const NewProjectEntries defaults = defaultNewProjectEntries();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(choiceGroup("トラック数",
                                  {"8トラック", "16トラック", "24トラック", "32トラック", "48トラック", "64トラック",
                                   "96トラック", "128トラック"},
                                  4, RadioGroup1, defaults.trackCountIndex, this));
    layout->addWidget(choiceGroup("サンプリング周波数",
                                  {"4,000Hz", "8,000Hz", "11,025Hz", "22,050Hz", "44,100Hz", "48,000Hz"}, 3,
                                  RadioGroup2, defaults.rateIndex, this));
    auto* form = new QGridLayout;
    Edit1 = new QLineEdit(QString::fromStdString(defaults.name), this);
    Edit1->setMaxLength(256);
    Edit2 = new QLineEdit(QString::fromStdString(defaults.location), this);
    Edit2->setMaxLength(256);
    auto* Button1 = new QPushButton("...", this);
    Button1->setFixedWidth(32);
    form->addWidget(new QLabel("名前：", this), 0, 0);
    form->addWidget(Edit1, 0, 1, 1, 2);
    form->addWidget(new QLabel("場所：", this), 1, 0);
    form->addWidget(Edit2, 1, 1);
    form->addWidget(Button1, 1, 2);
    layout->addLayout(form);
    CheckBox1 = new QCheckBox("プロジェクトフォルダを作成", this);
    CheckBox1->setChecked(defaults.createProjectFolder);
    layout->addWidget(CheckBox1);
    auto* buttons = new QHBoxLayout;
    BitBtn3 = new QPushButton("プロジェクトファイルを開く...", this);
    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setDefault(true);
    auto* BitBtn2 = new QPushButton("キャンセル", this);
    buttons->addWidget(BitBtn3);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(kNewProjectCancel); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

NewProjectEntries TForm4::entries() const {
    NewProjectEntries e;
    e.trackCountIndex = RadioGroup1->checkedId();
    e.rateIndex = RadioGroup2->checkedId();
    e.name = Edit1->text().toStdString();
    e.location = Edit2->text().toStdString();
    e.createProjectFolder = CheckBox1->isChecked();
    return e;
}

void TForm4::BitBtn1Click() {
    setResult(kNewProjectNone);
    if (confirmNewProject(entries(), studio_.dialogs, ChosenProjectFile) == kNewProjectOk) done(kNewProjectOk);
}

void TForm4::Button1Click() {
    if (auto folder = studio_.dialogs.chooseFolder("場所選択")) Edit2->setText(QString::fromStdString(*folder));
}

void runNewProjectCommand(Studio& studio, TForm4& dialog) {
    studio.StopAll();
    if (!studio.projectFile().askToSaveChanges()) return;
    const int result = dialog.exec();
    if (result == kNewProjectOk) {
        const NewProjectEntries e = dialog.entries();
        applyNewProject(studio, e.trackCountIndex, e.rateIndex, dialog.ChosenProjectFile);
    } else if (result == kNewProjectOpen) {
        studio.projectFile().chooseAndOpen();  // the changes were asked about already
    }
}

}  // namespace tqx
