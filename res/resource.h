// Resource ids of the program (dialogs, menus, icons, strings, commands).
#pragma once

#define IDR_MAINFRAME 128

// Shared command ids (menus, toolbar, dispatcher).
#define ID_ALWAYS_ON_TOP 32771
#define ID_SHOW_RECYCLE_BIN 32772
#define ID_OPTIONS 32775
#define ID_EXIT 32776
#define ID_OPEN 32777
#define ID_UNDO 32778
#define ID_RESTORE 32779
#define ID_RECYCLE_BIN_TOGGLE 32783
#define ID_HELP_CONTENTS 32797
#define ID_CHECK_NEW_VERSION 32799
#define ID_HOME_PAGE 32809
#define ID_APP_ABOUT 57664
