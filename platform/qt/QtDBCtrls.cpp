// Data-aware controls on Qt Widgets: the record navigator, the data grid and its table model.
#include "platform/qt/QtDBCtrls.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPointer>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>

#include "platform/base/Error.h"
#include "platform/device/UiServices.h"
#include "platform/qt/QtText.h"

namespace zv {

namespace {

// Hints of the navigator buttons, in button order.
constexpr const char* kNavigatorHints[kNavigatorButtons] = {
    "First record",  "Prior record", "Next record", "Last record", "Insert record",
    "Delete record", "Edit record",  "Post edit",   "Cancel edit", "Refresh data",
};
constexpr const char* kNavigatorNames[kNavigatorButtons] = {
    "nbFirst", "nbPrior", "nbNext", "nbLast", "nbInsert", "nbDelete", "nbEdit", "nbPost", "nbCancel", "nbRefresh",
};
constexpr const char* kDeleteQuestion = "Delete record?";
constexpr const char* kConfirmCaption = "Confirm";
constexpr int kGlyphSize = 16;
// Room above and below a row's text, in pixels.
constexpr int kRowPadding = 6;
// The grid's row indicator: current record, record being edited, record being inserted.
constexpr const char* kIndicatorBrowse = "\xE2\x96\xB6";  // black right-pointing triangle, UTF-8
constexpr const char* kIndicatorEdit = "I";
constexpr const char* kIndicatorInsert = "*";

// A small drawn glyph for each navigator button.
QIcon NavigatorGlyph(TNavigateBtn b, const QColor& ink)
{
    QPixmap pm(kGlyphSize, kGlyphSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    auto triangle = [&p](bool left, int x) {
        QPolygonF t;
        if (left)
            t << QPointF(x + 5, 3) << QPointF(x + 5, 13) << QPointF(x, 8);
        else
            t << QPointF(x, 3) << QPointF(x, 13) << QPointF(x + 5, 8);
        p.drawPolygon(t);
    };
    switch (b) {
    case nbFirst:
        p.drawRect(4, 3, 2, 10);
        triangle(true, 7);
        break;
    case nbPrior: triangle(true, 6); break;
    case nbNext: triangle(false, 6); break;
    case nbLast:
        triangle(false, 4);
        p.drawRect(10, 3, 2, 10);
        break;
    case nbInsert:
        p.drawRect(7, 3, 2, 10);
        p.drawRect(3, 7, 10, 2);
        break;
    case nbDelete: p.drawRect(3, 7, 10, 2); break;
    case nbEdit: {
        QPolygonF t;
        t << QPointF(8, 3) << QPointF(3, 12) << QPointF(13, 12);
        p.drawPolygon(t);
        break;
    }
    case nbPost: {
        QPen pen(QColor(0, 128, 0), 2.2);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF() << QPointF(3, 8) << QPointF(7, 12) << QPointF(13, 4));
        break;
    }
    case nbCancel: {
        QPen pen(QColor(160, 0, 0), 2.2);
        p.setPen(pen);
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    }
    case nbRefresh: {
        QPen pen(ink, 1.8);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(3, 3, 10, 10), 30 * 16, 300 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(QPolygonF() << QPointF(10, 1) << QPointF(14, 5) << QPointF(9, 6));
        break;
    }
    }
    p.end();
    return QIcon(pm);
}

bool Editing(const TDataSet* ds) { return ds && (ds->state() == dsEdit || ds->state() == dsInsert); }

bool IsTextField(const TField& f)
{
    const TFieldType t = f.dataType();
    return t == ftString || t == ftFixedChar || t == ftWideString || t == ftMemo || t == ftFmtMemo;
}

// The advance one character of a field is given in its column: the mean of the capital letters
// for text (names and codes are written in them, and they are the widest letters), of the digits
// for everything else.
double CharWidth(const QFontMetricsF& fm, const TField& f)
{
    const QString sample = IsTextField(f) ? QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ") : QStringLiteral("0123456789");
    return fm.horizontalAdvance(sample) / sample.size();
}

}  // namespace

// The grid's cell editor: limited to the field's size, and the first keystroke puts the dataset
// into edit state, so that the navigator and the row marker show the edit while it is typed.
class FieldEditDelegate : public QStyledItemDelegate {
public:
    FieldEditDelegate(DataSetTableModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* w = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            const TField* f = model_.fieldAt(index.column());
            if (f && f->dataType() != ftMemo && f->dataType() != ftFmtMemo && IsTextField(*f) && f->size() > 0)
                line->setMaxLength(f->size());
            const int row = index.row();
            connect(line, &QLineEdit::textEdited, line, [this, row] { model_.beginEdit(row); });
        }
        editor_ = w;
        return w;
    }

    // Entering edit state repaints the row; what was typed stays in the editor.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor); line && line->isModified()) return;
        QStyledItemDelegate::setEditorData(editor, index);
    }

    QWidget* editor() const { return editor_; }

private:
    DataSetTableModel& model_;
    mutable QPointer<QWidget> editor_;
};

void ShowDataError(const std::exception& e)
{
    std::string caption = FromQString(QCoreApplication::applicationName());
    if (const auto* ze = dynamic_cast<const Exception*>(&e))
        Ui().messageBox(ze->message(), caption, MB_OK | MB_ICONERROR);
    else
        Ui().messageBox(e.what(), caption, MB_OK | MB_ICONERROR);
}

TDataSource* FindDataSourceComponent(const Component& from, const std::string& name)
{
    Component* c = nullptr;
    if (from.owner()) c = from.owner()->findComponent(name);
    if (!c) c = ApplicationRegistry::instance().findQualified(name);
    auto* ds = dynamic_cast<TDataSource*>(c);
    if (!ds) throw Exception("Component " + name + " not found");
    return ds;
}

// ---- table model ---------------------------------------------------------------------------

DataSetTableModel::DataSetTableModel(QObject* parent) : QAbstractTableModel(parent) {}

DataSetTableModel::~DataSetTableModel()
{
    if (source_) source_->removeListener(this);
}

void DataSetTableModel::setDataSource(TDataSource* source)
{
    if (source == source_) return;
    if (source_) source_->removeListener(this);
    source_ = source;
    if (source_) source_->addListener(this);
    rebuild();
}

TDataSet* DataSetTableModel::dataSet() const { return source_ ? source_->dataSet() : nullptr; }

int DataSetTableModel::currentRow() const
{
    TDataSet* ds = dataSet();
    if (!ds || !source_ || source_->state() == dsInactive) return -1;
    int r = ds->recNo();
    return r < 1 ? -1 : r - 1;
}

TField* DataSetTableModel::fieldAt(int column) const
{
    return column >= 0 && column < static_cast<int>(columns_.size()) ? columns_[static_cast<size_t>(column)] : nullptr;
}

void DataSetTableModel::moveToRow(int row)
{
    TDataSet* ds = dataSet();
    if (!ds || !ds->active() || row < 0 || row == currentRow()) return;
    // Rows below a new record keep their number when it is posted; an untouched one is dropped.
    if (ds->state() == dsInsert && row > insertRow_ && !ds->modified()) --row;
    ds->setRecNo(row + 1);
}

void DataSetTableModel::beginEdit(int row)
{
    TDataSet* ds = dataSet();
    if (!ds || !ds->active() || Editing(ds)) return;
    try {
        if (row != currentRow()) moveToRow(row);
        ds->edit();
    } catch (const std::exception& e) {
        ShowDataError(e);
    }
}

void DataSetTableModel::takeSnapshot()
{
    rows_.clear();
    TDataSet* ds = dataSet();
    if (!ds || !ds->active() || Editing(ds)) return;
    const int n = ds->recordCount();
    if (n == 0) return;
    const int saved = ds->recNo();
    const bool wasBof = ds->bof(), wasEof = ds->eof();
    walking_ = true;
    ds->disableControls();
    try {
        rows_.reserve(static_cast<size_t>(n));
        for (int i = 1; i <= n; ++i) {
            ds->setRecNo(i);
            std::vector<QString> row;
            row.reserve(columns_.size());
            for (TField* f : columns_) row.push_back(ToQString(f->asString()));
            rows_.push_back(std::move(row));
        }
        // Put the cursor back with its beginning and end flags.
        if (wasEof)
            ds->last();
        else if (wasBof)
            ds->first();
        else if (saved >= 1)
            ds->setRecNo(saved);
    } catch (...) {
        ds->enableControls();
        walking_ = false;
        throw;
    }
    ds->enableControls();
    walking_ = false;
}

void DataSetTableModel::rebuild()
{
    beginResetModel();
    columns_.clear();
    insertRow_ = -1;
    TDataSet* ds = dataSet();
    if (ds && source_->state() != dsInactive) {
        for (int i = 0; i < ds->fieldCount(); ++i)
            if (ds->field(i)->visible()) columns_.push_back(ds->field(i));
        if (ds->state() == dsInsert) insertRow_ = currentRow();
    }
    if (insertRow_ < 0) takeSnapshot();
    endResetModel();
    emit columnsChanged();
    emit currentRowChanged(currentRow());
}

void DataSetTableModel::dataEvent(DataEvent event, const TField* field)
{
    if (walking_) return;
    switch (event) {
    case DataEvent::Destroying:
        source_ = nullptr;
        rebuild();
        break;
    case DataEvent::ActiveChanged:
    case DataEvent::LayoutChanged:
    case DataEvent::DataSetChanged: rebuild(); break;
    case DataEvent::StateChanged: {
        TDataSet* ds = dataSet();
        // Entering or leaving an insert changes the rows; an edit only the current row.
        if (!ds || ds->state() == dsInsert || insertRow_ >= 0 || ds->state() == dsInactive) {
            rebuild();
        } else {
            int r = currentRow();
            if (r >= 0 && ds->state() == dsBrowse && r < static_cast<int>(rows_.size())) {
                // A cancelled edit shows the stored values again.
                for (size_t c = 0; c < columns_.size(); ++c)
                    rows_[static_cast<size_t>(r)][c] = ToQString(columns_[c]->asString());
            }
            if (r >= 0) {
                emit dataChanged(index(r, 0), index(r, columnCount() - 1));
                emit headerDataChanged(Qt::Vertical, r, r);
            }
        }
        break;
    }
    case DataEvent::FieldChanged: {
        int r = currentRow();
        if (r < 0) break;
        int c = 0;
        for (; c < columnCount(); ++c)
            if (columns_[static_cast<size_t>(c)] == field) break;
        if (c < columnCount())
            emit dataChanged(index(r, c), index(r, c));
        else
            emit dataChanged(index(r, 0), index(r, columnCount() - 1));
        break;
    }
    case DataEvent::Scrolled: {
        int r = currentRow();
        emit headerDataChanged(Qt::Vertical, 0, std::max(0, rowCount() - 1));
        emit currentRowChanged(r);
        break;
    }
    }
}

int DataSetTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid()) return 0;
    return static_cast<int>(rows_.size()) + (insertRow_ >= 0 ? 1 : 0);
}

int DataSetTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DataSetTableModel::data(const QModelIndex& idx, int role) const
{
    if (!idx.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const int r = idx.row(), c = idx.column();
    if (c < 0 || c >= columnCount() || r < 0 || r >= rowCount()) return {};
    TDataSet* ds = dataSet();
    if (Editing(ds) && r == currentRow()) return ToQString(columns_[static_cast<size_t>(c)]->asString());
    int stored = insertRow_ >= 0 && r > insertRow_ ? r - 1 : r;
    if (stored < 0 || stored >= static_cast<int>(rows_.size())) return QString();
    return rows_[static_cast<size_t>(stored)][static_cast<size_t>(c)];
}

QVariant DataSetTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) {
        TField* f = fieldAt(section);
        return f ? ToQString(f->displayLabel()) : QVariant();
    }
    if (section != currentRow()) return QString();
    TDataSet* ds = dataSet();
    if (ds && ds->state() == dsInsert) return QString::fromUtf8(kIndicatorInsert);
    if (ds && ds->state() == dsEdit) return QString::fromUtf8(kIndicatorEdit);
    return QString::fromUtf8(kIndicatorBrowse);
}

Qt::ItemFlags DataSetTableModel::flags(const QModelIndex& idx) const
{
    if (!idx.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    TDataSet* ds = dataSet();
    TField* field = fieldAt(idx.column());
    if (ds && field && ds->canModify() && !field->readOnly()) f |= Qt::ItemIsEditable;
    return f;
}

bool DataSetTableModel::setData(const QModelIndex& idx, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !idx.isValid()) return false;
    TDataSet* ds = dataSet();
    TField* field = fieldAt(idx.column());
    if (!ds || !field) return false;
    try {
        if (idx.row() != currentRow()) moveToRow(idx.row());
        std::string text = FromQString(value.toString());
        // Leaving a cell unchanged does not start an edit.
        if (!Editing(ds) && field->asString() == text) return true;
        if (!Editing(ds)) ds->edit();
        field->setAsString(text);
    } catch (const std::exception& e) {
        ShowDataError(e);
        return false;
    }
    return true;
}

// ---- grid ----------------------------------------------------------------------------------

TDBGrid::TDBGrid(Component* owner) : QTableView(nullptr), TControl(this, owner)
{
    setModel(&model_);
    delegate_ = new FieldEditDelegate(model_, this);
    setItemDelegate(delegate_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    verticalHeader()->setMinimumWidth(12);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    connect(&model_, &DataSetTableModel::currentRowChanged, this, [this](int row) { followDataSet(row); });
    connect(&model_, &DataSetTableModel::columnsChanged, this, [this] { sizeColumns(); });
}

void TDBGrid::setDataSource(TDataSource* source)
{
    if (TDataSource* old = model_.dataSource()) removeFreeNotification(old);
    if (source) freeNotification(source);
    model_.setDataSource(source);
}

void TDBGrid::notification(Component* c, Operation op)
{
    TControl::notification(c, op);
    if (op == Operation::Remove && c == model_.dataSource()) model_.setDataSource(nullptr);
}

QWidget* TDBGrid::cellEditor() const
{
    return state() == QAbstractItemView::EditingState ? delegate_->editor() : nullptr;
}

void TDBGrid::commitEditor()
{
    QWidget* editor = cellEditor();
    if (!editor) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::sizeColumns()
{
    const QFontMetrics fm(font());
    const QFontMetricsF fmf(font());
    // The item delegate keeps a focus-frame margin and a pixel on both sides of the text.
    const int textMargin = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    for (int c = 0; c < model_.columnCount(); ++c) {
        TField* f = model_.fieldAt(c);
        int w = static_cast<int>(std::ceil(f->displayWidth() * CharWidth(fmf, *f)));
        w = std::max(w, fm.horizontalAdvance(ToQString(f->displayLabel())));
        setColumnWidth(c, w + textMargin);
    }
    verticalHeader()->setDefaultSectionSize(fm.height() + kRowPadding);
}

void TDBGrid::followDataSet(int row)
{
    if (following_) return;
    following_ = true;
    QModelIndex cur = currentIndex();
    int col = cur.isValid() ? cur.column() : 0;
    if (row >= 0 && model_.columnCount() > 0) {
        QModelIndex target = model_.index(row, std::min(col, model_.columnCount() - 1));
        if (target != cur) setCurrentIndex(target);
        scrollTo(target);
    }
    following_ = false;
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (following_ || !current.isValid()) return;
    if (current.row() == model_.currentRow()) return;
    following_ = true;
    try {
        model_.moveToRow(current.row());
    } catch (const std::exception& e) {
        ShowDataError(e);
    }
    following_ = false;
    // The move may have been refused or the rows rebuilt: show where the dataset really is.
    followDataSet(model_.currentRow());
}

void TDBGrid::keyPressEvent(QKeyEvent* e)
{
    TDataSet* ds = model_.dataSet();
    if (ds && ds->active() && state() != QAbstractItemView::EditingState) {
        try {
            switch (e->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (Editing(ds)) {
                    ds->post();
                    e->accept();
                    return;
                }
                break;
            case Qt::Key_Escape:
                if (Editing(ds)) {
                    ds->cancel();
                    e->accept();
                    return;
                }
                break;
            case Qt::Key_Insert:
                ds->insert();
                e->accept();
                return;
            case Qt::Key_Delete:
                if (e->modifiers() & Qt::ControlModifier) {
                    if (!ds->isEmpty() &&
                        Ui().messageBox(kDeleteQuestion, kConfirmCaption, MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL)
                        ds->deleteRecord();
                    e->accept();
                    return;
                }
                break;
            default: break;
            }
        } catch (const std::exception& ex) {
            ShowDataError(ex);
            return;
        }
    }
    QTableView::keyPressEvent(e);
}

bool TDBGrid::readProperty(const std::string& name, const PropValue& v)
{
    if (name == "DataSource") {
        if (v.kind != PropValue::Kind::Ident) throw Exception("Invalid property value");
        dataSourceName_ = v.text;
        return true;
    }
    return TControl::readProperty(name, v);
}

void TDBGrid::writeProperties(FormWriter& w) const
{
    TControl::writeProperties(w);
    if (TDataSource* s = model_.dataSource())
        w.writeIdent("DataSource", s->name());
    else if (!dataSourceName_.empty())
        w.writeIdent("DataSource", dataSourceName_);
}

void TDBGrid::loaded()
{
    if (!dataSourceName_.empty()) setDataSource(FindDataSourceComponent(*this, dataSourceName_));
}

// ---- navigator -----------------------------------------------------------------------------

TDBNavigator::TDBNavigator(Component* owner) : QWidget(nullptr), TControl(this, owner)
{
    const QColor ink = palette().color(QPalette::ButtonText);
    for (int i = 0; i < kNavigatorButtons; ++i) {
        auto b = static_cast<TNavigateBtn>(i);
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(kNavigatorNames[i]));
        button->setIcon(NavigatorGlyph(b, ink));
        button->setToolTip(QString::fromLatin1(kNavigatorHints[i]));
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(false);
        connect(button, &QToolButton::clicked, this, [this, b] { btnClick(b); });
        buttons_[static_cast<size_t>(i)] = button;
    }
    updateButtons();
}

TDBNavigator::~TDBNavigator()
{
    if (source_) source_->removeListener(this);
}

void TDBNavigator::setDataSource(TDataSource* source)
{
    if (source == source_) return;
    if (source_) {
        source_->removeListener(this);
        removeFreeNotification(source_);
    }
    source_ = source;
    if (source_) {
        source_->addListener(this);
        freeNotification(source_);
    }
    updateButtons();
}

void TDBNavigator::notification(Component* c, Operation op)
{
    TControl::notification(c, op);
    if (op == Operation::Remove && c == source_) {
        source_ = nullptr;
        updateButtons();
    }
}

void TDBNavigator::dataEvent(DataEvent event, const TField*)
{
    if (event == DataEvent::Destroying) source_ = nullptr;
    updateButtons();
}

void TDBNavigator::updateButtons()
{
    TDataSet* ds = source_ ? source_->dataSet() : nullptr;
    const bool active = ds && source_->state() != dsInactive;
    const bool up = active && !ds->bof();
    const bool down = active && !ds->eof();
    const bool canModify = active && ds->canModify();
    const bool editing = active && Editing(ds);
    auto set = [this](TNavigateBtn b, bool on) { buttons_[b]->setEnabled(on); };
    set(nbFirst, up);
    set(nbPrior, up);
    set(nbNext, down);
    set(nbLast, down);
    set(nbInsert, canModify);
    set(nbDelete, canModify && !(ds->bof() && ds->eof()));
    set(nbEdit, canModify && !editing);
    set(nbPost, canModify && editing);
    set(nbCancel, canModify && editing);
    set(nbRefresh, active);
}

void TDBNavigator::btnClick(TNavigateBtn b)
{
    TDataSet* ds = source_ ? source_->dataSet() : nullptr;
    if (!ds || !ds->active()) return;
    try {
        switch (b) {
        case nbFirst: ds->first(); break;
        case nbPrior: ds->prior(); break;
        case nbNext: ds->next(); break;
        case nbLast: ds->last(); break;
        case nbInsert: ds->insert(); break;
        case nbDelete:
            if (!confirmDelete ||
                Ui().messageBox(kDeleteQuestion, kConfirmCaption, MB_OKCANCEL | MB_ICONQUESTION) != IDCANCEL)
                ds->deleteRecord();
            break;
        case nbEdit: ds->edit(); break;
        case nbPost: ds->post(); break;
        case nbCancel: ds->cancel(); break;
        case nbRefresh: ds->refresh(); break;
        }
    } catch (const std::exception& e) {
        ShowDataError(e);
    }
    updateButtons();
}

void TDBNavigator::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    // The buttons share the width; the remainder goes to the first ones, a pixel each.
    const int w = width() / kNavigatorButtons, extra = width() % kNavigatorButtons;
    int x = 0;
    for (int i = 0; i < kNavigatorButtons; ++i) {
        int bw = w + (i < extra ? 1 : 0);
        buttons_[static_cast<size_t>(i)]->setGeometry(x, 0, bw, height());
        x += bw;
    }
}

bool TDBNavigator::readProperty(const std::string& name, const PropValue& v)
{
    if (name == "DataSource") {
        if (v.kind != PropValue::Kind::Ident) throw Exception("Invalid property value");
        dataSourceName_ = v.text;
        return true;
    }
    if (name == "ConfirmDelete") {
        confirmDelete = v.asBool();
        return true;
    }
    return TControl::readProperty(name, v);
}

void TDBNavigator::writeProperties(FormWriter& w) const
{
    TControl::writeProperties(w);
    if (source_)
        w.writeIdent("DataSource", source_->name());
    else if (!dataSourceName_.empty())
        w.writeIdent("DataSource", dataSourceName_);
    if (!confirmDelete) w.writeBool("ConfirmDelete", false);
}

void TDBNavigator::loaded()
{
    if (!dataSourceName_.empty()) setDataSource(FindDataSourceComponent(*this, dataSourceName_));
}

}  // namespace zv
