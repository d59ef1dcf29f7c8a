#include "explorer/tree_model.h"

namespace qm {

namespace {

std::string DottedFromTop(const LabelsToTop& labels) {
    // ".beta.gamma": a dot before each label, walking up.
    std::string name;
    for (const std::string& label : labels) {
        name += '.';
        name += label;
    }
    return name;
}

bool FindNamed(const std::vector<LocationTreeNode>& items, const std::string& hostFileName,
               TreePath& path) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        path.push_back(i);
        if (items[i].hostFileName == hostFileName ||
            FindNamed(items[i].children, hostFileName, path)) {
            return true;
        }
        path.pop_back();
    }
    return false;
}

}  // namespace

std::string HostFileNameOf(const LabelsToTop& labels) {
    std::string name;
    for (const std::string& label : labels) {
        name += label;
        name += '.';
    }
    return name + "Dat";
}

std::string HostNameOf(const LabelsToTop& labels) {
    const std::string dotted = DottedFromTop(labels);
    return dotted.empty() ? dotted : dotted.substr(1);
}

std::string RestorePatternOf(const LabelsToTop& labels, bool hasChildren) {
    return (hasChildren ? "*" + DottedFromTop(labels) : HostNameOf(labels)) + ".Dat";
}

bool CanGoTo(const std::string& label, bool hasChildren) {
    return !hasChildren && label != "LocalHost";
}

TreePath FindHostItem(const LocationTree& tree, const std::string& hostFileName) {
    TreePath path;
    if (!hostFileName.empty() && FindNamed(tree.items, hostFileName, path)) {
        return path;
    }
    if (hostFileName.size() < 4) {
        return {};
    }
    // Split at the last dot, as the tree was built.
    std::vector<std::string> topDown;
    std::string rest = hostFileName.substr(0, hostFileName.size() - 4);
    for (;;) {
        const std::size_t p = rest.rfind('.');
        if (p == std::string::npos || p == 0) {
            topDown.push_back(rest);
            break;
        }
        topDown.push_back(rest.substr(p + 1));
        rest.resize(p);
    }
    // Only a leaf lists a host reached by its labels.
    TreePath byLabels = FindLabelPath(tree, topDown);
    const LocationTreeNode* node = NodeAt(tree, byLabels);
    return node != nullptr && node->children.empty() ? byLabels : TreePath{};
}

TreePath FindLabelPath(const LocationTree& tree, const std::vector<std::string>& topDown) {
    TreePath path;
    const std::vector<LocationTreeNode>* items = &tree.items;
    for (const std::string& label : topDown) {
        std::size_t i = 0;
        while (i < items->size() && (*items)[i].label != label) {
            ++i;
        }
        if (i == items->size()) {
            return {};
        }
        path.push_back(i);
        items = &(*items)[i].children;
    }
    return path;
}

const LocationTreeNode* NodeAt(const LocationTree& tree, const TreePath& path) {
    const std::vector<LocationTreeNode>* items = &tree.items;
    const LocationTreeNode* node = nullptr;
    for (std::size_t i : path) {
        if (i >= items->size()) {
            return nullptr;
        }
        node = &(*items)[i];
        items = &node->children;
    }
    return node;
}

}  // namespace qm
