// The explorer's panes and the splitters that hold them. A pane is a plain
// container window that fills itself with one common control and takes that
// control's notifications; a splitter lays out two children side by side or
// one above the other with a bar between that the user can drag.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <initializer_list>

#include "app/win/window.h"

namespace qm::win {

// An image list of square icons of this program, each loaded at size pixels.
HIMAGELIST MakeIconImages(std::initializer_list<int> iconIds, int size);

class CPane : public CWindow {
public:
    // Creates the container as a child of parent; the control comes in OnCreate.
    bool CreatePane(HWND parent, int id);
    HWND Control() const { return control_; }

protected:
    // Creates the one control (a child of this window, filling it).
    HWND CreateControl(DWORD exStyle, const wchar_t* className, DWORD style, int id);
    // Gives the control an image list (setMessage: LVM_SETIMAGELIST or
    // TVM_SETIMAGELIST) and frees the one it had.
    void ReplaceImages(UINT setMessage, WPARAM which, HIMAGELIST images);
    // WM_NOTIFY from the control; true when handled, with result set.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result);
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    HWND control_ = nullptr;
};

class CSplitter : public CWindow {
public:
    enum class Orientation { kColumns, kRows };
    static constexpr int kBar = 4;  // thickness of the bar in pixels

    explicit CSplitter(Orientation orientation) : orientation_(orientation) {}
    bool CreateSplitter(HWND parent, int id);
    // The two children, first (left or top) and second.
    void SetPanes(HWND first, HWND second);
    // The size of the first pane along the split; the second takes the rest.
    void SetFirstSize(int size);
    int FirstSize() const { return first_; }
    void Layout();

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    int Along(LPARAM lParam) const;
    int Extent() const;

    Orientation orientation_;
    HWND panes_[2] = {nullptr, nullptr};
    int first_ = 150;
    bool dragging_ = false;
    int grip_ = 0;  // where in the bar the drag started
};

}  // namespace qm::win
