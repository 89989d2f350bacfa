#include "forms/track_view_window.h"

#include <functional>

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

#include "session/studio.h"

namespace tqx {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

const QColor kEvenRowColour(230, 230, 255);

// Tells the window when editing of a cell begins (so it can note what the cell held) and,
// for the start times, gives the edit mask for the cell's value and notes Enter: only Enter
// moves a clip.
class CellEditDelegate : public QStyledItemDelegate {
public:
    using RowHandler = std::function<void(int row)>;
    using MaskOf = std::function<QString(const QString& cellText)>;
    CellEditDelegate(QObject* parent, RowHandler editStarted, MaskOf mask = {}, RowHandler enter = {})
        : QStyledItemDelegate(parent),
          editStarted_(std::move(editStarted)),
          mask_(std::move(mask)),
          enter_(std::move(enter)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && mask_)
            edit->setInputMask(mask_(index.data().toString()));
        enterPressed_ = false;
        if (enter_) editor->installEventFilter(const_cast<CellEditDelegate*>(this));
        editStarted_(index.row() + 1);
        return editor;
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        QStyledItemDelegate::setModelData(editor, model, index);
        if (enterPressed_ && enter_) enter_(index.row() + 1);
        enterPressed_ = false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) enterPressed_ = true;
        }
        return QStyledItemDelegate::eventFilter(watched, event);
    }

private:
    RowHandler editStarted_;
    MaskOf mask_;
    RowHandler enter_;
    mutable bool enterPressed_ = false;
};

}  // namespace

TForm5::TForm5(Studio& studio, QWidget* parent) : QWidget(parent), studio_(studio), view_(studio) {
    setWindowTitle("トラックビュー");
    auto* layout = new QHBoxLayout(this);

    auto* orderBox = new QGroupBox("並べ替え", this);
    auto* orderLayout = new QHBoxLayout(orderBox);
    ListBox1 = new QListWidget(orderBox);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListBox2 = new QListWidget(orderBox);
    auto* orderButtons = new QVBoxLayout;
    Button1 = new QPushButton("=>", orderBox);
    Button2 = new QPushButton("OK", orderBox);
    Button3 = new QPushButton("やり直し", orderBox);
    orderButtons->addWidget(Button1);
    orderButtons->addStretch();
    orderButtons->addWidget(Button2);
    orderButtons->addWidget(Button3);
    orderLayout->addWidget(ListBox1);
    orderLayout->addLayout(orderButtons);
    orderLayout->addWidget(ListBox2);
    layout->addWidget(orderBox, 2);

    auto* right = new QVBoxLayout;
    auto* top = new QHBoxLayout;
    auto* infoBox = new QGroupBox("基本情報", this);
    auto* infoLayout = new QVBoxLayout(infoBox);
    ValueListEditor1 = new QTableWidget(5, 2, infoBox);
    ValueListEditor1->setHorizontalHeaderLabels({"内容", "値"});
    ValueListEditor1->verticalHeader()->hide();
    ValueListEditor1->setColumnWidth(0, 86);
    ValueListEditor1->setColumnWidth(1, 85);
    const char* keys[] = {"トラック", "名前", "Volume", "Pan", "Gain"};
    for (int r = 0; r < 5; ++r) {
        auto* key = new QTableWidgetItem(keys[r]);
        key->setFlags(Qt::ItemIsEnabled);
        ValueListEditor1->setItem(r, 0, key);
        auto* value = new QTableWidgetItem;
        if (r == 0) value->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        ValueListEditor1->setItem(r, 1, value);
    }
    ValueListEditor1->verticalHeader()->setDefaultSectionSize(18);
    ValueListEditor1->setItemDelegateForColumn(
        1, new CellEditDelegate(this, [this](int row) { ValueListEditor1GetEditText(row); }));
    // Every row and both columns stay in view: a hidden Gain row cannot be edited.
    const int frame = 2 * ValueListEditor1->frameWidth();
    ValueListEditor1->setMinimumSize(86 + 85 + frame,
                                     ValueListEditor1->horizontalHeader()->sizeHint().height() + 5 * 18 + frame);
    ValueListEditor1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ValueListEditor1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    infoLayout->addWidget(ValueListEditor1);
    top->addWidget(infoBox);
    auto* settingsBox = new QGroupBox("設定", this);
    auto* settingsLayout = new QVBoxLayout(settingsBox);
    auto* recordBox = new QGroupBox("録音", settingsBox);
    auto* recordLayout = new QVBoxLayout(recordBox);
    RadioGroup1 = new QButtonGroup(recordBox);
    const char* modes[] = {"ステレオ", "モノラル"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QRadioButton(modes[i], recordBox);
        RadioGroup1->addButton(b, i);
        recordLayout->addWidget(b);
    }
    RadioGroup1->button(0)->setChecked(true);
    settingsLayout->addWidget(recordBox);
    settingsLayout->addStretch();
    settingsBox->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    top->addWidget(settingsBox);
    right->addLayout(top);

    auto* clipBox = new QGroupBox("音声情報", this);
    auto* clipLayout = new QVBoxLayout(clipBox);
    StringGrid1 = new QTableWidget(2, TrackViewModel::kClipColumns, clipBox);
    const int widths[] = {65, 90, 100, 90, 65};
    QStringList titles;
    for (int c = 0; c < TrackViewModel::kClipColumns; ++c) {
        StringGrid1->setColumnWidth(c, widths[c]);
        titles << TrackViewModel::clipColumnTitles()[c];
    }
    StringGrid1->setHorizontalHeaderLabels(titles);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setDefaultSectionSize(18);
    StringGrid1->setItemDelegateForColumn(
        0, new CellEditDelegate(
               this, [this](int row) { StringGrid1GetEditText(row); }, &StringGrid1GetEditMask,
               [this](int row) { StringGrid1KeyPress(row); }));
    clipLayout->addWidget(StringGrid1);
    right->addWidget(clipBox, 1);
    layout->addLayout(right, 3);

    connect(Button1, &QPushButton::clicked, this, [this] {
        view_.Button1Click(selectedRows());
        redraw();
    });
    connect(Button2, &QPushButton::clicked, this, [this] {
        own([this] { view_.Button2Click(); });
        redraw();
    });
    connect(Button3, &QPushButton::clicked, this, [this] { RefreshTrackView(); });
    connect(ListBox1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        own([this, item] { view_.ListBox1Click(ListBox1->row(item)); });
        fillValues();
        fillClips();
    });
    connect(ListBox1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu;
        menu.addAction("削除", this, [this] { N1Click(); });
        menu.exec(ListBox1->mapToGlobal(pos));
    });
    connect(ValueListEditor1, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || item->column() != 1) return;
        const int row = item->row() + 1;
        const std::string text = item->text().toStdString();
        own([&] { view_.ValueListEditor1Validate(row, text, ValueBeforeEdit); });
        view_.refreshItemNames();  // a new name shows in the lists
        redraw();
    });
    connect(RadioGroup1, &QButtonGroup::idClicked, this, [this](int id) { studio_.model.setRecordingMode(id); });

    // The view follows every change of the project, wherever it comes from. When tracks come,
    // go, are renamed or reordered, the list starts again from the top track; any other change
    // (values, heights, the selection, clips added, moved or deleted) only fetches the shown
    // track afresh, so dragging a slider or a clip does not move the selection.
    tracksChanged_ = studio_.model.trackChanged.connect([this](int, TrackChange what) {
        if (ownChange_) return;
        if (what == TrackChange::Added || what == TrackChange::Removed || what == TrackChange::Named ||
            what == TrackChange::Order)
            RefreshTrackView();
        else
            FollowProject();
    });
    clipsChanged_ = studio_.model.clipChanged.connect([this](int, ClipChange) {
        if (!ownChange_) FollowProject();
    });
    replaced_ = studio_.model.replaced.connect([this] {
        if (!ownChange_) RefreshTrackView();
    });
}

std::vector<int> TForm5::selectedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < ListBox1->count(); ++i)
        if (ListBox1->item(i)->isSelected()) rows.push_back(i);
    return rows;
}

void TForm5::own(const std::function<void()>& change) {
    const bool outer = ownChange_;
    ownChange_ = true;
    change();
    ownChange_ = outer;
}

void TForm5::RefreshTrackView() {
    own([this] { view_.RefreshTrackView(); });
    ListBox1->clear();  // a refresh starts the lists again, selections and all
    ListBox2->clear();
    redraw();
}

void TForm5::FollowProject() {
    view_.FollowProject();
    redraw();
}

void TForm5::showRecordingMode() {
    if (auto* b = RadioGroup1->button(studio_.model.recordingMode == 1 ? 1 : 0)) b->setChecked(true);
}

void TForm5::redraw() {
    filling_ = true;
    // Lists are rebuilt only when their texts change, so following a clip or a slider keeps
    // what the user selected in them.
    const auto fillList = [](QListWidget* list, const std::vector<std::string>& items) {
        bool same = list->count() == static_cast<int>(items.size());
        for (int i = 0; same && i < list->count(); ++i) same = list->item(i)->text() == q(items[std::size_t(i)]);
        if (same) return;
        list->clear();
        for (const auto& t : items) list->addItem(q(t));
    };
    fillList(ListBox1, view_.leftItems());
    fillList(ListBox2, view_.rightItems());
    if (view_.shownIndex >= 0 && view_.shownIndex < ListBox1->count() && ListBox1->currentRow() != view_.shownIndex)
        ListBox1->setCurrentRow(view_.shownIndex);
    filling_ = false;
    fillValues();
    fillClips();
    showRecordingMode();
}

void TForm5::fillValues() {
    filling_ = true;
    for (int r = 0; r < 5; ++r) ValueListEditor1->item(r, 1)->setText(q(view_.cells[r]));
    filling_ = false;
}

void TForm5::fillClips() {
    filling_ = true;
    const auto rows = view_.clipRows();
    StringGrid1->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        for (int c = 0; c < TrackViewModel::kClipColumns; ++c) {
            auto* item = new QTableWidgetItem(q(rows[r][c]));
            // Only the start time can be edited; rows alternate white and light blue.
            item->setFlags(StringGrid1SelectCell(c) ? item->flags() | Qt::ItemIsEditable
                                                    : item->flags() & ~Qt::ItemIsEditable);
            if ((r + 1) % 2 == 0) item->setBackground(kEvenRowColour);
            StringGrid1->setItem(r, c, item);
        }
    }
    filling_ = false;
}

void TForm5::N1Click() {
    own([this] { view_.N1Click(selectedRows()); });
    redraw();
}

void TForm5::ValueListEditor1GetEditText(int row) {
    ValueBeforeEdit = row >= 1 && row <= int(view_.cells.size()) ? view_.cells[std::size_t(row - 1)] : std::string();
}

void TForm5::StringGrid1GetEditText(int row) {
    const auto rows = view_.clipRows();
    CellBeforeEdit = row >= 1 && row <= int(rows.size()) ? rows[std::size_t(row - 1)][0] : std::string();
}

QString TForm5::StringGrid1GetEditMask(const QString& cellText) {
    return q(TrackViewModel::StringGrid1GetEditMask(cellText.toStdString())) + ";_";
}

bool TForm5::StringGrid1SelectCell(int column) { return column == 0; }

void TForm5::StringGrid1KeyPress(int row) {
    if (filling_) return;
    if (row < 1 || row > StringGrid1->rowCount()) return;
    const std::string text = StringGrid1->item(row - 1, 0)->text().toStdString();
    std::string result;
    own([&] { result = view_.StringGrid1KeyPress(row, text, CellBeforeEdit); });
    filling_ = true;
    StringGrid1->item(row - 1, 0)->setText(q(result));
    filling_ = false;
}

void TForm5::FormShow() { FollowProject(); }

void TForm5::showEvent(QShowEvent* event) {
    FormShow();
    QWidget::showEvent(event);
}

}  // namespace tqx
