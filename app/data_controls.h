// Data-aware controls: a data source fanning a dataset's events out to bound
// edits, combo boxes and grids. A bound control shows its field in the current
// or pending row; what the user types puts the dataset in edit mode and is
// written into the field when the control loses the focus or the row is posted.
#pragma once

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableView>
#include <functional>
#include <vector>

#include "db/dataset.h"
#include "export/source.h"

namespace kvn::app {

class DataSource;

// What a control receives from its data source.
class DataLink {
 public:
  virtual ~DataLink();
  void SetDataSource(DataSource* source);
  DataSource* GetDataSource() const { return m_source; }
  db::DataSet* DataSet() const;
  bool Active() const;

  virtual void ActiveChanged() {}
  virtual void DataSetChanged() {}
  virtual void Scrolled(int distance) { (void)distance; }
  virtual void RecordChanged(const db::Field* field) { (void)field; }
  virtual void EditingChanged() {}
  virtual void UpdateData() {}

 private:
  DataSource* m_source = nullptr;
};

// The binding between one dataset and any number of controls (the program's
// DataSourceVideo is one).
class DataSource : public db::DataSetObserver {
 public:
  explicit DataSource(db::DataSet* dataSet = nullptr);
  ~DataSource() override;
  DataSource(const DataSource&) = delete;
  DataSource& operator=(const DataSource&) = delete;

  void SetDataSet(db::DataSet* dataSet);
  db::DataSet* DataSet() const { return m_dataSet; }

  void AddLink(DataLink* link);
  void RemoveLink(DataLink* link);

  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void RecordChanged(const db::Field* field) override;
  void EditingChanged() override;
  void UpdateData() override;

 private:
  template <typename F>
  void ForEach(F f) {
    std::vector<DataLink*> copy = m_links;
    for (DataLink* l : copy) f(l);
  }
  db::DataSet* m_dataSet = nullptr;
  std::vector<DataLink*> m_links;
};

// The link of a control bound to one field.
class FieldLink : public DataLink {
 public:
  FieldLink(std::function<QString()> controlText, std::function<void(const QString&)> show);
  void SetFieldName(const QString& name);
  const QString& FieldName() const { return m_fieldName; }
  db::Field* Field() const;
  bool IsModified() const { return m_modified; }
  // The user changed the control: the dataset enters edit mode.
  void UserEdited();
  // The control's text was set by code: written at the next update.
  void Modified() { m_modified = true; }
  // Writes a modified text into the field (throws the conversion messages).
  void WriteField();
  // Shows the field's text again and forgets the control's changes.
  void Reload();

  void ActiveChanged() override { Reload(); }
  void DataSetChanged() override { Reload(); }
  void Scrolled(int) override { Reload(); }
  void RecordChanged(const db::Field* field) override;
  void UpdateData() override { WriteField(); }

 private:
  std::function<QString()> m_controlText;
  std::function<void(const QString&)> m_show;
  QString m_fieldName;
  bool m_modified = false;
  bool m_loading = false;
};

// A control bound to one field: its link, and whether it is being filled
// from the field (its change signals are then not the user's).
template <typename Widget>
class BoundControl : public Widget {
 public:
  void SetDataSource(DataSource* source) { m_link.SetDataSource(source); }
  void SetDataField(const QString& name) { m_link.SetFieldName(name); }
  FieldLink& Link() { return m_link; }

 protected:
  // text: the control's text for the field; show: puts the field's text in
  // the control.
  BoundControl(QWidget* parent, std::function<QString()> text,
               std::function<void(const QString&)> show)
      : Widget(parent), m_link(std::move(text), [this, show = std::move(show)](const QString& t) {
          m_loading = true;
          show(t);
          m_loading = false;
        }) {}

  FieldLink m_link;
  bool m_loading = false;
};

class DBEdit : public BoundControl<QLineEdit> {
 public:
  explicit DBEdit(QWidget* parent = nullptr);
  // Sets the text as code does: when it differs, the field is written at the
  // next update of the row.
  void SetText(const QString& text);
};

class DBComboBox : public BoundControl<QComboBox> {
 public:
  explicit DBComboBox(QWidget* parent = nullptr);
  QString Text() const { return currentText(); }
};

// A text of several lines (the film's summary). Tab moves to the next box.
class DBMemo : public BoundControl<QPlainTextEdit> {
 public:
  explicit DBMemo(QWidget* parent = nullptr);
};

// A whole number in a range, or none: the value below the range shows as a
// dash and leaves the field empty.
class DBSpinBox : public BoundControl<QSpinBox> {
 public:
  DBSpinBox(int minimum, int maximum, QWidget* parent = nullptr);
  // The field's text: empty for none.
  QString FieldText() const;
};

// A yes or no field; an empty field shows unchecked.
class DBCheckBox : public BoundControl<QCheckBox> {
 public:
  DBCheckBox(const QString& caption, QWidget* parent = nullptr);
};

// The running-time box: two hour digits (the first optional), minutes and
// seconds. Text() gives blanks where no digit was typed (" : : " when empty).
class DurationEdit : public QLineEdit {
 public:
  explicit DurationEdit(QWidget* parent = nullptr);
  // What the box expects, in French (its tooltip, and the end of the message
  // that refuses a duration).
  static QString Expected();
  QString Text() const;
  void SetText(const QString& text);
};

struct GridColumn {
  QString field;
  QString title;
  int width = -1;  // pixels; -1 takes the field's display width
};

// A table model over a dataset: one row per record, read by position without
// moving the cursor, so a million rows cost only the rows on screen.
class DataSetModel : public QAbstractTableModel, public DataLink {
 public:
  explicit DataSetModel(QObject* parent = nullptr);
  void SetColumns(std::vector<GridColumn> columns);
  const std::vector<GridColumn>& Columns() const { return m_columns; }
  int FieldIndex(int column) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void ActiveChanged() override;
  void DataSetChanged() override;
  void Scrolled(int distance) override;
  void RecordChanged(const db::Field* field) override;
  void EditingChanged() override;

  std::function<void()> onCurrentMoved;

 private:
  void ResolveFields();
  std::vector<GridColumn> m_columns;
  std::vector<int> m_fieldIndex;
  int m_lastCurrent = -1;
};

// A read-only grid on a data source: whole-row selection, the current row
// follows the dataset and moving in the grid moves the dataset. Ctrl+Del asks
// "Supprimer l'enregistrement ?" and deletes the current row.
class DBGrid : public QTableView {
 public:
  explicit DBGrid(QWidget* parent = nullptr);
  void SetDataSource(DataSource* source);
  void SetColumns(std::vector<GridColumn> columns);
  DataSetModel& Model() { return *m_model; }
  // Pixel width of a field's default display width in this grid's font.
  int DefaultWidth(int displayWidth) const;
  // Typing in the grid: the letters typed in quick succession, given to this
  // function (the main list jumps to the first title that starts with them);
  // without one, the grid's own search.
  std::function<void(const QString& typed)> OnTypedSearch;

  void keyboardSearch(const QString& search) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  void FollowDataSet();
  void ApplyWidths();
  DataSetModel* m_model;
  bool m_following = false;
  QString m_typed;
  QElapsedTimer m_typedAt;
};

// A data grid as an export source: its columns, their fields, titles and
// widths, and the data set it shows.
class DBGridExportSource : public exporting::DBGridSource {
 public:
  explicit DBGridExportSource(DBGrid* grid) : m_grid(grid) {}
  // The model column of the column-th shown one.
  int Shown(int column) const;
  db::DataSet* DataSet() const override;
  bool HasDataSource() const override;
  int ColumnCount() const override;
  db::Field* ColumnField(int column) const override;
  std::string ColumnTitle(int column) const override;
  int ColumnPixelWidth(int column) const override;
  int CharPixelWidth() const override;

 private:
  DBGrid* m_grid;
};

}  // namespace kvn::app
