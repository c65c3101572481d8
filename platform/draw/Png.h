// PNG writing for 32-bit bitmaps: a small, dependency-free encoder (stored deflate blocks).
#pragma once

#include <string>

#include "platform/draw/Graphics.h"

namespace zv {

// The bytes of a PNG file holding the bitmap: 8-bit RGB, or RGBA when the bitmap has alpha.
// Throws Exception when the bitmap is empty or its pixel count does not match its size.
std::string EncodePng(const Bitmap& bitmap);

// Writes the bitmap as a PNG file, replacing the file safely (SaveFileAtomically).
void SavePng(const std::string& path, const Bitmap& bitmap);

}  // namespace zv
