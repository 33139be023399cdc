#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "encoding/cp949.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"
#include "world/world_store.h"
#include "world/world_table_file.h"

namespace {

using world::TableDamage;

std::string Cp949(const std::string& utf8) {
    return encoding::Utf8ToCp949(utf8).value();
}

// Eight groups, ten regions: the first group has three, the others two, one or none.
std::string GoodTable() {
    return Cp949(
        "아시아 3\n서울 0 0 0\n도쿄 0 0 0\n카트만두 -195 0 0\n"
        "유럽 2\r\n파리 -480 2 14\r\n런던 -540 3 13\r\n"
        "아프리카 0\n북아메리카 1\n뉴욕 -840 14 11\n남아메리카 1\n상파울루 -720 0 0\n"
        "오세아니아 1\n시드니 60 21 21\n중동 1\n테헤란 -330 0 0\n대서양·인도양 1\n아조레스 -600 5 16\n");
}

TEST(WorldTableFile, ReadsEightGroupsAndNumbersRegionsInFileOrder) {
    const world::WorldTable table = world::ParseWorldTable(GoodTable());
    EXPECT_EQ(table.damage, TableDamage::kNone);
    ASSERT_EQ(table.groups.size(), 8u);
    EXPECT_EQ(table.groups[0], (world::WorldGroup{Cp949("아시아"), 1, 3}));
    EXPECT_EQ(table.groups[1], (world::WorldGroup{Cp949("유럽"), 4, 2}));
    EXPECT_EQ(table.groups[2], (world::WorldGroup{Cp949("아프리카"), 6, 0}));
    EXPECT_EQ(table.groups[7], (world::WorldGroup{Cp949("대서양·인도양"), 10, 1}));
    ASSERT_EQ(table.regions.Size(), 11);
    EXPECT_EQ(table.regions.Find(0)->name, "UTC");
    EXPECT_EQ(*table.regions.Find(3), (world::Region{Cp949("카트만두"), -195, 0, 0}));
    EXPECT_EQ(*table.regions.Find(4), (world::Region{Cp949("파리"), -480, 2, 14}));
    EXPECT_EQ(*table.regions.Find(10), (world::Region{Cp949("아조레스"), -600, 5, 16}));
}

struct DamageCase {
    const char* what;
    std::string text;
    TableDamage damage;
    int line;
    int regions;  // read before the damage, UTC not counted
    int groups;
};

void PrintTo(const DamageCase& c, std::ostream* os) {
    *os << c.what;
}

class DamagedTable : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedTable, IsReadUpToItsFirstBadToken) {
    const DamageCase& c = GetParam();
    const world::WorldTable table = world::ParseWorldTable(c.text);
    EXPECT_EQ(table.damage, c.damage);
    EXPECT_EQ(table.damagedLine, c.line);
    EXPECT_EQ(table.regions.Size() - 1, c.regions);
    EXPECT_EQ(static_cast<int>(table.groups.size()), c.groups);
    int counted = 0;
    for (const world::WorldGroup& group : table.groups) {
        EXPECT_EQ(group.first, 1 + counted);
        counted += group.count;
    }
    EXPECT_EQ(counted, c.regions);
}

const std::string kName79(79, 'a');

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedTable,
    testing::Values(DamageCase{"empty", "", TableDamage::kTooFewGroups, 1, 0, 0},
                    DamageCase{"two groups", "a 1\nx 1 0 0\nb 0\n", TableDamage::kTooFewGroups, 4, 1, 2},
                    DamageCase{"fewer regions than announced", "a 3\nx 1 0 0\ny 2 0 0\n",
                               TableDamage::kShortGroup, 4, 2, 1},
                    DamageCase{"a line cut short", "a 2\nx 1 0 0\ny 2 0", TableDamage::kShortGroup, 3, 1, 1},
                    DamageCase{"a line without numbers", "a 3\nx 1 0 0\nNew York -840 14 11\nz 3 0 0\n",
                               TableDamage::kBadNumber, 3, 1, 1},
                    DamageCase{"a number with trailing letters", "a 2\nx 1 0 0\ny 12abc 0 0\n",
                               TableDamage::kBadNumber, 3, 1, 1},
                    DamageCase{"a number beyond 32 bits", "a 2\nx 1 0 0\ny 2147483648 0 0\n",
                               TableDamage::kBadNumber, 3, 1, 1},
                    DamageCase{"a negative count", "a -1\nx 1 0 0\n", TableDamage::kBadNumber, 1, 0, 0},
                    DamageCase{"a count that is no number", "a b\n", TableDamage::kBadNumber, 1, 0, 0},
                    DamageCase{"a name over 79 bytes", "a 3\n" + kName79 + " 1 0 0\n" + kName79 + "b 2 0 0\n",
                               TableDamage::kNameTooLong, 3, 1, 1},
                    DamageCase{"a group name over 79 bytes", "a 0\n" + kName79 + "bc 0\n",
                               TableDamage::kNameTooLong, 2, 0, 1},
                    DamageCase{"signs as scanf reads them", "a 1\nx +60 -1 +0\n", TableDamage::kTooFewGroups,
                               3, 1, 1}));

TEST(WorldTableFile, StopsAtTheTableCapacityKeepingWhatFits) {
    std::string text = "many 10005\n";
    for (int i = 0; i < 10005; ++i)
        text += "r" + std::to_string(i) + " 60 0 0\n";
    const world::WorldTable table = world::ParseWorldTable(text);
    EXPECT_EQ(table.damage, TableDamage::kTooManyRegions);
    EXPECT_EQ(table.damagedLine, 10001);
    EXPECT_EQ(table.regions.Size(), world::RegionTable::kCapacity);
    EXPECT_EQ(table.groups[0].count, 9999);
    EXPECT_EQ(table.regions.Find(9999)->name, "r9998");
}

TEST(WorldTableFile, IgnoresWhatFollowsTheEighthGroup) {
    const world::WorldTable table = world::ParseWorldTable(GoodTable() + "extra 1\nx 1 0 0\n");
    EXPECT_EQ(table.damage, TableDamage::kNone);
    EXPECT_EQ(table.groups.size(), 8u);
    EXPECT_EQ(table.regions.Size(), 11);
}

TEST(WorldTableFile, FirstMatchInFileOrderAtCharacterBoundaries) {
    const world::WorldTable table = world::ParseWorldTable(
        Cp949("아시아 2\n홍콩 0 0 0\n마카오 0 0 0\n유럽 2\n모스크바 0 0 0\n바르샤바 0 0 0\n") +
        "a 0\nb 0\nc 0\nd 0\ne 0\nf 1\nXY 0 0 0\n");
    ASSERT_EQ(table.damage, TableDamage::kNone);
    auto find = [&](const std::string& utf8) { return world::FindRegion(table, Cp949(utf8)); };
    EXPECT_EQ(find("바")->index, 3);  // 모스크바 before 바르샤바
    EXPECT_EQ(find("바")->group, 1);
    EXPECT_EQ(find("바르")->index, 4);
    EXPECT_EQ(find("홍콩")->index, 1);
    EXPECT_EQ(find("XY")->group, 7);
    EXPECT_FALSE(find("xy"));  // case-sensitive
    EXPECT_FALSE(find("런던"));
    EXPECT_FALSE(world::FindRegion(table, ""));
    // The trail byte of 홍 and the lead byte of 콩 are no character of the name.
    const std::string hongkong = Cp949("홍콩");
    EXPECT_FALSE(world::Cp949Contains(hongkong, hongkong.substr(1, 2)));
    EXPECT_TRUE(world::Cp949Contains(hongkong, hongkong.substr(2, 2)));
    EXPECT_TRUE(world::Cp949Contains("abc", "bc"));
}

TEST(WorldTableFile, SavedClocksFindTheirRegionByNameWhenEntriesMoved) {
    const world::WorldTable table = world::ParseWorldTable(GoodTable());
    EXPECT_EQ(world::ResolveRegionIndex(table, 4, Cp949("파리")), 4);
    EXPECT_EQ(world::ResolveRegionIndex(table, 9, Cp949("파리")), 4);
    EXPECT_EQ(world::ResolveRegionIndex(table, 0, "UTC"), 0);
    EXPECT_EQ(world::ResolveRegionIndex(table, 5, Cp949("없는곳")), 5);
    EXPECT_EQ(world::ResolveRegionIndex(table, 500, Cp949("뉴욕")), 6);
}

class TableOnDisk : public testing::Test {
protected:
    void Write(const std::string& bytes) { WriteFile(file_, bytes); }

    TempDir dir_;
    std::filesystem::path file_ = dir_ / world::kWorldTableFileName;
};

TEST_F(TableOnDisk, MissingFileOrDirectoryCannotBeRead) {
    EXPECT_FALSE(world::LoadWorldTable(file_));
    EXPECT_FALSE(world::LoadWorldTable(dir_.path()));
    // A FIFO or /dev/zero in its place is refused at once, not waited on or read without end.
    ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir_ / "zero");
    EXPECT_EQ(
        InChild(
            [&] { return !world::LoadWorldTable(file_) && !world::LoadWorldTable(dir_ / "zero") ? 0 : 1; },
            std::chrono::seconds(20)),
        0);
    std::filesystem::remove(file_);
    Write(GoodTable());
    ASSERT_TRUE(world::LoadWorldTable(file_));
    EXPECT_EQ(world::LoadWorldTable(file_)->regions.Size(), 11);
}

TEST_F(TableOnDisk, StoreReadsOnFirstNeedOnlyAndKeepsTheTable) {
    world::WorldStore store(file_);
    EXPECT_EQ(store.LoadedTable(), nullptr);
    EXPECT_EQ(store.Table(), nullptr);  // no file yet: tried again next time
    EXPECT_EQ(store.RegionAt(0)->name, "UTC");
    EXPECT_FALSE(store.RegionAt(1));
    Write(GoodTable());
    // A restored clock asks for its region before any dialog exists.
    ASSERT_TRUE(store.RegionAt(4));
    EXPECT_EQ(store.RegionAt(4)->offset, -480);
    const world::WorldTable* first = store.LoadedTable();
    ASSERT_NE(first, nullptr);
    Write("changed 1\nx 1 0 0\n");
    EXPECT_EQ(store.Table(), first);
    EXPECT_EQ(store.RegionAt(4)->offset, -480);
    EXPECT_FALSE(store.RegionAt(11));
    EXPECT_FALSE(store.RegionAt(-1));
}

TEST_F(TableOnDisk, ThreadsAskingAtOnceShareOneRead) {
    Write(GoodTable());
    world::WorldStore store(file_);
    std::vector<const world::WorldTable*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&store, &seen, i] { seen[i] = store.Table(); });
    for (std::thread& thread : threads)
        thread.join();
    for (const world::WorldTable* table : seen)
        EXPECT_EQ(table, store.LoadedTable());
    EXPECT_NE(store.LoadedTable(), nullptr);
}

}  // namespace
