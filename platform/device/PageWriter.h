// Document writers for page pictures (PDF, PNG): the interface the core writes through, and their registry.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

class EmfFile;
class Stream;

// One page as a writer sees it: the picture and the paper it is meant for.
struct PagePicture {
    const EmfFile* picture = nullptr;
    int32_t paperWidth = 2100;  // tenths of a millimetre
    int32_t paperHeight = 2970;
    uint8_t orientation = 0;  // 0 portrait, 1 landscape
};

struct DocumentProperties {
    std::string title;  // Windows-1252; the document title where the format has one
    double dpi = 150;   // raster formats: pixels per inch
};

// Writes one document into a stream, page by page (a writer of one page per file gets a new
// writer and stream for each page). Errors are exceptions; a writer left without end() has written
// a document that is not complete, and the caller throws it away.
class PageDocumentWriter {
public:
    virtual ~PageDocumentWriter() = default;
    virtual void begin(Stream& out, const DocumentProperties& properties) = 0;
    virtual void addPage(const PagePicture& page) = 0;
    virtual void end() = 0;
};

// A kind of document: "pdf" or "png", the save-dialog description and mask, and the factory.
struct PageWriterInfo {
    std::string kind;
    std::string description;
    std::string fileMask;  // "*.pdf"
    int pagesPerFile = 0;  // 0: any number in one file; 1: a file per page
    std::function<std::unique_ptr<PageDocumentWriter>()> make;
};

// Adds a kind, replacing an earlier one of the same name. The drawing layer registers its
// writers at start-up; a program without it has none.
void RegisterPageWriter(PageWriterInfo info);
void UnregisterPageWriter(std::string_view kind);
const std::vector<PageWriterInfo>& PageWriters();
// The kind of that name (case ignored), or null.
const PageWriterInfo* FindPageWriter(std::string_view kind);

}  // namespace zv
