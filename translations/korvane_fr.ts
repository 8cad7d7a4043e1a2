<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>ExportDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Cell padding</source>
        <translation>Marge des cellules</translation>
    </message>
    <message>
        <source>Cell spacing</source>
        <translation>Espacement des cellules</translation>
    </message>
    <message>
        <source>Champs disponibles:</source>
        <translation>Champs disponibles :</translation>
    </message>
    <message>
        <source>Champs exportes:</source>
        <translation>Champs exportés :</translation>
    </message>
    <message>
        <source>Choose a color</source>
        <translation>Choisir une couleur</translation>
    </message>
    <message>
        <source>Configuration files (*.cfg)|*.cfg|All files (*.*)|*.*</source>
        <translation>Fichiers d&apos;options (*.cfg)|*.cfg|Tous les fichiers (*.*)|*.*</translation>
    </message>
    <message>
        <source>Styles (*.stl)|*.stl|All files (*.*)|*.*</source>
        <translation>Styles (*.stl)|*.stl|Tous les fichiers (*.*)|*.*</translation>
    </message>
    <message>
        <source>Depuis le premier enrgt</source>
        <translation>Depuis le premier enregistrement</translation>
    </message>
    <message>
        <source>enrgts</source>
        <translation>enregistrements</translation>
    </message>
    <message>
        <source>Ecraser le fichier CSS s&apos;il existe</source>
        <translation>Écraser le fichier CSS s&apos;il existe</translation>
    </message>
    <message>
        <source>Entrer une Valeur:</source>
        <translation>Entrer une valeur :</translation>
    </message>
    <message>
        <source>Epaisseur ligne</source>
        <translation>Épaisseur des lignes</translation>
    </message>
    <message>
        <source>Etat</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Etes vous sûr?</source>
        <translation>Êtes-vous sûr ?</translation>
    </message>
    <message>
        <source>Voulez vous abandonner l&apos;export?</source>
        <translation>Voulez-vous abandonner l&apos;export ?</translation>
    </message>
    <message>
        <source>Fetched</source>
        <translation>Lus</translation>
    </message>
    <message>
        <source>Fetching...</source>
        <translation>Lecture…</translation>
    </message>
    <message>
        <source>Exclue...</source>
        <translation>Exclusion…</translation>
    </message>
    <message>
        <source>Préparation...</source>
        <translation>Préparation…</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>Export…</translation>
    </message>
    <message>
        <source>Fin de traitement</source>
        <translation>Fin du traitement</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Hauteur</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Largeur</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Paysage</translation>
    </message>
    <message>
        <source>Margins</source>
        <translation>Marges</translation>
    </message>
    <message>
        <source>Page Options</source>
        <translation>Options de la page</translation>
    </message>
    <message>
        <source>Page Orientation</source>
        <translation>Orientation de la page</translation>
    </message>
    <message>
        <source> Orientation Page </source>
        <translation> Orientation de la page </translation>
    </message>
    <message>
        <source>Page Size</source>
        <translation>Format de la page</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Unités</translation>
    </message>
    <message>
        <source>Police Encoding</source>
        <translation>Encodage de la police</translation>
    </message>
    <message>
        <source>Quote strings</source>
        <translation>Textes entre guillemets</translation>
    </message>
    <message>
        <source>Quote</source>
        <translation>Guillemet</translation>
    </message>
    <message>
        <source>Options Body</source>
        <translation>Options de la page HTML</translation>
    </message>
    <message>
        <source>Utiliser Cascade Style Sheets</source>
        <translation>Utiliser une feuille de style (CSS)</translation>
    </message>
    <message>
        <source>Entête</source>
        <translation>En-tête</translation>
    </message>
    <message>
        <source>Entête &amp;&amp; pied de page</source>
        <translation>En-tête &amp;&amp; pied de page</translation>
    </message>
    <message>
        <source>Police Entête</source>
        <translation>Police de l&apos;en-tête</translation>
    </message>
    <message>
        <source>Texte entête:</source>
        <translation>Texte de l&apos;en-tête :</translation>
    </message>
    <message>
        <source>Texte pied de page:</source>
        <translation>Texte du pied de page :</translation>
    </message>
    <message>
        <source>Attention!</source>
        <translation>Attention !</translation>
    </message>
    <message>
        <source>&amp;Aggregat</source>
        <translation>&amp;Agrégat</translation>
    </message>
    <message>
        <source> options TXT </source>
        <translation> Options TXT </translation>
    </message>
    <message>
        <source>Inter colonne</source>
        <translation>Espace entre colonnes</translation>
    </message>
    <message>
        <source>Inter ligne</source>
        <translation>Interligne</translation>
    </message>
    <message>
        <source>Autorise l&apos;export des sources vides</source>
        <translation>Autoriser l&apos;export des sources vides</translation>
    </message>
    <message>
        <source>Calcul Auto de la largeur de colonne</source>
        <translation>Calcul automatique de la largeur des colonnes</translation>
    </message>
    <message>
        <source>Calculer largeur colonne</source>
        <translation>Calculer la largeur des colonnes</translation>
    </message>
    <message>
        <source>&amp;Lancer l&apos;Export</source>
        <translation>&amp;Lancer l&apos;export</translation>
    </message>
    <message>
        <source>&amp;Type d&apos;Export </source>
        <translation>&amp;Type d&apos;export </translation>
    </message>
    <message>
        <source>Charger les options d&apos;Export...</source>
        <translation>Charger les options d&apos;export…</translation>
    </message>
    <message>
        <source>Sauver les options d&apos;Export...</source>
        <translation>Enregistrer les options d&apos;export…</translation>
    </message>
    <message>
        <source>Sauver comme modèle...</source>
        <translation>Enregistrer comme modèle…</translation>
    </message>
    <message>
        <source>Charger modèle...</source>
        <translation>Charger un modèle…</translation>
    </message>
    <message>
        <source>Choisir...</source>
        <translation>Choisir…</translation>
    </message>
    <message>
        <source>Dialogue Export -- Export vers [%1]</source>
        <translation>Dialogue d&apos;export — export vers [%1]</translation>
    </message>
    <message>
        <source>Dialogue Export</source>
        <translation>Dialogue d&apos;export</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>Personnalisé</translation>
    </message>
    <message>
        <source>Black&amp;White</source>
        <translation>Noir et blanc</translation>
    </message>
    <message>
        <source>Classic</source>
        <translation>Classique</translation>
    </message>
    <message>
        <source>ColorFul</source>
        <translation>Coloré</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>Gris</translation>
    </message>
    <message>
        <source>MS_Money</source>
        <translation>Financier</translation>
    </message>
    <message>
        <source>Murky</source>
        <translation>Sombre</translation>
    </message>
    <message>
        <source>Plain</source>
        <translation>Sobre</translation>
    </message>
    <message>
        <source>Letter</source>
        <translation>Lettre US</translation>
    </message>
    <message>
        <source>Legal</source>
        <translation>Légal US</translation>
    </message>
    <message>
        <source>US Std Fanfold</source>
        <translation>Listing US</translation>
    </message>
    <message>
        <source>Fanfold</source>
        <translation>Listing</translation>
    </message>
    <message>
        <source>User</source>
        <translation>Personnalisé</translation>
    </message>
    <message>
        <source>Inches</source>
        <translation>Pouces</translation>
    </message>
    <message>
        <source>Millimeters</source>
        <translation>Millimètres</translation>
    </message>
    <message>
        <source>Dots</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Gauche</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Droite</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Haut</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Bas</translation>
    </message>
    <message>
        <source>Format Entier</source>
        <translation>Format entier</translation>
    </message>
    <message>
        <source>Format Date</source>
        <translation>Format date</translation>
    </message>
    <message>
        <source>Chaine Null</source>
        <translation>Chaîne nulle</translation>
    </message>
    <message>
        <source>ENTETE</source>
        <translation>EN-TÊTE</translation>
    </message>
    <message>
        <source>LIBELLE</source>
        <translation>LIBELLÉ</translation>
    </message>
    <message>
        <source>AGGREGAT</source>
        <translation>AGRÉGAT</translation>
    </message>
    <message>
        <source>Sous-ligné simple</source>
        <translation>Souligné simple</translation>
    </message>
    <message>
        <source>Sous-ligné simple tiret</source>
        <translation>Souligné simple (comptable)</translation>
    </message>
    <message>
        <source>Sous-ligné double</source>
        <translation>Souligné double</translation>
    </message>
    <message>
        <source>Sous-ligné double tiret</source>
        <translation>Souligné double (comptable)</translation>
    </message>
    <message>
        <source>Col</source>
        <translation>Colonne</translation>
    </message>
    <message>
        <source>Presse-papier Windows</source>
        <translation>Presse-papiers</translation>
    </message>
    <message>
        <source>Lien Non-visité</source>
        <translation>Lien non visité</translation>
    </message>
    <message>
        <source>Lien Visité</source>
        <translation>Lien visité</translation>
    </message>
    <message>
        <source>Lien Actif</source>
        <translation>Lien actif</translation>
    </message>
    <message>
        <source>Modèle Lien Index</source>
        <translation>Modèle du lien d&apos;index</translation>
    </message>
    <message>
        <source>Nom de champs</source>
        <translation>Nom des champs</translation>
    </message>
    <message>
        <source>Format &amp;Données</source>
        <translation>Format des &amp;données</translation>
    </message>
    <message>
        <source>Couleur avant plan</source>
        <translation>Couleur de premier plan</translation>
    </message>
    <message>
        <source>Titre feuille</source>
        <translation>Titre de la feuille</translation>
    </message>
    <message>
        <source>Texte par Défaut</source>
        <translation>Texte par défaut</translation>
    </message>
    <message>
        <source>Réinitialiser item</source>
        <translation>Réinitialiser l&apos;élément</translation>
    </message>
    <message>
        <source>Ajouter &quot;Create Table&quot;</source>
        <translation>Ajouter « CREATE TABLE »</translation>
    </message>
    <message>
        <source>Exporter null comme</source>
        <translation>Exporter NULL comme</translation>
    </message>
    <message>
        <source>Options Table</source>
        <translation>Options de la table</translation>
    </message>
    <message>
        <source>Nom de Table</source>
        <translation>Nom de la table</translation>
    </message>
</context>
<context>
    <name>Korvane</name>
    <message>
        <source>A Propos...</source>
        <translation>À propos…</translation>
    </message>
    <message>
        <source>A propos...</source>
        <translation>À propos…</translation>
    </message>
    <message>
        <source>Edité le : </source>
        <translation>Édité le : </translation>
    </message>
    <message>
        <source>Edition</source>
        <translation>Édition</translation>
    </message>
</context>
</TS>
