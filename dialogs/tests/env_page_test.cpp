// The environment page driven through its controls: what each writes and
// publishes, the clock moves of the time offset, and the reset.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSlider>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>

#include "dialogs/tikopropage_env.h"
#include "fake_message_asker.h"
#include "fake_screensaver_switch.h"
#include "page_pictures.h"
#include "platform/clock.h"
#include "runtime/signals.h"
#include "tests/support/private_system_bus.h"
#include "timeservices/clock_right.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

using dialogs_test::FakeMessageAsker;
using dialogs_test::FakeScreenSaverSwitch;

constexpr int64_t kStart = 1'800'000'000;
const QColor kPicked(0x12, 0x34, 0x56);  // COLORREF 0x563412

class EnvPageTest : public shell_test::WindowTest {
public:
    EnvPageTest() : WindowTest({kStart, 250'000'000}) {}

    CTikoProPage_Env& Page() {
        if (!page_) {
            page_ = std::make_unique<CTikoProPage_Env>(context_, frame_, asker_, saver_);
            page_->SetColorChooser([this](const QColor&, QWidget*) -> std::optional<QColor> {
                openDuringChoice_.push_back(page_->ColorDialogNumber());
                return kPicked;
            });
        }
        return *page_;
    }
    template <class W = QWidget>
    W* Control(int id) {
        W* control = Page().findChild<W*>(QString::number(id));
        EXPECT_NE(control, nullptr) << id;
        return control;
    }
    static void Key(QWidget* to, int key, QString text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(to, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(to, &release);
    }
    void Click(int id) { Control<QAbstractButton>(id)->click(); }
    void Type(int id, const char* text) {
        QLineEdit* edit = Control<QLineEdit>(id);
        edit->selectAll();
        Key(edit, Qt::Key_Backspace);
        for (QChar c : QString::fromUtf8(text))
            Key(edit, 0, c);
    }
    // The signals published since the last call.
    std::vector<int32_t> Published() { return bridge_.Sent(); }
    // Clock moves in seconds, each against the time it was read at.
    std::vector<int64_t> Moves() const {
        std::vector<int64_t> moves;
        int64_t before = kStart;
        for (const calendar::WallTime& t : clock_.Settings()) {
            moves.push_back(t.seconds - before);
            EXPECT_EQ(t.nanoseconds, 250'000'000);
            before = t.seconds;
        }
        return moves;
    }
    Class_TIKOCONF_ENV& Env() { return *conf_->Env(); }
    Class_TIKOCONF_SYNCINFO& Sync() { return *conf_->SyncInfo(); }

    FakeMessageAsker asker_;
    FakeScreenSaverSwitch saver_;
    std::vector<int> openDuringChoice_;
    std::unique_ptr<CTikoProPage_Env> page_;
};

// Every control as a user works it, in this order, from the default configuration.
TEST_F(EnvPageTest, EachControlWritesItsFieldAndPublishesItsSignal) {
    using Read = std::function<double(EnvPageTest&)>;
    auto env = [](std::atomic<int32_t> Class_TIKOCONF_ENV::*f) -> Read {
        return [f](EnvPageTest& t) { return (t.Env().*f).load(); };
    };
    auto sync = [](std::atomic<int32_t> Class_TIKOCONF_SYNCINFO::*f) -> Read {
        return [f](EnvPageTest& t) { return (t.Sync().*f).load(); };
    };
    struct Case {
        int id;
        std::function<void(EnvPageTest&)> drive;
        Read field;
        double expected;
        std::vector<int32_t> published;
    };
    auto click = [](int id) { return [id](EnvPageTest& t) { t.Click(id); }; };
    const Read scale = [](EnvPageTest& t) { return t.conf_->WorldClocks()->fScale.load(); };
    using E = Class_TIKOCONF_ENV;
    using S = Class_TIKOCONF_SYNCINFO;
    // clang-format off
    const Case cases[] = {
        {1001, click(1001), env(&E::bSound), 1, {}},
        {1010, click(1010), env(&E::bBlinkOnSync), 0, {}},
        {1011, click(1011), env(&E::bCompareAtStart), 0, {}},
        {1007, click(1007), env(&E::bScreenSaver), 1, {}},
        {1012, click(1012), env(&E::bLog), 1, {}},
        {1013, click(1013), env(&E::bTopMost), 0, {}},
        {1014, click(1014), env(&E::bClockOnly), 1, {}},
        {1046, click(1046), env(&E::b24Hour), 0, {}},
        {1050, click(1050), env(&E::bWorldClockTransparent), 1, {}},
        {1008, click(1008), env(&E::crClockBack), 0x563412, {}},
        {1009, click(1009), env(&E::crClockText), 0x563412, {}},
        {1017, click(1017), env(&E::crMsgBack), 0x563412, {AO_MSGCOLOR_CHANGED_SIG}},
        {1018, click(1018), env(&E::crMsgText), 0x563412, {AO_MSGCOLOR_CHANGED_SIG}},
        {1002, click(1002), sync(&S::bAutoSync), 1, {AO_AUTOSYNC_ON_SIG}},
        {1004, [](EnvPageTest& t) { t.Type(1004, "15"); }, sync(&S::nSyncPeriod), 15, {}},
        // A drag is written once, when the slider is let go; a key at once.
        {1020, [](EnvPageTest& t) {
             QSlider* s = t.Control<QSlider>(1020);
             s->setSliderDown(true);
             for (int p = 1; p <= 3; ++p)
                 s->setSliderPosition(p);
             s->setSliderDown(false);
         }, scale, 0.7f, {AO_SLIMSIZE_CHANGED_SIG}},
        {1020, [](EnvPageTest& t) { Key(t.Control(1020), Qt::Key_Left); }, scale, 0.8f, {AO_SLIMSIZE_CHANGED_SIG}},
        {1021, [](EnvPageTest& t) { t.Type(1021, "30"); t.Click(1022); }, sync(&S::nTimeOffset), 30, {}},
    };
    // clang-format on
    Page();
    EXPECT_TRUE(Published().empty());
    for (const Case& c : cases) {
        c.drive(*this);
        EXPECT_EQ(c.field(*this), c.expected) << c.id;
        EXPECT_EQ(Published(), c.published) << c.id;
    }
    EXPECT_EQ(frame_.clockOnlySwaps, std::vector<bool>{true});
    EXPECT_EQ(frame_.transparency, std::vector<bool>{true});
    EXPECT_TRUE(saver_.chosen);
    EXPECT_EQ(openDuringChoice_, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Page().ColorDialogNumber(), 0);
    EXPECT_EQ(Moves(), std::vector<int64_t>{30 * 60});
    EXPECT_TRUE(asker_.told.empty());
}

TEST_F(EnvPageTest, TimeOffsetMovesTheClockByTheDifferenceOnly) {
    const struct {
        const char* typed;
        int offset;
        std::vector<int64_t> moves;
    } steps[] = {
        {"30", 30, {1800}},
        {"30", 30, {1800}},  // no difference, no move
        {"-15", -15, {1800, -2700}},
        {"-15abc", -15, {1800, -2700}},
    };
    for (const auto& step : steps) {
        Type(1021, step.typed);
        Click(1022);
        EXPECT_EQ(Sync().nTimeOffset.load(), step.offset) << step.typed;
        EXPECT_EQ(Moves(), step.moves) << step.typed;
    }
    // 적용 is a person's own action: the time service may ask for a password.
    for (const auto& shift : clock_.Shifts())
        EXPECT_EQ(platform::Prompt::Allowed, shift.prompt);
}

TEST_F(EnvPageTest, RefusedClockKeepsTheOffsetAndSaysHowToGrantTheRight) {
    Sync().nTimeOffset = 30;
    clock_.FailShiftWith(platform::ClockSetFailure::NotAuthorised);
    Type(1021, "45");
    Click(1022);
    const QString told =
        QString::fromUtf8("동기에 실패했습니다.\n\n") +
        QString::fromStdString(ClockSetFailureText({platform::ClockSetFailure::NotAuthorised, ""}));
    EXPECT_TRUE(told.contains("sudo adduser $USER tiko3"));
    EXPECT_EQ(asker_.Take(), std::vector<QString>{told});
    EXPECT_EQ(Sync().nTimeOffset.load(), 30);
    EXPECT_EQ(Control<QLineEdit>(1021)->text(), "30");

    // The reset does all else and leaves the offset that is still on the clock.
    Env().bSound = 0;
    Click(1015);
    EXPECT_EQ(asker_.Take(), std::vector<QString>{told});
    EXPECT_EQ(Sync().nTimeOffset.load(), 30);
    EXPECT_EQ(Control<QLineEdit>(1021)->text(), "30");
    EXPECT_EQ(Env().bSound.load(), 1);
    EXPECT_EQ(Published(), (std::vector<int32_t>{47, 48, 39}));
    EXPECT_TRUE(clock_.Settings().empty());
}

TEST_F(EnvPageTest, ResetPutsBackTheInitialValues) {
    // bMainVisible is no setting of the page; the system's screen saver stays chosen.
    using E = Class_TIKOCONF_ENV;
    // clang-format off
    const std::pair<std::atomic<int32_t> E::*, int32_t> initial[] = {
        {&E::bSound, 1}, {&E::bBlinkOnSync, 1}, {&E::bCompareAtStart, 1}, {&E::bScreenSaver, 0},
        {&E::bLog, 0}, {&E::bTopMost, 1}, {&E::bClockOnly, 0}, {&E::b24Hour, 1},
        {&E::bWorldClockTransparent, 0}, {&E::crClockBack, 0}, {&E::crClockText, 0x00FF00},
        {&E::crMsgBack, 0x808080}, {&E::crMsgText, 0x00FFFF}};
    // clang-format on
    for (const auto& [field, value] : initial)
        (Env().*field).store(value ? 0 : 0x0A0B0C);
    Sync().bAutoSync = 1;
    Sync().nSyncPeriod = 5;
    Sync().nTimeOffset = 30;
    conf_->WorldClocks()->fScale = 0.5f;
    saver_.chosen = true;
    Click(1015);

    for (const auto& [field, value] : initial)
        EXPECT_EQ((Env().*field).load(), value);
    const std::pair<int, bool> boxes[] = {{1001, true},  {1010, true}, {1011, true},  {1007, false},
                                          {1012, false}, {1013, true}, {1014, false}, {1046, true},
                                          {1050, false}, {1002, false}};
    for (const auto& [id, ticked] : boxes)
        EXPECT_EQ(Control<QAbstractButton>(id)->isChecked(), ticked) << id;
    const std::pair<int, const char*> swatches[] = {
        {1008, "#000000"}, {1009, "#00ff00"}, {1017, "#808080"}, {1018, "#ffff00"}};
    for (const auto& [id, colour] : swatches)
        EXPECT_EQ(Control(id)->accessibleDescription(), colour) << id;
    EXPECT_EQ(Sync().bAutoSync.load(), 0);
    EXPECT_EQ(Sync().nSyncPeriod.load(), 60);
    EXPECT_EQ(Control<QLineEdit>(1004)->text(), "60");
    EXPECT_FALSE(Control(1004)->isEnabled());
    EXPECT_EQ(conf_->WorldClocks()->fScale.load(), 1.0f);
    EXPECT_EQ(Control<QSlider>(1020)->value(), 0);
    EXPECT_EQ(Sync().nTimeOffset.load(), 0);
    EXPECT_EQ(Control<QLineEdit>(1021)->text(), "0");
    EXPECT_EQ(Moves(), std::vector<int64_t>{-1800});
    EXPECT_EQ(Published(), (std::vector<int32_t>{47, 48, 39}));
    EXPECT_EQ(frame_.clockOnlySwaps, std::vector<bool>{false});
    EXPECT_TRUE(frame_.transparency.empty());
    EXPECT_EQ(saver_.changes, 0);
}

// A scale outside the table opens the slider at its end.
TEST_F(EnvPageTest, SliderOpensAtTheScale) {
    const std::pair<float, int> scales[] = {{1.0f, 0}, {0.9f, 1}, {0.3f, 7}, {0.75f, 7}, {0.1f, 7}};
    for (const auto& [scale, position] : scales) {
        conf_->WorldClocks()->fScale = scale;
        page_.reset();
        EXPECT_EQ(Control<QSlider>(1020)->value(), position) << scale;
    }
}

// Opening ticks the box for any chosen screen saver, ours or not; a refused change is undone.
TEST_F(EnvPageTest, RefusedScreenSaverChangeIsSaidAndUndone) {
    saver_.refusal = QStringLiteral("no xscreensaver");
    for (bool chosen : {false, true}) {
        saver_.chosen = chosen;
        page_.reset();
        Page();
        EXPECT_EQ(Env().bScreenSaver.load(), chosen ? 1 : 0);
        Click(1007);
        EXPECT_EQ(asker_.Take(), std::vector<QString>{saver_.refusal});
        EXPECT_EQ(Control<QAbstractButton>(1007)->isChecked(), chosen);
        EXPECT_EQ(Env().bScreenSaver.load(), chosen ? 1 : 0);
    }
}

// A period below a minute would have the servers asked at every check: the page never stores
// one and shows a stored one as the minute the sync manager takes it for.
TEST_F(EnvPageTest, SyncPeriodIsAtLeastOneMinute) {
    const std::pair<const char*, int> typed[] = {{"", 1},    {"0", 1},   {"-5", 1},
                                                 {"abc", 1}, {"90", 90}, {"", 1}};
    Sync().nSyncPeriod = 0;  // an old or hand-edited file
    EXPECT_EQ(Control<QLineEdit>(1004)->text(), "1");
    Click(1002);
    EXPECT_EQ(Sync().nSyncPeriod.load(), 1);
    for (const auto& [text, period] : typed) {
        Type(1004, text);
        EXPECT_EQ(Sync().nSyncPeriod.load(), period) << text;
    }
    Sync().nSyncPeriod = 77;
    Click(1002);
    Click(1002);  // ticking again takes the emptied box
    EXPECT_EQ(Sync().nSyncPeriod.load(), 1);
}

// Pictures for a person to look at, at the dialog font and at a large one; no caption cut off.
TEST_F(EnvPageTest, EveryCaptionFitsAtTheDialogFontAndALargeOne) {
    Page().show();
    EXPECT_EQ(Page().windowTitle(), QString::fromUtf8("환경설정"));
    EXPECT_EQ(dialogs_test::ClippedCaptions(Page()).join(' ').toStdString(), "");
    dialogs_test::SavePicture(Page(), "env_page.png");
    const int normalWidth = Page().width();
    QFont large = Page().font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    Page().setFont(large);
    EXPECT_GT(Page().width(), normalWidth * 3 / 2);
    EXPECT_EQ(dialogs_test::ClippedCaptions(Page()).join(' ').toStdString(), "");
    dialogs_test::SavePicture(Page(), "env_page_large.png");
}

}  // namespace

// 적용 and 초기값 through the real setter on a private bus (the fixture gives CAP_SYS_TIME up).
TEST_F(EnvPageTest, OffsetGoesToTheTimeServiceAsOneRelativeChange) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.StartPolkit(true) && bus.StartTimedated(false)) << bus.Problem();
    platform::SystemClock real;
    context_.clock = &real;
    Type(1021, "30");
    Click(1022);
    EXPECT_EQ(Sync().nTimeOffset.load(), 30);
    Click(1015);
    EXPECT_EQ(Sync().nTimeOffset.load(), 0);
    const auto calls = bus.SetTimeCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ(30 * 60'000'000LL, calls[0].microseconds);
    EXPECT_EQ(-30 * 60'000'000LL, calls[1].microseconds);
    for (const auto& call : calls)
        EXPECT_TRUE(call.relative && call.interactive);
    EXPECT_TRUE(asker_.Take().empty());
}

TEST_F(EnvPageTest, AutomaticTimeSyncOnIsSaidAndTheOffsetStays) {
    PrivateSystemBus bus;
    ASSERT_TRUE(bus.StartPolkit(true) && bus.StartTimedated(true)) << bus.Problem();
    platform::SystemClock real;
    context_.clock = &real;
    Type(1021, "30");
    Click(1022);
    EXPECT_EQ(Sync().nTimeOffset.load(), 0);
    const std::vector<QString> told = asker_.Take();
    ASSERT_EQ(1u, told.size());
    EXPECT_TRUE(told[0].startsWith(QString::fromUtf8("동기에 실패했습니다.\n\n")));
    EXPECT_TRUE(told[0].contains("timedatectl set-ntp false")) << told[0].toStdString();
    ASSERT_EQ(1u, bus.SetTimeCalls().size());
    EXPECT_EQ("ntp", bus.SetTimeCalls()[0].outcome);
}

namespace {

// What a screen reader or voice control does: the box's own toggle action, no click.
void ToggleThroughAccessibility(QWidget* box) {
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->actionInterface(), nullptr);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

}  // namespace

TEST_F(EnvPageTest, BoxesToggledByAScreenReaderWriteTheirSettings) {
    const std::pair<int, std::atomic<int32_t> Class_TIKOCONF_ENV::*> flags[] = {
        {1001, &Class_TIKOCONF_ENV::bSound},          {1010, &Class_TIKOCONF_ENV::bBlinkOnSync},
        {1011, &Class_TIKOCONF_ENV::bCompareAtStart}, {1012, &Class_TIKOCONF_ENV::bLog},
        {1013, &Class_TIKOCONF_ENV::bTopMost},        {1014, &Class_TIKOCONF_ENV::bClockOnly},
        {1046, &Class_TIKOCONF_ENV::b24Hour},         {1050, &Class_TIKOCONF_ENV::bWorldClockTransparent}};
    for (const auto& [id, field] : flags) {
        const int32_t before = (Env().*field).load();
        ToggleThroughAccessibility(Control(id));
        EXPECT_EQ(Control<QAbstractButton>(id)->isChecked(), before == 0) << id;
        EXPECT_EQ((Env().*field).load(), before == 0 ? 1 : 0) << id;
    }
    ToggleThroughAccessibility(Control(1002));
    EXPECT_EQ(Sync().bAutoSync.load(), 1);
    EXPECT_EQ(Published(), std::vector<int32_t>({38}));
}

TEST_F(EnvPageTest, ResetPublishesOnlyItsOwnSignals) {
    // 초기값 unticks the boxes itself; a box's own change must not publish a second time.
    Click(1002);
    Click(1001);
    EXPECT_EQ(Published(), std::vector<int32_t>({38}));
    Click(1015);
    EXPECT_EQ(Published(), std::vector<int32_t>({47, 48, 39}));
    EXPECT_EQ(Env().bSound.load(), 1);
    EXPECT_EQ(Sync().bAutoSync.load(), 0);
}
