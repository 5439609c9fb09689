// Looking at what the QR component hands to GDI and the clipboard: metafiles played back onto
// 32-bit DIB sections, packed DIBs read back, the clipboard written as another program would,
// and the process's live GDI objects counted.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/bitmap.h"

namespace velin::test {

// Pixels a playback left untouched keep this colour.
constexpr Color kUnpainted = 0x5A3C1E;

// `emf` played back with PlayEnhMetaFile onto the rectangle (0, 0)-(width, height) of a
// top-down 32-bit DIB section of that size.
Bitmap32 PlayEnhMetafile(HENHMETAFILE emf, int width, int height);
// A Windows metafile picture played back as a clipboard reader does: mapping mode
// MM_ANISOTROPIC with a viewport of width × height, then PlayMetaFile.
Bitmap32 PlayMetafilePict(const METAFILEPICT& pict, int width, int height);
// A packed DIB (CF_DIB) of 24 or 32 bits per pixel read into a bitmap; nullopt for anything
// else.
std::optional<Bitmap32> ReadPackedDib(const void* dib, size_t size);

// "equal", or how many pixels differ and where the first difference lies, and by how much
// at most in one colour channel. Pixels whose every channel is within `tolerance` levels of
// the wanted one count as equal.
std::string Compare(const Bitmap32& got, const Bitmap32& want, int tolerance = 0);

// Empties the clipboard and puts `bytes` (a terminating zero is added) in `format`, as another
// program would; false when the clipboard cannot be opened.
bool PutClipboardBytes(UINT format, const std::string& bytes);
// The formats on the clipboard, in the order EnumClipboardFormats gives them.
std::vector<UINT> ClipboardFormats();

// The GDI objects this process holds: GetGuiResources where the system counts them; under
// Wine, whose GetGuiResources is not implemented (0 and ERROR_CALL_NOT_IMPLEMENTED), by asking
// GetObjectType about every slot of the GDI handle table, which Wine answers for a handle
// given by its table index alone.
int LiveGdiObjects();

}  // namespace velin::test
