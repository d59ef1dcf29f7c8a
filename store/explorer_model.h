// What the store hands to the explorer: the rows of the filter list, the
// model of the location tree and the port of the filter properties sheet.
// The views only display these; they never read host files themselves.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace qm {

// Column titles of the filter list, in column order.
extern const char* const kFilterListColumns[6];

// One row of the filter list: the six column texts ("Original Location",
// "Name", "Type", "Date Deleted", "Scope", "Date Last Hit") and the item data
// (the record's index in its host file).
struct FilterListRow {
    std::array<std::string, 6> texts;
    int itemData = 0;
};

// Images of the location tree's image list.
constexpr int kTreeImageInner = 0;
constexpr int kTreeImageInnerSelected = 1;
constexpr int kTreeImageLeaf = 2;

// One item of the location tree; children keep their insertion order.
// hostFileName names the host file that the item stands for (set on every
// item made for the last part of a host name, empty on the others). When one
// host name is a dotted suffix of another (beta.gamma and news.beta.gamma),
// the item of the shorter one may get children or the shorter one may end up
// as an item with an empty label; either way its hostFileName still names
// its file, so a view can list it.
struct LocationTreeNode {
    std::string label;
    int image = 0;
    int selectedImage = 0;
    std::string hostFileName;
    std::vector<LocationTreeNode> children;
};

// The whole tree: the top-level items.
struct LocationTree {
    std::vector<LocationTreeNode> items;
    void Clear() { items.clear(); }
};

// Inserts a dotted host name under items by the tree's rule: the part after
// the last dot is the label, the text before it is inserted below that label.
// hostFileName is recorded on the item made for the last part.
void InsertLocationPath(std::vector<LocationTreeNode>& items, const std::string& name,
                        const std::string& hostFileName = std::string());

// Builds a tree by the same rule as InsertLocationPath, finding each label
// among a parent's children through an index, so that a folder of many hosts
// under few top-level names builds in linear time.
class LocationTreeBuilder {
public:
    explicit LocationTreeBuilder(LocationTree& tree);
    ~LocationTreeBuilder();
    LocationTreeBuilder(const LocationTreeBuilder&) = delete;
    LocationTreeBuilder& operator=(const LocationTreeBuilder&) = delete;
    void Insert(const std::string& name, const std::string& hostFileName);

private:
    struct Index;
    LocationTree& tree_;
    Index* root_;
};

// The values the properties sheet shows for one filter.
struct FilterPropertiesValues {
    std::string name;         // GetLastPathPart(sName)
    std::string type;         // sType
    std::string pageAddress;  // the record's page address
    std::string timeDeleted;  // FormatTimeValue(tDeleted)
    std::string timeLastHit;  // FormatTimeValue(tLastHit)
    int scope = 0;            // nScope
};

// How the sheet ended: closed with OK, Apply used while it was open, and the
// scope chosen on the page (the one applied last when closed otherwise).
struct FilterPropertiesOutcome {
    bool ok = false;
    bool applied = false;
    int scope = 0;
};

// What finds a record again after the user was asked about it: its page
// address, type and name.
struct FilterKey {
    std::string page;
    std::string type;
    std::string name;
};

}  // namespace qm
