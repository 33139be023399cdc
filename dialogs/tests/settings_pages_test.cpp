// The serial, alarm and synchronisation information pages, driven through their controls as a
// person would, with the frame, the message boxes and the serial ports faked.

// Before any Qt header, whose keyword macros would rewrite its parameter names.
#include "timeservices/tests/manager_harness.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/tikopropage_alarm.h"
#include "dialogs/tikopropage_com.h"
#include "dialogs/tikopropage_syncinfo.h"
#include "fake_message_asker.h"
#include "page_pictures.h"
#include "tests/support/private_system_bus.h"
#include "windowkit/tests/fake_main_frame.h"

namespace {

using shell_test::WaitOnGui;

enum class Page { Com, Alarm, SyncInfo };
// Settings made before a page opens.
enum Start { kDefaults = 0, kAutomatic = 1, kAlarmOn = 2, kUserSound = 4, kCom4 = 8 };

using dialogs_test::U;

void Key(QWidget& w, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(&w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(&w, &release);
}

// How a person changes a control.
using Action = std::function<void(QWidget&)>;
void Click(QWidget& w) {
    static_cast<QAbstractButton&>(w).click();
}
Action Type(const char* text) {
    return [text](QWidget& w) {
        static_cast<QLineEdit&>(w).selectAll();
        if (*text == '\0')
            Key(w, Qt::Key_Backspace);
        for (const QChar ch : U(text))
            Key(w, ch == '-' ? Qt::Key_Minus : Qt::Key_0 + ch.digitValue(), ch);
    };
}
// Home in a closed drop-down list picks its first entry.
void FirstEntry(QWidget& w) {
    Key(w, Qt::Key_Home);
}

class SettingsPagesTest : public ::testing::Test {
protected:
    SettingsPagesTest() { shell_test::App(); }

    Class_TIKOCONF_TOP& conf() { return *fx_.conf; }
    ShellContext Context() { return {fx_.conf.get(), fx_.book.get(), &bridge_, nullptr}; }
    std::unique_ptr<CSetupPage> Make(Page page) {
        if (page == Page::Com)
            return std::make_unique<CTikoProPage_Com>(Context(), frame_, asker_);
        if (page == Page::Alarm)
            return std::make_unique<CTikoProPage_Alarm>(Context(), frame_, asker_);
        return std::make_unique<CTikoProPage_SyncInfo>(Context(), frame_, asker_);
    }
    void Apply(int start) {
        conf().Comm()->bAutoMode = (start & kAutomatic) ? 1 : 0;
        conf().Comm()->bCom4 = (start & kCom4) ? 1 : 0;
        conf().Alarm()->bAlarm = (start & kAlarmOn) ? 1 : 0;
        conf().Alarm()->bBuiltinSound = (start & kUserSound) ? 0 : 1;
    }
    template <class W = QWidget>
    static W* Control(QWidget& page, int id) {
        W* control = page.findChild<W*>(QString::number(id));
        if (control == nullptr)
            ADD_FAILURE() << "no control " << id;
        return control;
    }
    // The signals published since the last call.
    std::vector<int32_t> Published() { return bridge_.Sent(); }

    harness::Runtime runtime_;
    harness::Fixture fx_;
    shell_test::RecordingBridge bridge_{fx_.conf.get(), runtime_.mediator()};
    shell_test::FakeMainFrame frame_;
    dialogs_test::FakeMessageAsker asker_;
};

#define FIELD(node, name) [](Class_TIKOCONF_TOP& c) { return c.node()->name.load(); }

struct ControlCase {
    int start;
    int id;
    Action act;
    std::function<int32_t(Class_TIKOCONF_TOP&)> field;
    int32_t expected;
    int32_t published;  // 0 for none
};

const ControlCase kControls[] = {
    {kDefaults, 1089, Click, FIELD(Comm, bCom1), 1, 0},  // COM 1 .. 4
    {kDefaults, 1093, Click, FIELD(Comm, bCom2), 1, 0},
    {kDefaults, 1094, Click, FIELD(Comm, bCom3), 1, 0},
    {kCom4, 1095, Click, FIELD(Comm, bCom4), 0, 0},
    {kDefaults, 1024, FirstEntry, FIELD(Comm, nBaudRate), 1200, 0},
    {kDefaults, 1096, Type("250"), FIELD(Comm, nCompensationMs), 250, 0},
    {kDefaults, 1096, Type("5"), FIELD(Comm, nCompensationMs), 10, 0},
    {kDefaults, 1096, Type("2000"), FIELD(Comm, nCompensationMs), 990, 0},
    {kDefaults, 1096, Type("99999999999"), FIELD(Comm, nCompensationMs), 990, 0},
    {kAutomatic, 1079, Type("30"), FIELD(Comm, nInterval), 30, 0},
    {kAutomatic, 1079, Type(""), FIELD(Comm, nInterval), 1, 0},
    {kAutomatic, 1087, FirstEntry, FIELD(Comm, nIntervalUnit), 0, 0},
    {kDefaults, 1077, Click, FIELD(Comm, bAutoMode), 1, AO_COMM_AUTO_ON_SIG},  // the mode pair
    {kAutomatic, 1077, Click, FIELD(Comm, bAutoMode), 0, AO_COMM_AUTO_OFF_SIG},
    {kDefaults, 1088, Click, FIELD(Comm, bAutoMode), 1, AO_COMM_AUTO_ON_SIG},
    {kAutomatic, 1088, Click, FIELD(Comm, bAutoMode), 0, AO_COMM_AUTO_OFF_SIG},
    {kDefaults, 1082, Click, FIELD(Alarm, bAlarm), 1, AO_ALARM_ON_SIG},
    {kUserSound, 1082, Click, FIELD(Alarm, bAlarm), 1, AO_ALARM_ON_SIG},
    {kAlarmOn, 1082, Click, FIELD(Alarm, bAlarm), 0, AO_ALARM_OFF_SIG},
    {kAlarmOn, 1052, Click, FIELD(Alarm, bBuiltinSound), 0, 0},
    {kAlarmOn | kUserSound, 1051, Click, FIELD(Alarm, bBuiltinSound), 1, 0},
    {kDefaults, 1052, Click, FIELD(Alarm, bBuiltinSound), 1, 0},  // greyed while the alarms are off
};

// Every control writes its field at once and publishes only what a running manager needs.
TEST_F(SettingsPagesTest, EachControlWritesItsFieldAndPublishesItsSignal) {
    for (size_t i = 0; i < std::size(kControls); ++i) {
        const ControlCase& c = kControls[i];
        SCOPED_TRACE(testing::Message() << "row " << i << ", control " << c.id);
        Apply(c.start);
        std::unique_ptr<CSetupPage> page = Make(c.id == 1082 || c.id / 10 == 105 ? Page::Alarm : Page::Com);
        QWidget* control = Control(*page, c.id);
        ASSERT_NE(control, nullptr);
        c.act(*control);
        EXPECT_EQ(c.field(conf()), c.expected);
        EXPECT_EQ(Published(), c.published == 0 ? std::vector<int32_t>{} : std::vector<int32_t>{c.published});
    }
}

// A screen reader or voice control toggles a box through its action, not a click: the same
// fields and signals follow.
TEST_F(SettingsPagesTest, BoxesToggledByAScreenReaderWriteTheirFields) {
    for (size_t i = 0; i < std::size(kControls); ++i) {
        const ControlCase& c = kControls[i];
        if (c.act.target<void (*)(QWidget&)>() == nullptr || *c.act.target<void (*)(QWidget&)>() != Click)
            continue;
        SCOPED_TRACE(testing::Message() << "row " << i << ", control " << c.id);
        Apply(c.start);
        std::unique_ptr<CSetupPage> page = Make(c.id == 1082 || c.id / 10 == 105 ? Page::Alarm : Page::Com);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(Control(*page, c.id));
        ASSERT_NE(accessible, nullptr);
        // A greyed box may offer the action; doing it changes nothing.
        const bool offered =
            accessible->actionInterface()->actionNames().contains(QAccessibleActionInterface::toggleAction());
        if (Control(*page, c.id)->isEnabled()) {
            ASSERT_TRUE(offered);
        }
        if (offered)
            accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        EXPECT_EQ(c.field(conf()), c.expected);
        EXPECT_EQ(Published(), c.published == 0 ? std::vector<int32_t>{} : std::vector<int32_t>{c.published});
    }
}

// The mode pair is one choice of two: a reader hears radio buttons, named, with the ticked one
// checked; the speed and unit boxes are named by their labels, their entries are the values.
TEST_F(SettingsPagesTest, SerialPageTellsAReaderNamesAndChoices) {
    Apply(kAutomatic);
    std::unique_ptr<CSetupPage> page = Make(Page::Com);
    for (const auto& [id, checked] : {std::pair{1077, true}, std::pair{1088, false}}) {
        QAccessibleInterface* box = QAccessible::queryAccessibleInterface(Control(*page, id));
        EXPECT_EQ(box->role(), QAccessible::RadioButton) << id;
        EXPECT_EQ(box->state().checked, checked) << id;
        EXPECT_FALSE(box->text(QAccessible::Name).isEmpty()) << id;
    }
    for (const auto& [id, name] : {std::pair{1024, "전송 속도"}, std::pair{1087, "간격 단위"}}) {
        QAccessibleInterface* combo = QAccessible::queryAccessibleInterface(Control(*page, id));
        EXPECT_EQ(combo->role(), QAccessible::ComboBox) << id;
        EXPECT_EQ(combo->text(QAccessible::Name), U(name)) << id;
        EXPECT_EQ(combo->text(QAccessible::Value), Control<QComboBox>(*page, id)->currentText()) << id;
    }
}

// The page opens from the settings; the mode boxes stay a pair and grey the other mode's group.
TEST_F(SettingsPagesTest, SerialPageOpensFromTheSettingsAndKeepsTheModesAPair) {
    conf().Comm()->bCom2 = 1;
    conf().Comm()->nBaudRate = 2400;
    conf().Comm()->nIntervalUnit = 0;
    CTikoProPage_Com page(Context(), frame_, asker_);
    EXPECT_TRUE(Control<QCheckBox>(page, 1093)->isChecked());
    EXPECT_EQ(Control<QComboBox>(page, 1024)->currentText(), U("2400"));
    EXPECT_EQ(Control<QLineEdit>(page, 1096)->text(), U("500"));
    EXPECT_EQ(Control<QLineEdit>(page, 1079)->text(), U("10"));
    EXPECT_EQ(Control<QComboBox>(page, 1087)->currentText(), U("초"));
    EXPECT_EQ(Control<QLineEdit>(page, 1085)->text(), U("0"));
    auto expectMode = [&](bool automatic) {
        EXPECT_EQ(Control<QCheckBox>(page, 1088)->isChecked(), !automatic);
        for (int id : {1079, 1087, 1080, 1081})
            EXPECT_EQ(Control(page, id)->isEnabled(), automatic) << id;
        for (int id : {1084, 1085, 1086, 1090, 1091, 1092, 1078})
            EXPECT_EQ(Control(page, id)->isEnabled(), !automatic) << id;
    };
    expectMode(false);
    Click(*Control(page, 1077));
    expectMode(true);
    Click(*Control(page, 1088));
    expectMode(false);
    // A speed the list does not hold selects nothing and is kept.
    conf().Comm()->nBaudRate = 9600;
    CTikoProPage_Com odd(Context(), frame_, asker_);
    EXPECT_EQ(Control<QComboBox>(odd, 1024)->currentIndex(), -1);
    EXPECT_EQ(conf().Comm()->nBaudRate.load(), 9600);
}

class SerialSendTest : public SettingsPagesTest {
protected:
    SerialSendTest() {
        conf().Comm()->bCom1 = 1;
        // The manager subscribes on its own thread; a request before that would go unheard.
        EXPECT_TRUE(fx_.states.WaitFor("Tiko_CommMgr", AO_ENTRY_SIG));
    }
    void SendTime(QWidget& page, const char* h, const char* m, const char* s) {
        Type(h)(*Control(page, 1084));
        Type(m)(*Control(page, 1085));
        Type(s)(*Control(page, 1086));
        Click(*Control(page, 1078));
    }
    // Waits for port 1 to receive its `nth` telegram, written twice, and returns it once.
    std::string Received(size_t nth = 0) {
        std::string bytes;
        EXPECT_TRUE(WaitOnGui([&] {
            const auto sessions = fx_.serial.Sessions();
            bytes = sessions.size() <= nth
                        ? ""
                        : std::string(sessions[nth].bytes.begin(), sessions[nth].bytes.end());
            return bytes.size() == 2 * telegram::kSize;
        }));
        EXPECT_EQ(bytes.substr(0, telegram::kSize), bytes.substr(telegram::kSize));
        return bytes.substr(0, telegram::kSize);
    }
    static std::string Telegram(const char* text, uint8_t check) {
        return std::string(text) + static_cast<char>(check) + "\r\n";
    }

    harness::Running<CTiko_CommMgr> manager_{runtime_.mediator(), fx_.Services()};
};

// 전송 reduces minutes and seconds, goes out through the manager, and the lamp flashes once.
TEST_F(SerialSendTest, SendsTheTypedTimeAndFlashesTheLamp) {
    CTikoProPage_Com page(Context(), frame_, asker_);
    std::vector<bool> lamp;
    QObject::connect(&page, &CTikoProPage_Com::lampChanged, [&](bool on) { lamp.push_back(on); });
    SendTime(page, "7", "65", "9");
    EXPECT_EQ(Received(),
              Telegram("@070509", TelegramCheckByte(reinterpret_cast<const uint8_t*>("@070509"), 7)));
    EXPECT_EQ(Published(), std::vector<int32_t>{AO_COMM_SEND_SIG});
    ASSERT_TRUE(WaitOnGui([&] { return lamp.size() >= 2; }));
    EXPECT_EQ(lamp, (std::vector<bool>{true, false}));
    EXPECT_FALSE(page.IsLampOn());
}

// A time that would not fit the telegram's two digits is refused with a message; nothing is sent.
TEST_F(SerialSendTest, RefusesATimeTheTelegramCannotHold) {
    CTikoProPage_Com page(Context(), frame_, asker_);
    for (const auto& t :
         {std::array{"100", "0", "0"}, {"-1", "0", "0"}, {"1", "-5", "0"}, {"1", "0", "-1"}}) {
        SCOPED_TRACE(t[0] + std::string(":") + t[1] + ":" + t[2]);
        SendTime(page, t[0], t[1], t[2]);
        EXPECT_EQ(asker_.Take().size(), 1u);
        EXPECT_TRUE(Published().empty());
    }
    SendTime(page, "99", "0", "0");
    EXPECT_TRUE(asker_.Take().empty());
    EXPECT_EQ(Received(),
              Telegram("@990000", TelegramCheckByte(reinterpret_cast<const uint8_t*>("@990000"), 7)));
}

// The manager, busy with one telegram, reads the next request after the page has closed: it has a
// copy of its own, so the telegram stays whole and the late 45 reaches no page.
TEST_F(SerialSendTest, APageClosedRightAfterSendingLeavesTheTelegramWhole) {
    std::mutex mutex;
    std::condition_variable cv;
    bool pageGone = false;
    fx_.serial.SetSendHook([&](int, const unsigned char*, int) {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return pageGone; });
    });
    auto page = std::make_unique<CTikoProPage_Com>(Context(), frame_, asker_);
    SendTime(*page, "12", "0", "0");
    SendTime(*page, "23", "59", "59");
    page.reset();
    {
        std::lock_guard lock(mutex);
        pageGone = true;
    }
    cv.notify_all();
    EXPECT_EQ(Received(0), Telegram("@120000", 0xE6));
    EXPECT_EQ(Received(1), Telegram("@235959", 0x27));
}

// Opening and the alarm switch: the sound choice as stored, its file controls only for a user sound.
TEST_F(SettingsPagesTest, AlarmPageFollowsTheSwitchAndTheSoundChoice) {
    conf().Alarm()->strSoundFile.Set("/snd/\xBE\xCB\xB6\xF7.wav");  // 알람
    struct Case {
        int start;
        bool radiosOn, userSelected, fileOn;
    };
    for (const Case& c : {Case{kAlarmOn, true, false, false}, Case{kAlarmOn | kUserSound, true, true, true},
                          Case{kUserSound, false, true, false}}) {
        SCOPED_TRACE(c.start);
        Apply(c.start);
        CTikoProPage_Alarm page(Context(), frame_, asker_);
        EXPECT_EQ(Control<QRadioButton>(page, 1051)->isEnabled(), c.radiosOn);
        EXPECT_EQ(Control<QRadioButton>(page, 1052)->isChecked(), c.userSelected);
        EXPECT_EQ(Control(page, 1056)->isEnabled(), c.fileOn);
        EXPECT_EQ(Control(page, 1055)->isEnabled(), c.fileOn);
        EXPECT_EQ(Control<QLineEdit>(page, 1055)->text(), U("/snd/알람.wav"));
    }
    // A name stored as UTF-8 (not cp949) plays as such and shows as such.
    conf().Alarm()->strSoundFile.Set("/snd/종.wav");
    CTikoProPage_Alarm page(Context(), frame_, asker_);
    EXPECT_EQ(Control<QLineEdit>(page, 1055)->text(), U("/snd/종.wav"));
    Click(*Control(page, 1082));
    EXPECT_TRUE(Control<QRadioButton>(page, 1052)->isChecked());
    EXPECT_TRUE(Control(page, 1056)->isEnabled());
    Click(*Control(page, 1051));
    EXPECT_FALSE(Control(page, 1056)->isEnabled());
    EXPECT_FALSE(Control(page, 1055)->isEnabled());
}

// 소리선택 stores the path in the store's encoding; cancel and an unstorable name keep the old one.
// 일정보기 leaves the sheet open, 일정관리 closes it.
TEST_F(SettingsPagesTest, AlarmPageChoosesTheSoundAndOpensTheScheduleBook) {
    Apply(kAlarmOn | kUserSound);
    CTikoProPage_Alarm page(Context(), frame_, asker_);
    const std::string stored = "/home/u/\xBC\xD2\xB8\xAE/\xC1\xBE.wav";  // 소리/종
    for (const char* answer : {"/home/u/소리/종.wav", "", "/home/u/\U0001F514.wav"}) {
        page.SetSoundChooser([answer](QWidget*) { return U(answer); });
        Click(*Control(page, 1056));
        EXPECT_EQ(conf().Alarm()->strSoundFile.Get(), stored);
        EXPECT_EQ(Control<QLineEdit>(page, 1055)->text(), U("/home/u/소리/종.wav"));
    }
    EXPECT_EQ(asker_.Take().size(), 1u);

    int closes = 0;
    QObject::connect(&page, &CTikoProPage_Alarm::closeSheetRequested, [&] { ++closes; });
    Click(*Control(page, 1054));
    EXPECT_EQ(closes, 0);
    Click(*Control(page, 1053));
    EXPECT_EQ(closes, 1);
    ASSERT_EQ(frame_.commands.size(), 2u);
    EXPECT_EQ(frame_.commands[0].first, kCmdScheduleReport);
    EXPECT_EQ(frame_.commands[1].first, kCmdSchedules);
}

// Before any synchronisation the page shows the stored defaults; the service page may not open.
TEST_F(SettingsPagesTest, SyncInfoPageShowsTheStoredTextsAndOpensTheServicePage) {
    CTikoProPage_SyncInfo page(Context(), frame_, asker_);
    EXPECT_EQ(Control<QLineEdit>(page, 1003)->text(), U("표준시 서버와 동기한적이 없습니다"));
    EXPECT_EQ(Control<QLineEdit>(page, 1004)->text(), U("0.000 초"));
    EXPECT_EQ(Control<QPlainTextEdit>(page, 1006)->toPlainText(), U("표준시 서버에 접속할 수 없습니다"));
    Click(*Control(page, 1013));
    EXPECT_TRUE(asker_.Take().empty());
    frame_.webPageOpens = false;
    Click(*Control(page, 1013));
    EXPECT_EQ(asker_.Take(), std::vector<QString>{U("웹브라우저를 실행할 수 없습니다")});
    EXPECT_EQ(frame_.webPages, QStringList(2, U(CTikoProPage_SyncInfo::kServiceAddress)));

    conf().SyncInfo()->strServer.Set("\xC7\xA5\xC1\xD8\xBD\xC3 \r\nkr.pool.ntp.org");  // 표준시
    CTikoProPage_SyncInfo after(Context(), frame_, asker_);
    EXPECT_EQ(Control<QPlainTextEdit>(after, 1006)->toPlainText(), U("표준시 \nkr.pool.ntp.org"));
}

// The line under the three texts says who may set the clock and whether the system keeps it.
TEST_F(SettingsPagesTest, SyncInfoPageSaysWhoMaySetTheClock) {
    {
        PrivateSystemBus bus;
        ASSERT_TRUE(bus.StartTimedated(true)) << bus.Problem();
        CTikoProPage_SyncInfo page(Context(), frame_, asker_);
        EXPECT_TRUE(page.ClockAuthorityText().startsWith(U("시계 설정: 시스템 시간 서비스")))
            << page.ClockAuthorityText().toStdString();
        EXPECT_TRUE(page.ClockAuthorityText().endsWith(U("자동 동기화: 켜짐(동기됨)")));
    }
    PrivateSystemBus bus;  // no time service on it, and the right given up
    ASSERT_TRUE(bus.Ok()) << bus.Problem();
    CTikoProPage_SyncInfo page(Context(), frame_, asker_);
    EXPECT_EQ(page.ClockAuthorityText(), U("시계 설정: 권한 없음, 자동 동기화: 알 수 없음"));
}

// Each page at the dialog font and at a large one, for a person to look at: nothing cut off.
TEST_F(SettingsPagesTest, RendersEachPageAtTwoFontSizes) {
    Apply(kAlarmOn | kUserSound);
    conf().Alarm()->strSoundFile.Set("/home/u/emile.wav");
    conf().SyncInfo()->strServer.Set("Horologia \r\nkr.pool.ntp.org");
    for (const auto& [which, name] :
         {std::pair{Page::SyncInfo, "syncinfo_page"}, std::pair{Page::Alarm, "alarm_page"},
          std::pair{Page::Com, "com_page"}}) {
        std::unique_ptr<CSetupPage> page = Make(which);
        dialogs_test::SavePicture(*page, (std::string(name) + ".png").c_str());
        EXPECT_EQ(dialogs_test::ClippedCaptions(*page), QStringList()) << name;
        QFont large = page->font();
        large.setPointSizeF(large.pointSizeF() * 1.6);
        page->setFont(large);
        dialogs_test::SavePicture(*page, (std::string(name) + "_large.png").c_str());
        EXPECT_EQ(dialogs_test::ClippedCaptions(*page), QStringList()) << name;
    }
}

}  // namespace
