// Helpers of the Windows tests of the program: finding windows by caption,
// real mouse input, pumping messages and screenshots.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace qm::wintest {

// Polls until pred is true or timeoutMs passes, pumping this thread's queue.
bool WaitFor(const std::function<bool()>& pred, DWORD timeoutMs);

// A top-level dialog (class "#32770") with this caption, waiting up to timeoutMs.
HWND FindDialog(const char* caption, DWORD timeoutMs);

// Real input: moves the cursor to a screen point, presses and releases.
void MoveCursorTo(int x, int y);
void LeftDown();
void LeftUp();
void ClickAt(int x, int y);
// The centre of a window in screen coordinates.
POINT CentreOf(HWND window);

// A window's text in UTF-8.
std::string TextOf(HWND window);

// When QM_SHOT_DIR is set: the screen as <dir>/<name>.bmp. Returns the path
// written, or "" when not asked for or failed.
std::string SaveScreenshot(const std::string& name);

std::string ModuleDirectory();  // with a trailing backslash

}  // namespace qm::wintest
