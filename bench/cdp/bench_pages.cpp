#include "bench/cdp/bench_pages.h"

namespace qm::bench {

std::string BigPage(int n) {
    std::string html = "<!DOCTYPE html><html><head><title>Big</title></head><body>";
    for (int i = 0; i < n - 5; ++i) {
        if (i % 5 == 0) {
            html +=
                "<img src=\"/ads/a" + std::to_string(i / 5) + ".gif\" width=\"4\" height=\"4\">";
        } else {
            html += "<span>" + std::to_string(i) + "</span>";
        }
    }
    return html + "</body></html>";
}

std::string TabPage(int tab) {
    std::string html = "<!DOCTYPE html><html><head><title>Tab " + std::to_string(tab) +
                       "</title></head><body>";
    for (int i = 0; i < 20; ++i) {
        html += "<p>text " + std::to_string(i) + "</p><img src=\"/t/ad" + std::to_string(i) +
                ".gif\" width=\"4\" height=\"4\">";
    }
    return html + "</body></html>";
}

namespace {
const char* const kAdvert = "<img id=\"ad\" src=\"/img/banner.gif\" width=\"60\" height=\"30\">";
}  // namespace

std::vector<Hostile> HostilePages() {
    const std::string head = "<!DOCTYPE html><html><head><title>Hostile</title></head><body>";
    return {
        {"/frozen.html",
         head + kAdvert +
             "<script>addEventListener('load', () => setTimeout(() => { for (;;) {} }, 300));"
             "</script></body></html>",
         false},
        {"/reloads.html",
         head + kAdvert + "<script>setTimeout(() => location.reload(), 200);</script></body></html>",
         false},
        {"/opens30.html",
         head + kAdvert +
             "<script>for (let i = 0; i < 30; i++) window.open('/popup.html?' + i, '_blank',"
             " 'width=200,height=100');</script></body></html>",
         true},
        {"/recreate.html",
         head + "<div id=\"box\">" + kAdvert +
             "</div><script>setInterval(() => { const d = document.getElementById('box');"
             " d.innerHTML = '';  const i = document.createElement('img');"
             " i.src = '/img/banner.gif'; document.body.appendChild(i); }, 100);</script>"
             "</body></html>",
         false},
        {"/popup.html", head + "<p>popup</p></body></html>", false},
    };
}

}  // namespace qm::bench
