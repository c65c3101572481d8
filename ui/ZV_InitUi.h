// Start-up and shut-down of the library's windows.
#pragma once

namespace zv {

class TProgressForm;

// After InitReportLibrary, before any window: gives the library's windows their font, loads Qt's
// Italian translations, takes the screen's resolution, creates the single progress window, puts
// the system's default printer behind the printer settings and registers the standard preview and
// the barcode object's editor. Calling it again does nothing more.
void InitReportUi();
// Installs Qt's Italian translations for its own dialogs once; false when they are not installed.
bool LoadQtTranslations();
// Frees the previews still open, the progress window and the printer; before the application object goes.
void DoneReportUi();
// The progress window InitReportUi created (none before or after).
TProgressForm* ProgressForm();

}  // namespace zv
