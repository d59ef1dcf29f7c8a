// The pages the DevTools benchmark loads: a big page, the pages of many tabs
// and the pages that fight back.
#pragma once

#include <string>
#include <vector>

namespace qm::bench {

// About n elements: every fifth one an advert image.
std::string BigPage(int n);
// A small page with 20 advert images, titled after its tab.
std::string TabPage(int tab);

// A page that fights back, with its advert stored as a filter.
struct Hostile {
    const char* path;
    std::string html;
    bool noPopup;
};
std::vector<Hostile> HostilePages();

}  // namespace qm::bench
