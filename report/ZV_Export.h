// Export of prepared pages: through a registered export filter (the texts of each page in reading
// order), and as documents of a registered page writer (PDF, PNG).
#pragma once

#include <string>
#include <vector>

#include "platform/device/PageWriter.h"

namespace zv {

class TzvReport;
class TzvEMFPages;
struct TzvExportFilterInfo;

// The export progress window as the export sees it; the windowing layer provides the real one.
class TzvExportProgress {
public:
    virtual ~TzvExportProgress() = default;
    virtual void Start(const std::string& label, int maximum) = 0;  // shown, position 0
    virtual void SetPosition(int position) = 0;
    virtual bool Cancelled() const = 0;
    virtual void Finish() = 0;  // closed
};

// Exports the report's prepared pages to fileName with the filter of this registry entry: makes
// the filter over a temporary file beside fileName, asks its Setup (a refusal ends the export),
// prepares the report first when it has no pages, then for every page until cancelled:
// OnBeginPage(picture width, height); the page's text records with their reference point and
// current font, sorted by y then x (of two texts at the same point only the first); OnEndPage.
// Then OnEndDoc, and the temporary file replaces fileName by rename. A refusal, a cancel or an
// error leaves the old file as it was and no new one. Errors propagate unchanged. progress may
// be null.
void ExportPages(TzvReport& report, const TzvExportFilterInfo& filter, const std::string& fileName,
                 TzvExportProgress* progress = nullptr);

// Which pages a document export writes, and how.
struct TzvDocumentOptions {
    int FirstPage = 1;  // 1-based
    int LastPage = 0;   // inclusive; 0 or beyond the count: the last page
    double Dpi = 150;   // raster writers
};

// Writes pages FirstPage..LastPage as a document of that writer kind into fileName, replacing it
// by rename once complete. A writer of one page per file writes a single page to fileName and
// several to "name-N.ext" (N the page number, zero-padded to the width of the last one), all
// renamed into place together at the end. Progress shows the kind's description, its bar counts
// pages; a cancel (or any error) leaves no new file and every old one as it was. Answers false
// when cancelled. Errors propagate.
bool ExportDocument(TzvEMFPages& pages, const PageWriterInfo& kind, const std::string& fileName,
                    const DocumentProperties& properties, const TzvDocumentOptions& options,
                    TzvExportProgress* progress = nullptr);
// The same for a report: prepares it first when it has no pages; its Title is the document title.
bool ExportDocument(TzvReport& report, const PageWriterInfo& kind, const std::string& fileName,
                    const TzvDocumentOptions& options = {}, TzvExportProgress* progress = nullptr);
// Prepares the report and writes it as a document of that kind, page by page while the final pass
// makes them, so that the pictures are not all held (a report that interleaves its pages, a
// writer of a file per page or a page range are written after the preparation instead). The
// file is replaced by rename at the end; a failed or cancelled preparation writes nothing and
// answers false (the preparation's error is in the report state as usual). Progress, when given,
// starts with the kind's description and no known maximum (0) and counts the pages written;
// cancelling it ends the preparation after the current page, which then writes nothing.
bool PrepareAndExportDocument(TzvReport& report, const PageWriterInfo& kind, const std::string& fileName,
                              const TzvDocumentOptions& options = {}, TzvExportProgress* progress = nullptr);
// The files ExportDocument writes for pages first..last (1-based, inclusive) of that kind.
std::vector<std::string> DocumentFileNames(const PageWriterInfo& kind, const std::string& fileName, int first,
                                           int last);

}  // namespace zv
