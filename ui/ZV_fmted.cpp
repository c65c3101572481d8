// The format dialog.
#include "ui/ZV_fmted.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "platform/qt/QtText.h"
#include "report/ZV_Const.h"
#include "report/ZV_Format.h"

namespace zv {

namespace {
constexpr int kCategoryShift = 24, kStyleShift = 16, kDecimalsShift = 8, kSeparatorShift = 0;
}  // namespace

TFmtForm::TFmtForm()
{
    setObjectName(QStringLiteral("FmtForm"));
    setWindowTitle(ToQString(kFmtCaption));
    setFixedSize(257, 193);
    GroupBox1 = new QGroupBox(ToQString(kFmtGroup), this);
    GroupBox1->setGeometry(8, 8, 241, 145);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setGeometry(8, 20, 225, ComboBox1->sizeHint().height());
    ComboBox2 = new QComboBox(GroupBox1);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setGeometry(8, 48, 225, ComboBox2->sizeHint().height());
    for (const char* name : kFormatCategoryNames) ComboBox1->addItem(ToQString(name));

    Panel1 = new QWidget(GroupBox1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(8, 80, 225, 56);
    new QLabel(ToQString(kFmtDecimals), Panel1);
    Edit3 = new QLineEdit(Panel1);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setGeometry(120, 0, 40, 21);
    Edit3->setValidator(new QIntValidator(0, 255, Edit3));
    auto* sepLabel = new QLabel(ToQString(kFmtSeparator), Panel1);
    sepLabel->move(0, 28);
    SplEdit = new QLineEdit(Panel1);
    SplEdit->setObjectName(QStringLiteral("SplEdit"));
    SplEdit->setGeometry(120, 28, 24, 21);
    SplEdit->setMaxLength(1);
    SplEdit->installEventFilter(this);

    Panel2 = new QWidget(GroupBox1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(8, 80, 225, 56);
    new QLabel(ToQString(kFmtFormat), Panel2);
    Edit1 = new QLineEdit(Panel2);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(0, 18, 225, 21);

    Button1 = new QPushButton(ToQString(kDialogOk), this);
    Button1->setGeometry(92, 160, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(ToQString(kDialogCancel), this);
    Button2->setGeometry(174, 160, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (loading_ || index < 0) return;
        // A change of category by the user starts again from its first style.
        setBits(kCategoryShift, static_cast<uint32_t>(index));
        setBits(kStyleShift, 0);
        Edit1->clear();
        fillStyles();
        refreshPanels();
    });
    connect(ComboBox2, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (loading_ || index < 0) return;
        setBits(kStyleShift, static_cast<uint32_t>(index));
        refreshPanels();
    });
    connect(Edit3, &QLineEdit::textEdited, this,
            [this](const QString& text) { setBits(kDecimalsShift, static_cast<uint32_t>(text.toInt()) & 0xFF); });
    connect(SplEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
        const std::string c = FromQString(text);
        setBits(kSeparatorShift, static_cast<uint8_t>(c.empty() ? ',' : c[0]));
    });
}

void TFmtForm::SetFormatText(const std::string& text) { Edit1->setText(ToQString(text)); }

std::string TFmtForm::FormatText() const { return FromQString(Edit1->text()); }

void TFmtForm::setBits(int shift, uint32_t value)
{
    const uint32_t mask = (shift == kCategoryShift ? 0x0Fu : 0xFFu) << shift;
    Code = (Code & ~mask) | ((value << shift) & mask);
}

void TFmtForm::fillStyles()
{
    const bool wasLoading = loading_;
    loading_ = true;
    ComboBox2->clear();
    const uint8_t category = FormatCodeCategory(Code);
    if (category < kFormatStyleNames.size())
        for (const char* style : kFormatStyleNames[category])
            if (*style) ComboBox2->addItem(ToQString(style));
    const int style = FormatCodeStyle(Code);
    ComboBox2->setCurrentIndex(style < ComboBox2->count() ? style : 0);
    loading_ = wasLoading;
}

void TFmtForm::refreshPanels()
{
    const bool custom = ComboBox2->currentIndex() == kFormatStyleCustom;
    Panel2->setVisible(custom);
    const bool number = ComboBox1->currentIndex() == fcNumber && !custom;
    if (number && Panel1->isHidden()) {
        Edit3->setText(QString::number(FormatCodeDecimals(Code)));
        const char sep = FormatCodeSeparator(Code);
        SplEdit->setText(sep ? ToQString(std::string(1, sep)) : QString());
    }
    Panel1->setVisible(number);
}

void TFmtForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    loading_ = true;
    const uint8_t category = FormatCodeCategory(Code);
    ComboBox1->setCurrentIndex(category < kFormatCategoryNames.size() ? category : 0);
    loading_ = false;
    fillStyles();
    Panel1->hide();
    refreshPanels();
}

bool TFmtForm::eventFilter(QObject* watched, QEvent* event)
{
    // Entering the separator selects it, so that typing replaces it.
    if (watched == SplEdit && event->type() == QEvent::FocusIn) QTimer::singleShot(0, SplEdit, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

}  // namespace zv
