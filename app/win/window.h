// A thin object layer over Win32 windows: a C++ object is attached to its
// window while the window exists, and messages reach it through virtual
// handlers. No exception ever leaves a window procedure.
#pragma once

#include <windows.h>

#include <string>

namespace qm::win {

// A window's text (its caption, or a control's label) in UTF-8.
std::string WindowText(HWND window);

class CWindow {
public:
    CWindow() = default;
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    bool Exists() const { return hwnd_ != nullptr && ::IsWindow(hwnd_); }

    // Texts here are UTF-8; the windows themselves are Unicode windows.
    // Registers a window class whose procedure routes to CWindow objects.
    static bool RegisterWindowClass(const char* className, UINT classStyle = 0,
                                    HICON icon = nullptr, HCURSOR cursor = nullptr,
                                    HBRUSH background = nullptr);
    // Creates a window of a class registered with RegisterWindowClass.
    bool Create(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                int width, int height, HWND parent = nullptr, HMENU menu = nullptr);
    void Destroy();

    bool Show(int command) { return hwnd_ != nullptr && ::ShowWindow(hwnd_, command) != 0; }
    bool IsVisible() const { return hwnd_ != nullptr && ::IsWindowVisible(hwnd_) != 0; }
    void SetText(const std::string& text);
    std::string GetText() const;
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // The object attached to a window, or null.
    static CWindow* FromHandle(HWND window);

protected:
    // First look at every message: return true when handled, with result set.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Cracked handlers: return true when handled (the default processing is
    // then skipped), false to let the default processing run.
    virtual bool OnCreate() { return false; }
    virtual bool OnDestroy() { return false; }
    virtual bool OnClose() { return false; }
    virtual bool OnCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }
    virtual bool OnTimer(UINT_PTR /*id*/) { return false; }
    // WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_LBUTTONDBLCLK; client coordinates.
    virtual bool OnMouse(UINT /*message*/, POINT /*client*/, WPARAM /*keys*/) { return false; }
    // Screen coordinates (-1, -1 from the keyboard).
    virtual bool OnContextMenu(HWND /*window*/, POINT /*screen*/) { return false; }
    // After the last message: the handle is already cleared.
    virtual void OnFinalMessage() {}

    // The processing of a message that no handler took.
    virtual LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Routes one message through OnMessage and the handler table; false when
    // nothing handled it.
    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    void Attach(HWND window);
    void Detach();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
};

}  // namespace qm::win
