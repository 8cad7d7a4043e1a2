#include "tools/film_generator.h"

#include <array>
#include <cstdio>
#include <random>
#include <string_view>
#include <vector>

#include "catalogue/catalogue_files.h"
#include "catalogue/film_search.h"
#include "catalogue/structure_upgrade.h"
#include "db/database.h"
#include "db/sqlite.h"
#include "db/title_key.h"

namespace kvn::tools {

namespace {

using Words = std::vector<std::string_view>;

const Words kNounsM = {"Secret", "Silence", "Souffle", "Château", "Chemin",   "Cœur",
                       "Été",    "Hiver",   "Rêve",    "Fantôme", "Jardin",   "Voyage",
                       "Trésor", "Mystère", "Destin",  "Royaume", "Pacte",    "Masque",
                       "Retour", "Héros",   "Frère",   "Piège",   "Garçon",   "Cinéma",
                       "Désert", "Océan",   "Témoin",  "Serment", "Écho",     "Orage",
                       "Empire", "Dîner",   "Baiser",  "Complot", "Naufrage", "Hôtel"};
const Words kNounsF = {"Nuit",      "Vie",     "Guerre",    "Mémoire",  "Rivière", "Forêt",
                       "Cité",      "Légende", "Chambre",   "Fièvre",   "Reine",   "Étoile",
                       "Île",       "Vérité",  "Bête",      "Maison",   "Passion", "Colère",
                       "Lumière",   "Séance",  "Épreuve",   "Fenêtre",  "Route",   "Planète",
                       "Vengeance", "Tempête", "Frontière", "Ombre",    "Aube",    "Énigme",
                       "Horloge",   "Épée",    "Armée",     "Promesse", "Prière",  "Danse"};
const std::array<std::pair<std::string_view, std::string_view>, 16> kAdjectives = {{
    {"noir", "noire"},
    {"perdu", "perdue"},
    {"éternel", "éternelle"},
    {"dernier", "dernière"},
    {"sauvage", "sauvage"},
    {"secret", "secrète"},
    {"brûlé", "brûlée"},
    {"oublié", "oubliée"},
    {"interdit", "interdite"},
    {"maudit", "maudite"},
    {"blanc", "blanche"},
    {"fou", "folle"},
    {"glacé", "glacée"},
    {"lointain", "lointaine"},
    {"premier", "première"},
    {"dangereux", "dangereuse"},
}};
const Words kComplements = {
    "de la nuit",    "du désert",      "de minuit",        "des ténèbres",     "de l'été",
    "à Paris",       "au Québec",      "en Provence",      "sans retour",      "d'Orléans",
    "à l'aube",      "de Noël",        "du bout du monde", "de Saint-Étienne", "au clair de lune",
    "de l'Empereur", "à la française", "de Montréal"};
const Words kFirstNames = {"Amélie", "Jérôme",  "Françoise", "Hélène",        "Noël",
                           "Zoé",    "Anaïs",   "Benoît",    "Gaëlle",        "Loïc",
                           "Chloé",  "Océane",  "Raphaël",   "Inès",          "Joël",
                           "Léa",    "Clément", "Maëlle",    "Jean-François", "Marie-Hélène",
                           "Cécile", "Agnès",   "Éloïse",    "Ἀλέξανδρος",    "Дмитрий",
                           "さくら", "Zoë",     "Ægir",      "Øyvind"};
const Words kLastNames = {
    "Dupont",       "Lefèvre",   "Martin",      "Moreau",   "Lévêque", "Dubois",
    "Rousseau",     "Chevalier", "N'Diaye",     "D'Artois", "Nguyễn",  "Müller",
    "Le Goff",      "Castaño",   "Kieślowski",  "Żuławski", "Dvořák",  "Ōshima",
    "Παπαδόπουλος", "黒澤",      "Достоевский", "عبد الله", "כהן",     "김"};
const Words kSequels = {" 2",
                        " II",
                        " : le retour",
                        " 2 : la revanche",
                        " – deuxième partie",
                        " (version longue)",
                        " (director’s cut)",
                        ", épisode 4"};
const Words kOneWord = {"L'Incompris", "Aujourd'hui", "Rouge",  "Casino",  "L'Argent", "Léon",
                        "Ça",          "Z",           "Brazil", "O'Brien", "M"};
const std::array<std::pair<std::string_view, int>, 16> kGenres = {{
    {"Action", 14},
    {"Comédie", 16},
    {"Dessin animé", 8},
    {"Drame", 14},
    {"Erotique", 2},
    {"Fiction", 5},
    {"Guerre", 4},
    {"Horreur", 6},
    {"Karate", 2},
    {"Peplum", 1},
    {"Policier", 9},
    {"Romantique", 5},
    {"Science-Fiction", 6},
    {"Thriller", 6},
    {"Western", 3},
    {"X", 1},
}};
const std::array<std::pair<std::string_view, int>, 5> kSupports = {{
    {"VHS", 30},
    {"DVD", 45},
    {"VCD", 5},
    {"(S)VCD", 5},
    {"DivX ;-)", 15},
}};

const Words kCountries = {"France",  "États-Unis",   "Royaume-Uni", "Italie",
                          "Japon",   "Allemagne",    "Belgique",    "Québec",
                          "Espagne", "Corée du Sud", "Россия",      "Pologne"};
const Words kOriginalTitles = {"The Long Night",
                               "Der Himmel über Berlin",
                               "Ladri di biciclette",
                               "七人の侍",
                               "Солярис",
                               "Todo sobre mi madre",
                               "Człowiek z marmuru",
                               "It's a \"Wonderful\" Life",
                               "Smultronstället",
                               "올드보이"};
const Words kSentences = {"Un homme revient dans son village après vingt ans d'absence.",
                          "Elle découvre qu'on lui a menti depuis l'enfance.",
                          "À Paris, en 1942, deux frères choisissent des camps opposés.",
                          "Une comédie « douce-amère » sur l'amitié & la trahison.",
                          "Le détective doit résoudre l'affaire avant l'aube ; personne ne l'aide.",
                          "Tiré d'une histoire vraie.",
                          "Ils partent pour l'Amérique, sans un sou en poche.",
                          "Version restaurée <4K>, sous-titres français."};

class Generator {
 public:
  explicit Generator(uint64_t seed) : m_rng(seed) {}

  double Real() { return std::uniform_real_distribution<double>(0, 1)(m_rng); }
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
  std::string Pick(const Words& words) { return std::string(words[Below(int(words.size()))]); }
  template <size_t N>
  std::string_view Weighted(const std::array<std::pair<std::string_view, int>, N>& table) {
    int total = 0;
    for (const auto& entry : table) total += entry.second;
    int at = Below(total);
    for (const auto& entry : table)
      if ((at -= entry.second) < 0) return entry.first;
    return table[0].first;
  }

  static bool StartsWithVowel(const std::string& word) {
    static const Words kVowels = {"A", "E", "I", "O", "U", "É", "È", "Ê", "Î", "Ô", "Œ", "H"};
    for (std::string_view v : kVowels)
      if (word.rfind(v, 0) == 0) return true;
    return false;
  }

  std::string WithArticle(const std::string& noun, bool feminine) {
    if (StartsWithVowel(noun) && noun != "Héros") return "L'" + noun;
    return (feminine ? "La " : "Le ") + noun;
  }

  static std::string Lowered(std::string text) {
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = char(text[0] - 'A' + 'a');
    return text;
  }

  std::string Title() {
    const bool feminine = Real() < 0.5;
    const std::string noun = Pick(feminine ? kNounsF : kNounsM);
    const auto& adjective = kAdjectives[Below(int(kAdjectives.size()))];
    const std::string adj(feminine ? adjective.second : adjective.first);
    const double p = Real();
    std::string t;
    if (p < 0.25)
      t = WithArticle(noun, feminine) + " " + adj;
    else if (p < 0.45)
      t = WithArticle(noun, feminine) + " " + Pick(kComplements);
    else if (p < 0.55)
      t = Pick(kFirstNames) + " et " + Pick(kFirstNames);
    else if (p < 0.65) {
      const std::string name = Pick(kFirstNames);
      t = WithArticle(noun, feminine) + (StartsWithVowel(name) ? " d'" : " de ") + name;
    } else if (p < 0.75)
      t = Pick(kFirstNames) + ", " + Lowered(WithArticle(noun, feminine)) + " " + adj;
    else if (p < 0.85)
      t = std::string(feminine ? "Une " : "Un ") + noun + " " + adj + " " + Pick(kComplements);
    else if (p < 0.93)
      t = "Qui a tué " + Pick(kFirstNames) + " " + Pick(kLastNames) + " ?";
    else
      t = Real() < 0.3 ? noun + " ! " + noun + " !" : noun + "…";
    if (Real() < 0.08) t += Pick(kSequels);
    return t;
  }

  // Titles that stress every output: quotes, markup, separators, length, case.
  std::string SpecialTitle(int kind) {
    const std::string base = Title();
    const bool feminine = Real() < 0.5;
    const std::string noun = Pick(feminine ? kNounsF : kNounsM);
    switch (kind) {
      case 0: {
        std::string t = base;
        while (t.size() < 320) t += Real() < 0.5 ? " : " + Title() : ", ou " + Lowered(Title());
        // At most 250 characters, as VARCHAR(255) sized the field.
        size_t end = 0;
        for (int chars = 0; end < t.size() && chars < 250; ++chars) do
            ++end;
          while (end < t.size() && (static_cast<unsigned char>(t[end]) & 0xC0) == 0x80);
        return t.substr(0, end);
      }
      case 1:
        return std::string(feminine ? "La \"Grande\" " : "Le \"Grand\" ") + noun;
      case 2:
        return Pick(kFirstNames) + " & " + Pick(kFirstNames);
      case 3:
        return base + " ; " + Pick(kComplements);
      case 4:
        return "C:\\Films\\" + noun;
      case 5:
        return "<b>" + noun + "</b> " + Pick(kComplements);
      case 6:
        return WithArticle(noun, feminine) + " « " + Pick(kComplements) + " »";
      case 7:
        return Lowered(base);
      case 8: {
        std::string upper = base;
        for (char& c : upper)
          if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        return upper;
      }
      case 9:
        return base + " ";
      default:
        return Pick(kOneWord);
    }
  }

 private:
  std::mt19937_64 m_rng;
};

// Row i gets special title kind k when i % period == offset (the first listed wins).
struct Special {
  int kind, period, offset;
};
constexpr Special kSpecials[] = {{0, 997, 11}, {1, 211, 3},  {2, 223, 7},  {3, 227, 13},
                                 {4, 229, 17}, {5, 233, 19}, {6, 239, 23}, {7, 41, 5},
                                 {8, 173, 29}, {9, 499, 31}, {10, 251, 37}};

// A valid EAN-13: twelve digits and their check digit.
std::string Ean13(Generator& g) {
  std::string ean;
  int sum = 0;
  for (int d = 0; d < 12; ++d) {
    const int digit = d == 0 ? 3 : g.Below(10);
    ean += char('0' + digit);
    sum += digit * (d % 2 ? 3 : 1);
  }
  return ean + char('0' + (10 - sum % 10) % 10);
}

// The film's details, from their own generator so that the original columns
// stay the same for a seed.
void BindDetails(Generator& g, db::Statement& insert, int first) {
  auto text = [&](int column, double p, const std::string& value) {
    if (g.Real() < p)
      insert.BindText(first + column, value);
    else
      insert.BindNull(first + column);
  };
  if (g.Real() < 0.9)
    insert.BindInt(first, 1920 + g.Below(107));
  else
    insert.BindNull(first);
  text(1, 0.85, g.Pick(kFirstNames) + " " + g.Pick(kLastNames));
  std::string actors;
  for (int a = 0, n = 1 + g.Below(5); a < n; ++a)
    actors += (a ? ", " : "") + g.Pick(kFirstNames) + " " + g.Pick(kLastNames);
  text(2, 0.75, actors);
  text(3, 0.8, g.Pick(kCountries));
  text(4, 0.3, g.Pick(kOriginalTitles));
  std::string summary;
  for (int n = g.Real() < 0.05 ? 40 : 1 + g.Below(4); n > 0; --n)
    summary += (summary.empty() ? "" : g.Real() < 0.2 ? "\n" : " ") + g.Pick(kSentences);
  text(5, 0.6, summary);
  if (g.Real() < 0.5)
    insert.BindInt(first + 6, g.Below(11));
  else
    insert.BindNull(first + 6);
  insert.BindInt(first + 7, g.Real() < 0.6);
  text(8, 0.4, Ean13(g));
}

std::string TwoDigits(int v) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", v);
  return text;
}

}  // namespace

void WriteGeneratedCatalogue(const std::string& directory, int64_t n, uint64_t seed) {
  catalogue::InitCatalogue(directory);
  db::Database database(directory);
  // The title keys and the search index are built once at the end, not by
  // the triggers film by film.
  for (const std::string& drop : db::DropTitleKeySql()) database.ExecSQL(drop);
  for (const char* trigger :
       {"video_recherche_ajout", "video_recherche_modif", "video_recherche_suppr"})
    database.ExecSQL(std::string("DROP TRIGGER IF EXISTS ") + trigger);
  database.ExecSQL("BEGIN");
  db::Statement insert(database.Handle(),
                       "INSERT INTO video (\"Index\", Reference, Titre, Genre, Support, \"Durée\", "
                       "Jacquette, Nom, \"Prêté_le\", Nb_cd, Jaquette2, \"Année\", "
                       "\"Réalisateur\", Acteurs, Pays, Titre_original, \"Résumé\", Note, Vu, EAN) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, "
                       "?16, ?17, ?18, ?19, ?20)",
                       database.FilePath());
  Generator g(seed);
  Generator details(seed ^ 0x9e3779b97f4a7c15ull);
  std::vector<std::string> earlier;  // titles filmed again under the same name
  int64_t index = 0;
  for (int64_t i = 0; i < n; ++i) {
    index += g.Real() < 0.02 ? 1 + g.Below(5) : 1;  // deleted films leave gaps
    std::string title;
    int kind = -1;
    for (const Special& s : kSpecials)
      if (i % s.period == s.offset) {
        kind = s.kind;
        break;
      }
    if (kind >= 0)
      title = g.SpecialTitle(kind);
    else if (!earlier.empty() && g.Real() < 0.04)
      title = earlier[g.Below(int(earlier.size()))];
    else
      title = g.Title();
    if (kind < 0 && earlier.size() < 5000 && g.Real() < 0.01) earlier.push_back(title);
    const std::string_view support = g.Weighted(kSupports);
    std::string reference;
    if (const double r = g.Real(); r < 0.40)
      for (int d = 0; d < 13; ++d) reference += char('0' + g.Below(10));
    else if (r < 0.70)
      reference =
          std::string(support.substr(0, 1)) + TwoDigits(g.Below(50)) + TwoDigits(g.Below(100));
    int seconds = g.Real() < 0.02 ? 0 : 300 + g.Below(4 * 3600 - 301);
    const std::string duree = TwoDigits(seconds / 3600) + ":" + TwoDigits(seconds / 60 % 60) + ":" +
                              TwoDigits(seconds % 60);
    std::string front;
    if (const double r = g.Real(); r < 0.65)
      front = "/home/user/jaquettes/" + std::to_string(index) + ".jpg";
    else if (r < 0.70)
      front = "/home/user/Mes vidéos/jaquettes/" + std::to_string(index) + " recto.jpg";
    const std::string back =
        g.Real() < 0.2 ? "/home/user/jaquettes/" + std::to_string(index) + "_dos.jpg" : "";

    insert.Reset();
    insert.BindInt(1, index);
    insert.BindText(2, reference);
    insert.BindText(3, title);
    insert.BindText(4, g.Weighted(kGenres));
    insert.BindText(5, support);
    insert.BindText(6, duree);
    insert.BindText(7, front);
    if (g.Real() < 0.10) {  // lent
      insert.BindText(8, g.Pick(kFirstNames) + " " + g.Pick(kLastNames));
      insert.BindText(9, std::to_string(1998 + g.Below(28)) + "-" + TwoDigits(1 + g.Below(12)) +
                             "-" + TwoDigits(1 + g.Below(28)));
    } else {
      if (g.Real() < 0.1)
        insert.BindText(8, "");
      else
        insert.BindNull(8);
      insert.BindNull(9);
    }
    const int discs = support == "DVD" || support == "VHS" ? 1 + (g.Real() < 0.2) : 1 + g.Below(3);
    insert.BindInt(10, discs);
    insert.BindText(11, back);
    BindDetails(details, insert, 12);
    while (insert.Step()) {
    }
  }
  database.ExecSQL("COMMIT");
  catalogue::UseFrenchTitleKey(database);
  catalogue::UseSearchIndex(database);
}

}  // namespace kvn::tools
