// The function-parameter dialog of the expression editor.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zv {

class TzvReport;

// "Editor di parametri": one row per parameter of the syntax (up to three); OK once every shown
// row is filled. Each row's " ..." opens a nested expression editor on its text.
class TedParamFct : public QDialog {
    Q_OBJECT
public:
    TedParamFct(TzvReport* report, const std::string& syntax, const std::string& description);

    // The rows' texts joined by "," (only the shown rows).
    std::string ParamText() const;
    int ParamCount() const { return paramCount_; }

    QLabel* hlp1 = nullptr;
    QWidget* Panel2 = nullptr;
    QPlainTextEdit* hlp2 = nullptr;
    QWidget* pnP[3] = {};
    QLineEdit* ed[3] = {};  // edX, edY, edZ
    QPushButton* more[3] = {};
    QPushButton *OKBtn = nullptr, *CancelBtn = nullptr;

private:
    void updateOk();
    void editRow(int row);
    TzvReport* report_;
    int paramCount_ = 0;
};

}  // namespace zv
