// The Windows side of the font installation: administrator check, file copy, the machine's
// fonts key, the WM_FONTCHANGE broadcast.
#pragma once

#include "fonts/font_installer.h"

namespace velin::fonts {

class WindowsFontInstallPlatform final : public FontInstallPlatform {
 public:
  bool IsUserAnAdmin() override;
  bool CopyFileOver(const std::string& from, const std::string& to) override;
  RegistryWrite WriteFontsValue(const std::string& name, const std::string& data) override;
  // Waits for every top-level window, except one that does not answer within 5 s (hung): a
  // frozen program elsewhere must not freeze this one.
  void BroadcastFontChange() override;
};

}  // namespace velin::fonts
