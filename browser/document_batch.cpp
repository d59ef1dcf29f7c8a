// Default batched steps of the browser port, built from the fine-grained calls.
#include "browser/browser_port.h"
#include "browser/element_identity.h"

namespace qm {

bool Document::ScanTag(const std::string& tag, std::vector<TaggedElement>& out) {
    out.clear();
    CollectionPtr tagged = Tags(tag);
    int n = 0;
    if (!tagged || !tagged->Length(n)) {
        return false;
    }
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0u);
    for (int j = 0; j < n; ++j) {
        ElementPtr element = tagged->Item(j);
        if (!element) {
            continue;
        }
        TaggedElement& entry = out[static_cast<std::size_t>(j)];
        entry.identity = ElementIdentity(*element);
        entry.ok = element->SourceIndex(entry.sourceIndex);
    }
    return true;
}

bool Document::CheckAndHide(const std::vector<LocatedCheck>& checks,
                            std::vector<CheckOutcome>& out) {
    out.assign(checks.size(), CheckOutcome::kNotObtained);
    CollectionPtr all = All();
    int n = 0;
    if (!all || !all->Length(n)) {
        return false;
    }
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const int k = checks[i].index;
        if (k < 0 || k >= n) {
            continue;
        }
        ElementPtr element = all->Item(k);
        if (!element) {
            continue;
        }
        if (ElementIdentity(*element) == checks[i].identity) {
            HideElement(*element, true);
            out[i] = CheckOutcome::kHidden;
        } else {
            out[i] = CheckOutcome::kMismatch;
        }
    }
    return true;
}

void Document::ShowLocated(int index, const std::string& type, const std::string& identity) {
    CollectionPtr all = All();
    int length = 0;
    if (!all || !all->Length(length) || index < 0 || index >= length) {
        return;
    }
    ElementPtr element = all->Item(index);
    std::string tag;
    if (!element || !element->TagName(tag) || tag != type) {
        return;
    }
    // Only the element the filter hid: another element at the index (one the
    // page hid itself, say) is left alone.
    if (ElementIdentity(*element) != identity) {
        return;
    }
    HideElement(*element, false);
}

}  // namespace qm
