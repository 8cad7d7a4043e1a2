// The catalogue file itself: creating an empty `video` table at a structure level.
#pragma once

#include <string>

namespace kvn::db {

// Structure levels: 0 the first (Index, Reference, Titre, Genre, Support, Durée),
// 2 adds Jacquette, Nom, Prêté_le, Nb_cd; 3, the current one, adds Jaquette2.
constexpr int kCurrentStructureLevel = 3;

// Creates directory/video.DB holding an empty `video` table of that level with
// its title index. Refuses (kvn::Error) to replace an existing file.
void CreateCatalogueFile(const std::string& directory, int level = kCurrentStructureLevel);

// The CREATE TABLE text of a structure level.
std::string CatalogueSchema(int level);

}  // namespace kvn::db
