#pragma once
// TForm6 "ヴァリアスウィンドウ": hosts the effect window and the track view as pages. The host
// sits in the main window's bottom panel or floats; a page dragged out of the tab bar floats
// on its own until "ドッキング(&D)" brings everything back.
#include <QWidget>

class QTabWidget;

namespace tqx {

class Studio;

class TForm6 : public QWidget {
    Q_OBJECT
public:
    explicit TForm6(Studio& studio, QWidget* parent = nullptr);
    // The pages belong to the program, not to the host: they are taken out first.
    ~TForm6() override;

    QTabWidget* PageControl1 = nullptr;

    // The docking site in the main window's bottom panel; only this host is placed there.
    void setDockSite(QWidget* site) { site_ = site; }
    // Puts a page (the effect window or the track view) into the host, filling it, at its
    // place among the pages.
    void dockPage(QWidget* page);
    // Takes a page out as a floating window at the host's left, 10 pixels below its top.
    void floatPage(QWidget* page);
    // "ドッキング(&D)": host into the bottom panel, both pages back into the host.
    void dockAll();
    // "ドッキング解除(&C)": the host floats with 700 x 500.
    void floatHost();
    // "エフェクト(&E)" / "トラックビュー(&V)": shows the host, then the page.
    void showPage(QWidget* page);
    bool isDocked() const { return docked_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes `window` a floating window of `wanted`'s size near its place, frame and title bar
    // within the screen's free area.
    void makeFloating(QWidget* window, const QRect& wanted);

    Studio& studio_;
    QWidget* site_ = nullptr;
    bool docked_ = false;
    QList<QWidget*> pages_;           // in their tab order
    QWidget* draggedPage_ = nullptr;  // the page whose tab the pointer pressed
};

}  // namespace tqx
