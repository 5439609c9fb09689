// No metafiles and no clipboard here: the component paints bitmaps only.
#include "symbols/qr/qr_output.h"

namespace velin::qr {

std::unique_ptr<OutputServices> CreateOutputServices() { return nullptr; }

}  // namespace velin::qr
