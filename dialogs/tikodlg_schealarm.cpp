#include "dialogs/tikodlg_schealarm.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputMethod>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <iterator>
#include <mutex>

#include "dialogs/message_asker.h"
#include "dialogs/schedule_texts.h"
#include "encoding/cp949.h"
#include "platform/clock.h"
#include "treestore/app_store.h"
#include "treestore/conf_schema.h"
#include "treestore/tree_mgr.h"
#include "windowkit/access_keys.h"
#include "windowkit/runtime_bridge.h"

namespace {

constexpr const char* kRepeatCaptions[4] = {"당일", "매일", "매주", "매달"};
constexpr const char* kAlarmCaptions[8] = {"정각",   "1분전",  "5분전",  "10분전",
                                           "15분전", "30분전", "45분전", "1시간전"};

constexpr char kBeforeNowAdd[] = "현재 일시 이후부터 입력하실수 있읍니다.";
constexpr char kBeforeNowChange[] = "현재 시각 이전의 일정은 변경할 수 없습니다.";
constexpr char kNoMemo[] = "일정 내용을 입력하십시요!";
constexpr char kNoRepeat[] = " 일정 타입( 당일, 매일, 매주, 매달 중 1 )을 선택하십시요!";
constexpr char kNoAlarm[] = " 알람 타입( 정각, 1분전, 5분전... )을 선택하십시요!";
constexpr char kAdded[] = "일정이 추가되었습니다. ";
constexpr char kChanged[] = "일정이 변경되었습니다. ";
constexpr char kDeleted[] = "일정이 삭제되었습니다. ";
constexpr char kAllDeleted[] = "일정이 모두 삭제되었습니다. ";
constexpr char kDeleteAllQuestion[] = "주의! 모든 일정 정보가 삭제됩니다. \n정말, 삭제하시겠습니까?";
constexpr char kBadHour[] = "시각의 시를 알 수 없습니다. 0부터 23까지의 수로 입력하십시요! (예: 07시)";
constexpr char kBadMinute[] = "시각의 분을 알 수 없습니다. 0부터 59까지의 수로 입력하십시요! (예: 05분)";
constexpr char kMemoNotStorable[] =
    "일정메모에 저장할 수 없는 글자가 있습니다: %1\n한글, 영문, 숫자와 한자로 입력하십시요!";

// Where a row keeps its item's key (the store's bytes).
constexpr int kKeyRole = Qt::UserRole;

CLumDate DateOf(const QDate& date) {
    return CLumDate{date.year(), date.month(), date.day()};
}

QDate QDateOf(const CLumDate& day) {
    return QDate(day.nYear, day.nMonth, day.nDay);
}

// The first character of `text` that cp949 has no code for.
QString FirstUnstorable(const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, length);
        if (!encoding::Utf8ToCp949(one.toStdString()))
            return one;
        i += length;
    }
    return {};
}

bool IsEmpty(const Class_TIKOSCHEDULE_TOP& book) {
    std::lock_guard lock(book.ListMutex());
    return book.GetFirstChild() == nullptr;
}

}  // namespace

CTikoDlg_ScheAlarm::CTikoDlg_ScheAlarm(const ShellContext& context, std::filesystem::path workDir,
                                       IMessageAsker& asker, QWidget* parent)
    : QDialog(parent), context_(context), workDir_(std::move(workDir)), asker_(asker) {
    setWindowTitle(QStringLiteral("일정관리"));
    setFont(DialogFont());

    calendar_ = new QCalendarWidget(this);
    calendar_->setLocale(QLocale(QLocale::Korean, QLocale::SouthKorea));
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    calendar_->setAccessibleName(QStringLiteral("날짜"));
    // The month arrows are pictures only.
    if (auto* previous = calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_prevmonth")))
        previous->setAccessibleName(QStringLiteral("이전 달"));
    if (auto* next = calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth")))
        next->setAccessibleName(QStringLiteral("다음 달"));
    if (auto* days = calendar_->findChild<QTableView*>())
        RenewAccessibleInterface(days);
    // The year button shows "2026" alone; a reader hears "2026년".
    if (auto* year = calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"))) {
        const auto nameYear = [year](int shown) {
            year->setAccessibleName(QStringLiteral("%1년").arg(shown));
        };
        nameYear(calendar_->yearShown());
        connect(calendar_, &QCalendarWidget::currentPageChanged, year,
                [nameYear](int shown, int) { nameYear(shown); });
    }

    timeGroup_ = new QGroupBox(QStringLiteral("시각선택"), this);
    timeGroup_->setAccessibleName(timeGroup_->title());
    hour_ = new QComboBox(this);
    minute_ = new QComboBox(this);
    for (int h = 0; h < 24; ++h)
        hour_->addItem(HourEntry(h));
    for (int m = 0; m < 60; ++m)
        minute_->addItem(MinuteEntry(m));
    hour_->setAccessibleName(QStringLiteral("시"));
    minute_->setAccessibleName(QStringLiteral("분"));
    RenewAccessibleInterface(hour_);
    RenewAccessibleInterface(minute_);
    for (QComboBox* combo : {hour_, minute_}) {
        // Typed text is read when a button asks for it; it never adds an entry.
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setMaxVisibleItems(12);
        combo->lineEdit()->setAccessibleName(combo->accessibleName());
    }

    auto button = [this](const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setAccessibleName(b->text());
        return b;
    };
    add_ = button("추가");
    change_ = button("변경");
    delete_ = button("삭제");
    deleteAll_ = button("일정표삭제");
    close_ = button("닫기");

    title_ = new ShownTextLabel(this);
    title_->setAccessibleName(QStringLiteral("일정표 날짜"));

    list_ = new QTreeWidget(this);
    list_->setColumnCount(3);
    list_->setHeaderLabels({QStringLiteral("일시"), QStringLiteral("일정메모"), QStringLiteral("알람")});
    list_->headerItem()->setTextAlignment(2, Qt::AlignCenter);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAllColumnsShowFocus(true);
    list_->setAccessibleName(QStringLiteral("일정표"));

    memoLabel_ = new QLabel(QStringLiteral("일정메모"), this);
    memoLabel_->setAccessibleName(memoLabel_->text());
    memo_ = new QLineEdit(this);
    memo_->setAccessibleName(QStringLiteral("일정메모"));
    memoLabel_->setBuddy(memo_);

    alarmGroup_ = new QGroupBox(QStringLiteral("알람시간"), this);
    alarmGroup_->setAccessibleName(alarmGroup_->title());
    for (int i = 0; i < 4; ++i) {
        repeat_[i] = new QRadioButton(QString::fromUtf8(kRepeatCaptions[i]), this);
        repeat_[i]->setAccessibleName(repeat_[i]->text());
    }
    for (int i = 0; i < 8; ++i) {
        alarms_[i] = new QCheckBox(QString::fromUtf8(kAlarmCaptions[i]), this);
        alarms_[i]->setAccessibleName(alarms_[i]->text());
    }

    Relayout();
    SetAccessKeys(*this, access_keys::kSchedule);

    // Tab follows the eye: the date and time, the day's list, what the item says and when it
    // rings, and only then the buttons that act on them.
    QList<QWidget*> order{calendar_, hour_, minute_, list_, memo_};
    for (QRadioButton* b : repeat_)
        order << b;
    for (QCheckBox* b : alarms_)
        order << b;
    order << add_ << change_ << delete_ << deleteAll_ << close_;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    // Initialisation: today's title, both combos at 0, today selected and listed.
    CLumDate today;
    if (context_.clock != nullptr) {
        const calendar::CivilTime now = platform::KoreanStandardTime(*context_.clock);
        today = CLumDate{now.year, now.month, now.day};
    }
    title_->SetShownText(ScheduleTitle(today));
    hour_->setCurrentIndex(0);
    minute_->setCurrentIndex(0);
    calendar_->setSelectedDate(QDateOf(today));
    ListDate(today);

    connect(add_, &QPushButton::clicked, this, &CTikoDlg_ScheAlarm::Add);
    connect(change_, &QPushButton::clicked, this, &CTikoDlg_ScheAlarm::Change);
    connect(delete_, &QPushButton::clicked, this, &CTikoDlg_ScheAlarm::Delete);
    connect(deleteAll_, &QPushButton::clicked, this, &CTikoDlg_ScheAlarm::DeleteAll);
    connect(close_, &QPushButton::clicked, this, &CTikoDlg_ScheAlarm::CloseDialog);
    connect(calendar_, &QCalendarWidget::selectionChanged, this,
            [this] { ListDate(DateOf(calendar_->selectedDate())); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, &CTikoDlg_ScheAlarm::Select);
    connect(list_, &QTreeWidget::itemClicked, this, &CTikoDlg_ScheAlarm::Select);
}

void CTikoDlg_ScheAlarm::Relayout() {
    namespace d = schedule_dialog;
    const DialogBaseUnits units = BaseUnitsOf(font());
    setFixedSize(DluToPixels(d::kSize, units));
    calendar_->setGeometry(DluToPixels(d::kCalendar, units));
    timeGroup_->setGeometry(DluToPixels(d::kTimeGroup, units));
    hour_->setGeometry(DluToPixels(d::kHour, units));
    minute_->setGeometry(DluToPixels(d::kMinute, units));
    add_->setGeometry(DluToPixels(d::kAdd, units));
    change_->setGeometry(DluToPixels(d::kChange, units));
    delete_->setGeometry(DluToPixels(d::kDelete, units));
    deleteAll_->setGeometry(DluToPixels(d::kDeleteAll, units));
    close_->setGeometry(DluToPixels(d::kClose, units));
    title_->setGeometry(DluToPixels(d::kTitle, units));
    list_->setGeometry(DluToPixels(d::kList, units));
    memoLabel_->setGeometry(DluToPixels(d::kMemoLabel, units));
    memo_->setGeometry(DluToPixels(d::kMemo, units));
    alarmGroup_->setGeometry(DluToPixels(d::kAlarmGroup, units));
    for (int i = 0; i < 4; ++i)
        repeat_[i]->setGeometry(DluToPixels(
            QRect(d::kAlarmColumns[i], d::kRepeatRow, d::kAlarmColumnWidth, d::kAlarmRowHeight), units));
    for (int i = 0; i < 8; ++i)
        alarms_[i]->setGeometry(DluToPixels(
            QRect(d::kAlarmColumns[i % 4], d::kAlarmRows[i / 4], d::kAlarmColumnWidth, d::kAlarmRowHeight),
            units));
    // The calendar gives its month and year buttons a bold copy of its font once, when made.
    QFont bold = font();
    bold.setBold(true);
    for (QToolButton* b : calendar_->findChildren<QToolButton*>())
        b->setFont(bold);
    const std::array<int, 3> widths = ScheduleColumnWidths(units);
    for (int i = 0; i < 3; ++i)
        list_->setColumnWidth(i, widths[i]);
}

void CTikoDlg_ScheAlarm::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::FontChange && calendar_ != nullptr)
        Relayout();
}

Class_TIKOCONF_ALARM* CTikoDlg_ScheAlarm::AlarmSettings() const {
    return context_.conf != nullptr ? context_.conf->Alarm() : nullptr;
}

void CTikoDlg_ScheAlarm::Tell(const char* text) {
    asker_.Tell(this, QString::fromUtf8(text));
}

CLumDate CTikoDlg_ScheAlarm::shownDate() const {
    return listed_;
}

bool CTikoDlg_ScheAlarm::ReadInput(Input& input) {
    // A syllable still being composed by the input method belongs to the memo.
    QGuiApplication::inputMethod()->commit();
    const std::optional<int> hour = ParseClockField(hour_->currentText(), QStringLiteral("시"), 23);
    if (!hour) {
        Tell(kBadHour);
        return false;
    }
    const std::optional<int> minute = ParseClockField(minute_->currentText(), QStringLiteral("분"), 59);
    if (!minute) {
        Tell(kBadMinute);
        return false;
    }
    // What was typed becomes the entry it names.
    hour_->setCurrentIndex(*hour);
    minute_->setCurrentIndex(*minute);
    input.day = DateOf(calendar_->selectedDate());
    if (context_.clock == nullptr)
        return false;
    // Stored as the alarm manager and the listing read it: the clock's local time.
    input.when = context_.clock->FromLocal(
        calendar::MakeCivilTime(input.day.nYear, input.day.nMonth, input.day.nDay, *hour, *minute, 0));
    input.now = context_.clock->NowUtc().seconds;
    return true;
}

bool CTikoDlg_ScheAlarm::MemoBytes(std::string& bytes) {
    const QString text = memo_->text();
    std::optional<std::string> converted = encoding::Utf8ToCp949(text.toStdString());
    if (!converted) {
        asker_.Tell(this, QString::fromUtf8(kMemoNotStorable).arg(FirstUnstorable(text)));
        return false;
    }
    bytes = std::move(*converted);
    return true;
}

int CTikoDlg_ScheAlarm::CheckedRepeat() const {
    for (int i = 0; i < 4; ++i) {
        if (repeat_[i]->isChecked())
            return i;
    }
    return -1;
}

void CTikoDlg_ScheAlarm::ListDate(const CLumDate& day) {
    {
        // Emptying the list is no selection by the user: the key stays.
        const QSignalBlocker block(list_);
        list_->clear();
    }
    listed_ = day;
    Class_TIKOSCHEDULE_TOP* book = context_.schedule;
    if (book == nullptr || IsEmpty(*book))
        return;
    const std::vector<std::unique_ptr<Class_TIKOSCHEDULE>> items = book->ListDay(day);
    title_->SetShownText(ScheduleTitle(day));
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(items.size()));
    for (const auto& item : items) {
        const calendar::CivilTime when =
            context_.clock != nullptr ? context_.clock->ToLocal(item->tWhen.load()) : calendar::CivilTime{};
        auto* row = new QTreeWidgetItem;
        row->setText(0, ScheduleTimeText(when.hour, when.minute, when.second));
        row->setText(1, QString::fromStdString(encoding::Cp949ToUtf8Lossy(item->strMemo.Get())));
        row->setText(2, RepeatKindText(item->nRepeat.load()));
        row->setTextAlignment(2, Qt::AlignCenter);
        row->setData(0, kKeyRole, QByteArray::fromStdString(item->strGuid.Get()));
        // A reader going down the rows hears every column, not only the time.
        QStringList columns;
        for (int c = 0; c < 3; ++c) {
            if (!row->text(c).isEmpty())
                columns << row->text(c);
        }
        row->setData(0, Qt::AccessibleTextRole, columns.join(QStringLiteral(", ")));
        rows.append(row);
    }
    const QSignalBlocker block(list_);
    list_->addTopLevelItems(rows);
}

void CTikoDlg_ScheAlarm::Select() {
    selectedKey_.clear();
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list_->topLevelItem(i);
        if (row->isSelected()) {
            selectedKey_ = row->data(0, kKeyRole).toByteArray().toStdString();
            break;
        }
    }
    if (selectedKey_.empty() || context_.schedule == nullptr)
        return;
    const std::unique_ptr<Class_TIKOSCHEDULE> item = context_.schedule->CopyItem(selectedKey_);
    if (item == nullptr)
        return;
    if (context_.clock != nullptr) {
        const calendar::CivilTime when = context_.clock->ToLocal(item->tWhen.load());
        hour_->setCurrentIndex(when.hour);
        minute_->setCurrentIndex(when.minute);
    }
    memo_->setText(QString::fromStdString(encoding::Cp949ToUtf8Lossy(item->strMemo.Get())));
    // A checked radio button of a group cannot be unchecked alone.
    for (QRadioButton* b : repeat_) {
        b->setAutoExclusive(false);
        b->setChecked(false);
    }
    const int repeat = item->nRepeat.load();
    if (repeat >= 0 && repeat < 4)
        repeat_[repeat]->setChecked(true);
    for (QRadioButton* b : repeat_)
        b->setAutoExclusive(true);
    for (int i = 0; i < 8; ++i)
        alarms_[i]->setChecked(item->AlarmFlag(i).load());
}

bool CTikoDlg_ScheAlarm::ReadItemInput(Input& input, bool adding) {
    if (!ReadInput(input))
        return false;
    if (input.when < input.now) {
        Tell(adding ? kBeforeNowAdd : kBeforeNowChange);
        return false;
    }
    if (memo_->text().isEmpty()) {
        Tell(kNoMemo);
        return false;
    }
    if (!MemoBytes(input.memo))
        return false;
    input.repeat = CheckedRepeat();
    if (input.repeat < 0) {
        // Only an addition says so; a change without a repeat stops silently.
        if (adding)
            Tell(kNoRepeat);
        return false;
    }
    // Only an addition insists on an alarm.
    if (adding &&
        std::none_of(std::begin(alarms_), std::end(alarms_), [](QCheckBox* b) { return b->isChecked(); })) {
        Tell(kNoAlarm);
        return false;
    }
    return true;
}

void CTikoDlg_ScheAlarm::StoreInput(Class_TIKOSCHEDULE& item, const Input& input) const {
    item.tStamp = input.now;
    item.tWhen = input.when;
    item.nRepeat = input.repeat;
    for (int i = 0; i < 8; ++i)
        item.AlarmFlag(i) = alarms_[i]->isChecked();
    item.strMemo.Set(input.memo);
}

void CTikoDlg_ScheAlarm::Add() {
    Input input;
    if (!ReadItemInput(input, true))
        return;
    Class_TIKOSCHEDULE_TOP* book = context_.schedule;
    if (book == nullptr)
        return;
    auto item = std::make_unique<Class_TIKOSCHEDULE>();
    item->strGuid.Set(CLumTreeMgr::NewItemGuid());
    StoreInput(*item, input);
    book->AddItem(std::move(item));
    ListDate(input.day);
    Tell(kAdded);
}

void CTikoDlg_ScheAlarm::Change() {
    Input input;
    if (!ReadItemInput(input, false))
        return;
    Class_TIKOSCHEDULE_TOP* book = context_.schedule;
    if (selectedKey_.empty() || book == nullptr)
        return;
    {
        // The alarm manager walks the list on its own thread; the item stays while it is held.
        std::lock_guard lock(book->ListMutex());
        Class_TIKOSCHEDULE* item = FindScheduleItem(*book, selectedKey_);
        if (item == nullptr)
            return;
        StoreInput(*item, input);
    }
    ListDate(input.day);
    Tell(kChanged);
}

void CTikoDlg_ScheAlarm::ResetInputs() {
    hour_->setCurrentIndex(0);
    minute_->setCurrentIndex(0);
    memo_->clear();
    repeat_[kRepeatOnce]->setChecked(true);
    for (int i = 0; i < 8; ++i)
        alarms_[i]->setChecked(i == 0);
}

void CTikoDlg_ScheAlarm::Delete() {
    if (selectedKey_.empty() || context_.schedule == nullptr)
        return;
    if (!context_.schedule->RemoveItem(selectedKey_))
        return;
    ResetInputs();
    ListDate(DateOf(calendar_->selectedDate()));
    Tell(kDeleted);
}

void CTikoDlg_ScheAlarm::DeleteAll() {
    if (!asker_.Confirm(this, QString::fromUtf8(kDeleteAllQuestion)))
        return;
    Class_TIKOSCHEDULE_TOP* book = context_.schedule;
    if (book == nullptr || IsEmpty(*book))
        return;
    book->RemoveAllItems();
    ResetInputs();
    ListDate(DateOf(calendar_->selectedDate()));
    Tell(kAllDeleted);
}

void CTikoDlg_ScheAlarm::CloseDialog() {
    if (!isVisible())
        return;
    if (context_.conf != nullptr) {
        if (Class_TIKOCONF_WDPROP_ALARMDLG* place = context_.conf->AlarmDlg()) {
            place->nLeft = x();
            place->nTop = y();
        }
    }
    const Class_TIKOCONF_ALARM* alarm = AlarmSettings();
    if (alarm != nullptr && alarm->bAlarm.load() == 1 && context_.bridge != nullptr)
        context_.bridge->ResumeAlarms();
    if (context_.schedule != nullptr && !SaveScheduleBook(*context_.schedule, workDir_))
        Tell(kScheduleSaveFailedText);
    QDialog::done(QDialog::Accepted);
}

void CTikoDlg_ScheAlarm::reject() {
    // Escape and the close box: the same as 닫기, or the alarms would stay paused and the edits
    // unsaved until the program ends.
    CloseDialog();
}

void CTikoDlg_ScheAlarm::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        FitInsideScreen(*this);  // the stored place may lie off a smaller or scaled screen
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;  // the window system showing it again (a desktop switch), not the program
    const Class_TIKOCONF_ALARM* alarm = AlarmSettings();
    if (alarm != nullptr && alarm->bAlarm.load() == 1 && context_.bridge != nullptr)
        context_.bridge->PauseAlarms();
    activateWindow();
}
