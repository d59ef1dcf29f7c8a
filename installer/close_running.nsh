; Ends a running Quill Moor before its files are replaced or removed, and
; tells whether one was running. The program ends cleanly when its main frame
; is asked to close from outside; its named mutex goes when the process is gone.

!define QM_FRAME_CLASS "QuillmoorMainFrame"
!define QM_MUTEX "Quillmoor"
!define SYNCHRONIZE 0x00100000

!macro QM_CLOSE_RUNNING un
Function ${un}QmCloseRunning
    ; Out: $0 "1" when an instance was running, else "0"; $1 "1" when it did not end.
    Push $2
    Push $3
    StrCpy $0 0
    StrCpy $1 0
    FindWindow $2 "${QM_FRAME_CLASS}" ""
    ${If} $2 <> 0
        StrCpy $0 1
        SendMessage $2 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    ${EndIf}
    ; Wait up to 15 seconds for the process to end (its mutex then goes).
    StrCpy $3 0
    ${Do}
        System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${QM_MUTEX}") p .r2'
        ${If} $2 P= 0
            ${Break}
        ${EndIf}
        System::Call 'kernel32::CloseHandle(p r2)'
        StrCpy $0 1
        ${If} $3 >= 150
            StrCpy $1 1
            ${Break}
        ${EndIf}
        ; Still running with no frame to ask yet (starting up): ask again.
        FindWindow $2 "${QM_FRAME_CLASS}" ""
        ${If} $2 <> 0
            SendMessage $2 ${WM_CLOSE} 0 0 /TIMEOUT=2000
        ${EndIf}
        Sleep 100
        IntOp $3 $3 + 1
    ${Loop}
    Pop $3
    Pop $2
FunctionEnd
!macroend
