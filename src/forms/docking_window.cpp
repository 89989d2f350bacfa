#include "forms/docking_window.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tqx {

namespace {
const QRect kFloatingRect(0, 0, 700, 500);
}

TForm6::TForm6(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio) {
    setWindowTitle("ヴァリアスウィンドウ");
    resize(635, 415);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = new QTabWidget(this);
    layout->addWidget(PageControl1);
    PageControl1->tabBar()->installEventFilter(this);
}

TForm6::~TForm6() {
    for (QWidget* page : pages_) {
        const int index = PageControl1->indexOf(page);
        if (index >= 0) PageControl1->removeTab(index);
        if (page->parent()) page->setParent(nullptr);
    }
}

void TForm6::dockPage(QWidget* page) {
    if (!pages_.contains(page)) pages_.append(page);
    if (PageControl1->indexOf(page) < 0) PageControl1->addTab(page, page->windowTitle());
}

void TForm6::floatPage(QWidget* page) {
    const int index = PageControl1->indexOf(page);
    if (index < 0) return;
    const QSize size = page->size();
    const QPoint at = mapToGlobal(QPoint(0, 0)) + QPoint(0, 10);
    PageControl1->removeTab(index);
    page->setParent(nullptr);
    page->setWindowFlags(Qt::Window);
    page->setGeometry(QRect(at, size));
    page->show();
}

void TForm6::dockAll() {
    if (site_) {
        if (!site_->layout()) {
            auto* l = new QVBoxLayout(site_);
            l->setContentsMargins(0, 0, 0, 0);
        }
        setParent(site_);
        setWindowFlags(Qt::Widget);
        site_->layout()->addWidget(this);
        docked_ = true;
    }
    show();
    for (QWidget* page : pages_) {
        // Each page floats at (0, 0) 700 x 500 for a moment and is docked back, filling the host.
        if (PageControl1->indexOf(page) < 0) {
            page->setGeometry(kFloatingRect);
            dockPage(page);
        }
    }
}

void TForm6::floatHost() {
    if (site_ && site_->layout()) site_->layout()->removeWidget(this);
    setParent(nullptr);
    setWindowFlags(Qt::Window);
    setGeometry(kFloatingRect);
    docked_ = false;
    show();
}

void TForm6::showPage(QWidget* page) {
    show();
    if (!docked_) raise();
    const int index = PageControl1->indexOf(page);
    if (index >= 0) {
        PageControl1->setCurrentIndex(index);
    } else {
        page->show();
        page->raise();
    }
}

// Dragging a tab well away from the tab bar takes its page out as a floating window.
bool TForm6::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PageControl1->tabBar()) {
        if (event->type() == QEvent::MouseButtonPress) {
            dragStart_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        } else if (event->type() == QEvent::MouseMove) {
            auto* me = static_cast<QMouseEvent*>(event);
            if ((me->buttons() & Qt::LeftButton) &&
                !PageControl1->tabBar()->rect().adjusted(-20, -20, 20, 20).contains(me->position().toPoint())) {
                const int index = PageControl1->tabBar()->tabAt(dragStart_);
                if (index >= 0) {
                    floatPage(PageControl1->widget(index));
                    return true;
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tqx
