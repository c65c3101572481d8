// Rendering page pictures: one page to a PNG at a chosen resolution, pages to a PDF file.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/emf/EmfReader.h"

namespace zv {

// The picture on white at dpi (96 is one pixel per page pixel). Needs a QGuiApplication.
QImage RenderEmf(const EmfFile& picture, double dpi);
// Writes RenderEmf's image as PNG; the path is Windows-1252. Exception on failure.
void SaveEmfAsPng(const EmfFile& picture, const std::string& path, double dpi);

struct RenderPage {
    const EmfFile* picture = nullptr;
    int32_t paperWidth = 2100;   // tenths of a millimetre
    int32_t paperHeight = 2970;
    uint8_t orientation = 0;     // 0 portrait, 1 landscape
};
// One PDF page per page, each of its own paper size, the picture filling the paper.
void SavePagesAsPdf(const std::vector<RenderPage>& pages, const std::string& path);

// Makes sure a QGuiApplication exists (offscreen when there is no display), for command-line use.
void EnsureGuiApplication();

}  // namespace zv
