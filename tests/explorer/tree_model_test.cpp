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
