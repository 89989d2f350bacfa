#pragma once
// TForm1: the main window. It draws the Studio's state and turns menu commands and
// gestures into calls on it.
#include <QMainWindow>

#include "engine/studio.h"

class QAction;

namespace tqx {

class TForm1 : public QMainWindow, public StudioView {
    Q_OBJECT
public:
    explicit TForm1(Studio& studio, QWidget* parent = nullptr);
    ~TForm1() override;

    Studio& studio() { return studio_; }

    // StudioView
    void changed(Change change) override;

    // Menu items, named as the commands they run.
    QAction* newProjectAction = nullptr;   // プロジェクト(&P)...
    QAction* newTrackAction = nullptr;     // トラック(&T)
    QAction* openAction = nullptr;         // 開く(&O)...
    QAction* saveAction = nullptr;         // 上書き保存(&S)
    QAction* saveAsAction = nullptr;       // 名前を付けて保存(&A)...
    QAction* importAction = nullptr;       // オーディオファイルのインポート(&I)...  (N21)
    QAction* exportTrackAction = nullptr;  // トラック(&T)...  (N25)
    QAction* exportChosenAction = nullptr; // トラック選択(&S)...  (S2)
    QAction* exportAllAction = nullptr;    // 全体(&A)...  (A2)
    QAction* exitAction = nullptr;         // 終了(&X)  (X1)
    QAction* trackViewAction = nullptr;    // トラックビュー(&V)
    QAction* effectAction = nullptr;       // エフェクト(&E)
    QAction* dockAction = nullptr;         // ドッキング(&D)
    QAction* undockAction = nullptr;       // ドッキング解除(&C)
    QAction* expandAllAction = nullptr;    // 全て展開(&O)
    QAction* foldAllAction = nullptr;      // 全て畳む(&F)
    QAction* aboutAction = nullptr;        // バージョン情報(&A)

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void X1Click();
    void FormClose();

    Studio& studio_;
    bool closed_ = false;
};

}  // namespace tqx
