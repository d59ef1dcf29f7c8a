#include "browser/candidate_search.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "store/address_keys.h"

namespace qm {

MultiPatternSearch::MultiPatternSearch(const std::vector<std::string>& patterns) {
    // Distinct non-empty patterns, in order of first appearance.
    std::unordered_map<std::string_view, int> distinct;
    std::vector<std::string_view> texts;
    patternOf_.reserve(patterns.size());
    for (const std::string& pattern : patterns) {
        if (pattern.empty()) {
            patternOf_.push_back(-1);
            continue;
        }
        auto [it, added] = distinct.try_emplace(pattern, static_cast<int>(texts.size()));
        if (added) {
            texts.push_back(pattern);
        }
        patternOf_.push_back(it->second);
    }
    distinctCount_ = static_cast<int>(texts.size());

    // The trie, with each state's edges kept sorted by byte.
    std::vector<std::vector<std::pair<unsigned char, std::int32_t>>> edges(1);
    output_.assign(1, -1);
    for (int id = 0; id < distinctCount_; ++id) {
        std::int32_t state = 0;
        for (char ch : texts[static_cast<std::size_t>(id)]) {
            const auto c = static_cast<unsigned char>(ch);
            auto& list = edges[static_cast<std::size_t>(state)];
            auto pos = std::lower_bound(list.begin(), list.end(), c,
                                        [](const std::pair<unsigned char, std::int32_t>& e,
                                           unsigned char b) { return e.first < b; });
            if (pos != list.end() && pos->first == c) {
                state = pos->second;
                continue;
            }
            const auto next = static_cast<std::int32_t>(edges.size());
            list.insert(pos, {c, next});
            edges.emplace_back();
            output_.push_back(-1);
            state = next;
        }
        output_[static_cast<std::size_t>(state)] = id;
    }

    // Flatten the edges.
    const std::size_t states = edges.size();
    edgeStart_.assign(states + 1, 0);
    for (std::size_t s = 0; s < states; ++s) {
        edgeStart_[s + 1] = edgeStart_[s] + static_cast<std::int32_t>(edges[s].size());
    }
    edgeByte_.resize(static_cast<std::size_t>(edgeStart_[states]));
    edgeTarget_.resize(edgeByte_.size());
    for (std::size_t s = 0; s < states; ++s) {
        std::size_t at = static_cast<std::size_t>(edgeStart_[s]);
        for (const auto& [c, target] : edges[s]) {
            edgeByte_[at] = c;
            edgeTarget_[at] = target;
            ++at;
        }
    }
    edges.clear();
    rootNext_.assign(256, 0);
    for (std::int32_t e = edgeStart_[0]; e < edgeStart_[1]; ++e) {
        rootNext_[edgeByte_[static_cast<std::size_t>(e)]] =
            edgeTarget_[static_cast<std::size_t>(e)];
    }

    // Failure and dictionary links, breadth first.
    fail_.assign(states, 0);
    dict_.assign(states, 0);
    std::vector<std::int32_t> queue;
    queue.reserve(states);
    for (std::int32_t e = edgeStart_[0]; e < edgeStart_[1]; ++e) {
        queue.push_back(edgeTarget_[static_cast<std::size_t>(e)]);
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::int32_t u = queue[head];
        for (std::int32_t e = edgeStart_[static_cast<std::size_t>(u)];
             e < edgeStart_[static_cast<std::size_t>(u) + 1]; ++e) {
            const unsigned char c = edgeByte_[static_cast<std::size_t>(e)];
            const std::int32_t v = edgeTarget_[static_cast<std::size_t>(e)];
            std::int32_t f = fail_[static_cast<std::size_t>(u)];
            std::int32_t target = 0;
            for (;;) {
                const int next = Child(f, c);
                if (next >= 0) {
                    target = next;
                    break;
                }
                if (f == 0) {
                    break;
                }
                f = fail_[static_cast<std::size_t>(f)];
            }
            fail_[static_cast<std::size_t>(v)] = target;
            dict_[static_cast<std::size_t>(v)] = output_[static_cast<std::size_t>(target)] >= 0
                                                     ? target
                                                     : dict_[static_cast<std::size_t>(target)];
            queue.push_back(v);
        }
    }
}

int MultiPatternSearch::Child(int state, unsigned char c) const {
    if (state == 0) {
        const std::int32_t next = rootNext_[c];
        return next != 0 ? next : -1;
    }
    const auto s = static_cast<std::size_t>(state);
    const unsigned char* first = edgeByte_.data() + edgeStart_[s];
    const unsigned char* last = edgeByte_.data() + edgeStart_[s + 1];
    if (last - first <= 8) {
        for (const unsigned char* p = first; p != last; ++p) {
            if (*p == c) {
                return edgeTarget_[static_cast<std::size_t>(p - edgeByte_.data())];
            }
        }
        return -1;
    }
    const unsigned char* p = std::lower_bound(first, last, c);
    if (p != last && *p == c) {
        return edgeTarget_[static_cast<std::size_t>(p - edgeByte_.data())];
    }
    return -1;
}

std::vector<char> MultiPatternSearch::Search(std::string_view text) const {
    std::vector<char> distinctFound(static_cast<std::size_t>(distinctCount_), 0);
    int remaining = distinctCount_;
    if (remaining > 0) {
        std::vector<char> visited(fail_.size(), 0);
        std::int32_t state = 0;
        for (char ch : text) {
            const auto c = static_cast<unsigned char>(ch);
            for (;;) {
                if (state == 0) {
                    state = rootNext_[c];
                    break;
                }
                const int next = Child(state, c);
                if (next >= 0) {
                    state = next;
                    break;
                }
                state = fail_[static_cast<std::size_t>(state)];
            }
            // Every state on the dictionary chain below a visited state was
            // reported when that state was first visited.
            std::int32_t t = output_[static_cast<std::size_t>(state)] >= 0
                                 ? state
                                 : dict_[static_cast<std::size_t>(state)];
            while (t != 0 && !visited[static_cast<std::size_t>(t)]) {
                visited[static_cast<std::size_t>(t)] = 1;
                distinctFound[static_cast<std::size_t>(output_[static_cast<std::size_t>(t)])] = 1;
                --remaining;
                t = dict_[static_cast<std::size_t>(t)];
            }
            if (remaining == 0) {
                break;
            }
        }
    }
    std::vector<char> found(patternOf_.size(), 0);
    for (std::size_t i = 0; i < patternOf_.size(); ++i) {
        const int id = patternOf_[i];
        found[i] = id < 0 ? 1 : distinctFound[static_cast<std::size_t>(id)];
    }
    return found;
}

void MarkCandidatesInSource(FilterRecord* filters, int count, std::string_view source) {
    if (filters == nullptr || count <= 0) {
        return;
    }
    std::vector<std::string> names;
    std::vector<int> owners;
    for (int i = 0; i < count; ++i) {
        if (filters[i].nStatus == kStatusIdle) {
            names.push_back(GetLastPathPart(filters[i].sName));
            owners.push_back(i);
        }
    }
    if (names.empty()) {
        return;
    }
    const std::vector<char> found = MultiPatternSearch(names).Search(source);
    for (std::size_t k = 0; k < owners.size(); ++k) {
        if (found[k]) {
            filters[owners[k]].nStatus = kStatusCandidate;
        }
    }
}

}  // namespace qm
