#include "store/explorer_model.h"

#include <unordered_map>

namespace qm {

const char* const kFilterListColumns[6] = {"Original Location", "Name",  "Type",
                                           "Date Deleted",      "Scope", "Date Last Hit"};

namespace {

// An item of the tree: a leaf names its host file, an inner item has children.
LocationTreeNode MakeNode(const std::string& label, bool leaf, const std::string& hostFileName) {
    LocationTreeNode node;
    node.label = label;
    node.image = leaf ? kTreeImageLeaf : kTreeImageInner;
    node.selectedImage = leaf ? kTreeImageLeaf : kTreeImageInnerSelected;
    if (leaf) {
        node.hostFileName = hostFileName;
    }
    return node;
}

// The last dot-separated part of a host name, which is its tree item at this
// level; what is left before it goes to `below` (empty at the last level).
std::string SplitLastLabel(const std::string& rest, std::string& below) {
    const std::size_t p = rest.rfind('.');
    if (p == std::string::npos || p == 0) {
        below.clear();
        return rest;
    }
    below = rest.substr(0, p);
    return rest.substr(p + 1);
}

}  // namespace

void InsertLocationPath(std::vector<LocationTreeNode>& items, const std::string& name,
                        const std::string& hostFileName) {
    std::vector<LocationTreeNode>* parent = &items;
    std::string rest = name;
    for (;;) {
        std::string below;
        const std::string label = SplitLastLabel(rest, below);
        LocationTreeNode* found = nullptr;
        for (auto& child : *parent) {
            if (child.label == label) {
                found = &child;
                break;
            }
        }
        if (found != nullptr) {
            parent = &found->children;
            rest = below;
            continue;
        }
        parent->push_back(MakeNode(label, below.empty(), hostFileName));
        if (below.empty()) {
            return;
        }
        parent = &parent->back().children;
        rest = below;
    }
}

// Mirrors the tree: for each item, where the first child of each label is.
struct LocationTreeBuilder::Index {
    std::unordered_map<std::string, std::size_t> first;
    std::vector<Index> children;
};

LocationTreeBuilder::LocationTreeBuilder(LocationTree& tree) : tree_(tree), root_(new Index) {
    // Items already there are indexed first, so the rule sees them too.
    std::vector<std::pair<const std::vector<LocationTreeNode>*, Index*>> pending = {
        {&tree_.items, root_}};
    while (!pending.empty()) {
        auto [items, index] = pending.back();
        pending.pop_back();
        index->children.resize(items->size());
        for (std::size_t i = 0; i < items->size(); ++i) {
            index->first.emplace((*items)[i].label, i);
            pending.push_back({&(*items)[i].children, &index->children[i]});
        }
    }
}

LocationTreeBuilder::~LocationTreeBuilder() {
    delete root_;
}

void LocationTreeBuilder::Insert(const std::string& name, const std::string& hostFileName) {
    std::vector<LocationTreeNode>* parent = &tree_.items;
    Index* index = root_;
    std::string rest = name;
    for (;;) {
        std::string below;
        const std::string label = SplitLastLabel(rest, below);
        const auto found = index->first.find(label);
        if (found != index->first.end()) {
            parent = &(*parent)[found->second].children;
            index = &index->children[found->second];
            rest = std::move(below);
            continue;
        }
        parent->push_back(MakeNode(label, below.empty(), hostFileName));
        index->first.emplace(std::move(label), parent->size() - 1);
        index->children.emplace_back();
        if (below.empty()) {
            return;
        }
        parent = &parent->back().children;
        index = &index->children.back();
        rest = std::move(below);
    }
}

}  // namespace qm
