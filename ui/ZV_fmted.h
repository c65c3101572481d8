// The format dialog of memo objects: category, style, decimals, separator and custom text.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace zv {

// "Formatta variabile". The caller sets Code and the custom text before showing it and, after
// OK, copies both to the selected memos.
class TFmtForm : public QDialog {
    Q_OBJECT
public:
    TFmtForm();

    uint32_t Code = 0;  // the format code being edited
    void SetFormatText(const std::string& text);
    std::string FormatText() const;

    QGroupBox* GroupBox1 = nullptr;
    QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr;
    QWidget* Panel1 = nullptr;
    QLineEdit *Edit3 = nullptr, *SplEdit = nullptr;
    QWidget* Panel2 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillStyles();
    void refreshPanels();
    void setBits(int shift, uint32_t value);
    bool loading_ = false;
};

}  // namespace zv
