// Rendering page pictures: one page to a PNG at a chosen resolution, pages to a PDF file, and the
// PDF and PNG document writers the core reaches through platform/PageWriter.h.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/device/PageWriter.h"
#include "platform/emf/EmfReader.h"

namespace zv {

// The picture on white at dpi (96 is one pixel per page pixel). Needs a QGuiApplication.
QImage RenderEmf(const EmfFile& picture, double dpi);
// Writes RenderEmf's image as PNG, replacing the file by rename; the path is Windows-1252.
// Exception on failure.
void SaveEmfAsPng(const EmfFile& picture, const std::string& path, double dpi);

using RenderPage = PagePicture;
// One PDF page per page, each of its own paper size, the picture filling the paper; the file is
// replaced by rename. title (Windows-1252) becomes the document title.
void SavePagesAsPdf(const std::vector<RenderPage>& pages, const std::string& path, const std::string& title = {});

// The writers: "pdf" (every page into one document: real text in subset-embedded fonts, bars as
// vector shapes, pictures as images, each page on its own paper) and "png" (one page per file at
// the resolution asked). Both play the page metafiles through the same player as the preview.
std::unique_ptr<PageDocumentWriter> MakePdfWriter();
std::unique_ptr<PageDocumentWriter> MakePngWriter();
// Registers both kinds (idempotent); the windows' start-up and the command line call it.
void RegisterQtPageWriters();

// Makes sure a QGuiApplication exists (offscreen when there is no display), for command-line use.
void EnsureGuiApplication();

}  // namespace zv
