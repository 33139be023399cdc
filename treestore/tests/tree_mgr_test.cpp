#include "treestore/tree_mgr.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>

#include "tree_test_util.h"
#include "treestore/conf_schema.h"
#include "treestore/schedule_schema.h"

namespace {

const char kRoot[] = "0000001e000:000[0000000cTIKO_VER_3_5]\n";
const char kWorldClocks[] = "0000001a001:008[000000081.000000]\n";
const char kParis[] = "00000035002:009[00000003150000000028000000001300000005Paris]\n";

std::string Written(const CLumTreeNode& root) {
    std::string text;
    root.WriteToString(text, 0);
    return text;
}

TEST(TreeMgr, ThreeLevelTreeWritesTheGoldenLinesAndReadsBack) {
    Class_TIKOCONF_TOP root;
    auto* clocks = new Class_TIKOCONF_WDPROP_WORLDCLOCKS;
    root.AppendChild(clocks);
    auto* paris = new Class_TIKOCONF_WDPROP_WORLDCLOCK;
    paris->nLeft = 150;
    paris->nTop = 80;
    paris->nZone = 3;
    paris->strName.Set("Paris");
    clocks->AppendChild(paris);
    const std::string golden = std::string(kRoot) + kWorldClocks + kParis;
    EXPECT_EQ(Written(root), golden);

    std::unique_ptr<CLumTreeNode> back = CTIKOConfList_Mgr().ParseTree(golden);
    ASSERT_NE(back, nullptr);
    auto* clock = dynamic_cast<Class_TIKOCONF_WDPROP_WORLDCLOCK*>(back->FindChild(8)->FindChild(9));
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->nZone, 3);
    EXPECT_EQ(clock->strName.Get(), "Paris");
    EXPECT_EQ(Written(*back), golden);
}

TEST(TreeMgr, LevelNumbersAloneRebuildTheHierarchy) {
    const std::string text = std::string(kRoot) + "0000000a001:042[]\n" + "0000000a001:043[]\n" +
                             "0000000a002:044[]\n" + "0000000a001:045[]\n";
    std::unique_ptr<CLumTreeNode> root = CLumTreeMgr().ParseTree(text);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetChildCount(), 3);
    CLumTreeNode* second = root->GetFirstChild()->GetNext();
    EXPECT_EQ(second->GetType(), 43);
    ASSERT_NE(second->GetFirstChild(), nullptr);
    EXPECT_EQ(second->GetFirstChild()->GetType(), 44);
    EXPECT_EQ(second->GetNext()->GetType(), 45);
    EXPECT_EQ(second->GetNext()->GetPrev(), second);
}

TEST(TreeMgr, EmptyOrGarbageTextGivesNoTree) {
    EXPECT_EQ(CLumTreeMgr().ParseTree(""), nullptr);
    EXPECT_EQ(CLumTreeMgr().ParseTree("zzzzzzzzzzzzzzzzzz"), nullptr);
    EXPECT_EQ(CLumTreeMgr().LoadTree(nullptr), nullptr);
}

TEST(TreeMgr, GarbageBetweenRecordsIsPassedOverAndTheNextRecordKept) {
    const std::string text = std::string(kRoot) + kWorldClocks + "garbage!" + kParis;
    TreeParseReport report;
    std::unique_ptr<CLumTreeNode> root = CTIKOConfList_Mgr().ParseTree(text, &report);
    ASSERT_NE(root, nullptr);
    ASSERT_NE(root->FindChild(8), nullptr);
    auto* paris = dynamic_cast<Class_TIKOCONF_WDPROP_WORLDCLOCK*>(root->FindChild(8)->GetFirstChild());
    ASSERT_NE(paris, nullptr);
    EXPECT_EQ(paris->strName.Get(), "Paris");
    EXPECT_FALSE(report.whole);
    EXPECT_EQ(report.records, 3);
    EXPECT_EQ(report.skipped, 1);
}

TEST(TreeMgr, RecordCutOffByTheEndIsDroppedNotKeptHalf) {
    // Cut inside the name field, in the header, in the length digits: nothing of Paris stays.
    for (std::size_t cut : {8u, 40u, 50u, 60u}) {
        const std::string text = CutLast(std::string(kRoot) + kWorldClocks + kParis, cut);
        TreeParseReport report;
        std::unique_ptr<CLumTreeNode> root = CTIKOConfList_Mgr().ParseTree(text, &report);
        ASSERT_NE(root, nullptr) << cut;
        EXPECT_EQ(root->FindChild(8)->GetFirstChild(), nullptr) << cut;
        EXPECT_FALSE(report.whole) << cut;
        EXPECT_EQ(report.records, 2) << cut;
    }
}

TEST(TreeMgr, TrailingPartialHeaderOrTinyCutRecordStopsCleanlyAndIsDamage) {
    for (const std::string tail : {"0000", "00000030001:"}) {
        TreeParseReport report;
        std::unique_ptr<CLumTreeNode> root =
            CTIKOConfList_Mgr().ParseTree(std::string(kRoot) + kWorldClocks + tail, &report);
        ASSERT_NE(root, nullptr) << tail;
        EXPECT_EQ(root->GetChildCount(), 1) << tail;
        EXPECT_FALSE(report.whole) << tail;
    }
    TreeParseReport report;
    CTIKOConfList_Mgr().ParseTree(std::string(kRoot) + kWorldClocks, &report);
    EXPECT_TRUE(report.whole);
    EXPECT_EQ(report.skipped, 0);
}

TEST(TreeMgr, UnplaceableRecordsArePassedOverWithWhatHangsBelowThem) {
    const std::string cases[] = {
        std::string(kRoot) + "0000000a000:001[]\n" + kWorldClocks,  // a second root
        std::string(kRoot) + "0000000a100:001[]\n" + kWorldClocks,  // above 99
        std::string(kRoot) + "0000000a002:001[]\n" + kWorldClocks,  // no parent one level up
        std::string(kRoot) + "0000000a-01:001[]\n" + kWorldClocks,  // negative
        std::string(kRoot) + "00000005001:0\n" + kWorldClocks,      // complete but too short
    };
    for (const std::string& text : cases) {
        TreeParseReport report;
        std::unique_ptr<CLumTreeNode> root = CTIKOConfList_Mgr().ParseTree(text, &report);
        ASSERT_NE(root, nullptr) << text;
        EXPECT_EQ(root->GetChildCount(), 1) << text;
        EXPECT_NE(root->FindChild(8), nullptr) << text;
        EXPECT_FALSE(report.whole) << text;
    }
    // A world-clock list passed over takes its clock along rather than handing it to another.
    TreeParseReport report;
    auto root = CTIKOConfList_Mgr().ParseTree(
        std::string(kRoot) + "0000000a001:007[]\n" + "0000001a000:008[000000081.000000]\n" + kParis, &report);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->FindChild(7)->GetFirstChild(), nullptr);
    EXPECT_EQ(report.records, 2);
}

TEST(TreeMgr, RejectedPayloadCostsOnlyItsRecord) {
    struct Refusing : CLumTreeNode {
        bool ParsePayload(std::string_view) override { return false; }
    };
    struct Mgr : CLumTreeMgr {
        CLumTreeNode* CreateNode(int type) override {
            return type == 7 ? new Refusing : CLumTreeMgr::CreateNode(type);
        }
    };
    TreeParseReport report;
    auto root = Mgr().ParseTree(std::string(kRoot) + "0000000a001:007[]\n" + kWorldClocks, &report);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetChildCount(), 1);
    EXPECT_EQ(root->GetFirstChild()->GetType(), 8);
    EXPECT_FALSE(report.whole);
}

TEST(TreeMgr, DamagedRootGetsAStandInThatKeepsTheRecordsAfterIt) {
    std::string text = std::string(kRoot) + kWorldClocks + kParis;
    text[9] = '!';  // the root's level
    TreeParseReport report;
    auto root = CTIKOConfList_Mgr().ParseTree(text, &report);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->GetType(), 0);
    ASSERT_NE(root->FindChild(8), nullptr);
    EXPECT_NE(root->FindChild(8)->FindChild(9), nullptr);
    EXPECT_FALSE(report.whole);
}

TEST(TreeMgr, UnknownTypeIdLoadsAsPlainNodeAndSavesUnchanged) {
    // A record from a later build: its type id and fields survive.
    const std::string text = std::string(kRoot) + "00000020001:042[00000004abcd00000002ef]\n";
    std::unique_ptr<CLumTreeNode> root = CTIKOScheduleList_Mgr().ParseTree(text);
    ASSERT_NE(root, nullptr);
    CLumTreeNode* plain = root->FindChild(42);
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(typeid(*plain), typeid(CLumTreeNode));
    EXPECT_EQ(plain->GetTag(), "abcd");
    EXPECT_EQ(plain->GetValue(), "ef");
    EXPECT_EQ(Written(*root), text);
}

TEST(TreeMgr, BytesThatEndedTheOldReaderAreData) {
    // 0xFF, NUL, brackets and newlines inside a field are only bytes.
    Class_TIKOSCHEDULE_TOP root;
    auto* item = new Class_TIKOSCHEDULE;
    item->strMemo.Set(std::string("a\xff\0b]\n[:", 8));
    root.AppendChild(item);
    std::unique_ptr<CLumTreeNode> back = CTIKOScheduleList_Mgr().ParseTree(Written(root));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(dynamic_cast<Class_TIKOSCHEDULE*>(back->GetFirstChild())->strMemo.Get(),
              std::string("a\xff\0b]\n[:", 8));
}

TEST(TreeMgr, LoadTreeReadsAnOpenFileOfAnySize) {
    // Larger than the old fixed read buffer of 10,240,000 bytes.
    Class_TIKOSCHEDULE_TOP root;
    auto* item = new Class_TIKOSCHEDULE;
    item->strMemo.Set(std::string(10'300'000, 'm'));
    root.AppendChild(item);
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(root.WriteToFile(file, 0));
    std::rewind(file);
    std::unique_ptr<CLumTreeNode> back = CTIKOScheduleList_Mgr().LoadTree(file);
    std::fclose(file);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(dynamic_cast<Class_TIKOSCHEDULE*>(back->GetFirstChild())->strMemo.Get().size(), 10'300'000u);
}

TEST(TreeMgr, NewItemGuidIs32LowercaseHexDigitsAndFresh) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        std::string guid = CLumTreeMgr::NewItemGuid();
        ASSERT_EQ(guid.size(), 32u);
        EXPECT_EQ(guid.find_first_not_of("0123456789abcdef"), std::string::npos) << guid;
        seen.insert(guid);
    }
    EXPECT_EQ(seen.size(), 100u);
}

// Random trees with arbitrary bytes in texts write, parse and write again to
// the same bytes.
TEST(TreeMgr, RandomTreesRoundTripByteForByte) {
    const unsigned seed = std::random_device{}();
    std::printf("RandomTreesRoundTripByteForByte seed %u\n", seed);
    std::mt19937 random(seed);
    auto bytes = [&](std::size_t max) {
        std::string s(std::uniform_int_distribution<std::size_t>(0, max)(random), '\0');
        for (char& c : s)
            c = static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random));
        return s;
    };
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(testing::Message() << "seed " << seed << " round " << round);
        auto root = std::make_unique<CLumTreeNode>();
        root->SetTag(bytes(20));
        std::vector<CLumTreeNode*> nodes{root.get()};
        int count = std::uniform_int_distribution<int>(0, 40)(random);
        for (int i = 0; i < count; ++i) {
            auto* node = new CLumTreeNode;
            node->SetType(std::uniform_int_distribution<int>(-1, 999)(random));
            node->SetTag(bytes(30));
            node->SetValue(bytes(300));
            CLumTreeNode* parent =
                nodes[std::uniform_int_distribution<std::size_t>(0, nodes.size() - 1)(random)];
            // At most 40 deep: within the 100 levels the format holds.
            parent->AppendChild(node);
            nodes.push_back(node);
        }
        const std::string first = Written(*root);
        std::unique_ptr<CLumTreeNode> back = CLumTreeMgr().ParseTree(first);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(Written(*back), first);
    }
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kBookSize = 100'000;
#else
constexpr int kBookSize = 1'000'000;
#endif

TEST(TreeMgr, BookOfAMillionItemsSavesAndLoads) {
    auto root = CTIKOScheduleList_Mgr().BuildDefaultTree();
    CLumTreeNode* last = nullptr;
    for (int i = 0; i < kBookSize; ++i) {
        auto* item = new Class_TIKOSCHEDULE;
        item->tWhen = 1'000'000'000 + 60LL * i;
        if (last == nullptr) {
            root->AppendChild(item);
        } else {
            last->InsertAfter(item);
        }
        last = item;
    }
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(root->WriteToFile(file, 0));
    std::rewind(file);
    std::unique_ptr<CLumTreeNode> back = CTIKOScheduleList_Mgr().LoadTree(file);
    std::fclose(file);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetChildCount(), kBookSize);
    std::size_t size = 0;
    back->AccumulateSize(size);
    std::unique_ptr<CLumTreeNode> copy(back->DeepCopy());
    EXPECT_EQ(copy->GetChildCount(), kBookSize);
    auto* tail = dynamic_cast<Class_TIKOSCHEDULE*>(back->GetFirstChild());
    EXPECT_EQ(tail->tWhen, 1'000'000'000);
}

}  // namespace
