#include "fonts/font_installer.h"

namespace velin::fonts {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

InstallOutcome InstallFont(const std::string& path, FontInstallPlatform& platform) {
  const std::string name = FileNameOf(path);
  if (!platform.IsUserAnAdmin()) {
    return {InstallOutcome::kNotAdministrator, false, kNeedAdministrator};
  }
  if (!platform.CopyFileOver(path, std::string(kFontsFolder) + name)) {
    return {InstallOutcome::kCopyFailed, false, kCopyFailed};
  }
  if (platform.WriteFontsValue(name, name) ==
      FontInstallPlatform::RegistryWrite::kValueNotWritten) {
    return {InstallOutcome::kRegistryWriteFailed, true, "Failed to set data for '" + name + "'"};
  }
  platform.BroadcastFontChange();
  return {InstallOutcome::kInstalled, false, kFontInstalled};
}

}  // namespace velin::fonts
