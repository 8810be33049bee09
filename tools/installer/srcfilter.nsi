; The Windows installer of the camera, built by scripts/make-installer.sh (which defines
; VERSION, STAGE, FILES, OUTFILE, PUBLISHER, CAMERA and the settings' key, names and defaults).
;
; A 32-bit installer, so that one file serves 32-bit Windows (the x86 camera) and 64-bit
; Windows (both cameras; the x64 parts through the 64-bit registry view). Each camera is
; registered by its own bitness's qvl_register.
;
; Command line: /S silent; /ALLUSERS (the default when silent) or /CURRENTUSER;
; /FORMAT=WIDTHxHEIGHT@FPS the camera's format for the user who runs it; /D=FOLDER.
; Exit status: 0 installed, 1 cancelled, 2 failed (nothing of this version left behind).
Unicode true
ManifestSupportedOS all
RequestExecutionLevel highest
SetCompressor /SOLID lzma
AllowSkipFiles off

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include nsDialogs.nsh
!include MUI2.nsh

!define PRODUCT srcfilter
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
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

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
Page custom FormatPage FormatPageLeave
!insertmacro MUI_PAGE_INSTFILES
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
; so that a bad value is refused before anything is installed. Error flag set on failure.
Function StoreFormat
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  ${If} ${RunningX64}
    File "${STAGE}/x64/qvl_register.exe"
  ${Else}
    File "${STAGE}/x86/qvl_register.exe"
  ${EndIf}
  nsExec::ExecToStack '"$PLUGINSDIR\qvl_register.exe" format $Format'
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

Function FormatPage
  !insertmacro MUI_HEADER_TEXT "Camera format" "The picture size and frame rate programs get from the camera."
  nsDialogs::Create 1018
  Pop $R0
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
  ${NSD_CreateLabel} 0 0 100% 30u "Programs that open the camera get pictures of this size at this rate (for you, the user who installs it). The Start menu's Camera format entry changes it later."
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
  ${If} $Format != ""
    Call StoreFormat
    ${If} ${Errors}
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}

  ; Nothing changes while a program holds a file of this or the earlier install.
  ReadRegStr $R5 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
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
    ExecWait '"$R5\uninstall.exe" /S _?=$R5' $R0
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

  SetOutPath "$INSTDIR\$Native"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Test pattern.lnk" "$INSTDIR\$Native\qvl_producer.exe" \
    "--seconds 0" "" "" SW_SHOWNORMAL "" "Sends moving colour bars to the camera until closed"
  !if /FileExists "${STAGE}/x64/qvl_show_picture.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\Show a picture.lnk" \
      "$INSTDIR\$Native\qvl_show_picture.exe" "" "" "" SW_SHOWNORMAL "" \
      "Asks for a picture and shows it in the camera until closed"
  !endif
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Camera format.lnk" "$SYSDIR\cmd.exe" \
    '/k qvl_register.exe format & echo. & echo To change it: qvl_register format WIDTHxHEIGHT@FPS' \
    "" "" SW_SHOWNORMAL "" "Shows and changes the camera's picture size and rate"
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
SectionEnd

; A failed install takes back what it did: registrations, files, shortcuts. The earlier
; version, if any, is gone by then; the machine is left without the camera, never half.
Function .onInstFailed
  ${If} $Changed == 1
    DetailPrint "Rolling back"
    SetOutPath "$TEMP" ; the folder this process works in cannot be removed
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
    !insertmacro QVL_REMOVE_FILES
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
  ${EndIf}
FunctionEnd

!macro REMOVE_SHORTCUTS un
Function ${un}RemoveShortcuts
  Delete "$SMPROGRAMS\${PRODUCT}\Test pattern.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Show a picture.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Camera format.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
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
FunctionEnd

; The camera's settings stay: they are each user's own, in each user's hive.
Section "Uninstall"
  SetDetailsPrint both
  Push $INSTDIR
  Call un.WaitUntilFree
  ${If} ${RunningX64}
    Push x64
    Push uninstall
    Call un.RegisterTool
    Pop $R0
    ${If} $R0 != 0
      MessageBox MB_OK|MB_ICONSTOP "Unregistering the x64 camera failed; nothing was removed." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
  ${EndIf}
  Push x86
  Push uninstall
  Call un.RegisterTool
  Pop $R0
  ${If} $R0 != 0
    MessageBox MB_OK|MB_ICONSTOP "Unregistering the x86 camera failed; the files stay." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  Call un.RemoveShortcuts
  !insertmacro QVL_REMOVE_FILES
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
