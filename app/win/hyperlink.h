// A static text control that behaves like a web link: underlined, coloured
// (blue, purple once visited, teal while focused), with a hand cursor and a
// tooltip that shows the target, opened with the mouse or the space bar.
// Only web (http, https) and e-mail (mailto) targets are opened.
//
// The dialog that owns the control attaches it to a static control (give the
// static WS_TABSTOP so it can take the focus) and passes its
// WM_CTLCOLORSTATIC messages to ReflectColour.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace qm::win {

class CHyperLink {
public:
    // What opens a target: the result of the shell (above 32 is success).
    using Opener = std::function<int(const std::string& target)>;

    // Colours (red, green, blue).
    static constexpr COLORREF kLinkColour = RGB(0, 0, 255);
    static constexpr COLORREF kVisitedColour = RGB(128, 0, 128);
    static constexpr COLORREF kFocusedColour = RGB(0, 128, 128);

    CHyperLink() = default;
    ~CHyperLink();
    CHyperLink(const CHyperLink&) = delete;
    CHyperLink& operator=(const CHyperLink&) = delete;

    // Takes over a static control: an empty target becomes the control's
    // text, an empty text becomes the target; the font is underlined and the
    // control sized to its text.
    bool Attach(HWND control);
    void SetTarget(const std::string& target);
    // After the control got a font of another size (a scaling change): the
    // control fits its text again, and the tooltip covers it.
    void Refit();
    const std::string& Target() const { return target_; }

    bool IsHovering() const { return hovering_; }
    bool IsFocused() const { return focused_; }
    bool IsVisited() const { return visited_; }
    COLORREF TextColour() const;
    HWND Handle() const { return control_; }
    HWND ToolTip() const { return toolTip_; }

    // Opens the target: refused unless it is a web or e-mail address; the
    // shell first, then the ".htm" association's command. Failure beeps and
    // tells the user why. True when opened.
    bool Open();

    // For a dialog's WM_CTLCOLORSTATIC: true when the control is a link,
    // with the text colour set and a hollow brush as result.
    static bool ReflectColour(WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The link attached to a control, or null.
    static CHyperLink* FromControl(HWND control);

    // Replaces how targets are opened (tests); null restores the shell.
    static void SetOpener(Opener opener);
    // The shell's way: ShellExecute "open", then the ".htm" association.
    static int ShellOpen(const std::string& target);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void SizeToText();
    void UpdateToolTip();

    HWND control_ = nullptr;
    std::string target_;
    bool hovering_ = false;
    bool focused_ = false;
    bool visited_ = false;
    HFONT font_ = nullptr;
    HWND toolTip_ = nullptr;
};

}  // namespace qm::win
