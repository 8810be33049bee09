; The Windows installer of the camera, built by scripts/make-installer.sh (which defines
; VERSION, STAGE, FILES, OUTFILE, PUBLISHER, CAMERA, the settings' key, names and defaults,
; and the panel's PANEL_EXE and PANEL_RUN_VALUE).
;
; A 32-bit installer, so that one file serves 32-bit Windows (the x86 camera) and 64-bit
; Windows (both cameras; the x64 parts through the 64-bit registry view). Each camera is
; registered by its own bitness's qvl_register.
;
; Command line: /S silent; /ALLUSERS (the default when silent) or /CURRENTUSER;
; /FORMAT=WIDTHxHEIGHT@FPS the camera's format for the user who runs it (and, for all users,
; the machine's); /WIN11CAMERA the Windows 11 camera too; /D=FOLDER.
; Exit status: 0 installed, 1 cancelled, 2 failed (nothing of this version left behind). The
; Windows 11 camera is a part that may fail on its own: its failure is reported (and recorded
; in the uninstall entry's Windows11Camera value), never a failed install.
; The uninstaller's status: 0 removed, 2 a camera could not be unregistered (its files, the
; uninstaller and its entry stay, everything else is removed).
Unicode true
ManifestSupportedOS all
RequestExecutionLevel highest
SetCompressor /SOLID lzma
AllowSkipFiles off

!include LogicLib.nsh
!include WinVer.nsh
!include x64.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include MUI2.nsh

!define PRODUCT srcfilter
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; Where a per-user value starts a program with Windows, and Windows' own switch for it.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"
; The uninstall entry's value that records the Windows 11 camera: "installed", or why not.
!define WIN11_VALUE "Windows11Camera"
!define WIN11_INSTALLED "installed"
!include "${FILES}"

Name "${PRODUCT} ${VERSION} (${CAMERA} camera)"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} installer"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Var AllUsers ; 1: for the machine, 0: for the current user
Var Native   ; x64 or x86: the folder whose tools the Start menu uses
Var UserFlag ; "" or "--user" for qvl_register
Var Format   ; WIDTHxHEIGHT@FPS to store, or "" to keep the user's current one
Var Changed  ; 1 once this install has changed the machine: a failure then rolls back
Var SizeField
Var RateField
Var Win11Offered ; 1 where the Windows 11 camera's page is shown: Windows 11 x64, for all users
Var Win11Camera  ; 1 when the Windows 11 camera is asked for
Var Win11Box
Var Win11Result  ; "installed", or why it is not
Var Failed       ; uninstall: what could not be unregistered, for the message
Var Upgrade      ; uninstall: 1 when run by a newer installer, which keeps the user's choices

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
Page custom FormatPage FormatPageLeave
Page custom Windows11Page Windows11PageLeave
!insertmacro MUI_PAGE_INSTFILES
; Not when silent: the finish page is not shown then.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "&Open the camera panel"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenPanel
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Machine or user: the registry root of SHCTX, the Start menu and the default folder.
!macro SELECT_SCOPE un
Function ${un}SelectScope
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $Native x64
  ${Else}
    StrCpy $Native x86
  ${EndIf}
  ${If} $AllUsers == 1
    SetShellVarContext all
    StrCpy $UserFlag ""
  ${Else}
    SetShellVarContext current
    StrCpy $UserFlag "--user"
  ${EndIf}
FunctionEnd
!macroend
!insertmacro SELECT_SCOPE ""
!insertmacro SELECT_SCOPE "un."

; Waits until no program holds a file of the install in FOLDER (on the stack): a loaded DLL
; or a running tool cannot be opened for writing. Retry or cancel; silent: cancel.
!macro WAIT_UNTIL_FREE un
Function ${un}WaitFolderFree
  Exch $R0
  Push $R1
  Push $R2
  Push $R3
  again:
  FindFirst $R1 $R2 "$R0\*.*"
  ${DoWhile} $R2 != ""
    ${IfNot} ${FileExists} "$R0\$R2\*.*"
      ClearErrors
      FileOpen $R3 "$R0\$R2" a
      ${If} ${Errors}
        FindClose $R1
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
          "$R0\$R2 is in use: a program has the camera open or runs one of its tools.$\n$\nClose it, then choose Retry." \
          /SD IDCANCEL IDRETRY again
        DetailPrint "$R0\$R2 is in use; nothing was changed"
        SetErrorLevel 2
        Abort
      ${EndIf}
      FileClose $R3
    ${EndIf}
    FindNext $R1 $R2
  ${Loop}
  FindClose $R1
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

Function ${un}WaitUntilFree
  Exch $R0
  Push "$R0\x64"
  Call ${un}WaitFolderFree
  Push "$R0\x86"
  Call ${un}WaitFolderFree
  Pop $R0
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_FREE ""
!insertmacro WAIT_UNTIL_FREE "un."

; Ends a running panel (its folder on the stack) before its files are replaced or removed;
; --quit returns once it has exited. A panel of another user's session stays, and the check
; for files in use then asks for it to be closed.
!macro QUIT_PANEL un
Function ${un}QuitPanel
  Exch $R0
  ${If} ${FileExists} "$R0\$Native\${PANEL_EXE}"
    DetailPrint "Closing the camera panel"
    nsExec::Exec '"$R0\$Native\${PANEL_EXE}" --quit'
    Pop $R0
  ${EndIf}
  Pop $R0
FunctionEnd
!macroend
!insertmacro QUIT_PANEL ""
!insertmacro QUIT_PANEL "un."

; Runs one bitness's qvl_register (folder on the stack, then the command); pushes its status.
!macro REGISTER_TOOL un
Function ${un}RegisterTool
  Exch $R0 ; command
  Exch
  Exch $R1 ; folder
  DetailPrint "$R1\qvl_register $R0 $UserFlag"
  nsExec::ExecToLog '"$INSTDIR\$R1\qvl_register.exe" $R0 $UserFlag'
  Pop $R0
  Pop $R1
  Exch $R0
FunctionEnd
!macroend
!insertmacro REGISTER_TOOL ""
!insertmacro REGISTER_TOOL "un."

Function .onInit
  ${GetParameters} $R0
  ; Silent installs are for the machine unless told otherwise; interactive ones for the
  ; machine where the user may, else for the user.
  StrCpy $AllUsers 1
  ${IfNot} ${Silent}
    UserInfo::GetAccountType
    Pop $R1
    ${If} $R1 != "Admin"
      StrCpy $AllUsers 0
    ${EndIf}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/FORMAT=" $Format
  Call SelectScope
  ; The Windows 11 camera: asked for on the command line, or kept from the install this one
  ; replaces; offered on its page on Windows 11 x64 for all users (needs build 22000).
  ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" "${WIN11_VALUE}"
  StrCpy $Win11Camera 0
  ${If} $R1 == "${WIN11_INSTALLED}"
    StrCpy $Win11Camera 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/WIN11CAMERA" $R1
  ${IfNot} ${Errors}
    StrCpy $Win11Camera 1
  ${EndIf}
  StrCpy $Win11Offered 0
  ${If} $AllUsers == 1
  ${AndIf} ${IsNativeAMD64}
  ${AndIf} ${AtLeastBuild} 22000
    StrCpy $Win11Offered 1
  ${EndIf}
  ; An earlier install's folder, else the scope's usual place.
  ${If} $INSTDIR == ""
    ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${EndIf}
  ${If} $INSTDIR == ""
    ${If} $AllUsers == 1
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Checks and stores $Format through qvl_register format, run from the installer's own files
; so that a bad value is refused before anything is installed. For all users the installer
; runs elevated and the tool stores the machine's format too (the Windows 11 camera's); for
; the current user, --user keeps it to the user's. Error flag set on failure.
Function StoreFormat
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  ${If} ${RunningX64}
    File "${STAGE}/x64/qvl_register.exe"
  ${Else}
    File "${STAGE}/x86/qvl_register.exe"
  ${EndIf}
  nsExec::ExecToStack '"$PLUGINSDIR\qvl_register.exe" format $UserFlag $Format'
  Pop $R0
  Pop $R1
  ClearErrors
  ${If} $R0 != 0
    DetailPrint "camera format $Format refused: $R1"
    MessageBox MB_OK|MB_ICONEXCLAMATION "The camera format $Format was refused:$\n$\n$R1" /SD IDOK
    SetErrors
  ${Else}
    DetailPrint "camera format: $Format"
  ${EndIf}
FunctionEnd

; The user's stored format, or the defaults: width $R1, height $R2, rate $R3.
Function ReadUserFormat
  ReadRegDWORD $R1 HKCU "${SETTINGS_KEY}" "${SETTING_WIDTH}"
  ReadRegDWORD $R2 HKCU "${SETTINGS_KEY}" "${SETTING_HEIGHT}"
  ReadRegDWORD $R3 HKCU "${SETTINGS_KEY}" "${SETTING_FPS}"
  ${If} $R1 == ""
  ${OrIf} $R2 == ""
    StrCpy $R1 "${DEFAULT_WIDTH}"
    StrCpy $R2 "${DEFAULT_HEIGHT}"
  ${EndIf}
  ${If} $R3 == ""
    StrCpy $R3 "${DEFAULT_FPS}"
  ${EndIf}
FunctionEnd

Function FormatPage
  !insertmacro MUI_HEADER_TEXT "Camera format" "The picture size and frame rate programs get from the camera."
  nsDialogs::Create 1018
  Pop $R0
  Call ReadUserFormat
  ${NSD_CreateLabel} 0 0 100% 30u "Programs that open the camera get pictures of this size at this rate: for you and, with an installation for all users, for the Windows 11 camera too. The camera panel changes it later."
  Pop $R0
  ${NSD_CreateLabel} 0 40u 110u 12u "Size (width x height):"
  Pop $R0
  ${NSD_CreateText} 115u 38u 70u 12u "$R1x$R2"
  Pop $SizeField
  ${NSD_CreateLabel} 0 58u 110u 12u "Frames per second:"
  Pop $R0
  ${NSD_CreateNumber} 115u 56u 40u 12u "$R3"
  Pop $RateField
  nsDialogs::Show
FunctionEnd

Function FormatPageLeave
  ${NSD_GetText} $SizeField $R1
  ${NSD_GetText} $RateField $R2
  StrCpy $Format "$R1@$R2"
  Call StoreFormat
  ${If} ${Errors}
    Abort ; stays on the page
  ${EndIf}
  StrCpy $Format "" ; stored already
FunctionEnd

Function Windows11Page
  ${If} $Win11Offered != 1
    Abort ; not shown
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Windows 11 camera" "The camera for programs that look for cameras only through Windows 11's own camera system."
  nsDialogs::Create 1018
  Pop $R0
  ${NSD_CreateLabel} 0 0 100% 68u "Windows 11 can offer the camera through its own camera system too, to the Camera app, Store apps and the programs that find only cameras listed there. Programs then list a second camera, named ${CAMERA} followed by words Windows adds. The DirectShow camera is installed either way.$\r$\n$\r$\nThis part has not yet been seen working on a real Windows 11 machine, so it is off unless you choose it. If it fails, the rest of the installation stays and you are told what failed."
  Pop $R0
  ${NSD_CreateCheckbox} 0 76u 100% 12u "&Also install the Windows 11 camera (not yet seen working on real Windows 11)"
  Pop $Win11Box
  ${If} $Win11Camera == 1
    ${NSD_Check} $Win11Box
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function Windows11PageLeave
  ${NSD_GetState} $Win11Box $R0
  StrCpy $Win11Camera 0
  ${If} $R0 == ${BST_CHECKED}
    StrCpy $Win11Camera 1
  ${EndIf}
FunctionEnd

; Drops the line ends a tool's output ends with (the string on the stack).
Function TrimLineEnd
  Exch $R0
  Push $R1
  ${Do}
    StrCpy $R1 $R0 1 -1
    ${If} $R1 != "$\r"
    ${AndIf} $R1 != "$\n"
      ${ExitDo}
    ${EndIf}
    StrCpy $R0 $R0 -1
  ${Loop}
  Pop $R1
  Exch $R0
FunctionEnd

; The Windows 11 camera, through the x64 qvl_register, which refuses where the platform has
; no software cameras. Its failure leaves the rest installed: it is told, and recorded in
; $Win11Result.
Function InstallWindows11Camera
  ${If} $AllUsers != 1
    StrCpy $Win11Result "it needs an installation for all users"
  ${ElseIfNot} ${IsNativeAMD64}
    StrCpy $Win11Result "it needs Windows 11 on an x64 processor"
  ${Else}
    DetailPrint "x64\qvl_register mfcamera install"
    nsExec::ExecToStack '"$INSTDIR\x64\qvl_register.exe" mfcamera install'
    Pop $R0
    Call TrimLineEnd
    Pop $Win11Result
    DetailPrint "$Win11Result"
    ${If} $R0 == 0
      StrCpy $Win11Result "${WIN11_INSTALLED}"
      Return
    ${EndIf}
  ${EndIf}
  DetailPrint "The Windows 11 camera was not installed: $Win11Result"
  MessageBox MB_OK|MB_ICONEXCLAMATION "The Windows 11 camera was not installed:$\n$\n$Win11Result$\n$\nThe DirectShow camera is installed and works as before." /SD IDOK
  StrCpy $Win11Result "not installed: $Win11Result"
FunctionEnd

; Started from the finish page. An installation for all users runs elevated, and a panel
; started from it would run elevated too, out of reach of the user's own programs; the shell
; starts it with the user's ordinary rights.
Function OpenPanel
  ${If} $AllUsers == 1
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\$Native\${PANEL_EXE}"'
  ${Else}
    Exec '"$INSTDIR\$Native\${PANEL_EXE}"'
  ${EndIf}
FunctionEnd

Function Register
  Pop $R2
  Push $R2
  Push install
  Call RegisterTool
  Pop $R0
  ${If} $R0 != 0
    DetailPrint "registering the $R2 camera failed ($R0)"
    MessageBox MB_OK|MB_ICONSTOP "Registering the $R2 camera failed; nothing is installed." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd

Section "Camera"
  SetDetailsPrint both
  ; For all users the machine gets a format even when none is given: the user's own, unless
  ; the camera does not take what the user has stored (then the machine's stays as it is).
  ${If} $Format == ""
  ${AndIf} $AllUsers == 1
    Call ReadUserFormat
    StrCpy $Format "$R1x$R2@$R3"
    Call StoreFormat
  ${ElseIf} $Format != ""
    Call StoreFormat
    ${If} ${Errors}
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}

  ; Nothing changes while a program holds a file of this or the earlier install; the panel,
  ; which holds its own, is asked to end first.
  ReadRegStr $R5 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R5 != ""
    Push $R5
  ${Else}
    Push $INSTDIR
  ${EndIf}
  Call QuitPanel
  Push $INSTDIR
  Call WaitUntilFree
  ${If} $R5 != ""
  ${AndIf} $R5 != $INSTDIR
    Push $R5
    Call WaitUntilFree
  ${EndIf}

  StrCpy $Changed 1
  ; An upgrade: the earlier version's own uninstaller takes its registration, files,
  ; shortcuts and entry away, so none of its files stays stale.
  ${If} $R5 != ""
  ${AndIf} ${FileExists} "$R5\uninstall.exe"
    DetailPrint "Removing the installed version from $R5"
    ClearErrors
    ExecWait '"$R5\uninstall.exe" /S /UPGRADE _?=$R5' $R0
    ${If} ${Errors}
    ${OrIf} $R0 != 0
      DetailPrint "the installed version could not be removed ($R0)"
      SetErrorLevel 2
      Abort
    ${EndIf}
    Delete "$R5\uninstall.exe"
    RMDir "$R5"
  ${EndIf}

  SetOutPath "$INSTDIR\x86"
  File /r "${STAGE}/x86/*"
  ${If} ${RunningX64}
    SetOutPath "$INSTDIR\x64"
    File /r "${STAGE}/x64/*"
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${STAGE}/README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ${If} ${RunningX64}
    Push x64
    Call Register
  ${EndIf}
  Push x86
  Call Register
  ${If} $Win11Camera == 1
    Call InstallWindows11Camera
  ${EndIf}

  ; The panel leads: it shows what the camera sends, and sets its format.
  SetOutPath "$INSTDIR\$Native"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Camera panel.lnk" "$INSTDIR\$Native\${PANEL_EXE}" \
    "" "" "" SW_SHOWNORMAL "" "Chooses what the camera shows: a picture, a video, the screen or a window"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Test pattern.lnk" "$INSTDIR\$Native\qvl_producer.exe" \
    "--seconds 0" "" "" SW_SHOWNORMAL "" "Sends moving colour bars to the camera until closed"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk" "$INSTDIR\uninstall.exe"

  ${GetSize} "$INSTDIR" "/S=0K" $R0 $R1 $R2
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}: the ${CAMERA} virtual camera"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $R0
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${If} $Win11Result != ""
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "${WIN11_VALUE}" "$Win11Result"
  ${EndIf}
SectionEnd

; A failed install takes back what it did: registrations, files, shortcuts. The earlier
; version, if any, is gone by then; the machine is left without the camera, never half.
Function .onInstFailed
  ${If} $Changed == 1
    DetailPrint "Rolling back"
    SetOutPath "$TEMP" ; the folder this process works in cannot be removed
    ${If} $Win11Result == "${WIN11_INSTALLED}"
      nsExec::ExecToLog '"$INSTDIR\x64\qvl_register.exe" mfcamera uninstall'
      Pop $R0
    ${EndIf}
    Push x86
    Push uninstall
    Call RegisterTool
    Pop $R0
    ${If} ${RunningX64}
      Push x64
      Push uninstall
      Call RegisterTool
      Pop $R0
    ${EndIf}
    Call RemoveShortcuts
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    !insertmacro QVL_REMOVE_FILES
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

; All shortcuts but the uninstaller's, which stays while something is left to uninstall.
!macro REMOVE_SHORTCUTS un
Function ${un}RemoveShortcuts
  Delete "$SMPROGRAMS\${PRODUCT}\Camera panel.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Test pattern.lnk"
FunctionEnd
!macroend
!insertmacro REMOVE_SHORTCUTS ""
!insertmacro REMOVE_SHORTCUTS "un."

Function un.onInit
  ; A per-user install is the one whose entry the user's hive holds.
  ReadRegStr $R0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $AllUsers 1
  ${If} $R0 == $INSTDIR
    StrCpy $AllUsers 0
  ${EndIf}
  Call un.SelectScope
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/UPGRADE" $R1
  StrCpy $Upgrade 0
  ${IfNot} ${Errors}
    StrCpy $Upgrade 1
  ${EndIf}
FunctionEnd

; Deletes the machine's key (path on the stack) while it is empty, then each parent below
; Software while that is empty too.
Function un.DeleteEmptyMachineKeys
  Exch $R0
  Push $R1
  Push $R2
  ${Do}
    DeleteRegKey /ifempty HKLM $R0
    StrLen $R1 $R0
    ${Do}
      IntOp $R1 $R1 - 1
      ${IfThen} $R1 < 1 ${|} ${ExitDo} ${|}
      StrCpy $R2 $R0 1 $R1
    ${LoopUntil} $R2 == "\"
    ${IfThen} $R1 < 1 ${|} ${ExitDo} ${|}
    StrCpy $R0 $R0 $R1
  ${LoopUntil} $R0 == "Software"
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Runs one uninstall step (folder and command on the stack, as for RegisterTool); names the
; step (third on the stack) in $Failed when it fails and pushes 1 then, else 0. A folder
; already gone was unregistered by an earlier uninstall that stopped short of the rest.
Function un.Step
  Exch 2
  Exch $R2 ; what it removes, for the message
  Exch 2
  Exch
  Exch $R1 ; folder
  Exch
  ${If} ${FileExists} "$INSTDIR\$R1\qvl_register.exe"
    Exch
    Exch $R1
    Exch
    Call un.RegisterTool
    Pop $R0
  ${Else}
    Pop $R0 ; the command
    Pop $R1
    StrCpy $R0 0
  ${EndIf}
  ${If} $R0 != 0
    DetailPrint "unregistering $R2 failed ($R0)"
    ${If} $Failed != ""
      StrCpy $Failed "$Failed, "
    ${EndIf}
    StrCpy $Failed "$Failed$R2"
    StrCpy $R0 1
  ${Else}
    StrCpy $R0 0
  ${EndIf}
  Pop $R2
  Push $R0
FunctionEnd

; Each user's camera settings and panel choices stay: they are each user's own, in each
; user's hive. The machine's format and the user's start-up value go, except when a newer
; version replaces this one (/UPGRADE).
; A camera that cannot be unregistered keeps its folder (the files its registration names and
; the tool that removes it), the uninstaller, its entry and its shortcut, so that uninstalling
; again can finish; everything else is removed, and the status is 2.
Section "Uninstall"
  SetDetailsPrint both
  Push $INSTDIR
  Call un.QuitPanel
  Push $INSTDIR
  Call un.WaitUntilFree
  StrCpy $Failed ""
  StrCpy $R6 0 ; 1: the x64 folder stays
  ${If} ${RunningX64}
    ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "${WIN11_VALUE}"
    ${If} $R0 == "${WIN11_INSTALLED}"
      Push "the Windows 11 camera"
      Push x64
      Push "mfcamera uninstall"
      Call un.Step
      Pop $R6
      ${If} $R6 == 0
        DeleteRegValue SHCTX "${UNINSTALL_KEY}" "${WIN11_VALUE}"
      ${EndIf}
    ${EndIf}
    Push "the x64 camera"
    Push x64
    Push uninstall
    Call un.Step
    Pop $R0
    IntOp $R6 $R6 | $R0
  ${EndIf}
  Push "the x86 camera"
  Push x86
  Push uninstall
  Call un.Step
  Pop $R7 ; 1: the x86 folder stays

  ${If} $Upgrade != 1
    DeleteRegValue HKCU "${RUN_KEY}" "${PANEL_RUN_VALUE}"
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "${PANEL_RUN_VALUE}"
  ${EndIf}
  ${If} $AllUsers == 1
  ${AndIf} $Upgrade != 1
    DeleteRegValue HKLM "${SETTINGS_KEY}" "${SETTING_WIDTH}"
    DeleteRegValue HKLM "${SETTINGS_KEY}" "${SETTING_HEIGHT}"
    DeleteRegValue HKLM "${SETTINGS_KEY}" "${SETTING_FPS}"
    Push "${SETTINGS_KEY}"
    Call un.DeleteEmptyMachineKeys
  ${EndIf}
  Call un.RemoveShortcuts
  ${If} $Failed == ""
    !insertmacro QVL_REMOVE_FILES
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    Return
  ${EndIf}
  ${If} $R6 == 0
    !insertmacro QVL_REMOVE_FILES_X64
  ${EndIf}
  ${If} $R7 == 0
    !insertmacro QVL_REMOVE_FILES_X86
  ${EndIf}
  DetailPrint "Not removed: $Failed. Its files and this uninstaller stay in $INSTDIR."
  MessageBox MB_OK|MB_ICONSTOP "Unregistering $Failed failed (the details say why).$\n$\nEverything else is removed. Its files and the uninstaller stay in $INSTDIR: run the uninstaller again to finish." /SD IDOK
  SetErrorLevel 2
SectionEnd
