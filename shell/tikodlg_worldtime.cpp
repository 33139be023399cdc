#include "shell/tikodlg_worldtime.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <algorithm>
#include <optional>

#include "encoding/cp949.h"
#include "platform/clock.h"
#include "shell/clock_texts.h"
#include "shell/lumwnd_worldclock.h"
#include "treestore/conf_schema.h"
#include "windowkit/access_keys.h"
#include "windowkit/accessible_text.h"
#include "windowkit/window_layout.h"
#include "world/info_text.h"
#include "world/world_store.h"

const char* const kNoWorldTableText =
    "시간표 파일이 없습니다.\n\n 실행디렉토리가 아닙니다. \n 바로가기 아이콘을 생성하여 사용하십시요!!";

namespace {

// Dialog resource 130, in dialog units of "굴림체" 10 point.
constexpr QSize kSize{150, 237};
constexpr QRect kFacePlace{2, 2, 145, 36};    // 1016
constexpr QRect kTree{2, 40, 145, 93};        // 1015
constexpr QRect kSearch{2, 135, 109, 12};     // 1018
constexpr QRect kFind{115, 134, 32, 14};      // 1017
constexpr QRect kInfo{2, 150, 145, 58};       // 1020
constexpr QRect kShowClock{60, 220, 50, 14};  // 1021
constexpr QRect kClose{115, 220, 32, 14};     // 1019
constexpr int kFaceInset = 5;

constexpr int kNoRegion = -1;

// Rows as tall as the Hangul they show: where the fixed-width face that "굴림체" names falls
// back to a taller Korean face (at 144 dpi, say), its own line height would let rows overlap.
class RowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize hint = QStyledItemDelegate::sizeHint(option, index);
        const QRect ink = option.fontMetrics.boundingRect(index.data(Qt::DisplayRole).toString());
        hint.setHeight(std::max(hint.height(), ink.height() + 2));
        return hint;
    }
};

QString FromCp949(const std::string& text) {
    return QString::fromStdString(encoding::Cp949ToUtf8Lossy(text));
}

}  // namespace

CTikoDlg_WorldTime::CTikoDlg_WorldTime(const ShellContext& context, world::WorldStore& store,
                                       const world::WorldTable& table, Hooks hooks, QWidget* parent)
    : QDialog(parent), context_(context), store_(store), hooks_(std::move(hooks)) {
    setWindowTitle(QString::fromUtf8("세계시각"));
    QFont font(QString::fromUtf8("굴림체"));
    // One point above the other dialogs: 10, or more on a desktop set to larger text.
    font.setPointSizeF(DialogFont().pointSizeF() + 1.0);
    setFont(font);
    const DialogBaseUnits units = BaseUnitsOf(font);
    setFixedSize(DluToPixels(kSize, units));

    auto* place = new QFrame(this);
    place->setFrameStyle(QFrame::Box | QFrame::Plain);
    place->setStyleSheet(QStringLiteral("color: gray"));
    place->setGeometry(DluToPixels(kFacePlace, units));
    face_ = new CLumWnd_WorldClock(context_, store_, this);
    face_->setGeometry(
        DluToPixels(kFacePlace, units).adjusted(kFaceInset, kFaceInset, -kFaceInset, -kFaceInset));

    tree_ = new QTreeWidget(this);
    tree_->setGeometry(DluToPixels(kTree, units));
    tree_->setHeaderHidden(true);
    tree_->setRootIsDecorated(true);
    tree_->setDragDropMode(QAbstractItemView::NoDragDrop);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setAccessibleName(QString::fromUtf8("세계시간표"));
    tree_->setItemDelegate(new RowDelegate(tree_));

    search_ = new QLineEdit(this);
    search_->setGeometry(DluToPixels(kSearch, units));
    search_->setAccessibleName(QString::fromUtf8("찾을 지역"));
    search_->installEventFilter(this);

    find_ = new QPushButton(QString::fromUtf8("찾기"), this);
    find_->setGeometry(DluToPixels(kFind, units));
    find_->setDefault(true);
    find_->setAccessibleName(find_->text());

    info_ = new ShownTextLabel(this);
    info_->setGeometry(DluToPixels(kInfo, units));
    info_->setWordWrap(true);
    info_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    info_->setAccessibleName(QString::fromUtf8("지역 정보"));

    showClock_ = new QPushButton(QString::fromUtf8("시계창보이기"), this);
    showClock_->setGeometry(DluToPixels(kShowClock, units));
    showClock_->setAccessibleName(showClock_->text());

    close_ = new QPushButton(QString::fromUtf8("닫기"), this);
    close_->setGeometry(DluToPixels(kClose, units));
    close_->setAccessibleName(close_->text());

    SetAccessKeys(*this, access_keys::kWorldTime);
    FillTree(table);

    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { OnSelectionChanged(); });
    connect(find_, &QPushButton::clicked, this, &CTikoDlg_WorldTime::Search);
    connect(close_, &QPushButton::clicked, this, &CTikoDlg_WorldTime::CloseAndSave);
    connect(showClock_, &QPushButton::clicked, this, [this] {
        const int index = store_.SelectedIndex();
        if (index == kNoRegion || !hooks_.openWorldClock)
            return;
        hooks_.openWorldClock(index, FromCp949(store_.SelectedName()));
    });
}

void CTikoDlg_WorldTime::FillTree(const world::WorldTable& table) {
    items_.assign(static_cast<size_t>(table.regions.Size()), nullptr);
    auto* root = new QTreeWidgetItem(tree_, QStringList(QString::fromUtf8("세계시간표")));
    root->setData(0, Qt::UserRole, kNoRegion);
    auto* utc =
        new QTreeWidgetItem(root, QStringList(RegionDisplayName(FromCp949(table.regions.Find(0)->name))));
    utc->setData(0, Qt::UserRole, 0);
    items_[0] = utc;
    for (const world::WorldGroup& group : table.groups) {
        auto* groupItem = new QTreeWidgetItem(root, QStringList(FromCp949(group.name)));
        groupItem->setData(0, Qt::UserRole, kNoRegion);
        for (int index = group.first; index < group.first + group.count; ++index) {
            auto* item = new QTreeWidgetItem(
                groupItem, QStringList(RegionDisplayName(FromCp949(table.regions.Find(index)->name))));
            item->setData(0, Qt::UserRole, index);
            items_[static_cast<size_t>(index)] = item;
        }
    }
    root->setExpanded(true);
}

QTreeWidgetItem* CTikoDlg_WorldTime::ItemOf(int regionIndex) const {
    if (regionIndex < 0 || static_cast<size_t>(regionIndex) >= items_.size())
        return nullptr;
    return items_[static_cast<size_t>(regionIndex)];
}

void CTikoDlg_WorldTime::OnSelectionChanged() {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr)
        return;
    const int index = item->data(0, Qt::UserRole).toInt();
    if (index == kNoRegion)
        return;
    const std::optional<world::Region> region = store_.RegionAt(index);
    store_.Select(index, region ? region->name : std::string());
    face_->Tick();
    RebuildInformation();
}

void CTikoDlg_WorldTime::RebuildInformation() {
    const std::optional<world::Region> region = store_.RegionAt(store_.SelectedIndex());
    if (!region)
        return;
    const int64_t korean =
        context_.clock != nullptr ? context_.clock->NowUtc().seconds + calendar::kKoreaUtcOffsetSeconds : 0;
    info_->SetShownText(QString::fromStdString(world::InformationText(*region, korean)));
}

void CTikoDlg_WorldTime::Search() {
    const QString text = search_->text();
    if (text.isEmpty()) {
        search_->setText(QString::fromUtf8("찾고자 하는 도시/국가명"));
        info_->SetShownText(QString::fromUtf8("지역을 입력해 주십시오"));
        return;
    }
    const world::WorldTable* table = store_.Table();
    // Names are shown with spaces where the table has "_"; a name typed as shown is found too.
    std::optional<world::SearchHit> hit;
    for (const QString& typed : {text, QString(text).replace(u' ', u'_')}) {
        const std::optional<std::string> needle = encoding::Utf8ToCp949(typed.toStdString());
        if (!hit && table != nullptr && needle)
            hit = world::FindRegion(*table, *needle);
    }
    QTreeWidgetItem* item = hit ? ItemOf(hit->index) : nullptr;
    if (item == nullptr) {
        info_->SetShownText(QString::fromUtf8("입력하신 지역을 찾을 수 없습니다"));
        return;
    }
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item->parent(), QAbstractItemView::PositionAtTop);
    tree_->scrollToItem(item, QAbstractItemView::EnsureVisible);
    OnSelectionChanged();
}

void CTikoDlg_WorldTime::KeepPosition() {
    Class_TIKOCONF_WDPROP_WORLDCLOCKTABLE* node =
        context_.conf != nullptr ? context_.conf->WorldClockTable() : nullptr;
    if (node == nullptr)
        return;
    node->nLeft.store(x());
    node->nTop.store(y());
}

void CTikoDlg_WorldTime::CloseAndSave() {
    KeepPosition();
    hide();
    if (hooks_.saveConfiguration)
        hooks_.saveConfiguration();
}

void CTikoDlg_WorldTime::reject() {
    KeepPosition();
    QDialog::reject();
}

void CTikoDlg_WorldTime::showEvent(QShowEvent* event) {
    FitInsideScreen(*this);
    QDialog::showEvent(event);
}

bool CTikoDlg_WorldTime::eventFilter(QObject* watched, QEvent* event) {
    if (watched == search_ && event->type() == QEvent::FocusIn)
        search_->clear();
    return QDialog::eventFilter(watched, event);
}
