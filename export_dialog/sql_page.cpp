#include "export_dialog/sql_page.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/page_widgets.h"

namespace kvn::exporting {

SqlOptionsPage::SqlOptionsPage(TQExportDialogF& dialog) : DialogPage(dialog, "SqlPage") {
  QWidget* page = this;
  auto* layout = new QVBoxLayout(page);
  auto* table = new QGroupBox(Tr("Options Table"), page);
  auto* t = new QGridLayout(table);
  m_sqlCreate = new QCheckBox(Tr("Ajouter \"Create Table\""), table);
  t->addWidget(m_sqlCreate, 0, 0, 1, 2);
  t->addWidget(new QLabel(Tr("Nom de Table"), table), 1, 0);
  m_sqlTable = new QLineEdit(table);
  m_sqlTable->setObjectName("SqlTable");
  t->addWidget(m_sqlTable, 1, 1);
  layout->addWidget(table);
  auto* commit = new QGroupBox(Tr("Options Commit"), page);
  auto* c = new QGridLayout(commit);
  c->addWidget(new QLabel(Tr("Commit après"), commit), 0, 0);
  m_sqlCommitCount = new QSpinBox(commit);
  m_sqlCommitCount->setRange(0, 1 << 30);
  c->addWidget(m_sqlCommitCount, 0, 1);
  c->addWidget(new QLabel(Tr("enregistrement(s)"), commit), 0, 2);
  m_sqlCommitAfter = new QCheckBox(Tr("Commit en fin de script"), commit);
  c->addWidget(m_sqlCommitAfter, 1, 0, 1, 3);
  c->addWidget(new QLabel(Tr("Commande Commit"), commit), 2, 0);
  m_sqlCommitStatement = new QLineEdit(commit);
  c->addWidget(m_sqlCommitStatement, 2, 1, 1, 2);
  layout->addWidget(commit);
  auto* other = new QGroupBox(Tr("Autres Options"), page);
  auto* o = new QGridLayout(other);
  o->addWidget(new QLabel(Tr("Exporter null comme"), other), 0, 0);
  m_sqlNull = new QLineEdit(other);
  m_sqlNull->setObjectName("SqlNull");
  o->addWidget(m_sqlNull, 0, 1);
  o->addWidget(new QLabel(Tr("Fin de commande"), other), 1, 0);
  m_sqlTerm = new QLineEdit(other);
  m_sqlTerm->setMaxLength(1);
  o->addWidget(m_sqlTerm, 1, 1);
  o->addWidget(new QLabel(Tr("Encodage"), other), 2, 0);
  m_sqlEncoding = EncodingChoice(other, "SqlEncoding", {"UTF-8", "windows-1252", "ISO-8859-15"},
                                 [this](const std::string& v) { Choices().SQLExp.Encoding = v; });
  o->addWidget(m_sqlEncoding, 2, 1);
  layout->addWidget(other);
  layout->addStretch();
  TQExportSQL& e = Choices().SQLExp;
  connect(m_sqlCreate, &QCheckBox::toggled, this, [&e](bool on) { e.CreateTable = on; });
  connect(m_sqlTable, &QLineEdit::textEdited, this,
          [this](const QString& v) { Choices().SqlTableName = ToUtf8(v); });
  connect(m_sqlCommitCount, &QSpinBox::valueChanged, this, [this, &e](int v) {
    if (!Refreshing()) e.CommitRecCount = v;
  });
  connect(m_sqlCommitAfter, &QCheckBox::toggled, this, [&e](bool on) { e.CommitAfterScript = on; });
  connect(m_sqlCommitStatement, &QLineEdit::textEdited, this,
          [&e](const QString& v) { e.CommitStatement = ToUtf8(v); });
  // The same value as the formats page's null string.
  connect(m_sqlNull, &QLineEdit::textEdited, this, [this](const QString& v) {
    Choices().Formats.SetNullString(ToUtf8(v));
    Dialog().ShowNullString(v);
  });
  connect(m_sqlTerm, &QLineEdit::textEdited, this,
          [this](const QString& v) { Choices().SqlStatementTerm = ToUtf8(v); });
}

void SqlOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  ExportChoices& c = Choices();
  m_sqlEncoding->setCurrentText(ToQString(c.SQLExp.Encoding));
  m_sqlCreate->setChecked(c.SQLExp.CreateTable);
  m_sqlTable->setText(ToQString(c.SqlTableName));
  m_sqlCommitCount->setValue(c.SQLExp.CommitRecCount);
  m_sqlCommitAfter->setChecked(c.SQLExp.CommitAfterScript);
  m_sqlCommitStatement->setText(ToQString(c.SQLExp.CommitStatement));
  m_sqlNull->setText(ToQString(c.Formats.NullString()));
  m_sqlTerm->setText(ToQString(c.SqlStatementTerm));
  Refreshing() = was;
}
}  // namespace kvn::exporting
