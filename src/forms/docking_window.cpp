#include "forms/docking_window.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tqx {

namespace {

const QRect kFloatingRect(0, 0, 700, 500);

// The title bar and borders a window manager puts around a window, as it drew them around
// `shown` (empty before a window is decorated).
QMargins frameMargins(const QWidget* shown) {
    if (!shown || !shown->isVisible()) return {};
    const QRect frame = shown->frameGeometry(), client = shown->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

}  // namespace

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
    if (PageControl1->indexOf(page) >= 0) return;
    // A page comes back to its own place among the pages, whichever came back first.
    int at = 0;
    for (QWidget* other : pages_) {
        if (other == page) break;
        if (PageControl1->indexOf(other) >= 0) ++at;
    }
    PageControl1->insertTab(at, page, page->windowTitle());
}

void TForm6::floatPage(QWidget* page) {
    const int index = PageControl1->indexOf(page);
    if (index < 0) return;
    const QSize size = page->size();
    const QPoint at = mapToGlobal(QPoint(0, 0)) + QPoint(0, 10);
    PageControl1->removeTab(index);
    makeFloating(page, QRect(at, size));
    page->show();
}

void TForm6::makeFloating(QWidget* window, const QRect& wanted) {
    // Owned by the main window, a floating window stays above it as a tool window.
    QWidget* owner = site_ ? site_->window() : nullptr;
    window->setParent(owner, owner ? Qt::Tool : Qt::Window);
    const QScreen* screen = owner ? owner->screen() : window->screen();
    const QRect area = screen ? screen->availableGeometry() : wanted;
    // The whole frame, title bar included, lies on the screen's free area.
    const QMargins frame = frameMargins(owner);
    const QSize room = area.size().shrunkBy(frame);
    const QSize client = wanted.size().boundedTo(room);
    const QSize outer = client.grownBy(frame);
    const int x = std::clamp(wanted.left(), area.left(), area.right() + 1 - outer.width());
    const int y = std::clamp(wanted.top(), area.top(), area.bottom() + 1 - outer.height());
    window->resize(client);
    window->move(x, y);  // a window's position is that of its frame
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

// The host floats 700 x 500 where it was docked, rather than over the main window's menus;
// a floating host stays where it is, and one never shown starts at the top left of the
// screen's free area.
void TForm6::floatHost() {
    QRect wanted = kFloatingRect;
    if (isVisible())
        wanted.moveTopLeft(docked_ ? mapToGlobal(QPoint(0, 0)) : frameGeometry().topLeft());
    else if (const QScreen* screen = (site_ ? site_->window() : this)->screen())
        wanted.moveTopLeft(screen->availableGeometry().topLeft());
    if (site_ && site_->layout()) site_->layout()->removeWidget(this);
    makeFloating(this, wanted);
    docked_ = false;
    show();
    raise();
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
            draggedPage_ = PageControl1->widget(
                PageControl1->tabBar()->tabAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
        } else if (event->type() == QEvent::MouseButtonRelease) {
            draggedPage_ = nullptr;
        } else if (event->type() == QEvent::MouseMove && draggedPage_) {
            auto* me = static_cast<QMouseEvent*>(event);
            if ((me->buttons() & Qt::LeftButton) &&
                !PageControl1->tabBar()->rect().adjusted(-20, -20, 20, 20).contains(me->position().toPoint())) {
                // One drag takes out the one page it started on; the tab that slides under
                // the pointer stays.
                QWidget* page = std::exchange(draggedPage_, nullptr);
                floatPage(page);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tqx
