#include "app/app_texts.h"

#include "velin_build_info.h"

namespace velin::app {

const char* Version() { return VELIN_VERSION; }

std::string VersionLabel() { return std::string("v") + Version() + " USB蓝牙"; }

const Links& MakerLinks() {
  static const Links links{VELIN_SHOP_URL, VELIN_WEB_SITE_URL, VELIN_DOCUMENTS_URL};
  return links;
}

std::string ContactText(const std::string& web_site) {
  return "感谢您选择我司的产品\r"
         "您可从我司网站下载产品的相关资料：" +
         web_site +
         "\r"
         "如果您在安装的过程有任何技术问题，请及时联系我司客服，可提供电话、远程等方式为您服务。谢"
         "谢。";
}

const std::vector<std::string>& UpdateLogLines() {
  static const std::vector<std::string> lines = {
      "【2024-11-24】CPCL语言支持",
      "【2024-12-01】增加修改蓝牙名称功能",
      "【2024-12-08】增加透传模式",
  };
  return lines;
}

}  // namespace velin::app
