// French texts of the system's error codes, and the file messages built on them.
#pragma once

#include <string>
#include <string_view>

namespace kvn::platform {

// The system's reason for an errno value, in French.
std::string SystemErrorMessage(int err);
// Impossible de créer le fichier "%s". %s
std::string FileCreateMessage(std::string_view path, int err);
// Impossible d'ouvrir le fichier "%s". %s
std::string FileOpenMessage(std::string_view path, int err);

}  // namespace kvn::platform
