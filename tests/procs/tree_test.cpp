// The process tree against scripted process tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "procs/tree.h"
#include "tests/support/fake/fake_platform.h"

namespace {

// A display line as a view would hang it on a node.
struct test_line {
    int pid;
    proc_node *node;
};

std::vector<std::string> told; // what gone was called with, in order

void gone(void *line)
{
    auto *l = static_cast<test_line *>(line);
    told.push_back("gone " + std::to_string(l->pid));
    l->node->line = nullptr;
    l->node = nullptr;
}

// A walk from 0 skips node 0 itself: it is reached as process 1's parent.
proc_node *node(int pid)
{
    return pid == 0 ? tree_start(1, 1)->parent : tree_start(pid, pid);
}

// The subtree of top in walk order: "pid(parent)" each.
std::string walk(int top)
{
    std::string s;
    for (proc_node *n = tree_start(top, top); n; n = tree_next())
        s += (s.empty() ? "" : " ") + std::to_string(n->pid);
    return s;
}

void table(const std::vector<std::pair<int, int>> &pid_ppid)
{
    fake_reset();
    for (auto [pid, ppid] : pid_ppid)
        fake_process({.pid = pid, .ppid = ppid, .name = "p" + std::to_string(pid)});
}

class Tree : public ::testing::Test {
protected:
    std::map<int, test_line> lines;

    void SetUp() override
    {
        fake_reset();
        tree_reset();
        told.clear();
    }

    void hang_lines()
    {
        lines.clear();
        for (proc_node *n = tree_start(0, 0); n; n = tree_next()) {
            lines[n->pid] = {n->pid, n};
            n->line = &lines[n->pid];
        }
    }
};

TEST_F(Tree, BuildsMovesAndRemoves)
{
    // The fake reads the table in pid order; children stand in the reverse
    // order of their records.
    table({{1, 0}, {10, 1}, {11, 1}, {20, 10}, {21, 10}, {30, 20}});
    update_tree(gone);
    EXPECT_EQ(walk(0), "1 11 10 21 20 30");
    EXPECT_EQ(walk(10), "10 21 20 30") << "a walk stays inside its subtree";
    EXPECT_EQ(walk(21), "21");
    EXPECT_EQ(walk(99), "") << "a pid the tree does not hold";
    EXPECT_EQ(node(1)->parent->pid, 0);

    // Keeping its parent, a process keeps its node.
    proc_node *kept = node(21);
    hang_lines();
    update_tree(gone);
    EXPECT_EQ(node(21), kept);
    EXPECT_TRUE(told.empty());

    // 20 moves below 11: its line is told about before it moves, and it
    // comes first among its new siblings.
    fake_process({.pid = 20, .ppid = 11, .name = "p20"});
    fake_process({.pid = 12, .ppid = 11, .name = "p12"});
    update_tree(gone);
    EXPECT_EQ(told, (std::vector<std::string>{"gone 20"}));
    EXPECT_EQ(walk(11), "11 20 30 12");
    EXPECT_EQ(lines[30].node, node(30)) << "only the moved node's line is the tree's business";

    // 11 goes with its child 20 and grandchild 30; 11's other child 12 was
    // given to process 1 by the kernel. Every line of a node that moved or
    // went is detached, whatever order they go in, and no other.
    told.clear();
    hang_lines();
    for (int pid : {11, 20, 30})
        fake_process_gone(pid);
    fake_process({.pid = 12, .ppid = 1, .name = "p12"});
    update_tree(gone);
    EXPECT_EQ(walk(1), "1 12 10 21");
    for (int pid : {11, 20, 30, 12})
        EXPECT_EQ(lines[pid].node, nullptr) << pid;
    for (int pid : {1, 10, 21})
        EXPECT_EQ(lines[pid].node, node(pid)) << pid;
    EXPECT_EQ(told.size(), 4u);
}

TEST_F(Tree, RecordsThatChangeNothing)
{
    table({{1, 0}, {5, 1}, {6, 5}});
    fake_process({.pid = 0, .ppid = 0}); // an all-zero record
    fake_process({.pid = 7, .ppid = 7}); // its own parent
    update_tree(gone);
    EXPECT_EQ(node(0)->parent, nullptr);
    EXPECT_EQ(walk(0), "1 5 6");
    EXPECT_EQ(node(7)->parent, nullptr) << "seen, but hung nowhere";

    // Pids reused while the table was read: 5 names its own child as its
    // parent. The tree keeps 5 where it was rather than make a cycle.
    fake_process({.pid = 5, .ppid = 6, .name = "p5"});
    update_tree(gone);
    EXPECT_EQ(walk(0), "1 5 6");
}

TEST_F(Tree, AFailedReadRemovesEverythingAndTheNextBuildsItAgain)
{
    table({{1, 0}, {5, 1}, {6, 5}});
    update_tree(gone);
    hang_lines();
    fake_table_fails(true);
    update_tree(gone);
    EXPECT_EQ(walk(0), "1") << "the fixed nodes stay";
    EXPECT_EQ(told.size(), 2u);
    fake_table_fails(false);
    update_tree(gone);
    EXPECT_EQ(walk(0), "1 5 6");
}

TEST_F(Tree, StatesComeFromEveryRead)
{
    fake_reset();
    fake_process({.pid = 1, .ppid = 0, .state = 'S'});
    fake_process({.pid = 5, .ppid = 1, .state = 'R'});
    update_tree(gone);
    EXPECT_EQ(node(1)->state, 'S') << "process 1 shows its own state";
    EXPECT_EQ(node(5)->state, 'R');
    fake_process({.pid = 5, .ppid = 1, .state = 'Z'});
    update_tree(gone);
    EXPECT_EQ(node(5)->state, 'Z');
    EXPECT_EQ(node(0)->state, ' ') << "no record, no letter";
}

// Past a few hundred processes the pid hash grows; every node stays
// where it is through it, keeps its identity from read to read, and is
// found and removed by its pid as in a small table.
TEST_F(Tree, ThousandsOfProcessesKeepTheirNodesAsTheTableGrows)
{
    // Parents are odd, so that the even processes can go without orphans.
    auto parent = [](int pid) {
        return pid < 50 ? 1 : (pid / 50) | 1;
    };
    std::vector<std::pair<int, int>> recs = {{1, 0}};
    for (int pid = 2; pid < 5000; ++pid)
        recs.push_back({pid, parent(pid)});
    table(recs);
    update_tree(gone);
    std::map<int, proc_node *> nodes;
    for (proc_node *n = tree_start(1, 1); n; n = tree_next())
        nodes[n->pid] = n;
    ASSERT_EQ(nodes.size(), 4999u);
    for (auto [pid, n] : nodes)
        ASSERT_EQ(n->parent->pid, pid == 1 ? 0 : parent(pid)) << pid;

    // Every other process goes, as many come at pids the table never held;
    // what stays keeps its node.
    hang_lines();
    for (int pid = 2; pid < 5000; pid += 2)
        fake_process_gone(pid);
    for (int pid = 100000; pid < 103000; ++pid)
        fake_process({.pid = pid, .ppid = 3, .name = "new"});
    update_tree(gone);
    EXPECT_EQ(node(4999), nodes[4999]);
    EXPECT_EQ(lines[4999].node, nodes[4999]) << "a process whose parent stayed is not told about";
    EXPECT_EQ(lines[4998].node, nullptr);
    EXPECT_EQ(node(4998), nullptr) << "gone from the hash";
    EXPECT_EQ(node(102999)->parent->pid, 3);
    std::size_t n = 0;
    for (proc_node *p = tree_start(1, 1); p; p = tree_next())
        ++n;
    EXPECT_EQ(n, 1 + 2499 + 3000u);
}

TEST_F(Tree, Prefixes)
{
    // A chain 100 -> 101 -> ... 140, 41 levels, below process 1; 100 has a
    // younger sibling 200 read after it, so 100 stands last.
    std::vector<std::pair<int, int>> recs = {{1, 0}, {100, 1}, {200, 1}};
    for (int pid = 101; pid <= 140; ++pid)
        recs.push_back({pid, pid - 1});
    recs.push_back({150, 101}); // a second child of 101, read after 102
    table(recs);
    update_tree(gone);

    EXPECT_STREQ(tree_string(1, node(1)), "-");
    EXPECT_STREQ(tree_string(1, node(200)), " |-");
    EXPECT_STREQ(tree_string(1, node(100)), " `-");
    EXPECT_STREQ(tree_string(1, node(101)), "   `-");
    EXPECT_STREQ(tree_string(1, node(102)), "     `-");
    EXPECT_STREQ(tree_string(1, node(150)), "     |-");
    EXPECT_STREQ(tree_string(1, node(103)), "       `-") << "102 is the last of its siblings";
    // From node 0 its children stand at level 0.
    EXPECT_STREQ(tree_string(0, node(1)), "-");
    EXPECT_STREQ(tree_string(0, node(200)), " |-");
    // 32 levels is the most drawn: 65 characters, the last one "-" at 32,
    // "." below.
    std::string at32 = tree_string(1, node(131));
    EXPECT_EQ(at32.size(), 65u);
    EXPECT_EQ(at32.back(), '-');
    EXPECT_EQ(at32.substr(60), "   `-");
    std::string at40 = tree_string(1, node(139));
    EXPECT_EQ(at40.size(), 65u);
    EXPECT_EQ(at40.back(), '.');
    EXPECT_EQ(at40.substr(0, 64), at32.substr(0, 62) + "  ")
        << "the level-32 ancestor's own mark is never a grave accent";
}

} // namespace
