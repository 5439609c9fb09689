// The debug window's command log as the program's wiring sees it. The debug window registers
// itself in the WindowRegistry under this class while it is open; the interpreter's debug
// records (WM_DEBUG_DATA) reach it through the registry, and are released unseen while no
// debug window is open. User-interface thread.
#pragma once

#include "interpreter/cmd_thread.h"

namespace velin::app {

class DebugLog {
 public:
  virtual ~DebugLog() = default;
  // One line of the command log (record.MsgStr).
  virtual void AppendLine(const TDebugData& record) = 0;
};

}  // namespace velin::app
