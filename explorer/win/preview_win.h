// The element preview: the lower right pane, which shows the filter selected
// in the list. How it shows it is behind ElementRenderer: the HTML renderer
// shows the saved markup in the browser control with scripts, plug-ins,
// downloads and navigation shut off (preview_html_win.h); where no HTML engine
// can be embedded the text renderer shows the element's type, name and saved
// markup as plain text (preview_engine_win.h makes the choice).
#pragma once

#include <memory>
#include <string>

#include "explorer/win/pane_win.h"
#include "store/filter_record.h"

namespace qm::win {

class ElementRenderer {
public:
    virtual ~ElementRenderer() = default;
    // Makes the renderer's window as a child of parent; false when it cannot.
    virtual bool Create(HWND parent, int id) = 0;
    virtual HWND Window() const = 0;
    virtual void Show(const std::string& pageAddress, const FilterRecord& record) = 0;
    virtual void Clear() = 0;
    // What the pane shows now, as text (for the user's copy and for tests).
    virtual std::string Text() const = 0;
};

// A read-only multi-line edit control.
std::unique_ptr<ElementRenderer> MakeTextRenderer();

class CElementPreview : public CPane {
public:
    // renderer null: the HTML renderer where an engine can be embedded, the
    // text renderer otherwise. A renderer whose Create fails gives way to text.
    explicit CElementPreview(std::unique_ptr<ElementRenderer> renderer = nullptr);
    bool CreatePreview(HWND parent, int paneId);

    // Shows the record; nothing when the page address is empty.
    void ShowElement(const std::string& pageAddress, const FilterRecord& record);
    void ClearPreview();
    ElementRenderer& Renderer() { return *renderer_; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    std::unique_ptr<ElementRenderer> renderer_;
};

}  // namespace qm::win
