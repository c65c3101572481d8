// Data-aware controls on Qt Widgets: the record navigator, the data grid and its table model.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QToolButton>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "platform/data/DataSet.h"
#include "platform/qt/QtControls.h"

namespace zv {

// Follows the dataset of a data source. The rows in browse state are a copy of the records' display
// texts, taken again whenever the records change; the record being edited or inserted is read
// from the fields. While inserting, the new record is shown as an extra row at its place.
class DataSetTableModel : public QAbstractTableModel, private DataSetListener {
    Q_OBJECT
public:
    explicit DataSetTableModel(QObject* parent = nullptr);
    ~DataSetTableModel() override;

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return source_; }
    TDataSet* dataSet() const;
    // The row of the dataset's current record (the new one while inserting), -1 when none.
    int currentRow() const;
    // Makes the record of that row current; an edit in progress is posted first.
    void moveToRow(int row);
    // Puts the dataset in edit state on that row's record, as the first keystroke in a cell does;
    // errors are shown in a message box.
    void beginEdit(int row);
    TField* fieldAt(int column) const;
    const std::vector<TField*>& columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Puts the dataset in edit state (on the row's record) and sets the field; errors are shown
    // in a message box and leave the value unchanged.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void currentRowChanged(int row);  // the dataset's cursor moved or the rows were rebuilt
    void columnsChanged();            // the fields were replaced

private:
    void dataEvent(DataEvent event, const TField* field) override;
    void rebuild();
    void takeSnapshot();
    TDataSource* source_ = nullptr;
    std::vector<TField*> columns_;
    std::vector<std::vector<QString>> rows_;
    int insertRow_ = -1;
    bool walking_ = false;
};

// Shows an exception of a data operation the way the application reports errors.
void ShowDataError(const std::exception& e);

class FieldEditDelegate;

// A grid over a data source: one column per visible field (display label and width), the current
// row follows the dataset's current record and back; typing edits in place (the first keystroke
// puts the dataset into edit state, a text cell takes at most the field's size), leaving the row or
// pressing Enter posts, Escape cancels, Insert inserts and Ctrl+Delete deletes after "Delete record?".
class TDBGrid : public QTableView, public TControl {
    Q_OBJECT
public:
    explicit TDBGrid(Component* owner = nullptr);
    std::string className() const override { return "TDBGrid"; }

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return model_.dataSource(); }
    DataSetTableModel& tableModel() { return model_; }
    // Puts the text of an open cell editor into its field and closes the editor (the dataset stays
    // in edit state until posted), as leaving the cell does. Nothing when no editor is open.
    void commitEditor();
    // The open cell editor, or nullptr.
    QWidget* cellEditor() const;

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    void loaded() override;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* e) override;
    void notification(Component* c, Operation op) override;

private:
    void followDataSet(int row);
    void sizeColumns();
    DataSetTableModel model_;
    FieldEditDelegate* delegate_ = nullptr;
    std::string dataSourceName_;
    bool following_ = false;
};

// The ten buttons of the record navigator, in their order.
enum TNavigateBtn : uint8_t {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};
constexpr int kNavigatorButtons = 10;

// A bar of buttons that move through the records of a data source and edit them. The buttons are
// enabled as the dataset's state allows; Delete asks "Delete record?" first.
class TDBNavigator : public QWidget, public TControl, private DataSetListener {
    Q_OBJECT
public:
    explicit TDBNavigator(Component* owner = nullptr);
    ~TDBNavigator() override;
    std::string className() const override { return "TDBNavigator"; }

    void setDataSource(TDataSource* source);
    TDataSource* dataSource() const { return source_; }
    QToolButton* button(TNavigateBtn b) const { return buttons_[b]; }
    // What the button does, as a click does it (errors are shown, not thrown).
    void btnClick(TNavigateBtn b);
    bool confirmDelete = true;

    bool readProperty(const std::string& name, const PropValue& value) override;
    void writeProperties(FormWriter& writer) const override;
    void loaded() override;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void notification(Component* c, Operation op) override;

private:
    void dataEvent(DataEvent event, const TField* field) override;
    void updateButtons();
    std::array<QToolButton*, kNavigatorButtons> buttons_{};
    TDataSource* source_ = nullptr;
    std::string dataSourceName_;
};

// The data source a stored reference names: a component of the same owner, or "Form.Component".
TDataSource* FindDataSourceComponent(const Component& from, const std::string& name);

}  // namespace zv
