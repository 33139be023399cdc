// The frame's pure parts: where the pop-up slides, the schedule report's text, the help file's
// cut, and the decisions of the desktop start.
#include <gtest/gtest.h>
#include <signal.h>

#include <sys/stat.h>

#include <chrono>
#include <string>

#include "encoding/cp949.h"
#include "platform/sys_time_right.h"
#include "shell/display_link.h"
#include "shell/help_text.h"
#include "shell/lumclientapp.h"
#include "shell/popup_geometry.h"
#include "shell/schedule_report.h"
#include "shell/startup.h"
#include "tests/support/child_process.h"
#include "tests/support/fake_clock.h"
#include "tests/support/temp_dir.h"
#include "treestore/schedule_schema.h"

namespace {

// Steps a slide to its end; returns every placed rectangle.
std::vector<QRect> RunSlide(PopupSlide& slide, int* stays) {
    std::vector<QRect> placed;
    *stays = 0;
    for (int guard = 0; guard < 1000; ++guard) {
        switch (slide.Step()) {
            case PopupSlide::Action::Place:
                placed.push_back(slide.Geometry());
                break;
            case PopupSlide::Action::Stay:
                ++*stays;
                break;
            case PopupSlide::Action::Destroy:
                return placed;
        }
    }
    ADD_FAILURE() << "the slide never ends";
    return placed;
}

TEST(PopupGeometry, BottomPanelGivesTheClassicPlaceAndTheSlideEndsWhereItBegan) {
    const QRect screen(0, 0, 1024, 768);
    const QRect work(0, 0, 1024, 738);
    EXPECT_TRUE(PanelAtBottom(screen, work));
    PopupSlide slide(PlacePopup(work, 170), 170, 120);
    int stays = 0;
    const std::vector<QRect> placed = RunSlide(slide, &stays);
    EXPECT_EQ(stays, 1);
    // Up 120 steps, then down: the first step down stands where the top stood, and the last
    // is one pixel high.
    ASSERT_EQ(placed.size(), 240u);
    const QRect full = placed[119];
    EXPECT_EQ(full.left(), 854);
    EXPECT_EQ(full.right(), 1013);
    EXPECT_EQ(full.top(), 613);
    EXPECT_EQ(full.bottom(), 732);
    EXPECT_EQ(placed[0], QRect(854, 732, 160, 1));
    EXPECT_EQ(placed[120], full);
    EXPECT_EQ(placed.back(), QRect(854, 732, 160, 1));
    for (const QRect& r : placed)
        EXPECT_EQ(r.bottom(), 732) << "the pop-up grows and shrinks from its bottom edge";
}

TEST(PopupGeometry, PanelElsewhereStillGivesAPopupInTheWorkAreaCorner) {
    struct Case {
        QRect work;
        bool bottom;
        QRect full;
    };
    const QRect screen(0, 0, 1024, 768);
    const Case cases[] = {
        {QRect(0, 28, 1024, 740), false, QRect(854, 643, 160, 120)},  // panel at the top
        {QRect(48, 0, 976, 768), false, QRect(854, 643, 160, 120)},   // panel on the left
        {QRect(0, 0, 1024, 768), false, QRect(854, 643, 160, 120)},   // hidden panel
        {QRect(0, 0, 980, 768), false, QRect(810, 643, 160, 120)},    // panel on the right
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PanelAtBottom(screen, c.work), c.bottom);
        PopupSlide slide(PlacePopup(c.work, 170), 170, 120);
        int stays = 0;
        const std::vector<QRect> placed = RunSlide(slide, &stays);
        ASSERT_EQ(placed.size(), 240u);
        EXPECT_EQ(placed[119], c.full);
        EXPECT_TRUE(c.work.contains(placed[119])) << "within the work area";
    }
}

std::unique_ptr<Class_TIKOSCHEDULE> Item(int repeat, const calendar::CivilTime& when, const char* memo,
                                         const platform::Clock& clock) {
    auto item = std::make_unique<Class_TIKOSCHEDULE>();
    item->nRepeat = repeat;
    item->tWhen = clock.FromLocal(when);
    item->strMemo.Set(*encoding::Utf8ToCp949(memo));
    return item;
}

TEST(ScheduleReport, GoldenTextWithRepeatsMonthBreakAndNewYear) {
    // Local time nine hours ahead of UTC; the report reads the items' local fields.
    platform::FakeClock clock(calendar::WallTime{1'780'000'000, 0}, 9 * 3600);
    Class_TIKOSCHEDULE_TOP book;
    using calendar::MakeCivilTime;
    book.AddItem(Item(kRepeatDaily, MakeCivilTime(2026, 3, 2, 7, 5), "아침 운동", clock));
    book.AddItem(Item(kRepeatOnce, MakeCivilTime(2026, 3, 2, 10, 0), "회의", clock));
    book.AddItem(Item(kRepeatWeekly, MakeCivilTime(2026, 3, 4, 9, 30), "주간 보고", clock));  // a Wednesday
    book.AddItem(Item(kRepeatOnce, MakeCivilTime(2026, 3, 20, 14, 30), "치과", clock));
    book.AddItem(Item(kRepeatMonthly, MakeCivilTime(2026, 1, 15, 18, 0), "월세", clock));
    book.AddItem(Item(kRepeatOnce, MakeCivilTime(2026, 4, 1, 9, 0), "출장", clock));
    book.AddItem(Item(7, MakeCivilTime(2026, 4, 2, 9, 0), "알 수 없는 반복", clock));
    book.AddItem(Item(kRepeatOnce, MakeCivilTime(2027, 1, 5, 8, 0), "새해 첫 근무", clock));
    book.AddItem(Item(kRepeatOnce, MakeCivilTime(2027, 1, 9, 8, 0), "모임", clock));

    const std::string expected =
        "\t\t\t[ TIKo3 일정 레포트 ] \r\n\r\n"
        "========================   정기 일정 ===============================\r\n\r\n"
        "01: 매일\t\t07:05\t아침 운동\r\n"
        "02: 매주 수요일\t09:30\t주간 보고\r\n"
        "03: 매달 15일\t18:00\t월세\r\n"
        "\r\n========================   당일 일정 ===============================\r\n\r\n"
        "01: 2026/03/02 10:00 회의\r\n"
        "02: 2026/03/20 14:30 치과\r\n"
        "\r\n"
        "03: 2026/04/01 09:00 출장\r\n"
        "\r\n"
        "01: 2027/01/05 08:00 새해 첫 근무\r\n"
        "02: 2027/01/09 08:00 모임\r\n";
    EXPECT_EQ(BuildScheduleReport(book, clock), expected);

    Class_TIKOSCHEDULE_TOP empty;
    EXPECT_EQ(BuildScheduleReport(empty, clock), "");
}

TEST(HelpText, CutAtTheLimitAndNeverInsideACharacter) {
    TempDir dir;
    struct Case {
        std::string bytes;
        std::string shown;
    };
    const std::string ga = *encoding::Utf8ToCp949("가");
    const Case cases[] = {
        {std::string(20000, 'a'), std::string(kHelpTextLimit, 'a')},
        // The 10,240th byte is the first half of "가": the half is left out, not shown as garbage.
        {std::string(kHelpTextLimit - 1, 'a') + ga + "b", std::string(kHelpTextLimit - 1, 'a')},
        {std::string(kHelpTextLimit - 2, 'a') + ga + "b", std::string(kHelpTextLimit - 2, 'a') + "가"},
        {ga + "\r\n" + ga, "가\r\n가"},
    };
    for (const Case& c : cases) {
        WriteFile(dir / "TIKo.hlp", c.bytes);
        const std::optional<std::string> text = ReadHelpText(dir / "TIKo.hlp");
        ASSERT_TRUE(text.has_value());
        EXPECT_EQ(*text, c.shown);
    }
    EXPECT_FALSE(ReadHelpText(dir / "missing.hlp").has_value());
    // A FIFO in its place is refused at once.
    ASSERT_EQ(::mkfifo((dir / "fifo.hlp").c_str(), 0600), 0);
    EXPECT_EQ(InChild([&] { return ReadHelpText(dir / "fifo.hlp") ? 1 : 0; }, std::chrono::seconds(20)), 0);
    // Trail bytes may look like leads; only a walk from the start tells them apart.
    EXPECT_EQ(WholeCp949Length("\xB0\xA1\xB0"), 2u);
    EXPECT_EQ(WholeCp949Length("\xB0\xB0\xB0\xB0"), 4u);
}

TEST(Startup, DisplayPlatformAndArguments) {
    struct Env {
        const char* display;
        const char* wayland;
        const char* platform;
        bool hasDisplay;
        bool xcb;
        bool x11;  // the display is opened through X11, so it is tried before Qt
    };
    const Env cases[] = {
        {nullptr, nullptr, nullptr, false, false, false},
        {":0", nullptr, nullptr, true, false, true},
        {nullptr, "wayland-0", nullptr, true, false, false},
        {":0", "wayland-0", nullptr, true, true, false},
        {":0", "wayland-0", "wayland", true, false, false},
        {nullptr, nullptr, "offscreen", true, false, false},
        {nullptr, nullptr, "xcb", false, false, true},
        {":0", "wayland-0", "xcb", true, false, true},
    };
    for (const Env& e : cases) {
        const EnvironmentLookup lookup = [&](const char* name) -> const char* {
            const std::string n(name);
            return n == "DISPLAY"           ? e.display
                   : n == "WAYLAND_DISPLAY" ? e.wayland
                   : n == "QT_QPA_PLATFORM" ? e.platform
                                            : nullptr;
        };
        EXPECT_EQ(HasDisplay(lookup), e.hasDisplay)
            << (e.display ? e.display : "-") << (e.platform ? e.platform : "-");
        EXPECT_EQ(PreferXcb(lookup), e.xcb);
        EXPECT_EQ(UsesX11(lookup), e.x11);
    }

    DesktopOptions options;
    std::string problem;
    EXPECT_TRUE(ParseDesktopArgs({"--workdir", "/tmp/x"}, options, problem));
    EXPECT_EQ(options.workdir, std::filesystem::path("/tmp/x"));
    EXPECT_TRUE(ParseDesktopArgs({"--workdir=/tmp/y"}, options, problem));
    EXPECT_EQ(options.workdir, std::filesystem::path("/tmp/y"));
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--workdir"}, {"--workdir="}, {"--bogus"}, {"extra"}}) {
        EXPECT_FALSE(ParseDesktopArgs(bad, options, problem));
        EXPECT_FALSE(problem.empty());
    }
}

TEST(Startup, DataDirectoryFromMarkerOrInstallAndSeedingKeepsUserFiles) {
    TempDir root;
    // Installed: <prefix>/bin/LumClient and <prefix>/share/TIKo3.
    std::filesystem::create_directories(root / "prefix/bin");
    std::filesystem::create_directories(root / "prefix/share/TIKo3");
    EXPECT_EQ(FindDataDirectory(root / "prefix/bin/LumClient"), root / "prefix/share/TIKo3");
    // A build tree: the marker names the source data.
    std::filesystem::create_directories(root / "build/shell");
    std::filesystem::create_directories(root / "src/data");
    WriteFile(root / "build/shell" / kDataDirMarker, (root / "src/data").string() + "\n");
    EXPECT_EQ(FindDataDirectory(root / "build/shell/LumClient"), root / "src/data");
    EXPECT_EQ(FindDataDirectory(root / "nowhere/LumClient"), std::filesystem::path());

    WriteFile(root / "src/data/TIKo.hlp", "shipped help");
    WriteFile(root / "src/data/tick.wav", "shipped tick");
    const std::filesystem::path work = root / "home/.local/share/TIKo3";
    std::filesystem::create_directories(work);
    WriteFile(work / "tick.wav", "the user's own tick");
    std::string error;
    ASSERT_TRUE(PrepareWorkingDirectory(work, root / "src/data", error)) << error;
    EXPECT_EQ(ReadFile(work / "TIKo.hlp"), "shipped help");
    EXPECT_EQ(ReadFile(work / "tick.wav"), "the user's own tick");
    EXPECT_FALSE(std::filesystem::exists(work / "frame.bmp"));
    EXPECT_FALSE(std::filesystem::exists(work / "TIKo.hlp.part"));

    WriteFile(root / "file", "x");
    EXPECT_FALSE(PrepareWorkingDirectory(root / "file/sub", root / "src/data", error));
    EXPECT_FALSE(error.empty());

    // A read-only data home says so, not that the folder does not exist; as a user, without
    // CAP_DAC_OVERRIDE.
    std::filesystem::create_directories(root / "readonly");
    ::chmod((root / "readonly").c_str(), 0555);
    const int status = InChild([&] {
        if (!platform::DropEffectiveCapabilities())
            return 100;
        std::string why;
        if (PrepareWorkingDirectory(root / "readonly/TIKo3", root / "src/data", why))
            return 1;
        return why.find("Permission denied") != std::string::npos ? 0 : 2;
    });
    ::chmod((root / "readonly").c_str(), 0755);
    EXPECT_EQ(status, 0);
}

TEST(Startup, TheFirstTerminationSignalLeavesTheNextToItsDefault) {
    ASSERT_TRUE(CLumClientApp::InstallSignalHandlers());
    struct sigaction current {};
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, nullptr, &current);
        EXPECT_NE(current.sa_handler, SIG_DFL) << signal;
    }
    // The first one asks for the close path; should that hang, the next must end the program.
    ASSERT_EQ(raise(SIGHUP), 0);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, nullptr, &current);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << signal;
    }
}

}  // namespace
