// The report library's start-up and shut-down, and the component that stands for the barcode unit.
#pragma once

#include <string>

#include "platform/base/Component.h"

namespace zv {

// Placed on a form, it brings the barcode objects into the program; it has no settings.
class TzvCodeBarreObject : public Component {
public:
    using Component::Component;
    std::string className() const override { return "TzvCodeBarreObject"; }
};

// Start-up, before any window exists: fills the band-name and special-variable tables, creates
// the process-wide state and the printer settings, registers the barcode object as an add-in
// (with its button hint), the spreadsheet export filters (XLSX, CSV) and the component classes
// "TzvReport" and "TzvCodeBarreObject" of the window descriptions. Calling it again does nothing
// more.
void InitReportLibrary();
// Shut-down: frees the previews still open and withdraws the progress window.
void DoneReportLibrary();

}  // namespace zv
