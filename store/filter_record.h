// One filter: the record that the store keeps, the trackers copy and the
// explorer lists. Portable: no platform headers.
#pragma once

#include <cstdint>
#include <string>

namespace qm {

// Scope codes of a filter.
constexpr int kScopePage = 0;
constexpr int kScopeHost = 1;
constexpr int kScopeDomain = 2;

// Run-time status that only trackers use.
constexpr int kStatusIdle = 0;
constexpr int kStatusHit = 1;
constexpr int kStatusCandidate = 2;

struct FilterRecord {
    // Word 1: nLocation (low half), nId (high half).
    std::int16_t nLocation = 0;
    std::int16_t nId = 0;
    std::string sName;
    std::string sType;
    // Word 2: nHint (bits 0-15), nStatus (bits 16-23), nScope (bits 24-31).
    std::int16_t nHint = 0;
    std::int8_t nStatus = 0;
    std::int8_t nScope = 0;
    std::uint32_t tDeleted = 0;
    std::uint32_t tLastHit = 0;
    std::string sHtml;

    // The two packed words; trackers test word 2 by the masks below.
    std::uint32_t Word1() const {
        return static_cast<std::uint16_t>(nLocation) |
               (static_cast<std::uint32_t>(static_cast<std::uint16_t>(nId)) << 16);
    }
    std::uint32_t Word2() const {
        return static_cast<std::uint16_t>(nHint) |
               (static_cast<std::uint32_t>(static_cast<std::uint8_t>(nStatus)) << 16) |
               (static_cast<std::uint32_t>(static_cast<std::uint8_t>(nScope)) << 24);
    }
    void SetWord1(std::uint32_t w) {
        nLocation = static_cast<std::int16_t>(w & 0xFFFFu);
        nId = static_cast<std::int16_t>(w >> 16);
    }
    void SetWord2(std::uint32_t w) {
        nHint = static_cast<std::int16_t>(w & 0xFFFFu);
        nStatus = static_cast<std::int8_t>((w >> 16) & 0xFFu);
        nScope = static_cast<std::int8_t>(w >> 24);
    }
};

constexpr std::uint32_t kWord2HintMask = 0x0000FFFFu;
constexpr std::uint32_t kWord2StatusMask = 0x00FF0000u;
constexpr std::uint32_t kWord2ScopeMask = 0xFF000000u;

// A tracker's copy of a record: sHtml holds the
// page address where the filter was made, nHint the located source index.
using WorkingFilter = FilterRecord;

}  // namespace qm
