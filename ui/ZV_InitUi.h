// Start-up and shut-down of the library's windows.
#pragma once

namespace zv {

class TProgressForm;

// After InitReportLibrary, before any window: takes the screen's resolution, creates the single
// progress window and registers the standard preview. Calling it again does nothing more.
void InitReportUi();
// Frees the previews still open and the progress window; before the application object goes.
void DoneReportUi();
// The progress window InitReportUi created (none before or after).
TProgressForm* ProgressForm();

}  // namespace zv
