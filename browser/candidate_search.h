// Which of many patterns occur in one text: a multi-pattern (Aho-Corasick)
// search that reads the text once. Exact, case-sensitive substring semantics,
// the same answers as std::string::find for each pattern (an empty pattern
// occurs in every text).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/filter_record.h"

namespace qm {

class MultiPatternSearch {
public:
    explicit MultiPatternSearch(const std::vector<std::string>& patterns);

    // found[i] is 1 when patterns[i] occurs in text.
    std::vector<char> Search(std::string_view text) const;

    std::size_t PatternCount() const { return patternOf_.size(); }
    std::size_t StateCount() const { return edgeStart_.size() ? edgeStart_.size() - 1 : 0; }

private:
    int Child(int state, unsigned char c) const;

    // Each caller pattern maps to one distinct pattern; -1 for the empty one.
    std::vector<int> patternOf_;
    int distinctCount_ = 0;
    // Trie states: edges of state s are edgeByte_/edgeTarget_[edgeStart_[s] .. edgeStart_[s+1]).
    std::vector<std::int32_t> edgeStart_;
    std::vector<unsigned char> edgeByte_;
    std::vector<std::int32_t> edgeTarget_;
    std::vector<std::int32_t> rootNext_;  // 256 entries, 0 when no edge
    std::vector<std::int32_t> fail_;
    std::vector<std::int32_t> output_;  // distinct pattern ending here, or -1
    std::vector<std::int32_t> dict_;    // nearest state on the fail chain with an output, or 0
};

// The file names of the filters whose status is idle, searched in the page
// source: sets nStatus to candidate for every one that occurs. Filters that are
// not idle are not touched.
void MarkCandidatesInSource(FilterRecord* filters, int count, std::string_view source);

}  // namespace qm
