// The Bluetooth module's replies: whatever the receiver sends back to an AT command. The first
// byte picks the exchange (the name query, the address query, or setting the name), the second
// the size of the USB blocks the reply arrives in; the rest is the reply. The pure reading
// (ParseReply) sees all of it at once; the exchange collects it from the FIFO as the settings
// window does, on a virtual clock, with its bounded buffer and repeated queries.
#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "bluetooth/bluetooth_module.h"
#include "usb/loopback.h"
#include "usb/usb_fifo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int exchange = data[0] % 3;
  const size_t block = 1 + data[1] % 64;
  const std::string_view reply(reinterpret_cast<const char*>(data + 2), size - 2);
  static const char* const kKeys[] = {velin::kNameKey, velin::kAddressKey, ""};
  (void)velin::ParseReply(reply, kKeys[exchange]);

  auto owned = std::make_unique<velin::LoopbackPort>();
  velin::LoopbackPort* port = owned.get();
  velin::TUSBFiFo fifo(std::move(owned), std::make_unique<velin::FixedDeviceSearch>(
                                             std::vector<std::string>{velin::kLoopbackReceiverPath}));
  fifo.FindPrinter();
  velin::VirtualClock clock;
  size_t sent = 0;
  velin::BluetoothModule::Services services;
  services.fifo = &fifo;
  services.clock = &clock;
  // Each pass of the wait lets one more block of the reply arrive and a millisecond pass.
  services.pump = [&] {
    if (sent < reply.size()) {
      const size_t n = std::min(block, reply.size() - sent);
      port->Receive(reinterpret_cast<const uint8_t*>(reply.data() + sent), n);
      sent += n;
    }
    clock.advance(1);
  };
  services.set_paused = [](bool) {};
  services.log = [](const std::string&) {};
  velin::BluetoothModule module(services);
  switch (exchange) {
    case 0: (void)module.QueryName(); break;
    case 1: (void)module.QueryAddress(); break;
    default: (void)module.SetName("Velin"); break;
  }
  return 0;
}
