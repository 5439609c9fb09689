; Holds Velin's single-instance mutex without any window, so that nothing closes it (for
; scripts/windows/test-package.sh): takes the mutex, creates the file "held" beside itself to
; say so, and waits a minute.
Unicode true
Target amd64-unicode
RequestExecutionLevel user
SilentInstall silent
OutFile "${OUTFILE}"

Function .onInit
  System::Call 'kernel32::CreateMutexW(p 0, i 1, w "MyUniqueMutexName") p .r0'
  FileOpen $1 "$EXEDIR\held" w
  FileClose $1
  Sleep 60000
  Quit
FunctionEnd

Section
SectionEnd
