// The editor dialog of the barcode page object.
#pragma once

#include <QDialog>
#include <QPixmap>

#include "report/ZV_View.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace zv {

class TzvCodeBarreView;

// "Codice a barre": the text to encode, the symbology, the module width and the three options
// (for two-dimensional symbols the error-correction level instead); three buttons insert a field,
// a variable or an expression into the text.
class TCodeBarreForm : public QDialog, public TzvObjEditorForm {
    Q_OBJECT
public:
    TCodeBarreForm();

    // Fills the controls from the object, shows the dialog and, on OK only, writes them back.
    void ShowEditor(TzvView* view) override;
    // The two steps of ShowEditor around the modal run.
    void Load(const TzvCodeBarreView& view);
    void Store(TzvCodeBarreView& view) const;

    void DBClick();
    void VariablesClick();
    void ExpressionClick();
    void ckViewTextClick();
    // Shows the options of the chosen type: the check boxes and the module width for linear types,
    // the error-correction levels for QR Code and PDF417.
    void cbTypeChange();

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    QLineEdit* M1 = nullptr;
    QComboBox* cbType = nullptr;
    QComboBox* cbEcLevel = nullptr;
    QSpinBox* Zoom = nullptr;  // the edit with its up-down
    QGroupBox* Options = nullptr;
    QCheckBox *ckCheckSum = nullptr, *ckViewText = nullptr, *ckShowCheckSumText = nullptr;
    QPushButton *Variables = nullptr, *DB = nullptr, *Expression = nullptr, *bOk = nullptr, *Cancel = nullptr;

private:
    // Puts text into M1 at the caret by way of the clipboard.
    void insertText(const std::string& text);
    TzvReport* report_ = nullptr;
};

// Gives the barcode object's add-in entry this editor (the windows' start-up does it).
// The toolbar picture of an add-in object: its ButtonBitmap resource (null when there is none).
QPixmap AddInButtonBitmap(const TzvAddInObjectInfo& info);
void RegisterCodeBarreEditor();

}  // namespace zv
