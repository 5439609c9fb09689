; Plays the user of the interactive uninstaller (for scripts/windows/test-package.sh): presses its
; uninstall button, answers the question about config.ini with /ANSWER=6 (yes) or 7 (no), and
; closes the uninstaller when it is done.
; Exit code 0, or 1 when a step did not come within 20 s.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SilentInstall silent
OutFile "${OUTFILE}"
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

; $R0: the dialog (class #32770) with an enabled, visible button $R1, or 0.
Function FindDialogWithButton
  StrCpy $R0 0
  ${Do}
    FindWindow $R0 "#32770" "" "" $R0
    ${If} $R0 = 0
      Return
    ${EndIf}
    GetDlgItem $R2 $R0 $R1
    ${If} $R2 <> 0
      System::Call 'user32::IsWindowVisible(p R2) i .R3'
      System::Call 'user32::IsWindowEnabled(p R2) i .R4'
      ${If} $R3 <> 0
      ${AndIf} $R4 <> 0
        Return
      ${EndIf}
    ${EndIf}
  ${Loop}
FunctionEnd

; Waits up to 20 s for a dialog with button $R1 and presses that button.
Function Press
  StrCpy $R5 0
  ${Do}
    Call FindDialogWithButton
    ${If} $R0 <> 0
      GetDlgItem $R2 $R0 $R1
      System::Call 'user32::PostMessageW(p R2, i ${BM_CLICK}, p 0, p 0)'
      Return
    ${EndIf}
    Sleep 100
    IntOp $R5 $R5 + 1
  ${LoopUntil} $R5 >= 200
  SetErrorLevel 1
  Quit
FunctionEnd

Function .onInit
  ${GetParameters} $0
  ${GetOptions} $0 "/ANSWER=" $1
  StrCpy $R1 1
  Call Press
  StrCpy $R1 $1
  Call Press
  Sleep 200
  StrCpy $R1 1
  Call Press
  SetErrorLevel 0
  Quit
FunctionEnd

Section
SectionEnd
