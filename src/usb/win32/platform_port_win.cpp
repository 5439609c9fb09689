// The Windows port posts received blocks to its own hidden window, so it has no use for the
// caller's dispatcher.
#include "usb/usb_port.h"

namespace velin {

std::unique_ptr<UsbPort> CreatePlatformUsbPort(UiDispatcher&) { return CreatePlatformUsbPort(); }

}  // namespace velin
