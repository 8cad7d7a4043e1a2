#include "export_dialog/formats_page.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "export_dialog/dialog_util.h"
#include "export_dialog/page_widgets.h"
#include "qt_support/prompts.h"

namespace kvn::exporting {

FormatsOptionsPage::FormatsOptionsPage(TQExportDialogF& dialog)
    : DialogPage(dialog, "FormatsPage") {
  QWidget* page = this;
  auto* layout = new QHBoxLayout(page);
  auto* common = new QGroupBox(Tr("Commun"), page);
  auto* grid = new QGridLayout(common);
  const char* labels[] = {"Format Entier", "Format décimal",    "Format Date",
                          "Format heure",  "Format date heure", "Format monétaire",
                          "Logique vrai",  "Logique faux",      "Chaine Null"};
  for (int i = 0; i < 9; ++i) {
    grid->addWidget(new QLabel(Tr(labels[i]), common), i, 0);
    auto* edit = new QLineEdit(common);
    edit->setObjectName(QStringLiteral("Format%1").arg(i));
    grid->addWidget(edit, i, 1);
    m_formatEdits.push_back(edit);
    connect(edit, &QLineEdit::textEdited, this, [this, i](const QString& t) {
      const std::string v = ToUtf8(t);
      TQExportFormats& f = Choices().Formats;
      switch (i) {
        case 0:
          f.SetIntegerFormat(v);
          break;
        case 1:
          f.SetFloatFormat(v);
          break;
        case 2:
          f.SetDateFormat(v);
          break;
        case 3:
          f.SetTimeFormat(v);
          break;
        case 4:
          f.SetDateTimeFormat(v);
          break;
        case 5:
          f.SetCurrencyFormat(v);
          break;
        case 6:
          f.SetBooleanTrue(v);
          break;
        case 7:
          f.SetBooleanFalse(v);
          break;
        default:
          f.SetNullString(v);
          // The SQL page shows it too.
          if (auto* sql = static_cast<DialogPage*>(Dialog().SqlPage)) sql->Refresh();
          break;
      }
    });
  }
  layout->addWidget(common);

  auto* user = new QGroupBox(Tr("Utilisateur"), page);
  auto* u = new QGridLayout(user);
  m_userField = new QComboBox(user);
  m_userField->setObjectName("UserField");
  m_userFormat = new QComboBox(user);
  m_userFormat->setObjectName("UserFormat");
  m_userFormat->setEditable(true);
  m_userList = new QListWidget(user);
  m_userList->setObjectName("UserFormats");
  u->addWidget(m_userField, 0, 0, 1, 2);
  u->addWidget(m_userFormat, 1, 0, 1, 2);
  u->addWidget(m_userList, 2, 0, 1, 2);
  auto* add = new QPushButton(Tr("Ajouter"), user);
  add->setObjectName("Ajouter");
  m_userModify = new QPushButton(Tr("Modifier"), user);
  m_userModify->setObjectName("Modifier");
  m_userDelete = new QPushButton(Tr("Supprimer"), user);
  m_userDelete->setObjectName("Supprimer");
  m_userClear = new QPushButton(Tr("Effacer"), user);
  m_userClear->setObjectName("Effacer");
  u->addWidget(add, 3, 0);
  u->addWidget(m_userModify, 3, 1);
  u->addWidget(m_userDelete, 4, 0);
  u->addWidget(m_userClear, 4, 1);
  layout->addWidget(user);

  connect(m_userField, &QComboBox::currentTextChanged, this, [this](const QString& field) {
    if (Refreshing()) return;
    m_userFormat->clear();
    for (const std::string& s : Choices().FormatSuggestions(ToUtf8(field)))
      m_userFormat->addItem(ToQString(s));
    if (m_userFormat->count() > 0) m_userFormat->setCurrentIndex(0);
  });
  connect(add, &QPushButton::clicked, this, [this] {
    Choices().AddUserFormat(ToUtf8(m_userField->currentText()),
                            ToUtf8(m_userFormat->currentText()));
    ShowUserFormats();
  });
  connect(m_userModify, &QPushButton::clicked, this, [this] {
    const int row = m_userList->currentRow();
    if (row < 0) return;
    std::string line = Choices().UserFormats[static_cast<size_t>(row)];
    const QString current = ToQString(StringList::ValueOf(line));
    if (auto v = qt::Ui().InputText(&Dialog(), Tr("Nouvelle valeur de format"),
                                    Tr("Entrer une Valeur:"), current)) {
      Choices().UserFormats[static_cast<size_t>(row)] = StringList::NameOf(line) + "=" + ToUtf8(*v);
      ShowUserFormats();
      m_userList->setCurrentRow(row);
    }
  });
  connect(m_userDelete, &QPushButton::clicked, this, [this] {
    const int row = m_userList->currentRow();
    if (row < 0) return;
    StringList kept;
    for (size_t i = 0; i < Choices().UserFormats.Count(); ++i)
      if (static_cast<int>(i) != row) kept.Add(Choices().UserFormats[i]);
    Choices().UserFormats = kept;
    ShowUserFormats();
    if (m_userList->count() > 0) m_userList->setCurrentRow(0);
  });
  connect(m_userClear, &QPushButton::clicked, this, [this] {
    Choices().UserFormats.Clear();
    ShowUserFormats();
  });
}

void FormatsOptionsPage::ShowUserFormats() {
  m_userList->clear();
  for (const std::string& line : Choices().UserFormats) m_userList->addItem(ToQString(line));
  const bool any = m_userList->count() > 0;
  m_userModify->setEnabled(any);
  m_userDelete->setEnabled(any);
  m_userClear->setEnabled(any);
}

void FormatsOptionsPage::Refresh() {
  const bool was = Refreshing();
  Refreshing() = true;
  ExportChoices& c = Choices();
  const TQExportFormats& f = c.Formats;
  const std::string values[] = {f.IntegerFormat(), f.FloatFormat(),    f.DateFormat(),
                                f.TimeFormat(),    f.DateTimeFormat(), f.CurrencyFormat(),
                                f.BooleanTrue(),   f.BooleanFalse(),   f.NullString()};
  for (int i = 0; i < 9; ++i) m_formatEdits[static_cast<size_t>(i)]->setText(ToQString(values[i]));
  m_userField->clear();
  for (const std::string& field : c.UserFormatFields()) m_userField->addItem(ToQString(field));
  Refreshing() = was;
  ShowUserFormats();
}

void FormatsOptionsPage::ShowNullString(const QString& text) {
  m_formatEdits[8]->setText(text);
}

}  // namespace kvn::exporting
