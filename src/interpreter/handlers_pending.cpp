// Handlers whose commands are not drawn yet: the lines are recognised and dispatched, and
// have no effect until their drawing lands.
#include "interpreter/cmd_thread.h"

namespace velin {

void TCPCLCmdThread::CMD_BARCODE() {}
void TCPCLCmdThread::CMD_CG() {}
void TCPCLCmdThread::CMD_EG() {}
void TCPCLCmdThread::CMD_TSPL_SIZE() {}
void TCPCLCmdThread::CMD_TSPL_CLS() {}
void TCPCLCmdThread::CMD_TSPL_TEXT() {}
void TCPCLCmdThread::CMD_TSPL_PRINT() {}
void TCPCLCmdThread::CMD_TSPL_BAR() {}
void TCPCLCmdThread::CMD_TSPL_BARCODE() {}
void TCPCLCmdThread::CMD_TSPL_QRCODE() {}

}  // namespace velin
