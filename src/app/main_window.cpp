#include "app/main_window.h"

#include <QCloseEvent>
#include <QMenuBar>

#include "engine/master_volume.h"

namespace tqx {

TForm1::TForm1(Studio& studio, QWidget* parent) : QMainWindow(parent), studio_(studio) {
    setWindowTitle(QString::fromStdString(studio_.caption));
    resize(886, 571 + 25);
    buildMenus();
    studio_.view = this;
}

TForm1::~TForm1() {
    FormClose();
    if (studio_.view == this) studio_.view = nullptr;
}

void TForm1::buildMenus() {
    QMenu* file = menuBar()->addMenu("ファイル(&F)");
    QMenu* create = file->addMenu("新規作成(&N)");
    newProjectAction = create->addAction("プロジェクト(&P)...");
    newTrackAction = create->addAction("トラック(&T)");
    openAction = file->addAction("開く(&O)...");
    saveAction = file->addAction("上書き保存(&S)");
    saveAsAction = file->addAction("名前を付けて保存(&A)...");
    file->addSeparator();
    importAction = file->addAction("オーディオファイルのインポート(&I)...");
    QMenu* exportMenu = file->addMenu("オーディオファイルのエクスポート(&E)");
    exportTrackAction = exportMenu->addAction("トラック(&T)...");
    exportChosenAction = exportMenu->addAction("トラック選択(&S)...");
    exportAllAction = exportMenu->addAction("全体(&A)...");
    file->addSeparator();
    exitAction = file->addAction("終了(&X)");
    connect(exitAction, &QAction::triggered, this, [this] { X1Click(); });

    QMenu* viewMenu = menuBar()->addMenu("表示(&V)");
    trackViewAction = viewMenu->addAction("トラックビュー(&V)");
    effectAction = viewMenu->addAction("エフェクト(&E)");
    viewMenu->addSeparator();
    dockAction = viewMenu->addAction("ドッキング(&D)");
    undockAction = viewMenu->addAction("ドッキング解除(&C)");
    viewMenu->addSeparator();
    expandAllAction = viewMenu->addAction("全て展開(&O)");
    foldAllAction = viewMenu->addAction("全て畳む(&F)");

    QMenu* help = menuBar()->addMenu("ヘルプ(&H)");
    aboutAction = help->addAction("バージョン情報(&A)");

    // Commands whose handlers arrive later stay visible but disabled.
    for (QAction* a : {newProjectAction, newTrackAction, openAction, saveAction, saveAsAction, importAction,
                       exportTrackAction, exportChosenAction, exportAllAction, trackViewAction, effectAction,
                       dockAction, undockAction, expandAllAction, foldAllAction, aboutAction})
        a->setEnabled(false);
}

void TForm1::changed(Change change) {
    if (change == Change::Caption) setWindowTitle(QString::fromStdString(studio_.caption));
}

void TForm1::X1Click() { close(); }

void TForm1::closeEvent(QCloseEvent* event) {
    studio_.closing = true;  // FormCloseQuery never refuses
    FormClose();
    event->accept();
}

// Engine first (no device may still use a clip), then the project, then the volume library.
void TForm1::FormClose() {
    if (closed_) return;
    closed_ = true;
    studio_.StopAll();
    studio_.model.resetProject();
    studio_.masterVolume().release();
}

}  // namespace tqx
