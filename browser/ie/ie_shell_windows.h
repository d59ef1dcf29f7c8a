// The shell's collection of browser windows over IShellWindows, with its
// DShellWindowsEvents connections. Windows only.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <vector>

#include "browser/browser_port.h"
#include "browser/ie/com_ref.h"

namespace qm::ie {

class IeShellWindows final : public ShellWindows {
public:
    explicit IeShellWindows(ComRef<IShellWindows> windows);
    // Ends the event connections still open, then releases the collection.
    ~IeShellWindows() override;
    IeShellWindows(const IeShellWindows&) = delete;
    IeShellWindows& operator=(const IeShellWindows&) = delete;

    bool Count(int& out) override;
    // Item with a 4-byte integer variant; null for a failed call or an
    // object that is no IWebBrowser2 (an item may also be empty).
    BrowserPtr Item(int index) override;
    bool Advise(std::shared_ptr<BrowserEventSink> sink, std::uint32_t& cookie) override;
    void Unadvise(std::uint32_t cookie) override;

private:
    ComRef<IShellWindows> windows_;
    std::vector<DWORD> cookies_;
};

}  // namespace qm::ie
