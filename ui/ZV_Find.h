// The find dialog of the preview.
#pragma once

#include <QDialog>

#include "report/ZV_TextSearch.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace zv {

// "Trova testo.": the text with its history, the case and part-of-word options and the origin.
class TFindForm : public QDialog {
    Q_OBJECT
public:
    TFindForm();

    // Shows the values, and after the dialog closes reads them back (both for OK and Cancel).
    void Load(const TzvFindDialogState& state);
    void Store(TzvFindDialogState& state) const;

    QLabel* FindLabel = nullptr;
    QComboBox* FindText = nullptr;
    QGroupBox* FindOptions = nullptr;
    QCheckBox *FindCase = nullptr, *FindSub = nullptr;
    QGroupBox* FindOrigin = nullptr;
    QRadioButton *FindFirstPage = nullptr, *FindCurrentPage = nullptr, *FindNext = nullptr, *FindPrevious = nullptr;
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FindTextChange();
    bool loading_ = false;
};

// Runs the dialog modally on state; true for OK.
bool RunFindDialog(QWidget* parent, TzvFindDialogState& state);

}  // namespace zv
