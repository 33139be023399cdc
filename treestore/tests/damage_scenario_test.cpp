// What a damaged or odd store costs: each scenario says what is kept, what is said, where the
// damaged file went, and that nothing was saved over a file that was not read whole.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <chrono>

#include "platform/sys_time_right.h"
#include "tests/support/child_process.h"
#include "tests/support/store_damage.h"
#include "tree_test_util.h"
#include "treestore/app_store.h"

namespace {

using namespace std::chrono_literals;

// "TIKo.sche.damaged-YYYYMMDD-HHMMSS"
bool IsDatedName(const std::string& name) {
    const std::string head = std::string(kScheduleFileName) + kDamagedSuffix;
    if (name.size() != head.size() + 15 || name.rfind(head, 0) != 0 || name[head.size() + 8] != '-')
        return false;
    for (std::size_t i = head.size(); i < name.size(); ++i)
        if (i != head.size() + 8 && !std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

class DamageScenario : public ::testing::Test {
protected:
    DamageScenario() {
        auto book = LoadScheduleBook(dir_.path());
        for (const char* memo : {"first", "second", "third"}) {
            auto item = std::make_unique<Class_TIKOSCHEDULE>();
            item->strMemo.Set(memo);
            item->tWhen = 1'700'000'040;
            book->AddItem(std::move(item));
        }
        book->WriteToString(good_, 0);
    }

    std::filesystem::path Book() const { return dir_.path() / kScheduleFileName; }
    std::filesystem::path Conf() const { return dir_.path() / kConfFileName; }

    // The memos of the book loaded from `bytes`; the report in report_.
    std::vector<std::string> LoadFrom(const std::string& bytes) {
        WriteFile(Book(), bytes);
        return Memos(LoadScheduleBook(dir_.path(), &report_));
    }

    static std::vector<std::string> Memos(const std::unique_ptr<Class_TIKOSCHEDULE_TOP>& book) {
        std::vector<std::string> memos;
        book->ForEachItem([&](const Class_TIKOSCHEDULE& item) { memos.push_back(item.strMemo.Get()); });
        return memos;
    }

    // Every copy kept beside the stores.
    std::vector<std::filesystem::path> KeptAside() const {
        std::vector<std::filesystem::path> kept;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            if (entry.path().filename().string().find(kDamagedSuffix) != std::string::npos)
                kept.push_back(entry.path());
        return kept;
    }

    // The damaged file is beside the store under its dated name, byte for byte, and the message
    // names it and what was kept.
    void ExpectKeptAside(const std::string& damaged, std::size_t items) {
        EXPECT_FALSE(report_.readWhole);
        ASSERT_EQ(KeptAside().size(), 1u);
        EXPECT_EQ(report_.keptAside, KeptAside()[0]);
        EXPECT_TRUE(IsDatedName(report_.keptAside.filename().string())) << report_.keptAside;
        EXPECT_EQ(ReadFile(report_.keptAside), damaged);
        EXPECT_NE(report_.message.find("일정 " + std::to_string(items) + "개만"), std::string::npos)
            << report_.message;
        EXPECT_NE(report_.message.find(report_.keptAside.string()), std::string::npos) << report_.message;
    }

    TempDir dir_;
    std::string good_;
    StoreLoadReport report_;
};

TEST_F(DamageScenario, OneByteChangedInTheMiddleRecordCostsThatItemOnly) {
    const std::string damaged = ChangeByte(good_, 2, 10, '!');  // its level reads "00!"
    EXPECT_EQ(LoadFrom(damaged), (std::vector<std::string>{"first", "third"}));
    ExpectKeptAside(damaged, 2);
    // A field length changed inside the middle record is damage too, not a shifted memo.
    TempDir other;
    WriteFile(other.path() / kScheduleFileName, ChangeByte(good_, 2, 22, '9'));
    StoreLoadReport report;
    EXPECT_EQ(Memos(LoadScheduleBook(other.path(), &report)), (std::vector<std::string>{"first", "third"}));
    EXPECT_FALSE(report.readWhole);
}

TEST_F(DamageScenario, LengthOneTooLargeDoesNotEatTheNextItem) {
    const std::string damaged = LengthOneTooLarge(good_, 2);
    EXPECT_EQ(LoadFrom(damaged), (std::vector<std::string>{"first", "third"}));
    ExpectKeptAside(damaged, 2);
}

TEST_F(DamageScenario, CutFileDropsTheHalfItemInsteadOfKeepingJunk) {
    for (std::size_t keep : {4u, 20u, 60u}) {
        for (const auto& kept : KeptAside())
            std::filesystem::remove(kept);
        const std::string damaged = CutInside(good_, 3, keep);
        EXPECT_EQ(LoadFrom(damaged), (std::vector<std::string>{"first", "second"})) << keep;
        ExpectKeptAside(damaged, 2);
    }
}

TEST_F(DamageScenario, SavingAfterDamageLeavesTheKeptCopyAndTheRecoveredBook) {
    const std::string damaged = ChangeByte(good_, 1, 9, 'x');
    auto book = (WriteFile(Book(), damaged), LoadScheduleBook(dir_.path(), &report_));
    ASSERT_FALSE(report_.readWhole);
    std::string reason;
    ASSERT_TRUE(SaveScheduleBook(*book, dir_.path(), &reason)) << reason;
    EXPECT_EQ(ReadFile(report_.keptAside), damaged);
    EXPECT_EQ(Memos(LoadScheduleBook(dir_.path())), (std::vector<std::string>{"second", "third"}));
    // A second damaged load in the same second keeps its own copy.
    WriteFile(Book(), damaged);
    StoreLoadReport again;
    LoadScheduleBook(dir_.path(), &again);
    EXPECT_EQ(KeptAside().size(), 2u);
    EXPECT_NE(again.keptAside, report_.keptAside);
}

TEST_F(DamageScenario, DamagedConfigurationKeepsEveryOtherSetting) {
    auto conf = LoadConfiguration(dir_.path());
    conf->Env()->bLog = 1;
    conf->SyncInfo()->nTimeOffset = -30;
    ASSERT_TRUE(SaveConfiguration(*conf, dir_.path()));
    const std::string damaged = ChangeByte(ReadFile(Conf()), 4, 10, '!');  // the comm node's level
    WriteFile(Conf(), damaged);
    StoreLoadReport report;
    auto loaded = LoadConfiguration(dir_.path(), &report);
    EXPECT_EQ(loaded->Env()->bLog, 1);
    EXPECT_EQ(loaded->SyncInfo()->nTimeOffset, -30);
    EXPECT_NE(loaded->Comm(), nullptr);
    EXPECT_EQ(loaded->GetChildCount(), 8);
    EXPECT_FALSE(report.readWhole);
    EXPECT_EQ(ReadFile(report.keptAside), damaged);
    EXPECT_NE(report.message.find("설정 파일(TIKo.conf)이 손상되어"), std::string::npos) << report.message;
}

// A FIFO, a device, a directory: refused at once with defaults, said, and never replaced.
TEST_F(DamageScenario, SpecialFilesAreRefusedWithoutBlockingAndNeverReplaced) {
    ASSERT_EQ(::mkfifo(Conf().c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", Book());
    const int status = InChild(
        [&] {
            StoreLoadReport conf, book;
            auto c = LoadConfiguration(dir_.path(), &conf);
            auto b = LoadScheduleBook(dir_.path(), &book);
            std::string why;
            const bool refused = !SaveConfiguration(*c, dir_.path(), &why) && !why.empty() &&
                                 !SaveScheduleBook(*b, dir_.path(), &why);
            const bool said = conf.message.find("FIFO") != std::string::npos &&
                              book.message.find("character device") != std::string::npos &&
                              conf.message.find("저장하지 않습니다") != std::string::npos;
            return refused && said && b->ItemCount() == 0 && c->GetChildCount() == 8 ? 0 : 1;
        },
        20s);
    EXPECT_EQ(status, 0) << "a load blocked, or a special file was not refused and said";
    EXPECT_TRUE(std::filesystem::is_fifo(Conf()));
    EXPECT_EQ(std::filesystem::read_symlink(Book()), "/dev/zero");
    EXPECT_TRUE(KeptAside().empty());

    std::filesystem::remove(Book());
    std::filesystem::create_directory(Book());
    StoreLoadReport report;
    auto book = LoadScheduleBook(dir_.path(), &report);
    EXPECT_NE(report.message.find("directory"), std::string::npos) << report.message;
    std::string reason;
    EXPECT_FALSE(SaveScheduleBook(*book, dir_.path(), &reason));
    EXPECT_NE(reason.find("directory"), std::string::npos) << reason;
    EXPECT_TRUE(std::filesystem::is_directory(Book()));
}

TEST_F(DamageScenario, ReadOnlyDirectoryKeepsTheDamagedStoreUnsavedAndSaysWhy) {
    const std::string damaged = ChangeByte(good_, 2, 10, '!');
    WriteFile(Book(), damaged);
    ::chmod(dir_.path().c_str(), 0555);
    // Without CAP_DAC_OVERRIDE, as a user is.
    const int status = InChild([&] {
        if (!platform::DropEffectiveCapabilities())
            return 100;
        StoreLoadReport report;
        auto book = LoadScheduleBook(dir_.path(), &report);
        if (Memos(book) != std::vector<std::string>{"first", "third"} || !report.keptAside.empty())
            return 1;
        if (report.message.find("Permission denied") == std::string::npos ||
            report.message.find("저장하지 않습니다") == std::string::npos)
            return 2;
        std::string reason;
        if (SaveScheduleBook(*book, dir_.path(), &reason) || reason.find("kept aside") == std::string::npos)
            return 3;
        // A sound configuration cannot be saved either, and the reason is the real one.
        auto conf = LoadConfiguration(dir_.path());
        if (SaveConfiguration(*conf, dir_.path(), &reason) ||
            reason.find("Permission denied") == std::string::npos)
            return 4;
        return 0;
    });
    ::chmod(dir_.path().c_str(), 0755);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(Book()), damaged);
    EXPECT_TRUE(KeptAside().empty());
}

TEST_F(DamageScenario, UnreadableStoreIsKeptUnderASecondNameBeforeTheDefaultsCanReplaceIt) {
    WriteFile(Book(), good_);
    ::chmod(Book().c_str(), 0);
    // Without CAP_DAC_OVERRIDE, as a user is.
    const int status = InChild([&] {
        if (!platform::DropEffectiveCapabilities())
            return 100;
        StoreLoadReport report;
        auto book = LoadScheduleBook(dir_.path(), &report);
        const bool said = report.message.find("읽을 수 없어") != std::string::npos &&
                          report.message.find(report.keptAside.string()) != std::string::npos;
        return book->ItemCount() == 0 && !report.readWhole && said ? 0 : 1;
    });
    ::chmod(Book().c_str(), 0644);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(KeptAside().size(), 1u);
    EXPECT_EQ(ReadFile(KeptAside()[0]), good_);
}

TEST_F(DamageScenario, SymbolicLinkToTheStoreIsWrittenThrough) {
    TempDir elsewhere;
    const std::filesystem::path target = elsewhere.path() / "my-book";
    WriteFile(target, good_);
    std::filesystem::create_symlink(target, Book());
    auto book = LoadScheduleBook(dir_.path(), &report_);
    EXPECT_TRUE(report_.readWhole);
    EXPECT_EQ(book->ItemCount(), 3u);
    book->RemoveAllItems();
    std::string reason;
    ASSERT_TRUE(SaveScheduleBook(*book, dir_.path(), &reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(Book()));
    EXPECT_EQ(std::filesystem::read_symlink(Book()), target);
    EXPECT_EQ(ReadFile(target), "0000001e000:000[0000000cTIKO_VER_3_5]\n");
    // No temporary is left in either directory.
    for (const auto& d : {dir_.path(), elsewhere.path()})
        for (const auto& entry : std::filesystem::directory_iterator(d))
            EXPECT_EQ(entry.path().filename().string().rfind(".", 0), std::string::npos) << entry.path();
    // A damaged linked store is kept beside the link, and the target written through after.
    WriteFile(target, ChangeByte(good_, 1, 10, '!'));
    auto damaged = LoadScheduleBook(dir_.path(), &report_);
    EXPECT_EQ(report_.keptAside.parent_path(), dir_.path());
    ASSERT_TRUE(SaveScheduleBook(*damaged, dir_.path(), &reason)) << reason;
    EXPECT_TRUE(std::filesystem::is_symlink(Book()));
    EXPECT_EQ(Memos(LoadScheduleBook(dir_.path())), (std::vector<std::string>{"second", "third"}));
}

}  // namespace
