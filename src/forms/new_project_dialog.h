#pragma once
// TForm4 "新規作成": tracks, rate, name and location of a new project. It keeps its entries
// while the program runs and closes with 1 (new project), 2 (cancel) or 100 (open a file).
#include <string>

#include <QDialog>

#include "session/new_project.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tqx {

class Studio;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(Studio& studio, QWidget* parent = nullptr);

    std::string ChosenProjectFile;
    NewProjectEntries entries() const;

    // Test access to the controls.
    QLineEdit* nameEdit() const { return Edit1; }
    QLineEdit* locationEdit() const { return Edit2; }
    QCheckBox* folderBox() const { return CheckBox1; }
    QPushButton* okButton() const { return BitBtn1; }
    QPushButton* openButton() const { return BitBtn3; }

    void BitBtn1Click();
    void Button1Click();
    void BitBtn3Click() { done(kNewProjectOpen); }

private:
    Studio& studio_;
    QButtonGroup* RadioGroup1 = nullptr;
    QButtonGroup* RadioGroup2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn3 = nullptr;
};

// The main window's new-project command: stops the engine, asks about unsaved changes, asks
// with the dialog, then makes the new project or hands over to the open command.
void runNewProjectCommand(Studio& studio, TForm4& dialog);

}  // namespace tqx
