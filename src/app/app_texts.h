// The program's user-facing texts and build-time values (version, web addresses), in one place.
#pragma once

#include <string>
#include <vector>

namespace velin::app {

inline constexpr char kAppTitle[] = "Velin|蓝牙打印";  // main window title, default caption
inline constexpr char kMutexName[] = "MyUniqueMutexName";
inline constexpr char kAlreadyRunning[] = "程序已经在运行中。";
inline constexpr char kAlreadyRunningCaption[] = "提示";

inline constexpr char kReceiverFound[] = "已识别到蓝牙接收器";
inline constexpr char kReceiverMissing[] = "当前蓝牙适配器未识别";
// The state button's images: receiver found, not found (indices of the 24-pixel image list,
// and the resource ids of their icons).
inline constexpr int kImageReceiverFound = 6;
inline constexpr int kImageReceiverMissing = 8;

inline constexpr char kRestartNotice[] = "修改传输模式需要重新启动软件生效";
inline constexpr char kNoUpdate[] = "当前无更新";
inline constexpr char kUpdateLogTitle[] = "更新日志";


inline constexpr const char* kTransferModes[] = {"透传", "CPCL指令", "TSPL指令"};
inline constexpr const char* kCourierPlatforms[] = {"通用"};

// The program's version ("1.1.2"), set once in the build.
const char* Version();
// "v" + version + " USB蓝牙": the label at the top of the main window's left column.
std::string VersionLabel();

// The maker's addresses (build-time values).
struct Links {
  const char* shop;       // "淘宝网店"
  const char* web_site;   // "访问官网", and the address in the contact text
  const char* documents;  // "文档中心"
};
const Links& MakerLinks();

// "联系客服": three lines separated by carriage returns.
std::string ContactText(const std::string& web_site);

// The update log's lines, oldest first.
const std::vector<std::string>& UpdateLogLines();

}  // namespace velin::app
