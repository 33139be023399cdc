#include "treestore/tree_node.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "treestore/tree_mgr.h"

namespace {

// Counts destructions, to see what a delete takes with it.
struct CountedNode : CLumTreeNode {
    explicit CountedNode(int* deaths, std::string value = "") : m_deaths(deaths) { SetValue(value); }
    ~CountedNode() override { ++*m_deaths; }
    int* m_deaths;
};

CLumTreeNode* Plain(std::string value, int type = -1) {
    auto* node = new CLumTreeNode;
    node->SetValue(value);
    node->SetType(type);
    return node;
}

std::vector<std::string> Values(const CLumTreeNode& parent) {
    std::vector<std::string> values;
    for (const CLumTreeNode* c = parent.GetFirstChild(); c != nullptr; c = c->GetNext())
        values.push_back(c->GetValue());
    return values;
}

// Checks the link invariants of a child list.
void ExpectLinked(const CLumTreeNode& parent) {
    const CLumTreeNode* previous = nullptr;
    for (const CLumTreeNode* c = parent.GetFirstChild(); c != nullptr; c = c->GetNext()) {
        EXPECT_EQ(c->GetParent(), &parent);
        EXPECT_EQ(c->GetPrev(), previous);
        previous = c;
    }
}

TEST(TreeNode, DeletingANodeTakesItsFollowingSiblingsButUnlinkTakesOne) {
    int deaths = 0;
    CLumTreeNode root;
    for (int i = 0; i < 4; ++i)
        root.AppendChild(new CountedNode(&deaths, std::to_string(i)));
    root.GetFirstChild()->GetNext()->AppendChild(new CountedNode(&deaths, "grandchild"));

    CLumTreeNode* second = root.GetFirstChild()->GetNext();
    second->Unlink();
    delete second;
    EXPECT_EQ(deaths, 2);  // the node and its subtree only
    EXPECT_EQ(Values(root), (std::vector<std::string>{"0", "2", "3"}));
    ExpectLinked(root);

    CLumTreeNode* third = root.GetFirstChild()->GetNext();
    root.GetFirstChild()->SetNext(nullptr);
    third->SetPrev(nullptr);
    delete third;  // "2" and the "3" after it
    EXPECT_EQ(deaths, 4);
}

TEST(TreeNode, UnlinkFirstChildPromotesItsSibling) {
    CLumTreeNode root;
    root.AppendChild(Plain("a"));
    root.AppendChild(Plain("b"));
    CLumTreeNode* first = root.GetFirstChild();
    first->Unlink();
    EXPECT_EQ(root.GetFirstChild()->GetValue(), "b");
    EXPECT_EQ(root.GetFirstChild()->GetPrev(), nullptr);
    EXPECT_EQ(first->GetParent(), nullptr);
    EXPECT_EQ(first->GetNext(), nullptr);
    delete first;
}

TEST(TreeNode, InsertBeforeAndAfterKeepLinks) {
    CLumTreeNode root;
    root.AppendChild(Plain("b"));
    root.GetFirstChild()->InsertBefore(Plain("a"));
    root.GetFirstChild()->GetNext()->InsertAfter(Plain("d"));
    root.GetFirstChild()->GetNext()->InsertAfter(Plain("c"));
    EXPECT_EQ(Values(root), (std::vector<std::string>{"a", "b", "c", "d"}));
    ExpectLinked(root);
    EXPECT_EQ(root.GetChildCount(), 4);
}

TEST(TreeNode, FindChildGivesFirstMatchOrNull) {
    CLumTreeNode root;
    EXPECT_EQ(root.FindChild(2), nullptr);
    root.AppendChild(Plain("x", 1));
    root.AppendChild(Plain("first", 2));
    root.AppendChild(Plain("second", 2));
    ASSERT_NE(root.FindChild(2), nullptr);
    EXPECT_EQ(root.FindChild(2)->GetValue(), "first");
    EXPECT_EQ(root.FindChild(3), nullptr);
}

TEST(TreeNode, SortChildrenIsStableAscendingAndFalseWhenEmpty) {
    CLumTreeNode empty;
    EXPECT_FALSE(empty.SortChildren(0));

    CLumTreeNode root;
    // Equal values carry their insertion order in the tag.
    const char* values[] = {"b", "a", "c", "a", "b", "\xb0"};
    for (int i = 0; i < 6; ++i) {
        CLumTreeNode* node = Plain(values[i]);
        node->SetTag(std::to_string(i));
        root.AppendChild(node);
    }
    EXPECT_TRUE(root.SortChildren(0));
    std::vector<std::string> order;
    for (const CLumTreeNode* c = root.GetFirstChild(); c != nullptr; c = c->GetNext())
        order.push_back(c->GetTag());
    // Bytes compare unsigned: 0xb0 sorts after ASCII.
    EXPECT_EQ(order, (std::vector<std::string>{"1", "3", "0", "4", "2", "5"}));
    ExpectLinked(root);
    EXPECT_EQ(root.GetFirstChild()->GetPrev(), nullptr);
}

TEST(TreeNode, DeleteChildrenEmptiesTheList) {
    int deaths = 0;
    CLumTreeNode root;
    EXPECT_TRUE(root.DeleteChildren());
    root.AppendChild(new CountedNode(&deaths));
    root.AppendChild(new CountedNode(&deaths));
    EXPECT_TRUE(root.DeleteChildren());
    EXPECT_EQ(deaths, 2);
    EXPECT_EQ(root.GetFirstChild(), nullptr);
}

TEST(TreeNode, CopiesAreDetachedAndLinkedLikeTheSource) {
    CLumTreeNode root;
    root.SetTag("R");
    root.AppendChild(Plain("a", 4));
    root.AppendChild(Plain("b", 5));
    root.GetFirstChild()->AppendChild(Plain("a1"));

    std::unique_ptr<CLumTreeNode> clone(root.CloneWithChildren());
    EXPECT_EQ(clone->GetTag(), "R");
    EXPECT_EQ(Values(*clone), (std::vector<std::string>{"a", "b"}));
    ExpectLinked(*clone);
    EXPECT_EQ(clone->GetFirstChild()->GetType(), 4);
    EXPECT_EQ(Values(*clone->GetFirstChild()), (std::vector<std::string>{"a1"}));

    std::unique_ptr<CLumTreeNode> alone(root.CloneNode());
    EXPECT_EQ(alone->GetFirstChild(), nullptr);

    // DeepCopy of a middle child copies it and the siblings after it.
    std::unique_ptr<CLumTreeNode> chain(root.GetFirstChild()->DeepCopy());
    EXPECT_EQ(chain->GetParent(), nullptr);
    EXPECT_EQ(chain->GetValue(), "a");
    ASSERT_NE(chain->GetNext(), nullptr);
    EXPECT_EQ(chain->GetNext()->GetPrev(), chain.get());
    EXPECT_EQ(chain->GetFirstChild()->GetParent(), chain.get());
}

TEST(TreeNode, TraceIndentsChildrenByThreeAndIsSilentWithoutSink) {
    struct Lines : CLumTraceSink {
        void Line(std::string_view text) override { lines.emplace_back(text); }
        std::vector<std::string> lines;
    } sink;
    CLumTreeNode root;
    root.SetTag("R");
    root.AppendChild(Plain("v"));
    root.GetFirstChild()->SetTag("C");
    root.Trace(1, &sink);
    EXPECT_EQ(sink.lines, (std::vector<std::string>{" T[R] V[] \n", "    T[C] V[v] \n"}));
    root.Trace(0);  // no sink: nothing to see, nothing to crash
}

TEST(TreeNode, AttachHandsEachLevelTheFactoryMadeAbove) {
    // Each user data records its node's level and makes data for the children.
    struct Data : CLumTreeUserData {
        explicit Data(int level) : level(level) {}
        CLumTreeUserData* MakeFor(CLumTreeNode&, int at) override { return new Data(at); }
        int level;
    } factory(-1);
    CLumTreeNode root;
    root.AppendChild(Plain("a"));
    root.AppendChild(Plain("b"));
    root.GetFirstChild()->AppendChild(Plain("a1"));
    EXPECT_TRUE(root.Attach(&factory, 0));
    auto level = [](const CLumTreeNode* n) { return static_cast<Data*>(n->GetUserData())->level; };
    EXPECT_EQ(level(&root), 0);
    EXPECT_EQ(level(root.GetFirstChild()), 1);
    EXPECT_EQ(level(root.GetFirstChild()->GetNext()), 1);
    EXPECT_EQ(level(root.GetFirstChild()->GetFirstChild()), 2);
}

TEST(TreeNode, PlainNodeKeepsTagAndValueThroughWriteAndReload) {
    CLumTreeNode node;
    node.SetTag("X");
    node.SetValue("Y");
    std::string text;
    node.WriteToString(text, 0);
    EXPECT_EQ(text, "0000001c000:-01[00000001X00000001Y]\n");
    std::unique_ptr<CLumTreeNode> back = CLumTreeMgr().ParseTree(text);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetType(), -1);
    EXPECT_EQ(back->GetTag(), "X");
    EXPECT_EQ(back->GetValue(), "Y");
}

TEST(TreeNode, AccumulateSizeMatchesTheWrittenBytes) {
    CLumTreeNode root;
    root.AppendChild(Plain("abc"));
    root.GetFirstChild()->AppendChild(Plain("\xc7\xa5"));
    std::string text;
    root.WriteToString(text, 0);
    std::size_t total = 0;
    root.AccumulateSize(total);
    EXPECT_EQ(total, text.size());
}

}  // namespace
