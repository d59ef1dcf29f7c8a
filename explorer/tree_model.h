// Names that the location tree reads back from an item's place: the host file
// a leaf stands for, the pattern that restores a whole branch, the host that
// Go To opens; and finding an item again by host file name or by its labels
// (after a rebuild, to keep the user's selection and open branches).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "store/explorer_model.h"

namespace qm {

// An item's labels from the item itself up to its top-level ancestor.
using LabelsToTop = std::vector<std::string>;

// "ads.beta.gamma.Dat" for the leaf ads under beta under gamma.
std::string HostFileNameOf(const LabelsToTop& labels);
// "ads.beta.gamma": the host that Go To opens.
std::string HostNameOf(const LabelsToTop& labels);
// The host files that Restore takes for an item: every host below an item
// with children ("*.beta.gamma.Dat"), else the item's own ("ads.beta.gamma.Dat").
std::string RestorePatternOf(const LabelsToTop& labels, bool hasChildren);
// Go To opens leaves only, and never the local files' "LocalHost".
bool CanGoTo(const std::string& label, bool hasChildren);

// A place in the tree: child indices from the top level down.
using TreePath = std::vector<std::size_t>;

// The item that lists hostFileName: the item that names it (which also finds
// a host that is the dotted suffix of another), else the leaf reached by its
// labels when that is a leaf. Empty when there is none.
TreePath FindHostItem(const LocationTree& tree, const std::string& hostFileName);
// The item reached by labels from the top level down; empty when missing.
TreePath FindLabelPath(const LocationTree& tree, const std::vector<std::string>& topDown);
// The node at path (null when the path leads nowhere).
const LocationTreeNode* NodeAt(const LocationTree& tree, const TreePath& path);

}  // namespace qm
