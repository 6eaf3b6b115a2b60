// A document as an animated WebP file: every frame composed as a viewer shows
// it, encoded by libwebp's animation encoder, lossless or lossy.
#pragma once

#include <string>
#include <vector>

#include "doc/anim_doc.h"
#include "options/write_options.h"
#include "platform/platform.h"

namespace kivo {

// The encoded file, or empty when encoding failed or was cancelled (*cancelled
// says which). Delays
// become milliseconds (hundredths times ten); a document that repeats loops
// forever or its count of repeats plus the first run.
std::vector<uint8_t> EncodeWebp(OwnerWindow owner, const AnimDoc& doc, const WriteOptions& options,
                                bool* cancelled = nullptr);
// Writes through a temporary file: an existing target is replaced only after a
// complete write. Errors are shown.
bool WriteWebp(OwnerWindow owner, const std::string& path, AnimDoc& doc, WriteOptions& options);

}  // namespace kivo
