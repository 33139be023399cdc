#include "dialogs/tikopropage_env.h"

#include <qdrawutil.h>
#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <string>

#include "dialogs/message_asker.h"
#include "dialogs/screensaver_switch.h"
#include "platform/clock.h"
#include "timeservices/clock_right.h"
#include "treestore/conf_schema.h"
#include "windowkit/access_keys.h"
#include "windowkit/runtime_bridge.h"

namespace {

// The world clock scales the slider's positions stand for; the last two lie past its end.
constexpr float kScales[10] = {1.0f, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0.1f};
constexpr int kLastScalePosition = 7;

constexpr char kSetFailed[] = "동기에 실패했습니다.";

// Layout in dialog units: the flags down the left, colours, scale, automatic
// synchronisation and the time offset on the right, 초기값 at the bottom left.
namespace layout {
constexpr int kFlagLeft = 8;
constexpr int kFlagTop = 8;
constexpr int kFlagStep = 12;
constexpr int kFlagWidth = 104;
constexpr int kFlagHeight = 10;
constexpr QRect kReset{8, 131, 50, 14};

constexpr QRect kClockGroup{118, 4, 61, 42};
constexpr QRect kMsgGroup{182, 4, 61, 42};
constexpr int kColourLabelDx = 6;
constexpr int kSwatchDx = 36;
constexpr int kFirstColourDy = 13;
constexpr int kColourStep = 14;
constexpr QSize kColourLabel{28, 9};
constexpr QSize kSwatch{20, 12};

constexpr QRect kScaleGroup{118, 48, 125, 30};
constexpr QRect kScale{124, 60, 113, 16};

constexpr QRect kAutoGroup{118, 80, 125, 38};
constexpr QRect kAutoSync{124, 92, 100, 10};
constexpr QRect kPeriodBefore{124, 106, 10, 9};
constexpr QRect kPeriod{136, 104, 28, 12};
constexpr QRect kPeriodAfter{167, 106, 66, 9};

constexpr QRect kOffsetGroup{118, 120, 125, 28};
constexpr QRect kOffset{124, 132, 36, 12};
constexpr QRect kOffsetUnit{163, 134, 14, 9};
constexpr QRect kApply{186, 131, 50, 14};
}  // namespace layout

QString U(const char* text) {
    return QString::fromUtf8(text);
}

// The number at the start of `text` as C's atoi reads it (no digits: 0), kept within int.
int LeadingNumber(const QString& text) {
    const std::string bytes = text.toStdString();
    const long long value = std::strtoll(bytes.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

QColor FromColorRef(int32_t ref) {
    return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF);
}

int32_t ToColorRef(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

}  // namespace

// A button filled with its field's colour: sunken while pressed or while its
// colour dialog is open, raised otherwise.
class CTikoProPage_Env::Swatch final : public QAbstractButton {
public:
    Swatch(const std::atomic<int32_t>& field, const int& openDialog, int number, const QString& name)
        : field_(field), openDialog_(openDialog), number_(number) {
        setAccessibleName(name);
        setFocusPolicy(Qt::StrongFocus);
        Refresh();
    }

    bool IsSunken() const { return isDown() || openDialog_ == number_; }
    // The colour for screen readers too, after the field changed.
    void Refresh() {
        setAccessibleDescription(FromColorRef(field_.load()).name());
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QBrush fill(FromColorRef(field_.load()));
        qDrawWinPanel(&painter, rect(), palette(), IsSunken(), &fill);
        if (hasFocus()) {
            QPen pen(palette().color(QPalette::Highlight), 1, Qt::DotLine);
            painter.setPen(pen);
            painter.drawRect(rect().adjusted(3, 3, -4, -4));
        }
    }

private:
    const std::atomic<int32_t>& field_;
    const int& openDialog_;
    int number_;
};

CTikoProPage_Env::CTikoProPage_Env(const ShellContext& context, IMainFrame& frame, IMessageAsker& asker,
                                   IScreenSaverSwitch& saver, QWidget* parent)
    : CSetupPage(U("환경설정"), parent), context_(context), frame_(frame), asker_(asker), saver_(saver) {
    chooser_ = [](const QColor& initial, QWidget* parent) -> std::optional<QColor> {
        const QColor chosen = QColorDialog::getColor(initial, parent);
        if (!chosen.isValid())
            return std::nullopt;
        return chosen;
    };

    Class_TIKOCONF_ENV& env = *context_.conf->Env();

    auto box = [this](const char* caption, int id, int row) {
        auto* b = new QCheckBox(U(caption));
        b->setAccessibleName(b->text());
        namespace l = layout;
        return Place(b, QRect(l::kFlagLeft, l::kFlagTop + row * l::kFlagStep, l::kFlagWidth, l::kFlagHeight),
                     id);
    };
    sound_ = box("소리 기능", 1001, 0);
    blink_ = box("동기시 깜빡임", 1010, 1);
    compareAtStart_ = box("시작시 자동 비교", 1011, 2);
    screenSaver_ = box("스크린세이버 사용", 1007, 3);
    log_ = box("로그정보 남김", 1012, 4);
    topMost_ = box("항상 다른 창 위에", 1013, 5);
    clockOnly_ = box("시계창만 표시", 1014, 6);
    hour24_ = box("24시간제 표시", 1046, 7);
    transparent_ = box("세계시 투명창", 1050, 8);

    auto button = [this](const char* caption, const QRect& dlu, int id) {
        auto* b = new QPushButton(U(caption));
        b->setAccessibleName(b->text());
        return Place(b, dlu, id);
    };
    auto label = [this](const char* caption, const QRect& dlu) {
        auto* l = new QLabel(U(caption));
        l->setAccessibleName(l->text());
        return Place(l, dlu);
    };
    auto group = [this](const char* title, const QRect& dlu) {
        auto* g = new QGroupBox(U(title));
        g->setAccessibleName(g->title());
        return Place(g, dlu);
    };

    // The swatches, numbered 1-4 in this order.
    struct SwatchPlace {
        const QRect* group;
        const char* groupTitle;
        int row;
        const char* caption;
        int id;
        std::atomic<int32_t> Class_TIKOCONF_ENV::*field;
    };
    const SwatchPlace swatches[4] = {
        {&layout::kClockGroup, "시계창", 0, "배경색", 1008, &Class_TIKOCONF_ENV::crClockBack},
        {&layout::kClockGroup, "시계창", 1, "문자색", 1009, &Class_TIKOCONF_ENV::crClockText},
        {&layout::kMsgGroup, "메시지창", 0, "배경색", 1017, &Class_TIKOCONF_ENV::crMsgBack},
        {&layout::kMsgGroup, "메시지창", 1, "문자색", 1018, &Class_TIKOCONF_ENV::crMsgText},
    };
    for (int i = 0; i < 4; ++i) {
        namespace l = layout;
        const SwatchPlace& s = swatches[i];
        if (s.row == 0)
            group(s.groupTitle, *s.group);
        const int top = s.group->top() + l::kFirstColourDy + s.row * l::kColourStep;
        QLabel* caption =
            label(s.caption, QRect(QPoint(s.group->left() + l::kColourLabelDx, top + 2), l::kColourLabel));
        swatches_[i] =
            Place(new Swatch(env.*s.field, colorDialog_, i + 1, U(s.groupTitle) + ' ' + U(s.caption)),
                  QRect(QPoint(s.group->left() + l::kSwatchDx, top), l::kSwatch), s.id);
        caption->setBuddy(swatches_[i]);
        connect(swatches_[i], &QAbstractButton::clicked, this, [this, i] { OnSwatch(i + 1); });
    }

    group("시계창 크기 지정", layout::kScaleGroup);
    scale_ = Place(new QSlider(Qt::Horizontal), layout::kScale, 1020);
    scale_->setRange(0, kLastScalePosition);
    scale_->setPageStep(1);
    scale_->setTickPosition(QSlider::TicksBelow);
    scale_->setTickInterval(1);
    scale_->setAccessibleName(U("시계창 크기 지정"));

    group("자동 접속", layout::kAutoGroup);
    autoSync_ = Place(new QCheckBox(U("자동 접속 사용")), layout::kAutoSync, 1002);
    autoSync_->setAccessibleName(autoSync_->text());
    periodBefore_ = label("매", layout::kPeriodBefore);
    period_ = Place(new QLineEdit, layout::kPeriod, 1004);
    period_->setAccessibleName(U("동기 주기 (분)"));
    periodAfter_ = label("분마다 동기", layout::kPeriodAfter);
    periodBefore_->setBuddy(period_);

    group("시각 옵셋", layout::kOffsetGroup);
    offset_ = Place(new QLineEdit, layout::kOffset, 1021);
    offset_->setAccessibleName(U("시각 옵셋 (분)"));
    label("분", layout::kOffsetUnit)->setBuddy(offset_);
    apply_ = button("적용", layout::kApply, 1022);
    reset_ = button("초기값", layout::kReset, 1015);
    SetAccessKeys(*this, access_keys::kEnvPage);
    // Tab reads the left column down to 초기값 below it, then the groups on the right.
    setTabOrder(transparent_, reset_);
    setTabOrder(reset_, swatches_[0]);

    Open();

    const std::pair<QCheckBox*, int> flags[] = {{sound_, 1001},  {blink_, 1010},      {compareAtStart_, 1011},
                                                {log_, 1012},    {topMost_, 1013},    {clockOnly_, 1014},
                                                {hour24_, 1046}, {transparent_, 1050}};
    // `toggled`, so a box changed by the mouse, the keyboard or a screen reader's action writes
    // its setting; the page's own changes block the boxes' signals.
    for (const auto& [b, id] : flags)
        connect(b, &QCheckBox::toggled, this, [this, id](bool ticked) { OnFlagBox(id, ticked); });
    connect(screenSaver_, &QCheckBox::toggled, this, &CTikoProPage_Env::OnScreenSaver);
    connect(autoSync_, &QCheckBox::toggled, this, &CTikoProPage_Env::OnAutoSync);
    connect(period_, &QLineEdit::textEdited, this, &CTikoProPage_Env::OnPeriodEdited);
    // A drag is taken when the slider is let go; keys and clicks on the groove at
    // once.
    connect(scale_, &QSlider::sliderReleased, this, &CTikoProPage_Env::OnScaleChosen);
    connect(scale_, &QSlider::valueChanged, this, [this] {
        if (!scale_->isSliderDown())
            OnScaleChosen();
    });
    connect(apply_, &QPushButton::clicked, this, &CTikoProPage_Env::ApplyTimeOffset);
    connect(reset_, &QPushButton::clicked, this, &CTikoProPage_Env::ResetToInitial);
}

CTikoProPage_Env::~CTikoProPage_Env() = default;

void CTikoProPage_Env::SetColorChooser(ColorChooser chooser) {
    chooser_ = std::move(chooser);
}

void CTikoProPage_Env::Open() {
    Class_TIKOCONF_SYNCINFO& sync = *context_.conf->SyncInfo();
    Class_TIKOCONF_ENV& env = *context_.conf->Env();

    const bool autoSync = sync.bAutoSync.load() != 0;
    autoSync_->setChecked(autoSync);
    EnablePeriod(autoSync);
    // A stored period below a minute counts as a minute (the sync manager takes it so).
    period_->setText(QString::number(std::max(1, sync.nSyncPeriod.load())));
    colorDialog_ = 0;
    sound_->setChecked(env.bSound.load() != 0);
    blink_->setChecked(env.bBlinkOnSync.load() != 0);
    compareAtStart_->setChecked(env.bCompareAtStart.load() != 0);
    // Any chosen screen saver counts, ours or another program.
    const bool saverChosen = saver_.IsChosen();
    env.bScreenSaver.store(saverChosen ? 1 : 0);
    screenSaver_->setChecked(saverChosen);
    log_->setChecked(env.bLog.load() != 0);
    topMost_->setChecked(env.bTopMost.load() != 0);
    clockOnly_->setChecked(env.bClockOnly.load() != 0);
    hour24_->setChecked(env.b24Hour.load() != 0);
    transparent_->setChecked(env.bWorldClockTransparent.load() != 0);

    const float scale = context_.conf->WorldClocks()->fScale.load();
    const float* match = std::find(std::begin(kScales), std::end(kScales), scale);
    {
        const QSignalBlocker block(scale_);
        scale_->setValue(std::min<int>(static_cast<int>(match - std::begin(kScales)), kLastScalePosition));
    }
    offset_->setText(QString::number(sync.nTimeOffset.load()));
}

void CTikoProPage_Env::OnFlagBox(int id, bool ticked) {
    Class_TIKOCONF_ENV& env = *context_.conf->Env();
    const int32_t value = ticked ? 1 : 0;
    switch (id) {
        case 1001:
            env.bSound.store(value);
            break;
        case 1010:
            env.bBlinkOnSync.store(value);
            break;
        case 1011:
            env.bCompareAtStart.store(value);
            break;
        case 1012:
            env.bLog.store(value);
            break;
        case 1013:
            // Applied to the main dialog when the sheet closes.
            env.bTopMost.store(value);
            break;
        case 1014:
            env.bClockOnly.store(value);
            frame_.ShowClockOnly(ticked);
            break;
        case 1046:
            env.b24Hour.store(value);
            break;
        case 1050:
            env.bWorldClockTransparent.store(value);
            frame_.SetWorldClockTransparency(ticked);
            break;
        default:
            break;
    }
}

void CTikoProPage_Env::OnScreenSaver(bool ticked) {
    const QString refusal = ticked ? saver_.Choose() : saver_.Unchoose();
    if (!refusal.isEmpty()) {
        // The settings are as they were: so are the box and the field.
        asker_.Tell(this, refusal);
        const QSignalBlocker block(screenSaver_);
        screenSaver_->setChecked(!ticked);
        return;
    }
    context_.conf->Env()->bScreenSaver.store(ticked ? 1 : 0);
}

void CTikoProPage_Env::OnAutoSync(bool ticked) {
    if (ticked)
        OnPeriodEdited(period_->text());
    EnablePeriod(ticked);
    context_.bridge->SetAutoSync(ticked);
}

void CTikoProPage_Env::OnPeriodEdited(const QString& text) {
    // An emptied box would make every check due: the servers asked twice a second.
    context_.conf->SyncInfo()->nSyncPeriod.store(std::max(1, LeadingNumber(text)));
}

void CTikoProPage_Env::EnablePeriod(bool on) {
    periodBefore_->setEnabled(on);
    period_->setEnabled(on);
    periodAfter_->setEnabled(on);
}

void CTikoProPage_Env::OnSwatch(int number) {
    static constexpr std::atomic<int32_t> Class_TIKOCONF_ENV::*kFields[4] = {
        &Class_TIKOCONF_ENV::crClockBack, &Class_TIKOCONF_ENV::crClockText, &Class_TIKOCONF_ENV::crMsgBack,
        &Class_TIKOCONF_ENV::crMsgText};
    static constexpr CRuntimeBridge::Colour kColours[4] = {
        CRuntimeBridge::Colour::kClockBack, CRuntimeBridge::Colour::kClockText,
        CRuntimeBridge::Colour::kMessageBack, CRuntimeBridge::Colour::kMessageText};
    const std::atomic<int32_t>& field = context_.conf->Env()->*kFields[number - 1];
    Swatch* swatch = swatches_[number - 1];

    colorDialog_ = number;
    swatch->update();
    const std::optional<QColor> chosen = chooser_(FromColorRef(field.load()), this);
    if (chosen)
        context_.bridge->SetColours({{kColours[number - 1], ToColorRef(*chosen)}});
    colorDialog_ = 0;
    swatch->Refresh();
}

void CTikoProPage_Env::OnScaleChosen() {
    context_.bridge->SetClockScale(kScales[std::clamp(scale_->value(), 0, kLastScalePosition)]);
}

bool CTikoProPage_Env::MoveClock(long long minutes) {
    if (minutes == 0)
        return true;
    // 적용 and 초기값 are a person's own action: the polkit agent may ask for a password.
    const platform::ClockSetResult result =
        context_.clock->Shift(static_cast<int64_t>(minutes) * 60'000'000, platform::Prompt::Allowed);
    if (result.Ok())
        return true;
    asker_.Tell(this, U(kSetFailed) + "\n\n" + QString::fromStdString(ClockSetFailureText(result)));
    return false;
}

void CTikoProPage_Env::ApplyTimeOffset() {
    Class_TIKOCONF_SYNCINFO& sync = *context_.conf->SyncInfo();
    const int wanted = LeadingNumber(offset_->text());
    // The offset is what the clock has really been moved by: a refused setting keeps the old one.
    if (MoveClock(static_cast<long long>(wanted) - sync.nTimeOffset.load()))
        sync.nTimeOffset.store(wanted);
    offset_->setText(QString::number(sync.nTimeOffset.load()));
}

void CTikoProPage_Env::ResetToInitial() {
    Class_TIKOCONF_ENV& env = *context_.conf->Env();
    Class_TIKOCONF_SYNCINFO& sync = *context_.conf->SyncInfo();
    auto set = [](std::atomic<int32_t>& field, QCheckBox* box, bool on) {
        field.store(on ? 1 : 0);
        const QSignalBlocker block(box);
        box->setChecked(on);
    };

    // The system's screen-saver setting stays as it is.
    set(env.bSound, sound_, true);
    set(env.bBlinkOnSync, blink_, true);
    set(env.bCompareAtStart, compareAtStart_, true);
    set(env.bScreenSaver, screenSaver_, false);
    set(env.bLog, log_, false);
    set(env.bTopMost, topMost_, true);
    set(env.bClockOnly, clockOnly_, false);

    frame_.ShowClockOnly(false);

    // Boxes only: the world clocks keep their look until the box is clicked.
    set(env.b24Hour, hour24_, true);
    set(env.bWorldClockTransparent, transparent_, false);

    using Colour = CRuntimeBridge::Colour;
    context_.bridge->SetColours({{Colour::kClockBack, 0x000000},
                                 {Colour::kClockText, 0x00FF00},
                                 {Colour::kMessageBack, 0x808080},
                                 {Colour::kMessageText, 0x00FFFF}});
    for (Swatch* swatch : swatches_)
        swatch->Refresh();

    // Off before the clock moves below; the manager hears of it at the end.
    sync.bAutoSync.store(0);
    {
        const QSignalBlocker block(autoSync_);
        autoSync_->setChecked(false);
    }
    sync.nSyncPeriod.store(60);
    period_->setText(QString::asprintf("%02d", 60));
    EnablePeriod(false);

    {
        const QSignalBlocker block(scale_);
        scale_->setValue(0);
    }
    context_.bridge->SetClockScale(kScales[0]);

    // Undone only as far as the clock really moves back.
    if (MoveClock(-static_cast<long long>(sync.nTimeOffset.load())))
        sync.nTimeOffset.store(0);
    offset_->setText(QString::number(sync.nTimeOffset.load()));

    context_.bridge->SetAutoSync(false);
}
