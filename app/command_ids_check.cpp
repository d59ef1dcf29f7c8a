// The command ids of the core and of the resources (menus, toolbar) are the
// same numbers: a change on one side alone does not build.
#include "app/app_core.h"
#include "app/live_browsers.h"
#include "res/resource.h"

namespace qm {

static_assert(kCmdAlwaysOnTop == ID_ALWAYS_ON_TOP);
static_assert(kCmdShowBin == ID_SHOW_RECYCLE_BIN);
static_assert(kCmdOptions == ID_OPTIONS);
static_assert(kCmdExit == ID_EXIT);
static_assert(kCmdOpen == ID_OPEN);
static_assert(kCmdUndo == ID_UNDO);
static_assert(kCmdHideBin == ID_RESTORE);
static_assert(kCmdHelp == ID_HELP_CONTENTS);
static_assert(kCmdAbout == ID_APP_ABOUT);
static_assert(kCmdOpenWebBrowser == ID_OPEN_WEB_BROWSER);

}  // namespace qm
