// Resource ids of the program (dialogs, menus, icons, strings, commands).
#pragma once

#define IDR_MAINFRAME 128

// Icons, cursors, menus.
#define IDI_RECYCLE_BIN 130
#define IDR_RECYCLE_BIN_MENU 136
#define IDC_DRAG_CURSOR 138

// Dialog templates.
#define IDD_RECYCLE_BIN 135
#define IDD_DELETE_ELEMENT 144
#define IDD_KILL_POPUP 145
#define IDD_BLOCK_POPUP 146

// Controls of the three filter prompts.
#define IDC_GROUP_RECOGNISE 1005
#define IDC_RADIO_URL_AND_TITLE 1008
#define IDC_RADIO_URL_OR_TITLE 1020
#define IDC_RADIO_CURRENT_PAGE 1021
#define IDC_CHECK_DONT_ASK 1022
#define IDC_RADIO_URL_ONLY 1023
#define IDC_RADIO_WEB_SERVER 1024
#define IDC_RADIO_DOMAIN 1025
#define IDC_RADIO_BLOCK_PAGE 1026
#define IDC_RADIO_TITLE_ONLY 1027

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

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

// Live browsers (33000-33099).
#define ID_OPEN_WEB_BROWSER 33000
