#include "store/explorer_model.h"

namespace qm {

const char* const kFilterListColumns[6] = {"Original Location", "Name",  "Type",
                                           "Date Deleted",      "Scope", "Date Last Hit"};

void InsertLocationPath(std::vector<LocationTreeNode>& items, const std::string& name,
                        const std::string& hostFileName) {
    std::vector<LocationTreeNode>* parent = &items;
    std::string rest = name;
    for (;;) {
        const std::size_t p = rest.rfind('.');
        std::string label;
        std::string below;
        if (p == std::string::npos || p == 0) {
            label = rest;
        } else {
            label = rest.substr(p + 1);
            below = rest.substr(0, p);
        }
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
        LocationTreeNode node;
        node.label = label;
        if (below.empty()) {
            node.image = kTreeImageLeaf;
            node.selectedImage = kTreeImageLeaf;
            node.hostFileName = hostFileName;
            parent->push_back(std::move(node));
            return;
        }
        node.image = kTreeImageInner;
        node.selectedImage = kTreeImageInnerSelected;
        parent->push_back(std::move(node));
        parent = &parent->back().children;
        rest = below;
    }
}

}  // namespace qm
