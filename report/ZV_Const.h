// The library's constant texts and tables. Texts are Windows-1252: accented letters are written
// as byte escapes here ("\xE8" is e with grave accent), never as UTF-8 literals.
#pragma once

#include <array>
#include <cstdint>

namespace zv {

// ---- object model and templates --------------------------------------------------------------

// Display names of the 22 band kinds, indexed by TzvBandKind.
inline constexpr std::array<const char*, 22> kBandNames = {
    "Titolo report",
    "Pi\xE8 di pagina report",
    "Instestazione pagina",
    "Pi\xE8 di pagina",
    "Intestazione principale",
    "Dati principali",
    "Pi\xE8 di pagina principale",
    "Intestazione dettagli",
    "Dati dettagli",
    "Pi\xE8 di pagina dettagli",
    "Intestazione sottodettagli",
    "Dati sottodettagli",
    "Pi\xE8 di pagina sottodettagli",
    "Copertura (Sfondo)",
    "Intestazione colonna",
    "Pi\xE8 di pagina colonna",
    "Intestazione gruppo",
    "Pi\xE8 di pagina gruppo",
    "Intestazione Tabella",
    "Dati Tabella",
    "Pi\xE8 di pagina Tabella",
    "Nessuna",
};

// Display names of the special variables, indexed by TzvValue::OtherKind.
inline constexpr std::array<const char*, 9> kSpecialVarNames = {
    "N\xB0 pagina",  "Espressione",          "Data",          "Ora", "N\xB0 linea", "N\xB0 linea continuo",
    "N\xB0 colonna", "N\xB0 linea corrente", "Totale Pagine",
};

// Paper names: entry 0 is the custom paper (code 256), entry c the paper of code c (1..66).
inline constexpr std::array<const char*, 67> kPaperNames = {
    "Personalizzato",
    "Lettera, 8 1/2 x 11\"",
    "Lettera piccola, 8 1/2 x 11\"",
    "Compresso, 11 x 17\"",
    "Libro mastro, 17 x 11\"",
    "Legale, 8 1/2 x 14\"",
    "Dichiarazione, 5 1/2 x 8 1/2\"",
    "Esecutivo, 7 1/4 x 10 1/2\"",
    "A3 297 x 420 mm",
    "A4 210 x 297 mm",
    "A4 foglio piccolo, 210 x 297 mm",
    "A5 148 x 210 mm",
    "B4 250 x 354 mm",
    "B5 182 x 257 mm",
    "Foglio, 8 1/2 x 13\"",
    "Foglio quarto, 215 x 275 mm",
    "Foglio 10 x 14\"",
    "Foglio 11 x 17\"",
    "Note, 8 1/2 x 11\"",
    "9 Busta, 3 7/8 x 8 7/8\"",
    "#10 Busta, 4 1/8  x 9 1/2\"",
    "#11 Busta, 4 1/2 x 10 3/8\"",
    "#12 Busta, 4 3/4 x 11\"",
    "#14 Busta, 5 x 11 1/2\"",
    "C Foglio, 17 x 22\"",
    "D Foglio, 22 x 34\"",
    "E Foglio, 34 x 44\"",
    "DL Busta, 110 x 220 mm",
    "C5 Busta, 162 x 229 mm",
    "C3 Busta,  324 x 458 mm",
    "C4 Busta,  229 x 324 mm",
    "C6 Busta,  114 x 162 mm",
    "C65 Busta, 114 x 229 mm",
    "B4 Busta,  250 x 353 mm",
    "B5 Busta,  176 x 250 mm",
    "B6 Busta,  176 x 125 mm",
    "Busta italiana, 110 x 230 mm",
    "Busta re, 3 7/8 x 7 1/2\"",
    "6 3/4 Busta, 3 5/8 x 6 1/2\"",
    "Standard Fanfold americano, 14 7/8 x 11\"",
    "Standard Fanfold tedesco, 8 1/2 x 12\"",
    "Legale Fanfold tedesco, 8 1/2 x 13\"",
    "B4 (ISO) 250 x 353 mm",
    "Cartolina giapponese 100 x 148 mm",
    "Foglio 9 x 11\"",
    "Foglio 10 x 11\"",
    "Foglio 15 x 11\"",
    "Busta Invito 220 x 220 mm",
    "Lettera Extra 9 \\ 275 x 12\"",
    "Legale Extra 9 \\275 x 15\"",
    "Compresso Extra 11.69 x 18\"",
    "A4 Extra 9.27 x 12.69\"",
    "Lettera Trasversale 8 \\275 x 11\"",
    "A4 Transversale 210 x 297 mm",
    "Lettera Extra Trasversale 9\\275 x 12\"",
    "SuperASuperAA4 227 x 356 mm",
    "SuperBSuperBA3 305 x 487 mm",
    "Lettera Plus 8.5 x 12.69\"",
    "A4 Plus 210 x 330 mm",
    "A5 Trasversale 148 x 210 mm",
    "B5 (JIS) Trasversale 182 x 257 mm",
    "A3 Extra 322 x 445 mm",
    "A5 Extra 174 x 235 mm",
    "B5 (ISO) Extra 201 x 276 mm",
    "A2 420 x 594 mm",
    "A3 Trasversale 297 x 420 mm",
    "A3 Extra Trasversale 322 x 445 mm",
};

inline constexpr const char* kDefaultPrinterName = "Stampante predefinita";

// Message boxes and errors of the object factory and of template loading.
inline constexpr const char* kMsgAddInNotFound =
    "Oggetto non trovato : %s.\n\rUn componente avanzato presente nel report, \n\rnon \xE8 stato "
    "inserito nel programma che ne fa uso.";
inline constexpr const char* kMsgDataSetNotFound = "Non \xE8 stato trovato il zvDataset: ";
inline constexpr const char* kMsgCorruptTemplate =
    "Non \xE8 stato possibile terminare la fase di caricamento del report.\n\rProbabilmente il report "
    "\xE8 corrotto, o contiene componenti non inseriti all'interno del progetto.";
inline constexpr const char* kMsgBadFolderStart = "Si \xE8 tentato di caricare il report ";
inline constexpr const char* kMsgBadFolderMiddle = " da una cartella non valida.";
inline constexpr const char* kMsgBadFolderOnly = "E' possibile caricare il report solo dalla cartella:  ";
inline constexpr const char* kMsgFileMissing =
    "Si \xE8 tentato di caricare da disco il report '%s'. \r\nMa il file '%s' \xE8 inesistente";
inline constexpr const char* kCaptionError = "Errore";
inline constexpr const char* kCaptionWarning = "Attenzione";
inline constexpr const char* kHintCodeBarre = "Inserisci codice a barre";
inline constexpr const char* kTextPicturePlaceholder = "[Immagine]";
inline constexpr const char* kTextSubReportOnPage = "SottoReport in pagina ";

// Page objects: memos, pictures and band objects.
// A failed evaluation of a memo's highlight condition.
inline constexpr const char* kErrHighlightExpr = "Espressione per il calcolo dell'evidenziatura errata";
// A picture field whose first bytes match no known image kind.
inline constexpr const char* kErrUnknownPictureFormat = "Formato immagine sconosciuto.";

// Popup menu items that objects offer to an editing host.
inline constexpr const char* kMenuSeparator = "-";
inline constexpr const char* kMenuFormatVariable = "Formatta variabile...";
inline constexpr const char* kMenuStretched = "Adattato";
inline constexpr const char* kMenuWordWrap = "A capo";
inline constexpr const char* kMenuAutoWidth = "Largezza automatica";
inline constexpr const char* kMenuCenterPicture = "Centra immagine";
inline constexpr const char* kMenuKeepProportions = "Mantieni le proporzioni";
inline constexpr const char* kMenuNewPage = "Forza pagina nuova";
inline constexpr const char* kMenuPrintIfEmpty = "Stampa se i dettagli sono vuoti";
inline constexpr const char* kMenuBreakable = "Banda interrotta";
inline constexpr const char* kMenuCompleteList = "Completa l'elenco";

// ---- report component ------------------------------------------------------------------------

// Internal names of the special variables, indexed like kSpecialVarNames ("" for the expression).
inline constexpr std::array<const char*, 9> kSpecialVarInternal = {
    "PAGE#", "", "DATE", "TIME", "LINE#", "LINETHROUGH#", "COLUMN#", "CURRENT#", "TOTALPAGES",
};
// The special-variable index whose binding is evaluated as an expression.
inline constexpr int kSpecialVarExpression = 1;

// Caption of the preview window; " - " and the report's title follow when it has one.
inline constexpr const char* kPreviewCaption = "Anteprima";
inline constexpr const char* kCaptionTitleSeparator = " - ";

// The preparation-error text: first line, then the message, object, band and page lines.
inline constexpr const char* kErrPreparation = "Si \xE8 verificato un errore durante la fase di preparazione";
inline constexpr const char* kErrObject = "Oggetto";
inline constexpr const char* kErrBand = "Banda:";
inline constexpr const char* kErrPage = "Pagina";
inline constexpr const char* kErrFromEngine = "Errore. ";
// The preparation: the progress window's caption (" - " and the title follow when there is one)
// and the prefixes of its page line in the first pass of two and in the pass that builds pages.
inline constexpr const char* kPrepareCaption = "Report in preparazione";
inline constexpr const char* kProgressFirstPass = "Esecuzione 1\xB0 passo:";
inline constexpr const char* kProgressBuilding = "Pagina in costruzione:";
// A variable bound to a field that its dataset does not have: "Dataset.Field" follows.
inline constexpr const char* kMsgFieldNotFound = "Non \xE8 stato possibile reperire il campo: ";
// A sub-report that plays a design page already being played (directly or through others):
// the page number follows.
inline constexpr const char* kMsgSubReportLoop = "Il sottoreport richiama una pagina gi\xE0 in uso: pagina ";
// A run that makes more output pages, or a sub-report that records more steps, than the limit.
inline constexpr const char* kMsgTooManyPages = "Superato il numero massimo di pagine: ";
inline constexpr const char* kMsgSubReportTooLong = "Superato il numero massimo di righe del sottoreport: ";
// Showing a preview before any preview window class was registered.
inline constexpr const char* kMsgNoPreviewClass = "Nessuna finestra di anteprima registrata.";

// ---- expressions and formatting --------------------------------------------------------------

// Messages of the expression engine; each is followed by the offending text, except the bracket one.
inline constexpr const char kExprBracketCountMsg[] = "Numero errato di parentesi nell'espressione : ";
inline constexpr const char kExprUnknownIdentMsg[] = "Identificatore sconosciuto: ";
inline constexpr const char kExprIncompatibleMsg[] = "Tipo di dati incompatibili nell'espressione: ";
// Raised instead of exhausting the stack when brackets, NOT or nested calls go too deep.
inline constexpr const char kExprTooDeepMsg[] = "Livello di annidamento eccessivo nell'espressione: ";

// Number words: units and teens (0..19), tens (0..9), group words per level (singular, plural).
inline constexpr std::array<const char*, 20> kWordsUnits = {
    "",       "uno",         "due",      "tre",       "quattro", "cinque",  "sei",         "sette",
    "otto",   "nove",        "dieci",    "undici",    "dodici",  "tredici", "quattordici", "quindici",
    "sedici", "diciassette", "diciotto", "diciannove"};
inline constexpr std::array<const char*, 10> kWordsTens = {"",          "",         "venti",    "trenta",  "quaranta",
                                                           "cinquanta", "sessanta", "settanta", "ottanta", "novanta"};
// Index 0 (the units) has no group word. Level 4's plural is "milamiliardi" (2 000 miliardi =
// "duemilamiliardi"); level 5 lies beyond the currency range and is never reached.
inline constexpr std::array<const char*, 6> kWordsGroupSingular = {
    "", "mille", "unmilione", "unmiliardo", "millemiliardi", "unmilionedimiliardi"};
inline constexpr std::array<const char*, 6> kWordsGroupPlural = {"",         "mila",         "milioni",
                                                                 "miliardi", "milamiliardi", "milionidimiliardi"};
inline constexpr const char kWordZero[] = "zero";
inline constexpr const char kWordHundred[] = "cento";
inline constexpr const char kWordPoint[] = "virgola";
inline constexpr const char kWordMinus[] = "meno ";

// The format dialog: category names by FormatCategory, and the style names of each category.
inline constexpr std::array<const char*, 5> kFormatCategoryNames = {"Testo", "Numero", "Data", "Orario", "Logico"};
inline constexpr std::array<std::array<const char*, 5>, 5> kFormatStyleNames = {{
    {"[Nessuno]", "", "", "", ""},
    {"1234,5", "1234,50", "1.234,5", "1.234,50", "Personalizzato"},
    {"05/11/98", "05/11/1998", "5 nov 1998", "5 novembre 1998", "Personalizzato"},
    {"02:43:35", "2:43:35", "02:43", "2:43", "Personalizzato"},
    {"0/1", "Si/No", "X/_", "", ""},
}};

// Logico display texts.
inline constexpr const char kLogicNo[] = "No";
inline constexpr const char kLogicYes[] = "Si";

// ---- preparation -----------------------------------------------------------------------------

// Saving a prepared report that has no pages.
constexpr const char* kNoPreparedPages = "Non ci sono pagine da salvare.";

// Data sources: binding and opening errors (followed by a name), and the filter error.
inline constexpr const char* kMsgDataSetNotAssigned = "Dataset non assegnato: ";
inline constexpr const char* kMsgDataSetClosed = "Dataset chiuso: ";
inline constexpr const char* kMsgDataSetOpenFailed = "Non \xE8 stato possibile aprire il Dataset: ";
inline constexpr const char* kMsgFilterError = "Errore nell'espressione del filtro della banda.";

// ---- barcodes --------------------------------------------------------------------------------
// Encoder errors; "%s" is replaced by the class name, then by the data or the character.
inline constexpr const char* kBarcodeNotNumeric = "Il codice a barre deve essere di tipo numerico";
inline constexpr const char* kBarcodeBadType = "%s: Tipo di codice a barre errato";
inline constexpr const char* kBarcodeEan8Length = "Lunghezza del testo errata (EAN8)";
inline constexpr const char* kBarcodeEan13Length = "Lunghezza del testo errata (EAN13)";
inline constexpr const char* kBarcodeCode93Data = "%s: Code93 dati errati Data <%s>";
inline constexpr const char* kBarcodeCodabarChar = "%s: Codabar carattere non ammesso <%s>";
inline constexpr const char* kBarcodeInternal = "%s: Errore interno";
inline constexpr const char* kBarcodeEmptyText = "%s: Testo vuoto";
inline constexpr const char* kBarcodeUnknownType = "Tipo di codice a barre sconosciuto: ";
inline constexpr const char* kBarcodeEcDefaultQr = "Predefinito (M)";
inline constexpr const char* kBarcodeEcAuto = "Automatico";

// ---- preview and printing --------------------------------------------------------------------

// The preview window: zoom box entries (percentages, then the three modes), buttons and hints.
inline constexpr std::array<const char*, 9> kZoomItems = {
    "200%", "150%", "100%", "75%", "50%", "25%", "Larghezza", "Una pagina", "Due pagine",
};
inline constexpr int kZoomItemPageWidth = 6, kZoomItemOnePage = 7, kZoomItemTwoPages = 8;
inline constexpr const char* kZoomHint = "Ingrandimento";
inline constexpr const char* kPreviewOpenCaption = "&Apri";
inline constexpr const char* kPreviewOpenHint = "Apre un report";
inline constexpr const char* kPreviewSaveCaption = "Sal&va";
inline constexpr const char* kPreviewSaveHint = "Salva il report";
inline constexpr const char* kPreviewPrintCaption = "&Stampa";
inline constexpr const char* kPreviewPrintHint = "Stampa il report";
inline constexpr const char* kPreviewFindCaption = "&Trova";
inline constexpr const char* kPreviewFindHint = "Trova del testo";
inline constexpr const char* kPreviewScreenCaption = "Sc&hermo";
inline constexpr const char* kPreviewScreenHint = "Visualizza l'anteprima a schermo intero";
inline constexpr const char* kPreviewCloseCaption = "&Chiudi";
inline constexpr const char* kPreviewCloseHint = "Chiude il report";
inline constexpr const char* kPreviewFirstHint = "Prima pagina";
inline constexpr const char* kPreviewPrevHint = "Pagina precedente";
inline constexpr const char* kPreviewNextHint = "Pagina successiva";
inline constexpr const char* kPreviewLastHint = "Ultima pagina";
// Page counter: "n di m" in the bottom bar, "Pagina n di m" and ten spaces in full screen.
inline constexpr const char* kPageCounterOf = " di ";
inline constexpr const char* kPageCounterPage = "Pagina ";
// File dialogs of the preview; filters as description|mask pairs.
inline constexpr const char* kOpenDialogTitle = "Apre un report.";
inline constexpr const char* kOpenDialogFilter = "Report files (*.zvp)|*.zvp";
inline constexpr const char* kSaveDialogTitle = "Salva il report.";
inline constexpr const char* kSaveDialogFilter =
    "Report file (*.zvp)|*.zvp|Enhanced Meta File - File Grafico (*.emf)|*.emf";
inline constexpr const char* kMetafileExtension = ".emf";
// The spreadsheet export filters (description and file mask), the sheet's name, and the error of
// a workbook that cannot be written (followed by the writer's reason).
inline constexpr const char* kXlsxFilterDescription = "Foglio di calcolo Excel";
inline constexpr const char* kXlsxFilterMask = "*.xlsx";
inline constexpr const char* kCsvFilterDescription = "Testo CSV";
inline constexpr const char* kCsvFilterMask = "*.csv";
inline constexpr const char* kSheetName = "Foglio1";
inline constexpr const char* kXlsxWriteError = "Impossibile scrivere il foglio di calcolo: ";

// The progress windows: the cancel button of both, the caption of the export one.
inline constexpr const char* kProgressCancel = "&Annulla";
inline constexpr const char* kProgressExportCaption = "Esportazione...";
// Printing: the progress window's caption (" - " and the title follow when there is one), the
// prefix of its page line, and the spooler's job title (the report's title, or "Nessun nome").
inline constexpr const char* kPrintProgressCaption = "Report in preparazione";
inline constexpr const char* kPrintProgressPrefix = "Pagina in stampa:";
inline constexpr const char* kPrintJobTitle = "ZelvoReport- ";
inline constexpr const char* kPrintJobNoName = "Nessun nome";
// A printer (or print file) that cannot start the document: this text, then its name in quotes.
inline constexpr const char* kPrintCannotStart = "Impossibile avviare la stampa su ";

// ---- editing dialogs -------------------------------------------------------------------------
inline constexpr const char* kCodeBarreCaption = "Codice a barre";
inline constexpr const char* kCodeBarreText = "Testo";
inline constexpr const char* kCodeBarreType = "Tipo di codice";
inline constexpr const char* kCodeBarreScale = "Fattore di scala";
inline constexpr const char* kCodeBarreOptions = "Opzioni";
inline constexpr const char* kCodeBarreEcLevel = "Correzione degli errori";
inline constexpr const char* kCodeBarreCheckSum = "Calcola il codice di controllo";
inline constexpr const char* kCodeBarreViewText = "Visualizza il testo";
inline constexpr const char* kCodeBarreShowCheckSum = "Visualizza il codice di controllo";
inline constexpr const char* kCodeBarreVariable = "&Variabile";
inline constexpr const char* kCodeBarreField = "&Campo DB";
inline constexpr const char* kCodeBarreExpression = "&Espressione";
inline constexpr const char* kExprEditorCaption = "Editor di espressioni";
inline constexpr const char* kExprConstants = "Costanti";
inline constexpr const char* kExprConstText = "Testo";
inline constexpr const char* kExprConstNumber = "Numerica";
inline constexpr const char* kExprAdd = "Aggiungi";
inline constexpr const char* kExprOperators = "Operatori";
inline constexpr const char* kExprTabMath = "Matematici";
inline constexpr const char* kExprTabLogic = "Logici";
inline constexpr const char* kExprFunctions = "Funzioni";
inline constexpr const char* kExprData = "Dati";
inline constexpr const char* kExprVariables = "Variabili";
inline constexpr const char* kExprDataItems = "Dati";
inline constexpr const char* kExprUndo = "Ripristina";
inline constexpr const char* kExprClear = "Elimina";
inline constexpr const char* kParamEditorCaption = "Editor di parametri";
inline constexpr const char* kFunctionCategoryAll = "Tutte";
inline constexpr const char* kFunctionCategoryUnknown = "Sconosciute";
inline constexpr const char* kFieldsCaption = "Inserisci campo DB";
inline constexpr const char* kFieldsLabel = "DB disponibili";
inline constexpr const char* kFieldsOther = "Altro";     // the entry of the special values
inline constexpr const char* kFieldsNone = "[Nessuno]";  // the entry that cancels
inline constexpr const char* kVarCaption = "Variabili";
inline constexpr const char* kVarLabel = "Categoria:";
inline constexpr const char* kFmtCaption = "Formatta variabile";
inline constexpr const char* kFmtGroup = "Formato variabile";
inline constexpr const char* kFmtDecimals = "Cifre decimali";
inline constexpr const char* kFmtSeparator = "Simbolo frazione";
inline constexpr const char* kFmtFormat = "Formato";
inline constexpr const char* kDialogOk = "&OK";
inline constexpr const char* kDialogCancel = "&Annulla";

// ---- text search ---------------------------------------------------------------------------
// The find dialog (TFindForm) and the Find operation of the preview.
inline constexpr const char* kFindCaption = "Trova testo.";
inline constexpr const char* kFindLabel = "Testo da trovare";
inline constexpr const char* kFindOptions = "Opzioni";
inline constexpr const char* kFindCase = "Maiuscole/minuscole";
inline constexpr const char* kFindSub = "Parte di una parola";
inline constexpr const char* kFindOrigin = "Origine";
inline constexpr const char* kFindFirstPage = "Prima pagina";
inline constexpr const char* kFindCurrentPage = "Pagina corrente";
inline constexpr const char* kFindNext = "Successivo";
inline constexpr const char* kFindPrevious = "Precedente";
inline constexpr const char* kFindOk = "&OK";
inline constexpr const char* kFindCancel = "&Annulla";
inline constexpr const char* kMsgFindNotFound = "Non \xE8 stato trovato nessun elemento che soddisfi la richiesta.";
inline constexpr const char* kCaptionFindMessage = "Messaggio.";

// ---- name resolver and built-in functions ------------------------------------------------------

// Errors the resolver records with ReportError; each is followed by the function's name.
inline constexpr const char* kMsgFuncArgCount = "E' stato inserito un numero di parametri errato per la funzione : ";
inline constexpr const char* kMsgFuncBadParamFormat = "Formato parametri non valido nella funzione : ";
inline constexpr const char* kMsgFuncStatBand =
    "Non \xE8 possibile inserire in una banda non abilitata la funzione statistica : ";
// Followed by the name, " (", the argument texts joined by "," and ")".
inline constexpr const char* kMsgFuncBadParamTypes = "Tipi di parametri errati nella funzione: ";
// The euro sign and a blank, before amounts in euro.
inline constexpr const char* kEuroPrefix = "\x80 ";

// The function catalogue the expression editor lists, in its order. Each entry reads
// NAME=Category |SYNTAX |Description (see FunctionCatalogueLine).
struct TzvFunctionInfo {
    const char* Name;
    const char* Category;
    const char* Syntax;
    const char* Description;
};
inline constexpr std::array<const char*, 6> kFunctionCategories = {"Statistiche", "Conversione", "Stringa",
                                                                   "Matematiche", "Logiche",     "Valuta"};
inline constexpr std::array<TzvFunctionInfo, 43> kFunctionCatalogue = {{
    {"AVG", "Statistiche", "AVG(<X>)", "Restituiosce la media della serie <X>"},
    {"COUNT", "Statistiche", "COUNT()", "Restituisce il numero di elementi della serie"},
    {"FORMATDATETIME", "Conversione", "FORMATDATETIME(<X>,<Y>)", "Restituisce la data <Y> con il formato <X>"},
    {"FORMATFLOAT", "Conversione", "FORMATFLOAT(<X>,<Y>)", "Restituisce il numero <Y> con il formato <X>"},
    {"LOWERCASE", "Stringa", "LOWERCASE(<X>)", "Restituisce <X> in minuscolo"},
    {"MAX", "Statistiche", "MAX(<X>)", "Restituisce il valore massimo della serie <X>"},
    {"MIN", "Statistiche", "MIN(<X>)", "Restituisce il valore minimo della serie <X>"},
    {"NAMECASE", "Stringa", "NAMECASE(<X>)",
     "Restituisce <X> in minuscolo eccetto che per il primo carattere in maiuscolo"},
    {"PHRASECASE", "Stringa", "PHRASECASE(<X>)",
     "Restituisce <X> in minuscolo eccetto che per le iniziali di ogni parola contenuta nel testo"},
    {"STRTODATE", "Conversione", "STRTODATE(<X>)", "Restituisce la data contenuta nella stringa <X>"},
    {"STRTOTIME", "Conversione", "STRTOTIME(<X>)", "Restituisce l'orario contenuto nella stringa <X>"},
    {"SUM", "Statistiche", "SUM(<X>)", "Restituisce la somma della serie <X>"},
    {"UPPERCASE", "Stringa", "UPPERCASE(<X>)", "Restituisce <X> in maiuscolo"},
    {"NUMBERTOLETTER", "Stringa", "NUMBERTOLETTER(<X>)", "Restituisce l'equivalente in lettere del numero <X>"},
    {"INT", "Matematiche", "INT(<X>)", "Restituisce la parte intera del numero <X>"},
    {"FRAC", "Matematiche", "FRAC(<X>)", "Resituisce la parte decimale del numero <X>"},
    {"ROUND", "Matematiche", "ROUND(<X>)", "Restituisce il numero intero corrispondente all'arrotondamento si <X>"},
    {"STR", "Stringa", "STR(<X>)", "Restituisce una stringa convertita dal numero <X>"},
    {"COPY", "Stringa", "COPY(<X>,<Y>,<Z>)",
     "Restituisce una sotto-stringa copiata dalla stringa <X> a partire dalla posizione <Y> per <Z> caratteri"},
    {"IF", "Logiche", "IF(<X>,<Y>,<Z>)",
     "Restituisce <Y> se l'espressione <X> \xE8 verificata altrimenti restituisce <Z>"},
    {"TRUNC", "Matematiche", "TRUNC(<X>)", "Restituisce il numero intero corrispondente al troncamento di <X>"},
    {"ABS", "Matematiche", "ABS(<X>)", "Restituisce il valore assoluto di <X>"},
    {"ARCTAN", "Matematiche", "ARCTAN(<X>)", "Restituisce l'arcotangente di <X>"},
    {"COS", "Matematiche", "COS(<X>)", "Restituisce il coseno di <X>"},
    {"EXP", "Matematiche", "EXP(<X>)", "Restituisce l'esponenziale di <X>"},
    {"LN", "Matematiche", "LN(<X>)", "Restituisce il logaritmo naturale di <X>"},
    {"PI", "Matematiche", "PI", "Restituisce il valore di pigreco"},
    {"SIN", "Matematiche", "SIN(<X>)", "Restituisce il seno di <X>"},
    {"SQR", "Matematiche", "SQR(<X>)", "Restituisce il quadrato di <X>"},
    {"SQRT", "Matematiche", "SQRT(<X>)", "Restituisce la radice quadrata di <X>"},
    {"POWER", "Matematiche", "POWER(<X>,<Y>)", "Restituisce il numero equivalente a <X> elevato ad <Y>"},
    {"CEIL", "Matematiche", "CEIL(<X>)",
     "Restituisce il numero intero corrispondente all'arrotondamento per eccesso di <X>"},
    {"FLOOR", "Matematiche", "FLOOR(<X>)",
     "Restituisce il numero intero corrispondente all'arrotondamento per difetto di <X>"},
    {"POS", "Stringa", "POS(<X>,<Y>)",
     "Restituisce il numero corrispondente alla posizione della sottostringa <X> nella stringa <Y>"},
    {"LENGTH", "Stringa", "LENGTH(<X>)", "Restituisce la lunghezza della stringa <X>"},
    {"FILLSTR", "Stringa", "FILLSTR(<X>,<Y>)", "Restituisce una stringa formata da un numero <X> di stringhe <Y>"},
    {"VAL", "Matematiche", "VAL(<X>)", "Restituisce la conversione numerica di <X>"},
    {"MONEY", "Valuta", "MONEY(<X>)",
     "Restituisce una stringa contenente il numero <X> formattato come valuta nel sistema corrente"},
    {"EURO", "Valuta", "EURO(<X>)", "Restituisce una stringa contenente il numero <X> formattato come euro"},
    {"MONEYTOEURO", "Valuta", "MONEYTOEURO(<X>)",
     "Restituisce una stringa contenente il numero <X> convertito dalla moneta corrente in euro e formattato"},
    {"EUROTOMONEY", "Valuta", "EUROTOMONEY(<X>)",
     "Restituisce una stringa contenente il numero <X> convertito da euro alla moneta corrente e formattato"},
    {"MONEYTOEUROVAL", "Valuta", "MONEYTOEUROVAL(<X>)",
     "Restituisce il numero <X> convertito dalla moneta corrente in euro"},
    {"EUROTOMONEYVAL", "Valuta", "EUROTOMONEYVAL(<X>)",
     "Restituisce il numero <X> convertito da euro alla moneta corrente"},
}};

}  // namespace zv
