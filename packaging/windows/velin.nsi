; Velin's installer: a per-user install (no administrator rights) into
; %LOCALAPPDATA%\Programs\Velin, where config.ini beside Velin.exe stays writable by its user.
; Built by scripts/windows/package.sh, which stages the files and runs
;   makensis -INPUTCHARSET UTF8 -DPKG=<work dir> -DSTAGE=<staged files> -DOUTFILE=<installer> velin.nsi
; <work dir> holds velin-build.nsh (the version and the build's values, written by CMake) and
; files.nsh (the staged files but config.ini: the macros VELIN_INSTALL_FILES and
; VELIN_REMOVE_FILES).
;
; Command line (besides NSIS's own /S and /D=DIR):
;   installer  /AUTOSTART     start Velin at logon (preselects the component; for /S)
;   uninstall  /REMOVECONFIG  with /S: also delete config.ini (kept otherwise; an interactive
;                             uninstall asks)
; Exit codes: 0 done, 1 cancelled by the user, 2 aborted (Velin could not be closed).

Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "${PKG}/velin-build.nsh"
!include "${PKG}/files.nsh"
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velin"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; What the running program is known by: the named mutex it holds for its whole life, and its
; main window (class and title).
!define VELIN_MUTEX "MyUniqueMutexName"
!define VELIN_WINDOW_CLASS "VelinFrame"
!define VELIN_WINDOW_TITLE "Velin|蓝牙打印"
!define SYNCHRONIZE 0x00100000

Name "Velin ${VELIN_VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Velin"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Velin ${VELIN_VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VELIN_VERSION_QUAD}"
VIFileVersion "${VELIN_VERSION_QUAD}"
VIAddVersionKey /LANG=2052 "ProductName" "Velin"
VIAddVersionKey /LANG=2052 "CompanyName" "Velin"
VIAddVersionKey /LANG=2052 "FileDescription" "Velin 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VELIN_VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VELIN_VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Velin"

!define MUI_ICON "${VELIN_ICON}"
!define MUI_UNICON "${VELIN_ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Velin.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; Chinese first: the language of a system that is neither Chinese nor English.
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString SecProgramName ${LANG_SIMPCHINESE} "Velin（必需）"
LangString SecProgramName ${LANG_ENGLISH} "Velin (required)"
LangString SecShortcutName ${LANG_SIMPCHINESE} "“开始”菜单快捷方式"
LangString SecShortcutName ${LANG_ENGLISH} "Start menu shortcut"
LangString SecAutostartName ${LANG_SIMPCHINESE} "登录 Windows 时启动 Velin"
LangString SecAutostartName ${LANG_ENGLISH} "Start Velin when I sign in to Windows"
LangString MsgRunning ${LANG_SIMPCHINESE} "Velin 正在运行。点击“确定”关闭它并继续，点击“取消”退出。"
LangString MsgRunning ${LANG_ENGLISH} "Velin is running. Click OK to close it and go on, or Cancel to quit."
LangString MsgStillRunning ${LANG_SIMPCHINESE} "无法关闭 Velin。请在托盘图标的菜单中选择“退出程序”，然后点击“重试”。"
LangString MsgStillRunning ${LANG_ENGLISH} "Velin did not close. Choose 退出程序 (Exit) in its tray icon's menu, then click Retry."
LangString MsgRemoveConfig ${LANG_SIMPCHINESE} "是否同时删除设置文件 config.ini（打印机、传输模式和字体设置）？$\r$\n$\r$\n选择“否”将保留它，重新安装后设置仍然有效。"
LangString MsgRemoveConfig ${LANG_ENGLISH} "Also delete the settings file config.ini (printer, transfer mode and font settings)?$\r$\n$\r$\nChoose No to keep it for a later install."

; Closes a running Velin before its files are replaced or removed: asks first (a silent run
; does not ask), posts WM_CLOSE to the main window, which ends the program as its tray
; menu's exit does, and waits up to 10 s for the mutex to go. Aborts when the user cancels or
; the program stays.
!macro VELIN_CLOSE_RUNNING un
Function ${un}VelinRunning
  ; $0: 1 while a Velin of this session holds the mutex
  System::Call 'kernel32::OpenMutexW(i ${SYNCHRONIZE}, i 0, w "${VELIN_MUTEX}") p .r1'
  StrCpy $0 0
  ${If} $1 P<> 0
    System::Call 'kernel32::CloseHandle(p r1)'
    StrCpy $0 1
  ${EndIf}
FunctionEnd

Function ${un}CloseVelin
  Call ${un}VelinRunning
  ${If} $0 = 0
    Return
  ${EndIf}
  MessageBox MB_OKCANCEL|MB_ICONINFORMATION "$(MsgRunning)" /SD IDOK IDOK close
  SetErrorLevel 1
  Quit
close:
  FindWindow $1 "${VELIN_WINDOW_CLASS}" "${VELIN_WINDOW_TITLE}"
  ${If} $1 P<> 0
    System::Call 'user32::PostMessageW(p r1, i ${WM_CLOSE}, p 0, p 0)'
  ${EndIf}
  StrCpy $2 0
  ${Do}
    Sleep 200
    Call ${un}VelinRunning
    ${If} $0 = 0
      Return
    ${EndIf}
    IntOp $2 $2 + 1
  ${LoopUntil} $2 >= 50
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(MsgStillRunning)" /SD IDCANCEL IDRETRY close
  DetailPrint "Velin is still running"
  SetErrorLevel 2
  Quit
FunctionEnd
!macroend
!insertmacro VELIN_CLOSE_RUNNING ""
!insertmacro VELIN_CLOSE_RUNNING "un."

Section "!$(SecProgramName)" SecProgram
  SectionIn RO
  Call CloseVelin
  !insertmacro VELIN_INSTALL_FILES
  ; The user's settings survive an upgrade: the default config.ini only where there is none.
  SetOutPath "$INSTDIR"
  SetOverwrite off
  File "${STAGE}/config.ini"
  SetOverwrite on
  WriteUninstaller "$INSTDIR\uninstall.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Velin"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VELIN_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Velin"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Velin.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${VELIN_WEB_SITE_URL}"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "$(SecShortcutName)" SecShortcut
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\Velin.lnk" "$INSTDIR\Velin.exe"
SectionEnd

Section /o "$(SecAutostartName)" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "Velin" '"$INSTDIR\Velin.exe"'
SectionEnd

; What the user left out goes, also when an earlier install had it.
Section "-Leftovers"
  ${IfNot} ${SectionIsSelected} ${SecShortcut}
    Delete "$SMPROGRAMS\Velin.lnk"
  ${EndIf}
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    ReadRegStr $0 HKCU "${RUN_KEY}" "Velin"
    ${If} $0 == '"$INSTDIR\Velin.exe"'
      DeleteRegValue HKCU "${RUN_KEY}" "Velin"
    ${EndIf}
  ${EndIf}
SectionEnd

Function .onInit
  ; An upgrade keeps the start at logon that the user chose before; /AUTOSTART chooses it.
  ReadRegStr $0 HKCU "${RUN_KEY}" "Velin"
  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/AUTOSTART" $2
  ${If} ${Errors}
    ${If} $0 == '"$INSTDIR\Velin.exe"'
      SectionSetFlags ${SecAutostart} ${SF_SELECTED}
    ${EndIf}
  ${Else}
    SectionSetFlags ${SecAutostart} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CloseVelin
  !insertmacro VELIN_REMOVE_FILES
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\Velin.lnk"
  ReadRegStr $0 HKCU "${RUN_KEY}" "Velin"
  ${If} $0 == '"$INSTDIR\Velin.exe"'
    DeleteRegValue HKCU "${RUN_KEY}" "Velin"
  ${EndIf}

  ${If} ${FileExists} "$INSTDIR\config.ini"
    ${If} ${Silent}
      ${GetParameters} $1
      ClearErrors
      ${GetOptions} $1 "/REMOVECONFIG" $2
      ${IfNot} ${Errors}
        Delete "$INSTDIR\config.ini"
      ${EndIf}
    ${Else}
      MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$(MsgRemoveConfig)" IDNO keep
      Delete "$INSTDIR\config.ini"
    keep:
    ${EndIf}
  ${EndIf}
  ; Only an empty folder goes: whatever else the user keeps there stays.
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
