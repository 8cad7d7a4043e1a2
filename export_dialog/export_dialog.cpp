#include "export_dialog/export_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "export/options_file.h"
#include "export_dialog/ascii_page.h"
#include "export_dialog/captions_page.h"
#include "export_dialog/color_editor.h"
#include "export_dialog/dialog_util.h"
#include "export_dialog/fields_page.h"
#include "export_dialog/formats_page.h"
#include "export_dialog/header_footer_page.h"
#include "export_dialog/html_page.h"
#include "export_dialog/pdf_page.h"
#include "export_dialog/progress_window.h"
#include "export_dialog/qt_sources.h"
#include "export_dialog/rtf_page.h"
#include "export_dialog/sql_page.h"
#include "export_dialog/xls_page.h"
#include "export_dialog/xml_page.h"
#include "platform/codepage.h"
#include "platform/file_info.h"
#include "qt_support/prompts.h"

namespace kvn::exporting {

// ----------------------------------------------------------------- choosers

std::optional<Font> DialogHooks::ChooseFont(QWidget* parent, const Font& font) {
  bool ok = false;
  QFont initial(ToQString(font.name), font.size);
  initial.setBold(font.bold);
  initial.setItalic(font.italic);
  initial.setUnderline(font.underline);
  initial.setStrikeOut(font.strikeOut);
  const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
  if (!ok) return std::nullopt;
  Font f = font;
  f.name = ToUtf8(chosen.family());
  f.size = chosen.pointSize() > 0 ? chosen.pointSize() : font.size;
  f.bold = chosen.bold();
  f.italic = chosen.italic();
  f.underline = chosen.underline();
  f.strikeOut = chosen.strikeOut();
  return f;
}

TxlsColor DialogHooks::ChooseXlsColor(QWidget* parent, TxlsColor color) {
  return TQExportXLSColorEditorF::Choose(parent, color);
}

DialogHooks& QtDialogHooks() {
  static DialogHooks hooks;
  return hooks;
}

// ----------------------------------------------------------------- component

void TQExportDialog::Execute(QWidget* parent) {
  // The checks come before any window is made.
  ExportChoices check(*this);
  (void)check;
  TQExportDialogF window(*this, parent);
  window.exec();
}

// ----------------------------------------------------------------- window

namespace {

QLineEdit* NumberBox(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
  return edit;
}

// Events are processed between rows, a few dozen times a second: the window
// repaints and its button answers without slowing the export.
void Pump(bool force = false) {
  static QElapsedTimer since;
  if (!since.isValid() || force || since.elapsed() >= 40) {
    QCoreApplication::processEvents();
    since.restart();
  }
}

}  // namespace

TQExportDialogF::TQExportDialogF(TQExportDialog& component, QWidget* parent)
    : QDialog(parent),
      m_component(component),
      m_choices(std::make_unique<ExportChoices>(component)) {
  setObjectName("TQExportDialogF");
  resize(470, 404);
  auto* layout = new QVBoxLayout(this);

  // Top band.
  auto* top = new QGridLayout();
  top->addWidget(new QLabel(Tr("Fichier destination"), this), 0, 0);
  FileNameEdit = new QLineEdit(this);
  FileNameEdit->setObjectName("FileName");
  top->addWidget(FileNameEdit, 0, 1);
  ChooseButton = new QPushButton(Tr("Choisir..."), this);
  ChooseButton->setObjectName("Choisir");
  top->addWidget(ChooseButton, 0, 2);
  ShowFileBox = new QCheckBox(Tr("Ouvrir le fichier après l'export"), this);
  ShowFileBox->setObjectName("ShowFile");
  PrintFileBox = new QCheckBox(Tr("Imprimer le fichier après l'export"), this);
  PrintFileBox->setObjectName("PrintFile");
  top->addWidget(ShowFileBox, 1, 1);
  top->addWidget(PrintFileBox, 2, 1);
  layout->addLayout(top);

  Pages = new QTabWidget(this);
  Pages->setObjectName("Pages");
  layout->addWidget(Pages, 1);
  TypePage = BuildTypePage();
  auto* fields = new FieldsOptionsPage(*this);
  m_formatsPage = new FormatsOptionsPage(*this);
  auto* headerFooter = new HeaderFooterOptionsPage(*this);
  m_captionsPage = new CaptionsOptionsPage(*this);
  m_commonPages = {fields, m_formatsPage, headerFooter, m_captionsPage};
  FieldsPage = fields;
  FormatsPage = m_formatsPage;
  HeaderFooterPage = headerFooter;
  CaptionsPage = m_captionsPage;
  AvailableList = fields->AvailableList;
  ExportedList = fields->ExportedList;
  CaptionsGrid = m_captionsPage->CaptionsGrid;
  AllowCaptionsBox = m_captionsPage->AllowCaptionsBox;
  Pages->addTab(TypePage, Tr("&Type d'Export "));
  Pages->addTab(FieldsPage, Tr("Champs"));
  Pages->addTab(FormatsPage, Tr("&Formats"));
  Pages->addTab(HeaderFooterPage, Tr("Entête && pied de page"));
  Pages->addTab(CaptionsPage, Tr("Libellé"));
  XlsPage = new XlsOptionsPage(*this);
  RtfPage = new RtfOptionsPage(*this);
  HtmlPage = new HtmlOptionsPage(*this);
  XmlPage = new XmlOptionsPage(*this);
  PdfPage = new PdfOptionsPage(*this);
  AsciiPage = new AsciiOptionsPage(*this);
  SqlPage = new SqlOptionsPage(*this);
  for (QWidget* page : {XlsPage, RtfPage, HtmlPage, XmlPage, PdfPage, AsciiPage, SqlPage})
    m_formatPages.push_back(static_cast<DialogPage*>(page));
  Pages->addTab(XlsPage, Tr("Options &Excel"));
  Pages->addTab(RtfPage, Tr("Options Word / RTF"));
  Pages->addTab(HtmlPage, Tr("Options &HTML"));
  Pages->addTab(XmlPage, Tr("Options XML"));
  Pages->addTab(PdfPage, Tr("Options PDF"));
  Pages->addTab(AsciiPage, Tr("Options ASCII "));
  Pages->addTab(SqlPage, Tr("Options &SQL"));

  // Bottom band.
  auto* bottom = new QHBoxLayout();
  ToolsButton = new QPushButton(Tr("Outils"), this);
  ToolsButton->setObjectName("Outils");
  auto* tools = new QMenu(ToolsButton);
  QAction* save = tools->addAction(Tr("Sauver les options d'Export..."));
  QAction* load = tools->addAction(Tr("Charger les options d'Export..."));
  ToolsButton->setMenu(tools);
  bottom->addWidget(ToolsButton);
  bottom->addStretch();
  StartButton = new QPushButton(Tr("&Lancer l'Export"), this);
  StartButton->setObjectName("Lancer");
  StartButton->setDefault(true);
  CloseButton = new QPushButton(Tr("&Fermer"), this);
  CloseButton->setObjectName("Fermer");
  bottom->addWidget(StartButton);
  bottom->addWidget(CloseButton);
  layout->addLayout(bottom);

  const QString optionsFilter = Tr("Configuration files (*.cfg)|*.cfg|All files (*.*)|*.*");
  connect(save, &QAction::triggered, this, [this, optionsFilter] {
    if (auto name = qt::Ui().SaveFileName(this, optionsFilter,
                                          ToQString(m_component.OptionsFileName), "cfg")) {
      m_component.OptionsFileName = name->toStdString();
      SaveOptionsTo(*name);
    }
  });
  connect(load, &QAction::triggered, this, [this, optionsFilter] {
    if (auto name = qt::Ui().OpenFileName(this, optionsFilter)) {
      m_component.OptionsFileName = name->toStdString();
      LoadOptionsFrom(*name);
    }
  });
  connect(FileNameEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
    m_choices->FileName = text.toStdString();
    UpdateCaption();
    UpdateStartButton();
  });
  connect(ChooseButton, &QPushButton::clicked, this, [this] {
    const ExportTypeText& t = TypeText(m_choices->Type());
    if (auto name = qt::Ui().SaveFileName(this, QString::fromUtf8(t.filter),
                                          QString::fromStdString(m_choices->FileName),
                                          QString::fromUtf8(t.extension))) {
      m_choices->FileName = name->toStdString();
      Refresh();
    }
  });
  connect(ShowFileBox, &QCheckBox::toggled, this, [this](bool on) { m_choices->ShowFile = on; });
  connect(PrintFileBox, &QCheckBox::toggled, this, [this](bool on) { m_choices->PrintFile = on; });
  connect(StartButton, &QPushButton::clicked, this, [this] { StartExport(); });
  connect(CloseButton, &QPushButton::clicked, this, [this] { close(); });

  // Opening: the lists, the formats, header and footer (with their events).
  if (m_component.OnGetHeader) m_component.OnGetHeader(&m_component, m_choices->Header);
  if (m_component.OnGetFooter) m_component.OnGetFooter(&m_component, m_choices->Footer);
  m_typeTabs->setTabVisible(1, m_component.CommonOptions.count(coOptions) > 0);
  ToolsButton->setVisible(m_component.SaveLoadButtons);
  Refresh();
  Pages->setCurrentWidget(TypePage);
  m_typeTabs->setCurrentIndex(0);
  FileNameEdit->setFocus();
}

TQExportDialogF::~TQExportDialogF() = default;

DialogHooks& TQExportDialogF::Hooks() {
  return m_component.Hooks ? *m_component.Hooks : QtDialogHooks();
}

void TQExportDialogF::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  m_saved = false;
  if (m_shown) return;
  m_shown = true;
  if (m_component.AutoLoadOptions && !m_component.OptionsFileName.empty())
    LoadOptionsFrom(QString::fromStdString(m_component.OptionsFileName));
  if (m_component.OnShow) {
    auto* self = this;
    QTimer::singleShot(0, this, [self] {
      if (self->m_component.OnShow) self->m_component.OnShow(self);
    });
  }
}

void TQExportDialogF::closeEvent(QCloseEvent* event) {
  if (m_progress) {
    // An export is running: it is stopped through its own button.
    event->ignore();
    return;
  }
  SaveOnClose();
  QDialog::closeEvent(event);
}

void TQExportDialogF::reject() {
  if (m_progress) return;
  SaveOnClose();
  QDialog::reject();
}

void TQExportDialogF::SaveOnClose() {
  if (m_saved || !m_component.AutoSaveOptions || m_component.OptionsFileName.empty()) return;
  m_saved = true;
  try {
    SaveOptionsTo(QString::fromStdString(m_component.OptionsFileName));
  } catch (const std::exception& e) {
    qt::Ui().Error(this, QString::fromUtf8(e.what()));
  }
}

// ----------------------------------------------------------------- common pages

QWidget* TQExportDialogF::BuildTypePage() {
  auto* page = new QWidget(this);
  page->setObjectName("TypePage");
  auto* layout = new QVBoxLayout(page);
  m_typeTabs = new QTabWidget(page);
  layout->addWidget(m_typeTabs);

  auto* formats = new QWidget(m_typeTabs);
  auto* formatsLayout = new QVBoxLayout(formats);
  auto* group = new QGroupBox(Tr(" Exporter vers "), formats);
  auto* grid = new QGridLayout(group);
  const std::vector<int>& types = m_choices->Types();
  for (size_t i = 0; i < types.size(); ++i) {
    auto* b = new QRadioButton(Tr(TypeText(types[i]).listText), group);
    b->setObjectName(QStringLiteral("Type%1").arg(types[i]));
    TypeButtons.push_back(b);
    grid->addWidget(b, static_cast<int>(i % 7), static_cast<int>(i / 7));
    const int type = types[i];
    connect(b, &QRadioButton::toggled, this, [this, type](bool on) {
      if (on && !m_refreshing) SelectType(type);
    });
  }
  formatsLayout->addWidget(group);
  m_typeTabs->addTab(formats, Tr(" &Formats"));

  m_optionsSubPage = new QWidget(m_typeTabs);
  auto* optionsLayout = new QVBoxLayout(m_optionsSubPage);
  auto* constraints = new QGroupBox(Tr(" Contraintes "), m_optionsSubPage);
  auto* c = new QGridLayout(constraints);
  m_firstRecord = new QCheckBox(Tr("Depuis le premier enrgt"), constraints);
  m_currentRecord = new QCheckBox(Tr("Enregistrement courant"), constraints);
  m_exportEmpty = new QCheckBox(Tr("Autorise l'export des sources vides"), constraints);
  c->addWidget(m_firstRecord, 0, 0, 1, 3);
  c->addWidget(m_currentRecord, 1, 0, 1, 3);
  c->addWidget(m_exportEmpty, 2, 0, 1, 3);
  c->addWidget(new QLabel(Tr("sauter"), constraints), 3, 0);
  m_skip = NumberBox(constraints);
  m_skip->setObjectName("Skip");
  c->addWidget(m_skip, 3, 1);
  c->addWidget(new QLabel(Tr("enrgts"), constraints), 3, 2);
  m_allRecords = new QRadioButton(Tr("Exporter tous les enregistrements"), constraints);
  m_onlyRecords = new QRadioButton(Tr("Export seulement"), constraints);
  m_count = NumberBox(constraints);
  m_count->setObjectName("Count");
  c->addWidget(m_allRecords, 4, 0, 1, 3);
  c->addWidget(m_onlyRecords, 5, 0);
  c->addWidget(m_count, 5, 1);
  c->addWidget(new QLabel(Tr("enrgts"), constraints), 5, 2);
  optionsLayout->addWidget(constraints);
  optionsLayout->addStretch();
  m_typeTabs->addTab(m_optionsSubPage, Tr("&Options"));

  connect(m_firstRecord, &QCheckBox::toggled, this,
          [this](bool on) { m_choices->GoToFirstRecord = on; });
  connect(m_currentRecord, &QCheckBox::toggled, this,
          [this](bool on) { m_choices->CurrentRecordOnly = on; });
  connect(m_exportEmpty, &QCheckBox::toggled, this,
          [this](bool on) { m_choices->ExportEmpty = on; });
  connect(m_skip, &QLineEdit::textEdited, this, [this](const QString& t) {
    bool ok = false;
    const int v = t.toInt(&ok);
    if (ok) m_choices->SkipRecCount = v;
  });
  connect(m_count, &QLineEdit::textEdited, this, [this](const QString& t) {
    bool ok = false;
    const int v = t.toInt(&ok);
    if (ok) m_choices->ExportRecCount = v;
  });
  connect(m_allRecords, &QRadioButton::toggled, this, [this](bool on) {
    if (m_refreshing) return;
    m_count->setEnabled(!on);
    if (on) {
      m_choices->ExportRecCount = 0;
      m_count->setText("0");
    }
  });
  return page;
}

// ----------------------------------------------------------------- refresh

void TQExportDialogF::UpdateCaption() {
  const std::string& name = m_choices->FileName;
  if (name.empty())
    setWindowTitle(Tr("Dialogue Export"));
  else
    setWindowTitle(Tr("Dialogue Export -- Export vers [%1]")
                       .arg(QString::fromStdString(platform::ExtractFileName(name))));
}

void TQExportDialogF::UpdateStartButton() {
  StartButton->setEnabled(m_choices->CanStart());
}

void TQExportDialogF::UpdatePagesForType() {
  const int t = m_choices->Type();
  const auto& options = m_component.CommonOptions;
  const auto show = [&](QWidget* page, bool visible) {
    const int index = Pages->indexOf(page);
    if (!visible && Pages->currentIndex() == index) Pages->setCurrentWidget(TypePage);
    Pages->setTabVisible(index, visible);
  };
  show(FieldsPage, options.count(coFields) > 0);
  show(FormatsPage, options.count(coFormats) && t != aeDBF && t != aeSQL);
  show(HeaderFooterPage, options.count(coColons) && t != aeXML && t != aeDBF);
  show(CaptionsPage, options.count(coCaptions) && t != aeXML && t != aeDBF && t != aeSQL);
  show(XlsPage, t == aeXLS);
  show(RtfPage, t == aeWord || t == aeRTF);
  show(HtmlPage, t == aeHTML);
  show(XmlPage, t == aeXML);
  show(PdfPage, t == aePDF);
  show(AsciiPage, t == aeTXT || t == aeCSV);
  show(SqlPage, t == aeSQL);
  const bool file = t != aeClipboard;
  FileNameEdit->setEnabled(file);
  ChooseButton->setEnabled(file);
  ShowFileBox->setEnabled(file);
  // The captions page's title says what its grid holds.
  QString title = Tr("Libellé");
  if (t == aeXLS) title += Tr(" && Largeur");
  if (t == aeHTML) title += Tr(" && Aligner");
  if (t == aeWord || t == aeRTF || t == aePDF || t == aeTXT) title += Tr(" && Largeur && Aligner");
  Pages->setTabText(Pages->indexOf(CaptionsPage), title);
}

void TQExportDialogF::SelectType(int type) {
  m_choices->SetType(type);
  Refresh();
}

void TQExportDialogF::Refresh() {
  const bool was = m_refreshing;
  m_refreshing = true;
  ExportChoices& c = *m_choices;
  FileNameEdit->setText(QString::fromStdString(c.FileName));
  ShowFileBox->setChecked(c.ShowFile);
  PrintFileBox->setChecked(c.PrintFile);
  for (size_t i = 0; i < TypeButtons.size(); ++i)
    TypeButtons[i]->setChecked(c.Types()[i] == c.Type());
  m_firstRecord->setChecked(c.GoToFirstRecord);
  m_currentRecord->setChecked(c.CurrentRecordOnly);
  m_exportEmpty->setChecked(c.ExportEmpty);
  m_skip->setText(QString::number(c.SkipRecCount));
  m_count->setText(QString::number(c.ExportRecCount));
  m_onlyRecords->setChecked(c.ExportRecCount > 0);
  m_allRecords->setChecked(c.ExportRecCount <= 0);
  m_count->setEnabled(c.ExportRecCount > 0);
  m_refreshing = was;
  for (DialogPage* page : m_commonPages) page->Refresh();
  RefreshFormatPages();
  UpdatePagesForType();
  UpdateCaption();
  UpdateStartButton();
}

// ----------------------------------------------------------------- exporting

void TQExportDialogF::BindExporter(TQExport& e) {
  TQExportDialog& d = m_component;
  const auto notify = [this](int code, bool force) {
    if (m_progress) m_progress->Notify(code);
    Pump(force);
  };
  e.OnBeginExport = [&d, notify](TQExport* s) {
    notify(TQExportDialogProgressF::Begin, true);
    if (d.OnBeginExport) d.OnBeginExport(s);
  };
  e.OnEndExport = [this, &d, notify](TQExport* s) {
    if (!s->Aborted()) notify(TQExportDialogProgressF::Ended, true);
    if (d.OnEndExport) d.OnEndExport(s);
    (void)this;
  };
  e.OnFetchedRecord = [&d, notify](TQExport* s, int n) {
    notify(TQExportDialogProgressF::Fetched, false);
    if (d.OnFetchedRecord) d.OnFetchedRecord(s, n);
  };
  e.OnSkippedRecord = [&d, notify](TQExport* s, int n) {
    notify(TQExportDialogProgressF::Skipped, false);
    if (d.OnSkippedRecord) d.OnSkippedRecord(s, n);
  };
  e.OnExportedRecord = [&d, notify](TQExport* s, int n) {
    notify(TQExportDialogProgressF::Exported, false);
    if (d.OnExportedRecord) d.OnExportedRecord(s, n);
  };
  e.OnGetExportText = [&d](TQExport* s, int col, std::string& text) {
    if (d.OnGetExportText) d.OnGetExportText(s, col, text);
  };
  e.OnBeforeExportRow = [&d](TQExport* s, TQExportRow& row, bool& accept) {
    if (d.OnBeforeExportRow) d.OnBeforeExportRow(s, row, accept);
  };
  e.OnStopExport = [this, &d, notify](TQExport*, bool& canContinue) {
    notify(TQExportDialogProgressF::StopAsked, true);
    const bool stop =
        qt::Ui().Question(this, Tr("Etes vous sûr?"), Tr("Voulez vous abandonner l'export?"), true);
    canContinue = !stop;
    notify(stop ? TQExportDialogProgressF::StoppedByUser : TQExportDialogProgressF::Continued,
           true);
    if (d.OnStopExport) d.OnStopExport(&d, canContinue);
  };
  if (auto* xls = dynamic_cast<TQExportXLS*>(&e)) {
    xls->OnAdvancedExportedRecord = [&d](TQExportXLS* s, int sheet, int n) {
      if (d.OnExportedRecordXLS) d.OnExportedRecordXLS(s, sheet, n);
    };
    xls->OnAdvancedGetExportText = [&d](TQExportXLS* s, int sheet, int col, std::string& text) {
      if (d.OnGetExportXLSText) d.OnGetExportXLSText(s, sheet, col, text);
    };
    xls->OnAdvancedBeforeExportRow = [&d](TQExportXLS* s, int sheet, TQExportRow& row,
                                          bool& accept) {
      if (d.OnBeforeExportXLSRow) d.OnBeforeExportXLSRow(s, sheet, row, accept);
    };
  }
  if (auto* text = dynamic_cast<TQExportText*>(&e)) text->UseShell = d.FileShell;
  if (auto* memory = dynamic_cast<TQExportMemory*>(&e)) {
    static QtClipboard clipboard;
    memory->UseClipboard = d.ClipboardTarget ? d.ClipboardTarget : &clipboard;
  }
  if (d.OnGetRecordLabel)
    e.OnGetRecordLabel = [&d](TQExport* s, std::string& label) { d.OnGetRecordLabel(s, label); };
}

void TQExportDialogF::StartExport() {
  m_captionsPage->ReadGrid();
  TQExport* e = nullptr;
  try {
    e = &m_choices->PrepareExport();
  } catch (const std::exception& err) {
    qt::Ui().Error(this, QString::fromUtf8(err.what()));
    return;
  }
  Refresh();
  RunExport(*e);
}

void TQExportDialogF::RunExport(TQExport& e) {
  BindExporter(e);
  m_progress = new TQExportDialogProgressF(this, &e);
  m_progress->show();
  StartButton->setEnabled(false);
  struct Release {
    TQExportDialogF& w;
    ~Release() {
      delete w.m_progress;
      w.m_progress = nullptr;
      w.UpdateStartButton();
    }
  } release{*this};
  try {
    e.Execute();
  } catch (const ExportAborted& stopped) {
    // Stopped by the user: the earlier file is kept, and the user is told so.
    qt::Ui().Information(this, QString::fromUtf8(stopped.what()));
    return;
  } catch (const std::exception& err) {
    qt::Ui().Error(this, QString::fromUtf8(err.what()));
    return;
  }
  // What the file could not hold is said in the window, which then waits
  // for the user's OK as when the file is not opened.
  const QString note = QString::fromStdString(e.ReplacementNote());
  m_progress->ShowNote(note);
  if (!m_choices->ShowFile || !note.isEmpty()) {
    // The window waits for the user's OK.
    while (!m_progress->ResultOk())
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  } else if (!e.Aborted()) {
    m_progress->Notify(TQExportDialogProgressF::CloseNow);
  }
}

// ----------------------------------------------------------------- options file

void TQExportDialogF::SaveOptionsTo(const QString& fileName) {
  m_captionsPage->ReadGrid();
  platform::IniFile ini(fileName.toStdString());
  m_choices->SaveOptions(ini);
}

void TQExportDialogF::LoadOptionsFrom(const QString& fileName) {
  try {
    const platform::IniFile ini(fileName.toStdString());
    m_choices->LoadOptions(ini);
  } catch (const std::exception& err) {
    qt::Ui().Error(this, QString::fromUtf8(err.what()));
  }
  Refresh();
}

void TQExportDialogF::ShowNullString(const QString& text) {
  m_formatsPage->ShowNullString(text);
}

void TQExportDialogF::RefreshFormatPages() {
  for (DialogPage* page : m_formatPages) page->Refresh();
}

}  // namespace kvn::exporting
