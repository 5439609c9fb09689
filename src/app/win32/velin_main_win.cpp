// Velin.exe's entry: one instance per session (the named mutex), the thread locale, then the
// program (App) until its main window closes.
#include <windows.h>

#include <commctrl.h>

#include "app/app_texts.h"
#include "app/win32/app_win.h"
#include "base/win32/wide_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Held until the process ends; a second start finds it.
  HANDLE mutex = CreateMutexW(nullptr, TRUE, velin::Utf8ToWide(velin::app::kMutexName).c_str());
  const DWORD created = GetLastError();
  SetThreadLocale(LOCALE_SYSTEM_DEFAULT);
  if (mutex == nullptr || created == ERROR_ALREADY_EXISTS) {
    MessageBoxW(nullptr, velin::Utf8ToWide(velin::app::kAlreadyRunning).c_str(),
                velin::Utf8ToWide(velin::app::kAlreadyRunningCaption).c_str(), MB_ICONWARNING);
    return 0;
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  try {
    velin::app::App app;
    return app.Run();
  } catch (const std::exception& e) {
    MessageBoxW(nullptr, velin::Utf8ToWide(e.what()).c_str(),
                velin::Utf8ToWide(velin::app::kAppTitle).c_str(), MB_ICONERROR);
    return 1;
  }
}
