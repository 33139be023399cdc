#include "treestore/app_store.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "tree_test_util.h"

namespace {

std::string StoreText(const CLumTreeNode& root) {
    std::string text;
    root.WriteToString(text, 0);
    return text;
}

std::string DefaultConfText() {
    return StoreText(*CTIKOConfList_Mgr().BuildDefaultTree());
}

TEST(AppStore, NoFilesGiveDefaultsAndSavingWritesCompleteFiles) {
    TempDir dir;
    auto conf = LoadConfiguration(dir.path());
    auto book = LoadScheduleBook(dir.path());
    EXPECT_EQ(StoreText(*conf), DefaultConfText());
    EXPECT_EQ(book->GetFirstChild(), nullptr);
    ASSERT_TRUE(SaveConfiguration(*conf, dir.path()));
    ASSERT_TRUE(SaveScheduleBook(*book, dir.path()));
    EXPECT_EQ(ReadFile(dir.path() / "TIKo.conf"), DefaultConfText());
    EXPECT_EQ(ReadFile(dir.path() / "TIKo.sche"), "0000001e000:000[0000000cTIKO_VER_3_5]\n");
}

TEST(AppStore, ChangedSettingsAndItemsComeBackAfterSaveAndLoad) {
    TempDir dir;
    auto conf = LoadConfiguration(dir.path());
    conf->Env()->bLog = 1;
    conf->SyncInfo()->nTimeOffset = -30;
    conf->SyncInfo()->strServer.Set("\xc7\xa5 time.example");
    auto* clock = new Class_TIKOCONF_WDPROP_WORLDCLOCK;
    clock->strName.Set("\xc6\xc4\xb8\xae");
    conf->WorldClocks()->AppendChild(clock);
    auto book = LoadScheduleBook(dir.path());
    auto item = std::make_unique<Class_TIKOSCHEDULE>();
    item->strMemo.Set("\xc0\xcf\xc1\xa4 memo");
    std::string guid = book->AddItem(std::move(item))->strGuid.Get();
    ASSERT_TRUE(SaveConfiguration(*conf, dir.path()));
    ASSERT_TRUE(SaveScheduleBook(*book, dir.path()));

    auto conf2 = LoadConfiguration(dir.path());
    auto book2 = LoadScheduleBook(dir.path());
    EXPECT_EQ(StoreText(*conf2), StoreText(*conf));
    EXPECT_EQ(conf2->Env()->bLog, 1);
    EXPECT_EQ(conf2->SyncInfo()->nTimeOffset, -30);
    EXPECT_EQ(book2->CopyItem(guid)->strMemo.Get(), "\xc0\xcf\xc1\xa4 memo");
}

TEST(AppStore, ConfigurationMissingChildrenGetsThemWithDefaults) {
    TempDir dir;
    // A root-only file, and one that has only the environment node.
    for (const std::string& text :
         {std::string("0000001e000:000[0000000cTIKO_VER_3_5]\n"),
          std::string("0000001e000:000[0000000cTIKO_VER_3_5]\n") + "00000013001:002[000000011]\n"}) {
        WriteFile(dir.path() / "TIKo.conf", text);
        auto conf = LoadConfiguration(dir.path());
        for (int type = 1; type <= 8; ++type)
            EXPECT_NE(conf->FindChild(type), nullptr) << type;
        EXPECT_EQ(conf->GetChildCount(), 8);
        EXPECT_EQ(conf->Env()->bBlinkOnSync, 1);
    }
    // The environment node read from the file is kept, not replaced.
    EXPECT_EQ(LoadConfiguration(dir.path())->Env()->bSound, 1);
}

TEST(AppStore, DamagedFilesFallBackToDefaults) {
    TempDir dir;
    const std::string good = DefaultConfText();
    const std::string damaged[] = {
        "", "garbage",
        good + "0000000a005:001[]\n",  // a level that cannot be placed
    };
    for (const std::string& text : damaged) {
        WriteFile(dir.path() / "TIKo.conf", text);
        EXPECT_EQ(StoreText(*LoadConfiguration(dir.path())), good);
    }
}

TEST(AppStore, RootOfUnknownClassHandsItsItemsToTheBook) {
    TempDir dir;
    Class_TIKOSCHEDULE_TOP book;
    auto item = std::make_unique<Class_TIKOSCHEDULE>();
    item->strMemo.Set("kept");
    book.AddItem(std::move(item));
    std::string text = StoreText(book);
    text.replace(12, 3, "042");  // the root's type id
    WriteFile(dir.path() / "TIKo.sche", text);
    auto loaded = LoadScheduleBook(dir.path());
    ASSERT_EQ(loaded->ItemCount(), 1u);
    EXPECT_EQ(loaded->GetFirstChild()->GetParent(), loaded.get());
    EXPECT_EQ(dynamic_cast<Class_TIKOSCHEDULE&>(*loaded->GetFirstChild()).strMemo.Get(), "kept");
}

TEST(AppStore, FailedSaveReportsFalseAndKeepsTheOldFile) {
    TempDir dir;
    auto conf = LoadConfiguration(dir.path());
    // A directory where the file should be: the replacement cannot happen.
    std::filesystem::create_directory(dir.path() / "TIKo.sche");
    EXPECT_FALSE(SaveScheduleBook(*LoadScheduleBook(dir.path()), dir.path()));
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "TIKo.sche"));
    // A directory that does not exist.
    EXPECT_FALSE(SaveConfiguration(*conf, dir.path() / "missing"));
}

}  // namespace

namespace {

int Temporaries(const std::filesystem::path& dir) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        count += entry.path().filename().string().starts_with(".TIKo.sche.");
    return count;
}

}  // namespace

// A program killed while it saves leaves the old or the new book whole and at most the one
// briefly named temporary; the next load clears that away.
TEST(AppStore, SavesKilledAtRandomLeaveTheBookWholeAndNoPileOfTemporaries) {
    TempDir dir;
    auto book = LoadScheduleBook(dir.path());
    for (int i = 0; i < 300; ++i) {
        auto item = std::make_unique<Class_TIKOSCHEDULE>();
        item->strMemo.Set("memo " + std::to_string(i) + std::string(100, 'x'));
        book->AddItem(std::move(item));
    }
    ASSERT_TRUE(SaveScheduleBook(*book, dir.path()));
    const std::string whole = ReadFile(dir.path() / "TIKo.sche");
    std::minstd_rand random(12345);
    for (int round = 0; round < 300; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            const char go = 1;
            if (::write(ready[1], &go, 1) != 1)
                ::_exit(2);
            for (;;)
                if (!SaveScheduleBook(*book, dir.path()))
                    ::_exit(1);
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        // Somewhere inside the first saves (one takes about a millisecond without its fsync).
        ::usleep(static_cast<useconds_t>(random() % 3000));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed on its own";
        ASSERT_LE(Temporaries(dir.path()), 1) << "round " << round;
        ASSERT_EQ(ReadFile(dir.path() / "TIKo.sche"), whole) << "round " << round;
    }
    // A temporary of a killed save is gone after the load, whatever the last round left.
    WriteFile(dir.path() / ".TIKo.sche.a1B2c3", "half a book");
    auto loaded = LoadScheduleBook(dir.path());
    EXPECT_EQ(StoreText(*loaded), whole);
    EXPECT_EQ(Temporaries(dir.path()), 0);
}
