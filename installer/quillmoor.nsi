; The Quill Moor installer. Built by CMake (installer/CMakeLists.txt), which
; defines VERSION, VERSION_DOTTED, PROGRAM, HOOK_DLL, SOURCE and OUTFILE.
;
; Per-user installation by default, without elevation, into
; %LOCALAPPDATA%\Programs\Quillmoor; /AllUsers (or the choice on the
; install-mode page) installs for every user under Program Files, which needs
; an administrator. /S silent, /D=<folder> chooses the folder, /AutoStart
; adds the start-up entry (also a choice on the components page).
; The user's filters (the Data folder) and settings are never touched by an
; upgrade; removal keeps them unless the user ticks the box to remove them.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include WinMessages.nsh
!include close_running.nsh

!define PRODUCT "Quill Moor"
!define PUBLISHER "Quillmoor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmoor"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Quillmoor"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quillmoor"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION_DOTTED}"
VIFileVersion "${VERSION_DOTTED}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 the Quillmoor developers"

Var AllUsers        ; "1": for every user (HKLM, Program Files)
Var ModeFromCommand ; "1": /AllUsers or /CurrentUser given, no mode page
Var WasRunning
Var AutoStart       ; "1": /AutoStart given, the start-up entry is written
Var RadioJustMe
Var RadioEveryone
Var RemoveData      ; uninstaller: "1" when the user ticked the box
Var RemoveDataBox

!insertmacro QM_CLOSE_RUNNING ""
!insertmacro QM_CLOSE_RUNNING "un."

!define MUI_ICON "${SOURCE}/../res/art/bin.ico"
!define MUI_UNICON "${SOURCE}/../res/art/bin.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_LICENSE "${SOURCE}/licence.txt"
Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillmoor.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.DataPage un.DataPageLeave
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------- install mode

Function SetMode
    ${If} $AllUsers == 1
        SetShellVarContext all
        StrCpy $INSTDIR "$PROGRAMFILES64\Quillmoor"
        ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${Else}
        SetShellVarContext current
        StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Quillmoor"
        ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${EndIf}
    ; An upgrade goes where the installed copy is.
    ${If} $0 != ""
        StrCpy $INSTDIR $0
    ${EndIf}
FunctionEnd

Function .onInit
    StrCpy $AllUsers 0
    StrCpy $ModeFromCommand 0
    StrCpy $AutoStart 0
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/AutoStart" $R1
    ${IfNot} ${Errors}
        StrCpy $AutoStart 1
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/AllUsers" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
        StrCpy $ModeFromCommand 1
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/CurrentUser" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 0
        StrCpy $ModeFromCommand 1
    ${EndIf}
    ; A copy installed for everyone is upgraded for everyone.
    ${If} $ModeFromCommand == 0
        ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
        ${If} $0 != ""
        ${AndIf} $1 == ""
            StrCpy $AllUsers 1
        ${EndIf}
    ${EndIf}
    ; $INSTDIR holds InstallDir, or the folder given with /D=, which wins
    ; over the defaults and over an earlier installation's folder.
    StrCpy $R2 $INSTDIR
    ${If} $R2 == "$LOCALAPPDATA\Programs\Quillmoor"
        StrCpy $R2 ""
    ${EndIf}
    Call SetMode
    ${If} $R2 != ""
        StrCpy $INSTDIR $R2
    ${EndIf}
FunctionEnd

Function ModePage
    ${If} $ModeFromCommand == 1
        Abort
    ${EndIf}
    !insertmacro MUI_HEADER_TEXT "Installation for" "Install ${PRODUCT} for you alone or for every user of this computer."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateRadioButton} 0 10u 100% 12u "Just for me (no administrator needed)"
    Pop $RadioJustMe
    ${NSD_CreateRadioButton} 0 30u 100% 12u "For everyone who uses this computer (needs an administrator)"
    Pop $RadioEveryone
    ${If} $AllUsers == 1
        ${NSD_Check} $RadioEveryone
    ${Else}
        ${NSD_Check} $RadioJustMe
    ${EndIf}
    nsDialogs::Show
FunctionEnd

Function ModePageLeave
    ${NSD_GetState} $RadioEveryone $0
    ${If} $0 == ${BST_CHECKED}
        UserInfo::GetAccountType
        Pop $1
        ${If} $1 != "Admin"
            MessageBox MB_OK|MB_ICONEXCLAMATION "Installing for everyone needs an administrator. Start the installer again as an administrator, or install just for you."
            Abort
        ${EndIf}
        StrCpy $AllUsers 1
    ${Else}
        StrCpy $AllUsers 0
    ${EndIf}
    Call SetMode
FunctionEnd

; ---------------------------------------------------------------- install

Section "${PRODUCT}" SecProgram
    SectionIn RO
    ; Nothing changes unless the folder takes files.
    ClearErrors
    CreateDirectory "$INSTDIR"
    FileOpen $0 "$INSTDIR\~qm-setup.tmp" w
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} cannot be installed in$\r$\n$INSTDIR$\r$\nbecause that folder cannot be written to. Nothing was changed: choose another folder, or install for everyone as an administrator." /SD IDOK
        SetErrorLevel 3
        Quit
    ${EndIf}
    FileClose $0
    Delete "$INSTDIR\~qm-setup.tmp"

    Call QmCloseRunning
    StrCpy $WasRunning $0
    ${If} $1 == 1
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is still running and could not be ended. Nothing was changed: end it from its menu (Exit) and run the installer again." /SD IDOK
        SetErrorLevel 4
        Quit
    ${EndIf}

    SetOutPath "$INSTDIR"
    ; A hook library that other programs still hold mapped cannot be
    ; overwritten, but it can be renamed out of the way.
    Delete "$INSTDIR\Quillmoor.Dll.old"
    ${If} ${FileExists} "$INSTDIR\Quillmoor.Dll"
        Delete "$INSTDIR\Quillmoor.Dll"
        ${If} ${FileExists} "$INSTDIR\Quillmoor.Dll"
            Rename "$INSTDIR\Quillmoor.Dll" "$INSTDIR\Quillmoor.Dll.old"
        ${EndIf}
    ${EndIf}
    SetOverwrite on
    File "/oname=Quillmoor.exe" "${PROGRAM}"
    File "/oname=Quillmoor.Dll" "${HOOK_DLL}"
    File "/oname=licence.txt" "${SOURCE}/licence.txt"
    SetOutPath "$INSTDIR\Help"
    File "/oname=help.htm" "${SOURCE}/help/help.htm"
    SetOutPath "$INSTDIR"

    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillmoor.exe"
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    ${If} $AllUsers == 1
        WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe" /AllUsers'
        WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /AllUsers /S'
    ${Else}
        WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
        WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    ${EndIf}
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/M=*.* /S=0K /G=0" $0 $1 $2
    WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Start-menu shortcut" SecShortcut
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Quillmoor.exe" "" "$INSTDIR\Quillmoor.exe" 0
SectionEnd

Section /o "Start ${PRODUCT} with Windows" SecStartup
    WriteRegStr SHCTX "${RUN_KEY}" "Quillmoor" '"$INSTDIR\Quillmoor.exe"'
SectionEnd

Section "-Start-up entry asked for on the command line"
    ${If} $AutoStart == 1
        WriteRegStr SHCTX "${RUN_KEY}" "Quillmoor" '"$INSTDIR\Quillmoor.exe"'
    ${EndIf}
SectionEnd

Section "-Restart"
    ; Started again when the installer ended it; not from a silent install
    ; that found none running.
    ${If} $WasRunning == 1
        Exec '"$INSTDIR\Quillmoor.exe"'
    ${EndIf}
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The program, its mouse hook library, its help and its licence."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecShortcut} "A shortcut in the Start menu."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecStartup} "Start ${PRODUCT} whenever you log on."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; ---------------------------------------------------------------- removal

!macro QM_DELETE_RUN_VALUE root
    ClearErrors
    ReadRegStr $0 ${root} "${RUN_KEY}" "Quillmoor"
    ${IfNot} ${Errors}
        ${If} $0 == '"$INSTDIR\Quillmoor.exe"'
        ${OrIf} $0 == "$INSTDIR\Quillmoor.exe"
        ${OrIf} $0 == ""
            DeleteRegValue ${root} "${RUN_KEY}" "Quillmoor"
        ${EndIf}
    ${EndIf}
!macroend

Function un.onInit
    StrCpy $RemoveData 0
    StrCpy $AllUsers 0
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/AllUsers" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
    ${EndIf}
    ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != $INSTDIR
        ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
        ${If} $1 == $INSTDIR
            StrCpy $AllUsers 1
        ${EndIf}
    ${EndIf}
    ${If} $AllUsers == 1
        SetShellVarContext all
    ${Else}
        SetShellVarContext current
    ${EndIf}
FunctionEnd

Function un.DataPage
    !insertmacro MUI_HEADER_TEXT "Your filters" "Your filters and settings are kept unless you choose to remove them."
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateCheckbox} 0 10u 100% 12u "Also remove my filters and settings"
    Pop $RemoveDataBox
    nsDialogs::Show
FunctionEnd

Function un.DataPageLeave
    ${NSD_GetState} $RemoveDataBox $0
    ${If} $0 == ${BST_CHECKED}
        StrCpy $RemoveData 1
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Call un.QmCloseRunning
    ${If} $1 == 1
        MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is still running and could not be ended. Nothing was removed: end it from its menu (Exit) and run the removal again." /SD IDOK
        SetErrorLevel 4
        Quit
    ${EndIf}

    Delete "$INSTDIR\Quillmoor.exe"
    Delete "$INSTDIR\Quillmoor.Dll"
    Delete "$INSTDIR\Quillmoor.Dll.old"
    Delete "$INSTDIR\licence.txt"
    Delete "$INSTDIR\Quillmoor.ini"  ; the explorer's column widths
    Delete "$INSTDIR\Help\help.htm"
    RMDir "$INSTDIR\Help"
    Delete "$INSTDIR\Uninstall.exe"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"

    ; The start-up entry, wherever the program or the installer wrote it, when
    ; it starts this copy (or nothing: the program writes it empty when the
    ; option is off); another installation's entry stays.
    !insertmacro QM_DELETE_RUN_VALUE HKCU
    !insertmacro QM_DELETE_RUN_VALUE HKLM
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"

    ${If} $RemoveData == 1
        RMDir /r "$INSTDIR\Data"
        SetShellVarContext current
        RMDir /r "$LOCALAPPDATA\Quillmoor\Data"
        Delete "$LOCALAPPDATA\Quillmoor\Quillmoor.ini"
        RMDir "$LOCALAPPDATA\Quillmoor"
        DeleteRegKey HKCU "${SETTINGS_KEY}"
        ${If} $AllUsers == 1
            DeleteRegKey HKLM "${SETTINGS_KEY}"
        ${EndIf}
    ${EndIf}
    ; Gone only when empty: a Data folder beside the program stays.
    RMDir "$INSTDIR"
SectionEnd
