// Names read back from the location tree and items found again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "explorer/tree_model.h"

namespace qm {
namespace {

TEST(TreeNames, FromAnItemsLabels) {
    struct Case {
        LabelsToTop labels;
        bool hasChildren;
        const char* hostFile;
        const char* host;
        const char* pattern;
        bool goTo;
    };
    const Case cases[] = {
        {{"ads", "beta", "gamma"}, false, "ads.beta.gamma.Dat", "ads.beta.gamma",
         "ads.beta.gamma.Dat", true},
        {{"beta", "gamma"}, true, "beta.gamma.Dat", "beta.gamma", "*.beta.gamma.Dat", false},
        {{"gamma"}, true, "gamma.Dat", "gamma", "*.gamma.Dat", false},
        {{"LocalHost"}, false, "LocalHost.Dat", "LocalHost", "LocalHost.Dat", false},
        {{"1", "0", "0", "10"}, false, "1.0.0.10.Dat", "1.0.0.10", "1.0.0.10.Dat", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hostFile);
        EXPECT_EQ(HostFileNameOf(c.labels), c.hostFile);
        EXPECT_EQ(HostNameOf(c.labels), c.host);
        EXPECT_EQ(RestorePatternOf(c.labels, c.hasChildren), c.pattern);
        EXPECT_EQ(CanGoTo(c.labels.front(), c.hasChildren), c.goTo);
    }
}

LocationTree Build(const std::vector<std::string>& files) {
    LocationTree tree;
    for (const std::string& file : files) {
        InsertLocationPath(tree.items, file.substr(0, file.size() - 4), file);
    }
    return tree;
}

TEST(TreeFind, HostItemsByNameAndByLabels) {
    const LocationTree tree = Build({"ads.beta.gamma.Dat", "news.beta.gamma.Dat", "LocalHost.Dat",
                                     "10.0.0.1.Dat"});
    struct Case {
        const char* hostFile;
        TreePath path;
    };
    const Case cases[] = {
        {"ads.beta.gamma.Dat", {0, 0, 0}},
        {"news.beta.gamma.Dat", {0, 0, 1}},
        {"LocalHost.Dat", {1}},
        {"10.0.0.1.Dat", {2, 0, 0, 0}},
        {"beta.gamma.Dat", {}},  // an inner item lists no host
        {"other.Dat", {}},
        {"", {}},
        {".Dat", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hostFile);
        EXPECT_EQ(FindHostItem(tree, c.hostFile), c.path);
    }
    const LocationTreeNode* news = NodeAt(tree, {0, 0, 1});
    ASSERT_NE(news, nullptr);
    EXPECT_EQ(news->label, "news");
    EXPECT_EQ(NodeAt(tree, {0, 5}), nullptr);
    EXPECT_EQ(FindLabelPath(tree, {"gamma", "beta"}), (TreePath{0, 0}));
    EXPECT_EQ(FindLabelPath(tree, {"gamma", "delta"}), TreePath{});
}

TEST(TreeFind, SuffixHostsStayReachableInEitherOrder) {
    for (const auto& files : {std::vector<std::string>{"beta.gamma.Dat", "news.beta.gamma.Dat"},
                              std::vector<std::string>{"news.beta.gamma.Dat", "beta.gamma.Dat"}}) {
        const LocationTree tree = Build(files);
        for (const std::string& file : files) {
            const LocationTreeNode* node = NodeAt(tree, FindHostItem(tree, file));
            ASSERT_NE(node, nullptr) << file;
            EXPECT_EQ(node->hostFileName, file);
        }
    }
}

}  // namespace
}  // namespace qm

namespace qm {
namespace {

bool SameTree(const std::vector<LocationTreeNode>& a, const std::vector<LocationTreeNode>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].label != b[i].label || a[i].image != b[i].image ||
            a[i].selectedImage != b[i].selectedImage || a[i].hostFileName != b[i].hostFileName ||
            !SameTree(a[i].children, b[i].children)) {
            return false;
        }
    }
    return true;
}

TEST(LocationTreeBuilder, BuildsWhatInsertionBuilds) {
    // Suffix hosts in both orders, empty parts, a leading dot, numbers,
    // repeated names, and many hosts under few top-level names.
    std::vector<std::string> names = {"beta.gamma", "news.beta.gamma", "ads.beta.gamma",
                                      "x.y",        "y",               ".hidden",
                                      "10.0.0.1",   "LocalHost",       "a..b",
                                      "news.beta.gamma", "c.b.a",      "b.a",
                                      "UnknownHost"};
    for (int i = 0; i < 300; ++i) {
        names.push_back("h" + std::to_string(i % 17) + ".site" + std::to_string(i % 41) + "." +
                        (i % 3 == 0 ? "com" : "net"));
    }
    LocationTree inserted;
    LocationTree built;
    // A builder over a tree that already holds items indexes them too.
    InsertLocationPath(inserted.items, "pre.net", "pre.net.Dat");
    InsertLocationPath(built.items, "pre.net", "pre.net.Dat");
    LocationTreeBuilder builder(built);
    for (const std::string& name : names) {
        InsertLocationPath(inserted.items, name, name + ".Dat");
        builder.Insert(name, name + ".Dat");
    }
    EXPECT_TRUE(SameTree(inserted.items, built.items));
    ASSERT_FALSE(built.items.empty());
}

}  // namespace
}  // namespace qm
