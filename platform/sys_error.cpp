#include "platform/sys_error.h"

#include <cerrno>

#include "platform/file_info.h"
#include "platform/strings.h"

namespace kvn::platform {

std::string SystemErrorMessage(int err) {
  switch (err) {
    case ENOENT:
      return "Le fichier spécifié est introuvable.";
    case ENOTDIR:
      return "Le chemin d'accès spécifié est introuvable.";
    case EACCES:
    case EPERM:
      return "Accès refusé.";
    case ENOSPC:
      return "Il n'y a pas assez d'espace sur le disque.";
    case EROFS:
      return "Le support est protégé en écriture.";
    case EISDIR:
      return "Le nom désigne un répertoire.";
    case EEXIST:
      return "Le fichier existe.";
    case ENAMETOOLONG:
      return "Le nom de fichier est trop long.";
    case EMFILE:
    case ENFILE:
      return "Le système ne peut pas ouvrir le fichier.";
    case EBUSY:
    case ETXTBSY:
      return "Le processus ne peut pas accéder au fichier car ce fichier est utilisé"
             " par un autre processus.";
    case EIO:
      return "Erreur d'entrée/sortie.";
    case EFBIG:
      return "Le fichier est trop grand.";
    case EDQUOT:
      return "Le quota du disque est dépassé.";
    case ELOOP:
      return "Trop de liens symboliques.";
    case EINVAL:
      return "Paramètre incorrect.";
    case EXDEV:
      return "Impossible de déplacer le fichier vers un autre disque.";
    case ENOTEMPTY:
      return "Le répertoire n'est pas vide.";
    case ENXIO:
    case ENODEV:
      return "Le périphérique n'est pas prêt.";
    case EPIPE:
      return "Le canal de communication a été fermé.";
    case EAGAIN:
      return "La ressource est momentanément indisponible.";
    case ETIMEDOUT:
      return "Le délai d'attente a expiré.";
    case ENOMEM:
      return "Mémoire insuffisante.";
    case ESPIPE:
      return "Le fichier ne permet pas le positionnement.";
    case EBADF:
      return "Le descripteur de fichier est incorrect.";
    case ESTALE:
      return "Le fichier n'est plus accessible sur le partage réseau.";
    default:
      break;
  }
  // Never the system's own (English) text: the user reads French.
  return Subst("Erreur système n° %s.", {std::to_string(err)});
}

namespace {

// A missing file and a missing directory share one system code; the messages
// tell them apart by looking at the directory.
std::string ReasonFor(std::string_view path, int err) {
  if (err == ENOENT) {
    std::string dir = ExtractFilePath(std::string(path));
    if (!dir.empty() && !DirectoryExists(dir)) return SystemErrorMessage(ENOTDIR);
  }
  return SystemErrorMessage(err);
}

}  // namespace

std::string FileCreateMessage(std::string_view path, int err) {
  return Subst("Impossible de créer le fichier \"%s\". %s", {path, ReasonFor(path, err)});
}

std::string FileOpenMessage(std::string_view path, int err) {
  return Subst("Impossible d'ouvrir le fichier \"%s\". %s", {path, ReasonFor(path, err)});
}

}  // namespace kvn::platform
