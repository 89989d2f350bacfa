#include "app/main_window.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/device_bar.h"
#include "app/file_browser.h"
#include "app/recent_projects.h"
#include "app/timeline_view.h"
#include "app/track_column.h"
#include "app/transport_bar.h"
#include "engine/master_volume.h"
#include "io/exporter.h"
#include "io/wave_import.h"
#include "session/project_file_commands.h"
#include "session/track_commands.h"
#include "session/window_title.h"

namespace tqx {

TForm1::TForm1(Studio& studio, QWidget* parent) : QMainWindow(parent), studio_(studio) {
    showTitle();
    buildMenus();
    buildPanels();
    buildShortcuts();
    buildRecentProjects();
    watchSplitters();
    applyOpeningSize(screen()->availableGeometry());
    captionChanged_ = studio_.texts.captionChanged.connect([this] { showTitle(); });
    modifiedChanged_ = studio_.model.modifiedChanged.connect([this] { showTitle(); });
    titleOnReplace_ = studio_.model.replaced.connect([this] { showTitle(); });
    memoChanged_ = studio_.texts.memoChanged.connect([this] { showMemo(); });
    // Last step of starting up: the master volume library.
    studio_.masterVolume().load();
}

TForm1::~TForm1() { FormClose(); }

void TForm1::buildMenus() {
    QMenu* file = menuBar()->addMenu("ファイル(&F)");
    fileMenu_ = file;
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
    exitSeparator_ = file->addSeparator();
    exitAction = file->addAction("終了(&X)");

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

    auto on = [this](QAction* action, auto handler) { connect(action, &QAction::triggered, this, handler); };
    on(newTrackAction, [this] { studio_.trackCommands().newTrackCommand(); });
    on(openAction, [this] { studio_.projectFile().OpenCommand(); });
    on(saveAction, [this] { studio_.projectFile().SaveCommand(); });
    on(saveAsAction, [this] { studio_.projectFile().SaveAsCommand(); });
    on(importAction, [this] { studio_.importer().N17Click(); });
    on(exportTrackAction, [this] { studio_.exporter().N25Click(); });
    on(exportChosenAction, [this] { studio_.exporter().S2Click(); });
    on(exportAllAction, [this] { studio_.exporter().A2Click(); });
    on(exitAction, [this] { X1Click(); });
    on(expandAllAction, [this] { studio_.trackCommands().expandAll(); });
    on(foldAllAction, [this] { studio_.trackCommands().foldAll(); });
    on(aboutAction, [this] { AboutClick(); });

    // The windows these open are connected by whoever creates them.
    for (QAction* a : {newProjectAction, trackViewAction, effectAction, dockAction, undockAction}) a->setEnabled(false);
}

void TForm1::buildPanels() {
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // Top panel: devices, transport and memo in a row; the fixed ruler is placed by hand
    // under them so it lines up with the clip area.
    topPanel_ = new QWidget(central);
    topPanel_->setFixedHeight(kTopPanelHeight);
    topRow_ = new QWidget(topPanel_);
    QWidget* topRow = topRow_;
    topRow->setGeometry(0, 0, kClientWidth, kFixedRulerTop);
    auto* topLayout = new QHBoxLayout(topRow);
    topLayout->setContentsMargins(2, 2, 5, 2);  // the memo ends 5 pixels short of the edge
    topLayout->setSpacing(4);
    deviceBar_ = new DeviceBar(studio_, topRow);
    transportBar_ = new TransportBar(studio_, topRow);
    memo_ = new QPlainTextEdit(topRow);
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    topLayout->addWidget(deviceBar_);
    topLayout->addWidget(transportBar_);
    topLayout->addWidget(memo_, 1);
    fixedRuler_ = new RulerStrip(studio_, topPanel_);
    outer->addWidget(topPanel_);

    // Middle band over the bottom panel.
    rows_ = new QSplitter(Qt::Vertical, central);
    rows_->setChildrenCollapsible(false);
    columns_ = new QSplitter(Qt::Horizontal, rows_);
    columns_->setChildrenCollapsible(false);
    trackColumn_ = new TrackColumn(studio_, columns_);
    trackColumn_->setMaximumWidth(kTrackColumnMaxWidth);
    timeline_ = new TimelineView(studio_, columns_);
    timeline_->attachFixedRuler(fixedRuler_);
    columns_->addWidget(trackColumn_);
    columns_->addWidget(timeline_);
    columns_->setStretchFactor(1, 1);
    columns_->setSizes({TrackColumn::kDefaultWidth, kClientWidth - TrackColumn::kDefaultWidth});

    auto* bottom = bottomRow_ = new QSplitter(Qt::Horizontal, rows_);
    bottom->setChildrenCollapsible(false);
    dockSite_ = new QWidget(bottom);
    auto* dockLayout = new QVBoxLayout(dockSite_);
    dockLayout->setContentsMargins(0, 0, 0, 0);
    fileBrowser_ = new FileBrowser(bottom);
    bottom->addWidget(dockSite_);
    bottom->addWidget(fileBrowser_);
    bottom->setStretchFactor(0, 1);
    bottom->setStretchFactor(1, 0);
    const int browserWidth = FileBrowser::kFolderPaneWidth + FileBrowser::kFileListWidth + fileBrowser_->handleWidth();
    bottom->setSizes({std::max(0, kClientWidth - browserWidth), browserWidth});

    rows_->addWidget(columns_);
    rows_->addWidget(bottom);
    rows_->setStretchFactor(0, 1);
    rows_->setStretchFactor(1, 0);
    const int middle = kClientHeight - kTopPanelHeight - kBottomPanelHeight;
    rows_->setSizes({middle, kBottomPanelHeight});
    outer->addWidget(rows_, 1);
    setCentralWidget(central);

    connect(columns_, &QSplitter::splitterMoved, this, [this] { alignFixedRuler(); });
    connect(rows_, &QSplitter::splitterMoved, this, [this] { alignFixedRuler(); });
    // Both columns always show the same rows.
    connect(trackColumn_, &TrackColumn::wheelScrolled, this,
            [this] { timeline_->setVScroll(studio_.timeline.vScrollPosition); });
    connect(timeline_, &TimelineView::verticalScrolled, this, [this](int y) { trackColumn_->setScroll(y); });
}

void TForm1::alignFixedRuler() {
    if (!timeline_ || !fixedRuler_) return;
    topRow_->resize(topPanel_->width(), kFixedRulerTop);
    const int left = timeline_->mapTo(centralWidget(), QPoint(0, 0)).x();
    fixedRuler_->setGeometry(left + TimelineView::kLeftEdge, kFixedRulerTop,
                             std::max(0, timeline_->width() - TimelineView::kLeftEdge), kRulerHeight);
    fixedRuler_->update();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    alignFixedRuler();
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    alignFixedRuler();
    if (!shown_) {
        shown_ = true;
        trackColumn_->setFocus(Qt::OtherFocusReason);
    }
}

void TForm1::showMemo() {
    QStringList lines;
    for (const std::string& line : studio_.texts.memo()) lines << QString::fromStdString(line);
    memo_->setPlainText(lines.join('\n'));
    memo_->moveCursor(QTextCursor::End);
}

void TForm1::X1Click() { close(); }

void TForm1::AboutClick() { studio_.dialogs.showMessage(std::string(kVersionText) + "\n" + kVersionSecondLine); }

void TForm1::showTitle() {
    setWindowTitle(QString::fromStdString(mainWindowTitle(studio_.model, studio_.texts.caption())));
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Unsaved changes are saved or given up first; Cancel (or a failed save) keeps the window.
    if (!closed_ && !studio_.projectFile().askToSaveChanges()) {
        event->ignore();
        return;
    }
    studio_.closing = true;
    FormClose();
    event->accept();
    // The program ends with its main window: every other window, floating or not, goes too.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
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
