#include "usb/usb_port.h"

namespace velin {

void UsbPort::FindPrinter(DeviceSearch& search) {
  FUSBInfo.isFindPrint = false;
  try {
    if (SearchReceiver(search, FUSBInfo) && FAutoConn && !Opened()) StartComm();
  } catch (...) {
    if (!FUSBInfo.isFindPrint && Opened()) StopComm();
    throw;
  }
  if (!FUSBInfo.isFindPrint && Opened()) StopComm();
}

}  // namespace velin
