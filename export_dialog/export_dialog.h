// The export dialog: the component the main window holds (its settings and
// events) and its modal window, which shows the choices of ExportChoices page
// by page, runs the chosen exporter with the progress window beside it, and
// stays open for the next export.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "export/dialog_choices.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QToolButton;
class QWidget;

namespace kvn::exporting {

class CaptionsOptionsPage;
class DialogPage;
class FormatsOptionsPage;
class TQExportDialogProgressF;
class TQExportDialogF;

// The font and workbook colour choosers of the pages, behind one interface
// so that tests can answer them. Questions, messages and file choosers go
// through the program's prompts (qt::Ui()).
class DialogHooks {
 public:
  virtual ~DialogHooks() = default;
  virtual std::optional<Font> ChooseFont(QWidget* parent, const Font& font);
  virtual TxlsColor ChooseXlsColor(QWidget* parent, TxlsColor color);
};
// The Qt choosers.
DialogHooks& QtDialogHooks();

class TQExportDialog : public ExportDialogSettings {
 public:
  DialogHooks* Hooks = nullptr;  // the font and colour choosers; QtDialogHooks() when null
  Shell* FileShell = nullptr;    // opens or prints the file; the exporters' default when null
  Clipboard* ClipboardTarget = nullptr;  // the system clipboard when null

  std::function<void(TQExportDialog*sender, StringList&lines)> OnGetHeader, OnGetFooter;
  std::function<void(TQExport*sender)> OnBeginExport, OnEndExport;
  std::function<void(TQExport*sender, int recNo)> OnFetchedRecord, OnSkippedRecord,
      OnExportedRecord;
  std::function<void(TQExport* sender, TQExportRow& row, bool& accept)> OnBeforeExportRow;
  std::function<void(TQExportXLS* sender, int sheet, TQExportRow& row, bool& accept)>
      OnBeforeExportXLSRow;
  std::function<void(TQExportXLS* sender, int sheet, int recNo)> OnExportedRecordXLS;
  std::function<void(TQExport* sender, int colNo, std::string& text)> OnGetExportText;
  std::function<void(TQExportXLS* sender, int sheet, int colNo, std::string& text)>
      OnGetExportXLSText;
  std::function<void(TQExportDialog* sender, bool& canContinue)> OnStopExport;
  // Names the current record in the exporters' messages.
  std::function<void(TQExport* sender, std::string& label)> OnGetRecordLabel;
  // Called once the window is shown, before the user acts (tests drive it).
  std::function<void(TQExportDialogF* window)> OnShow;

  // Shows the window modally and returns once it is closed. Throws "La source
  // (%s) n'est pas liée" or "La propriété Allowed ne peut être vide" before
  // any window is made.
  void Execute(QWidget* parent = nullptr);
};

class TQExportDialogF : public QDialog {
 public:
  TQExportDialogF(TQExportDialog& component, QWidget* parent);
  ~TQExportDialogF() override;

  ExportChoices& Choices() { return *m_choices; }
  DialogHooks& Hooks();

  // The window's actions, as its buttons run them.
  void SelectType(int type);
  void StartExport();
  void SaveOptionsTo(const QString& fileName);
  void LoadOptionsFrom(const QString& fileName);
  // The null text was typed on another page: the formats page shows it.
  void ShowNullString(const QString& text);
  // The progress window of the export running, nullptr between exports.
  TQExportDialogProgressF* Progress() const { return m_progress; }

  // Pages and controls, by name for tests.
  QTabWidget* Pages = nullptr;
  QWidget *TypePage = nullptr, *FieldsPage = nullptr, *FormatsPage = nullptr,
          *HeaderFooterPage = nullptr, *CaptionsPage = nullptr, *XlsPage = nullptr,
          *RtfPage = nullptr, *HtmlPage = nullptr, *XmlPage = nullptr, *PdfPage = nullptr,
          *AsciiPage = nullptr, *SqlPage = nullptr;
  QLineEdit* FileNameEdit = nullptr;
  QPushButton *ChooseButton = nullptr, *StartButton = nullptr, *CloseButton = nullptr,
              *ToolsButton = nullptr;
  QCheckBox *ShowFileBox = nullptr, *PrintFileBox = nullptr;
  std::vector<QRadioButton*> TypeButtons;
  QListWidget *AvailableList = nullptr, *ExportedList = nullptr;
  QTableWidget* CaptionsGrid = nullptr;
  QCheckBox* AllowCaptionsBox = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape: closes like "Fermer" (the options saved when they are saved
  // automatically), except while an export runs.
  void reject() override;
  void SaveOnClose();
  void showEvent(QShowEvent* event) override;

 private:
  // Common pages.
  QWidget* BuildTypePage();
  // Format pages.

  // Shows every control from the choices.
  void Refresh();
  void UpdateCaption();
  void UpdatePagesForType();
  void UpdateStartButton();
  void BindExporter(TQExport& e);
  void RunExport(TQExport& e);

  TQExportDialog& m_component;
  std::unique_ptr<ExportChoices> m_choices;
  TQExportDialogProgressF* m_progress = nullptr;
  bool m_refreshing = false;
  bool m_shown = false;
  bool m_saved = false;  // the options were saved at this closing
  void RefreshFormatPages();

  // Constraints.
  QCheckBox *m_firstRecord = nullptr, *m_currentRecord = nullptr, *m_exportEmpty = nullptr;
  QLineEdit *m_skip = nullptr, *m_count = nullptr;
  QRadioButton *m_allRecords = nullptr, *m_onlyRecords = nullptr;
  QWidget* m_optionsSubPage = nullptr;
  QTabWidget* m_typeTabs = nullptr;
  // The common pages.
  FormatsOptionsPage* m_formatsPage = nullptr;
  CaptionsOptionsPage* m_captionsPage = nullptr;
  std::vector<DialogPage*> m_commonPages;

  // The format pages.
  std::vector<DialogPage*> m_formatPages;  // every format page, the Excel one first

  friend class TQExportDialog;
  friend class DialogPage;
};

}  // namespace kvn::exporting
