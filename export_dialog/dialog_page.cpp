#include "export_dialog/dialog_page.h"

#include "export_dialog/dialog_util.h"

namespace kvn::exporting {

QComboBox* DialogPage::EncodingChoice(QWidget* parent, const char* objectName,
                                      const QStringList& names,
                                      std::function<void(const std::string&)> set) {
  auto* box = new QComboBox(parent);
  box->setObjectName(objectName);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(names);
  box->setToolTip(
      Tr("Le jeu de caractères du fichier. Les caractères qu'il ne contient pas sont "
         "remplacés (et comptés à la fin de l'export)."));
  connect(box, &QComboBox::currentTextChanged, this,
          [this, set = std::move(set)](const QString& v) {
            if (!Refreshing()) set(ToUtf8(v.trimmed()));
          });
  return box;
}

}  // namespace kvn::exporting
