<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>AppSettings</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 existe déjà.
Voulez-vous le remplacer&#xa0;?</translation>
    </message>
</context>
<context>
    <name>AutoSaveSettingsDialog</name>
    <message>
        <source>Automatic save</source>
        <translation>Enregistrement automatique</translation>
    </message>
    <message>
        <source>The automatic save NEVER writes your project file. It writes a separate copy next to it, and Vantorquelle offers to recover that copy if it is more recent than the project when you reopen it.</source>
        <translation>L&apos;enregistrement automatique n&apos;écrit JAMAIS dans votre fichier de projet. Il écrit une copie séparée à côté, et Vantorquelle propose de récupérer cette copie si elle est plus récente que le projet lorsque vous le rouvrez.</translation>
    </message>
    <message>
        <source>Save automatically</source>
        <translation>Enregistrer automatiquement</translation>
    </message>
    <message>
        <source>Interval:</source>
        <translation>Intervalle&#xa0;:</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source>A save is skipped when nothing has changed, and while a track is being drawn — so this is a maximum, not a rhythm.</source>
        <translation>Un enregistrement est sauté quand rien n&apos;a changé, ainsi que pendant le tracé d&apos;une piste — il s&apos;agit donc d&apos;un maximum, pas d&apos;une cadence.</translation>
    </message>
    <message>
        <source>Keep the previous version as “.bak” when saving</source>
        <translation>Conserver la version précédente en «&#xa0;.bak&#xa0;» lors de l&apos;enregistrement</translation>
    </message>
    <message>
        <source>Each explicit save first copies the file it replaces. A project carries its 3D geometry inside it, so this doubles what the folder holds.</source>
        <translation>Chaque enregistrement explicite copie d&apos;abord le fichier qu&apos;il remplace. Un projet contient sa géométrie 3D, cela double donc l&apos;espace occupé dans le dossier.</translation>
    </message>
    <message numerus="yes">
        <source>At most %n minute(s) of work can be lost.</source>
        <translation>
            <numerusform>Au plus %n minute de travail peut être perdue.</numerusform>
            <numerusform>Au plus %n minutes de travail peuvent être perdues.</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing is saved automatically. Only Ctrl+S writes your work to disk.</source>
        <translation>Rien n&apos;est enregistré automatiquement. Seul Ctrl+S écrit votre travail sur le disque.</translation>
    </message>
</context>
<context>
    <name>BoardExplorerPanel</name>
    <message>
        <source>Board explorer</source>
        <translation>Explorateur de carte</translation>
    </message>
    <message>
        <source>Filter (reference, value, footprint, net…)</source>
        <translation>Filtrer (référence, valeur, empreinte, réseau…)</translation>
    </message>
    <message>
        <source>Ref</source>
        <translation>Réf.</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valeur</translation>
    </message>
    <message>
        <source>Footprint</source>
        <translation>Empreinte</translation>
    </message>
    <message>
        <source>State</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Net</source>
        <translation>Réseau</translation>
    </message>
    <message>
        <source>Routed</source>
        <translation>Routé</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Restant</translation>
    </message>
    <message>
        <source>Components</source>
        <translation>Composants</translation>
    </message>
    <message>
        <source>Nets</source>
        <translation>Réseaux</translation>
    </message>
    <message>
        <source>No component. Import a netlist, then generate the 3D components.</source>
        <translation>Aucun composant. Importez une netlist, puis générez les composants 3D.</translation>
    </message>
    <message>
        <source>No net. Import a netlist.</source>
        <translation>Aucun réseau. Importez une netlist.</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n component(s) shown</source>
        <translation>
            <numerusform>%1 sur %n composant affiché</numerusform>
            <numerusform>%1 sur %n composants affichés</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n net(s) shown</source>
        <translation>
            <numerusform>%1 sur %n réseau affiché</numerusform>
            <numerusform>%1 sur %n réseaux affichés</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n component(s)</source>
        <translation>
            <numerusform>%n composant</numerusform>
            <numerusform>%n composants</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n net(s)</source>
        <translation>
            <numerusform>%n réseau</numerusform>
            <numerusform>%n réseaux</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 — %2
%3
Pads: %4 · Nets: %5</source>
        <translation>%1 — %2
%3
Pastilles&#xa0;: %4 · Réseaux&#xa0;: %5</translation>
    </message>
    <message>
        <source>no value</source>
        <translation>sans valeur</translation>
    </message>
    <message>
        <source>no footprint</source>
        <translation>sans empreinte</translation>
    </message>
    <message>
        <source>Placed</source>
        <translation>Placé</translation>
    </message>
    <message>
        <source>Footprint missing</source>
        <translation>Empreinte manquante</translation>
    </message>
    <message>
        <source>Not placed</source>
        <translation>Non placé</translation>
    </message>
    <message>
        <source>Not in netlist</source>
        <translation>Absent de la netlist</translation>
    </message>
    <message>
        <source> · no cavity</source>
        <translation> · sans cavité</translation>
    </message>
    <message>
        <source>Nothing to route</source>
        <translation>Rien à router</translation>
    </message>
    <message>
        <source>To route</source>
        <translation>À router</translation>
    </message>
    <message numerus="yes">
        <source>%n detached end(s)</source>
        <translation>
            <numerusform>%n extrémité détachée</numerusform>
            <numerusform>%n extrémités détachées</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n dangling T</source>
        <translation>
            <numerusform>%n T non raccordé</numerusform>
            <numerusform>%n T non raccordés</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 — %n pad(s)</source>
        <translation>
            <numerusform>%1 — %n pastille</numerusform>
            <numerusform>%1 — %n pastilles</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 mm left to route</source>
        <translation>%1 mm restant à router</translation>
    </message>
    <message numerus="yes">
        <source>%n track(s) too close to another net</source>
        <translation>
            <numerusform>%n piste trop proche d&apos;un autre réseau</numerusform>
            <numerusform>%n pistes trop proches d&apos;un autre réseau</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n pin(s) missing</source>
        <translation>
            <numerusform>%n broche manquante</numerusform>
            <numerusform>%n broches manquantes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n pin(s) of this net have no pad on the board: their component has no footprint or is not placed.</source>
        <translation>
            <numerusform>%n broche de ce réseau n&apos;a pas de pastille sur la carte&#xa0;: son composant n&apos;a pas d&apos;empreinte ou n&apos;est pas placé.</numerusform>
            <numerusform>%n broches de ce réseau n&apos;ont pas de pastille sur la carte&#xa0;: leur composant n&apos;a pas d&apos;empreinte ou n&apos;est pas placé.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>BurialAnalyzer</name>
    <message>
        <source>Burial analysis: import a STEP part first</source>
        <translation>Analyse d&apos;enfouissement&#xa0;: importez d&apos;abord une pièce STEP</translation>
    </message>
    <message>
        <source>Burial analysis: computing...</source>
        <translation>Analyse d&apos;enfouissement&#xa0;: calcul en cours...</translation>
    </message>
    <message>
        <source>Burial analysis disabled</source>
        <translation>Analyse d&apos;enfouissement désactivée</translation>
    </message>
    <message>
        <source>Burial analysis: component %1/%2 (%3)...</source>
        <translation>Analyse d&apos;enfouissement&#xa0;: composant %1/%2 (%3)...</translation>
    </message>
    <message numerus="yes">
        <source> (%n failure(s))</source>
        <translation>
            <numerusform> (%n échec)</numerusform>
            <numerusform> (%n échecs)</numerusform>
        </translation>
    </message>
    <message>
        <source>Analysis %1: %2</source>
        <translation>Analyse de %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>unexpected failure</source>
        <translation>échec inattendu</translation>
    </message>
    <message>
        <source>Null shape</source>
        <translation>Forme nulle</translation>
    </message>
    <message>
        <source>Empty bounding box</source>
        <translation>Boîte englobante vide</translation>
    </message>
    <message>
        <source>The buried part could not be computed</source>
        <translation>La partie enfouie n&apos;a pas pu être calculée</translation>
    </message>
    <message>
        <source>The free part could not be computed</source>
        <translation>La partie libre n&apos;a pas pu être calculée</translation>
    </message>
    <message numerus="yes">
        <source>Burial analysis complete: %1/%n component(s) analysed</source>
        <translation>
            <numerusform>Analyse d&apos;enfouissement terminée&#xa0;: %1/%n composant analysé</numerusform>
            <numerusform>Analyse d&apos;enfouissement terminée&#xa0;: %1/%n composants analysés</numerusform>
        </translation>
    </message>
    <message>
        <source>Burial analysis cancelled</source>
        <translation>Analyse d&apos;enfouissement annulée</translation>
    </message>
</context>
<context>
    <name>BurialResult</name>
    <message>
        <source>Analysis unavailable for %1</source>
        <translation>Analyse indisponible pour %1</translation>
    </message>
    <message>
        <source>%1: no intersection with the part</source>
        <translation>%1&#xa0;: aucune intersection avec la pièce</translation>
    </message>
    <message>
        <source>%1: %2% buried (%3 mm³ / %4 mm³)</source>
        <translation>%1&#xa0;: %2&#xa0;% enfoui (%3 mm³ / %4 mm³)</translation>
    </message>
</context>
<context>
    <name>ComponentManager</name>
    <message numerus="yes">
        <source>%n footprint(s) loaded</source>
        <translation>
            <numerusform>%n empreinte chargée</numerusform>
            <numerusform>%n empreintes chargées</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n missing</source>
        <translation>
            <numerusform>, %n manquante</numerusform>
            <numerusform>, %n manquantes</numerusform>
        </translation>
    </message>
    <message>
        <source>Invalid values for %1 — nothing changed.</source>
        <translation>Valeurs invalides pour %1 — rien n&apos;a été modifié.</translation>
    </message>
    <message>
        <source>Rotation failed for %1 — values restored.</source>
        <translation>Échec de la rotation de %1 — valeurs restaurées.</translation>
    </message>
    <message>
        <source>Move failed for %1 — values restored.</source>
        <translation>Échec du déplacement de %1 — valeurs restaurées.</translation>
    </message>
    <message>
        <source>Rebuild failed for %1 — values restored.</source>
        <translation>Échec de la reconstruction de %1 — valeurs restaurées.</translation>
    </message>
    <message>
        <source>%1 already uses another footprint named %2 — rename the file to give it to %3.</source>
        <translation>%1 utilise déjà une autre empreinte nommée %2 — renommez le fichier pour l&apos;attribuer à %3.</translation>
    </message>
    <message>
        <source>Not enough memory to place the components: none was placed</source>
        <translation>Mémoire insuffisante pour placer les composants&#xa0;: aucun n&apos;a été placé</translation>
    </message>
    <message>
        <source>Not enough memory to add the new components: nothing was changed</source>
        <translation>Mémoire insuffisante pour ajouter les nouveaux composants&#xa0;: rien n&apos;a été modifié</translation>
    </message>
    <message>
        <source>placed component %1 of the file has no reference: left out</source>
        <translation>le composant placé n° %1 du fichier n&apos;a pas de référence&#xa0;: écarté</translation>
    </message>
    <message>
        <source>placed component %1 appears again as entry %2 of the file: the first entry was kept, this one left out</source>
        <translation>le composant placé %1 apparaît de nouveau à l&apos;entrée %2 du fichier&#xa0;: la première entrée a été gardée, celle-ci écartée</translation>
    </message>
</context>
<context>
    <name>FileUtils</name>
    <message>
        <source>%1/%2 bytes written</source>
        <translation>%1/%2 octets écrits</translation>
    </message>
    <message>
        <source>%1 is not a regular file.</source>
        <translation>%1 n&apos;est pas un fichier ordinaire.</translation>
    </message>
    <message>
        <source>The file is larger than %1 MB.</source>
        <translation>Le fichier dépasse %1 Mo.</translation>
    </message>
    <message>
        <source>The data to write could not be read: %1</source>
        <translation>Les données à écrire n’ont pas pu être lues&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>FootprintFoldersDialog</name>
    <message>
        <source>Footprint folders</source>
        <translation>Dossiers d&apos;empreintes</translation>
    </message>
    <message>
        <source>Directories searched during footprint assignment (recursive search for .kicad_mod files).</source>
        <translation>Dossiers parcourus lors de l&apos;attribution des empreintes (recherche récursive des fichiers .kicad_mod).</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>Ajouter...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Retirer</translation>
    </message>
    <message>
        <source>Select a KiCad footprint folder</source>
        <translation>Choisir un dossier d&apos;empreintes KiCad</translation>
    </message>
</context>
<context>
    <name>FootprintManager</name>
    <message>
        <source>not enough memory to place it</source>
        <translation>mémoire insuffisante pour la placer</translation>
    </message>
    <message>
        <source>its body cannot be built</source>
        <translation>son boîtier ne peut pas être construit</translation>
    </message>
    <message>
        <source>X position</source>
        <translation>position X</translation>
    </message>
    <message>
        <source>Y position</source>
        <translation>position Y</translation>
    </message>
    <message>
        <source>width</source>
        <translation>largeur</translation>
    </message>
    <message>
        <source>height</source>
        <translation>hauteur</translation>
    </message>
    <message>
        <source>track width</source>
        <translation>largeur de piste</translation>
    </message>
    <message>
        <source>track point</source>
        <translation>point de piste</translation>
    </message>
    <message>
        <source>zone vertex</source>
        <translation>sommet de zone</translation>
    </message>
    <message>
        <source>pad thickness</source>
        <translation>épaisseur des pastilles</translation>
    </message>
    <message>
        <source>undercut</source>
        <translation>dépassement</translation>
    </message>
    <message>
        <source>body height</source>
        <translation>hauteur du boîtier</translation>
    </message>
    <message>
        <source>body margin X</source>
        <translation>marge X du boîtier</translation>
    </message>
    <message>
        <source>body margin Y</source>
        <translation>marge Y du boîtier</translation>
    </message>
    <message>
        <source>body offset Z</source>
        <translation>décalage Z du boîtier</translation>
    </message>
    <message>
        <source>body width</source>
        <translation>largeur du boîtier</translation>
    </message>
    <message>
        <source>body length</source>
        <translation>longueur du boîtier</translation>
    </message>
    <message>
        <source>body transparency %1 is not a finite number</source>
        <translation>la transparence du boîtier %1 n&apos;est pas un nombre fini</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1: not enough memory to read this footprint</source>
        <translation>%1&#xa0;: mémoire insuffisante pour lire cette empreinte</translation>
    </message>
    <message>
        <source>%1 %2 is not a finite number</source>
        <translation>%1 %2 n&apos;est pas un nombre fini</translation>
    </message>
    <message>
        <source>%1 %2 mm is negative</source>
        <translation>%1 %2 mm est négative</translation>
    </message>
    <message>
        <source>%1 %2 mm is beyond the limit of %3 mm</source>
        <translation>%1 %2 mm dépasse la limite de %3 mm</translation>
    </message>
    <message>
        <source>pad “%1”: </source>
        <translation>pastille «&#xa0;%1&#xa0;»&#xa0;: </translation>
    </message>
    <message>
        <source>rotation %1 is not a finite number</source>
        <translation>la rotation %1 n&apos;est pas un nombre fini</translation>
    </message>
    <message>
        <source>%1 copper pads, beyond the limit of %2 pads per footprint</source>
        <translation>%1 pastilles de cuivre, au-delà de la limite de %2 pastilles par empreinte</translation>
    </message>
    <message>
        <source>pad “%1” has size %2 × %3 mm (a pad needs a width and a height above 0)</source>
        <translation>la pastille «&#xa0;%1&#xa0;» mesure %2 × %3 mm (une pastille doit avoir une largeur et une hauteur supérieures à 0)</translation>
    </message>
    <message>
        <source>its pads cannot be built</source>
        <translation>ses pastilles ne peuvent pas être construites</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Ready - Build plate displayed</source>
        <translation>Prêt - Plateau affiché</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Prêt</translation>
    </message>
    <message>
        <source>Viewer not ready</source>
        <translation>Vue 3D non prête</translation>
    </message>
    <message>
        <source>The 3D viewer is not yet initialized.
Wait a moment then try again.</source>
        <translation>La vue 3D n&apos;est pas encore initialisée.
Patientez un instant puis réessayez.</translation>
    </message>
    <message>
        <source>Info</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Untitled project</source>
        <translation>Projet sans titre</translation>
    </message>
    <message>
        <source>3D files</source>
        <translation>Fichiers 3D</translation>
    </message>
    <message>
        <source>STEP files</source>
        <translation>Fichiers STEP</translation>
    </message>
    <message>
        <source>STL files</source>
        <translation>Fichiers STL</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>Import geometry (STEP or STL)</source>
        <translation>Importer une géométrie (STEP ou STL)</translation>
    </message>
    <message>
        <source>Unknown format</source>
        <translation>Format inconnu</translation>
    </message>
    <message>
        <source>Unable to determine the file type of &quot;%1&quot;.
Select a .step, .stp, or .stl file.</source>
        <translation>Impossible de déterminer le type du fichier «&#xa0;%1&#xa0;».
Choisissez un fichier .step, .stp ou .stl.</translation>
    </message>
    <message>
        <source>Import cancelled: unrecognized format</source>
        <translation>Import annulé&#xa0;: format non reconnu</translation>
    </message>
    <message>
        <source>Loading STEP file...</source>
        <translation>Chargement du fichier STEP...</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Unable to read the STEP file</source>
        <translation>Impossible de lire le fichier STEP</translation>
    </message>
    <message>
        <source>The STEP file contains no transferable root.</source>
        <translation>Le fichier STEP ne contient aucune racine transférable.</translation>
    </message>
    <message>
        <source>No valid shape found in the file</source>
        <translation>Aucune forme valide trouvée dans le fichier</translation>
    </message>
    <message>
        <source>Error while loading the file</source>
        <translation>Erreur lors du chargement du fichier</translation>
    </message>
    <message>
        <source>STEP import canceled</source>
        <translation>Import STEP annulé</translation>
    </message>
    <message>
        <source>Reading and repairing the STL file...</source>
        <translation>Lecture et réparation du fichier STL...</translation>
    </message>
    <message>
        <source>STL Error</source>
        <translation>Erreur STL</translation>
    </message>
    <message>
        <source>Unable to load STL:
%1</source>
        <translation>Impossible de charger le STL&#xa0;:
%1</translation>
    </message>
    <message>
        <source>STL import failed</source>
        <translation>Échec de l&apos;import STL</translation>
    </message>
    <message>
        <source>STL import cancelled</source>
        <translation>Import STL annulé</translation>
    </message>
    <message>
        <source>Import STL — mesh</source>
        <translation>Import STL — maillage</translation>
    </message>
    <message>
        <source>%1

Details:
• Triangles: %2
• Faces (after sewing): %3
• Free edges: %4
• Waterproof solid: %5</source>
        <translation>%1

Détails&#xa0;:
• Triangles&#xa0;: %2
• Faces (après couture)&#xa0;: %3
• Arêtes libres&#xa0;: %4
• Solide étanche&#xa0;: %5</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>oui</translation>
    </message>
    <message>
        <source>no</source>
        <translation>non</translation>
    </message>
    <message>
        <source>Import a part</source>
        <translation>Importer une pièce</translation>
    </message>
    <message>
        <source>Importing a new part will delete:

• components already placed
• routed traces
• undo history

The netlist and footprint folders are preserved.

This action is irreversible. Continue?</source>
        <translation>L&apos;import d&apos;une nouvelle pièce supprimera&#xa0;:

• les composants déjà placés
• les pistes routées
• l&apos;historique d&apos;annulation

La netlist et les dossiers d&apos;empreintes sont conservés.

Cette action est irréversible. Continuer&#xa0;?</translation>
    </message>
    <message numerus="yes">
        <source>No usable shape (%n shape(s) ignored).</source>
        <translation>
            <numerusform>Aucune forme utilisable (%n forme ignorée).</numerusform>
            <numerusform>Aucune forme utilisable (%n formes ignorées).</numerusform>
        </translation>
    </message>
    <message>
        <source>Loaded: %1 - Click &apos;Orient part&apos; then on a face</source>
        <translation>Chargé&#xa0;: %1 - Cliquez sur «&#xa0;Orienter la pièce&#xa0;» puis sur une face</translation>
    </message>
    <message numerus="yes">
        <source> (%n shape(s) ignored)</source>
        <translation>
            <numerusform> (%n forme ignorée)</numerusform>
            <numerusform> (%n formes ignorées)</numerusform>
        </translation>
    </message>
    <message>
        <source>Orient the part</source>
        <translation>Orienter la pièce</translation>
    </message>
    <message>
        <source>Reorienting the part will remove:

• already placed components
• routed tracks
• the undo history

The netlist and footprint folders are preserved.
This action is irreversible. Continue?</source>
        <translation>Réorienter la pièce supprimera&#xa0;:

• les composants déjà placés
• les pistes routées
• l&apos;historique d&apos;annulation

La netlist et les dossiers d&apos;empreintes sont conservés.
Cette action est irréversible. Continuer&#xa0;?</translation>
    </message>
    <message>
        <source>Orientation cancelled — job placement retained</source>
        <translation>Orientation annulée — placement actuel conservé</translation>
    </message>
    <message>
        <source>Error during orientation: %1</source>
        <translation>Erreur pendant l&apos;orientation&#xa0;: %1</translation>
    </message>
    <message>
        <source>Part oriented and centered - face placed on the build plate</source>
        <translation>Pièce orientée et centrée - face posée sur le plateau</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>New project</source>
        <translation>Nouveau projet</translation>
    </message>
    <message>
        <source>Import geometry (STEP/STL)...</source>
        <translation>Importer une géométrie (STEP/STL)...</translation>
    </message>
    <message>
        <source>Import Netlist...</source>
        <translation>Importer une netlist...</translation>
    </message>
    <message>
        <source>Update from netlist...</source>
        <translation>Mettre à jour depuis la netlist...</translation>
    </message>
    <message>
        <source>Applies a modified netlist while keeping the placement:
components that remain keep their position, rotation and dimensions.</source>
        <translation>Applique une netlist modifiée en conservant le placement&#xa0;:
les composants maintenus gardent leur position, leur rotation et leurs dimensions.</translation>
    </message>
    <message>
        <source>&amp;Save project</source>
        <translation>&amp;Enregistrer le projet</translation>
    </message>
    <message>
        <source>Save project &amp;as...</source>
        <translation>Enregistrer le projet &amp;sous...</translation>
    </message>
    <message>
        <source>&amp;Open a project...</source>
        <translation>&amp;Ouvrir un projet...</translation>
    </message>
    <message>
        <source>Recent projects</source>
        <translation>Projets récents</translation>
    </message>
    <message>
        <source>3D Export</source>
        <translation>Export 3D</translation>
    </message>
    <message>
        <source>Export STEP...</source>
        <translation>Exporter en STEP...</translation>
    </message>
    <message>
        <source>Export 3MF part...</source>
        <translation>Exporter la pièce en 3MF...</translation>
    </message>
    <message>
        <source>Export 3MF project...</source>
        <translation>Exporter le projet 3MF...</translation>
    </message>
    <message>
        <source>Like the part export, plus the native insertion pauses (M601) loaded by PrusaSlicer when the file is opened as a project.</source>
        <translation>Comme l&apos;export de la pièce, avec en plus les pauses d&apos;insertion natives (M601) chargées par PrusaSlicer à l&apos;ouverture du fichier comme projet.</translation>
    </message>
    <message>
        <source>Print pause report: at which layer to pause
and which components to insert, sorted by height.</source>
        <translation>Rapport des pauses d&apos;impression&#xa0;: à quelle couche faire une pause
et quels composants insérer, triés par hauteur.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>É&amp;dition</translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Rétablir</translation>
    </message>
    <message>
        <source>Clear history</source>
        <translation>Effacer l&apos;historique</translation>
    </message>
    <message>
        <source>Footprint folders…</source>
        <translation>Dossiers d&apos;empreintes…</translation>
    </message>
    <message>
        <source>Routing rules…</source>
        <translation>Règles de routage…</translation>
    </message>
    <message>
        <source>Automatic save…</source>
        <translation>Enregistrement automatique…</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>A&amp;ffichage</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>Online Help</source>
        <translation>Aide en ligne</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Orient part</source>
        <translation>Orienter la pièce</translation>
    </message>
    <message>
        <source>Cancel selection</source>
        <translation>Annuler la sélection</translation>
    </message>
    <message>
        <source>Import a STEP file first</source>
        <translation>Importez d&apos;abord un fichier STEP</translation>
    </message>
    <message>
        <source>Selection mode</source>
        <translation>Mode sélection</translation>
    </message>
    <message>
        <source>Exit selection</source>
        <translation>Quitter la sélection</translation>
    </message>
    <message>
        <source>Generate components or route traces first</source>
        <translation>Générez d&apos;abord les composants ou routez des pistes</translation>
    </message>
    <message>
        <source>Routing Mode</source>
        <translation>Mode routage</translation>
    </message>
    <message>
        <source>Finish routing</source>
        <translation>Terminer le routage</translation>
    </message>
    <message>
        <source>Import a netlist first</source>
        <translation>Importez d&apos;abord une netlist</translation>
    </message>
    <message>
        <source>Generate the components first</source>
        <translation>Générez d&apos;abord les composants</translation>
    </message>
    <message>
        <source>Resistance probe</source>
        <translation>Sonde de résistance</translation>
    </message>
    <message>
        <source>Stop the probe</source>
        <translation>Arrêter la sonde</translation>
    </message>
    <message>
        <source>Draw tracks first</source>
        <translation>Tracez d&apos;abord des pistes</translation>
    </message>
    <message>
        <source>Mode unavailable</source>
        <translation>Mode indisponible</translation>
    </message>
    <message>
        <source>Mode %1 refused: %2</source>
        <translation>Mode %1 refusé&#xa0;: %2</translation>
    </message>
    <message>
        <source>Selection mode ACTIVE - Click on a face of the part</source>
        <translation>Mode sélection ACTIF - Cliquez sur une face de la pièce</translation>
    </message>
    <message>
        <source>Selection mode disabled</source>
        <translation>Mode sélection désactivé</translation>
    </message>
    <message>
        <source>Selection mode ACTIVE — click a component or a track; click the selected target again to manipulate it</source>
        <translation>Mode sélection ACTIF — cliquez sur un composant ou une piste&#xa0;; cliquez à nouveau sur la cible sélectionnée pour la manipuler</translation>
    </message>
    <message numerus="yes">
        <source>, … (+%n more)</source>
        <translation>
            <numerusform>, … (+%n autre)</numerusform>
            <numerusform>, … (+%n autres)</numerusform>
        </translation>
    </message>
    <message>
        <source>Import STEP / STL</source>
        <translation>Importer STEP / STL</translation>
    </message>
    <message>
        <source>Import Netlist</source>
        <translation>Importer la netlist</translation>
    </message>
    <message>
        <source>Reset View</source>
        <translation>Réinitialiser la vue</translation>
    </message>
    <message>
        <source>Generate 3D components</source>
        <translation>Générer les composants 3D</translation>
    </message>
    <message>
        <source>Show Ratsnest</source>
        <translation>Afficher le chevelu</translation>
    </message>
    <message>
        <source>Follow surface</source>
        <translation>Suivre la surface</translation>
    </message>
    <message>
        <source>Ratsnest Info</source>
        <translation>Infos chevelu</translation>
    </message>
    <message>
        <source>Burial analysis</source>
        <translation>Analyse d&apos;enfouissement</translation>
    </message>
    <message>
        <source>Shows in green the part buried in the STEP piece,
in orange the protruding part,
and in red the outline at the interface.</source>
        <translation>Affiche en vert la partie enfouie dans la pièce STEP,
en orange la partie saillante,
et en rouge le contour à l&apos;interface.</translation>
    </message>
    <message>
        <source>Clear tracks</source>
        <translation>Effacer les pistes</translation>
    </message>
    <message>
        <source>Routing: Inactive</source>
        <translation>Routage&#xa0;: inactif</translation>
    </message>
    <message>
        <source>Plane mode</source>
        <translation>Mode plan</translation>
    </message>
    <message>
        <source>Surface follow mode ACTIVE - Components will follow the surface of the part</source>
        <translation>Mode suivi de surface ACTIF - Les composants suivront la surface de la pièce</translation>
    </message>
    <message>
        <source>Plane mode ACTIVE - Components stay on the build plate</source>
        <translation>Mode plan ACTIF - Les composants restent sur le plateau</translation>
    </message>
    <message>
        <source>View reset</source>
        <translation>Vue réinitialisée</translation>
    </message>
    <message>
        <source>No main shape available</source>
        <translation>Aucune pièce principale disponible</translation>
    </message>
    <message>
        <source>Cannot compute the face normal</source>
        <translation>Impossible de calculer la normale de la face</translation>
    </message>
    <message>
        <source>Rebuilding the oriented shape failed</source>
        <translation>La reconstruction de la pièce orientée a échoué</translation>
    </message>
    <message>
        <source>Cannot persist the reoriented shape into ProjectManager</source>
        <translation>Impossible d&apos;enregistrer la pièce réorientée dans le projet</translation>
    </message>
    <message>
        <source>Computing burial for %1...</source>
        <translation>Calcul de l&apos;enfouissement de %1...</translation>
    </message>
    <message>
        <source>Load a netlist first</source>
        <translation>Chargez d&apos;abord une netlist</translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) are already placed. Generating puts them ALL back on the placement spiral: positions, rotations, body dimensions and footprints chosen by hand are lost, and this cannot be undone.

To apply a modified netlist while KEEPING your placement, use File ▸ “Update from netlist…”.

Regenerate anyway?</source>
        <translation>
            <numerusform>%n composant est déjà placé. La génération le remet sur la spirale de placement&#xa0;: la position, la rotation, les dimensions du boîtier et l&apos;empreinte choisies à la main sont perdues, et cela ne peut pas être annulé.

Pour appliquer une netlist modifiée en CONSERVANT votre placement, utilisez Fichier ▸ «&#xa0;Mettre à jour depuis la netlist…&#xa0;».

Régénérer quand même&#xa0;?</numerusform>
            <numerusform>%n composants sont déjà placés. La génération les remet TOUS sur la spirale de placement&#xa0;: les positions, rotations, dimensions des boîtiers et empreintes choisies à la main sont perdues, et cela ne peut pas être annulé.

Pour appliquer une netlist modifiée en CONSERVANT votre placement, utilisez Fichier ▸ «&#xa0;Mettre à jour depuis la netlist…&#xa0;».

Régénérer quand même&#xa0;?</numerusform>
        </translation>
    </message>
    <message>
        <source>Generation cancelled</source>
        <translation>Génération annulée</translation>
    </message>
    <message>
        <source>Loading and placing footprints...</source>
        <translation>Chargement et placement des empreintes...</translation>
    </message>
    <message>
        <source>Import a STEP part before enabling the analysis.</source>
        <translation>Importez une pièce STEP avant d&apos;activer l&apos;analyse.</translation>
    </message>
    <message>
        <source>Generate the 3D components before enabling the analysis.</source>
        <translation>Générez les composants 3D avant d&apos;activer l&apos;analyse.</translation>
    </message>
    <message>
        <source>Hide analysis</source>
        <translation>Masquer l&apos;analyse</translation>
    </message>
    <message>
        <source>Footprint folders updated (%1).</source>
        <translation>Dossiers d&apos;empreintes mis à jour (%1).</translation>
    </message>
    <message>
        <source>Selected component: %1</source>
        <translation>Composant sélectionné&#xa0;: %1</translation>
    </message>
    <message>
        <source>No component selected</source>
        <translation>Aucun composant sélectionné</translation>
    </message>
    <message>
        <source>Component not found</source>
        <translation>Composant introuvable</translation>
    </message>
    <message>
        <source>Select footprint for %1</source>
        <translation>Choisir l&apos;empreinte de %1</translation>
    </message>
    <message>
        <source>Unable to load the footprint: %1</source>
        <translation>Impossible de charger l&apos;empreinte&#xa0;: %1</translation>
    </message>
    <message>
        <source>✓ Footprint replaced for %1: %2</source>
        <translation>✓ Empreinte remplacée pour %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>Succès</translation>
    </message>
    <message>
        <source>✓ Footprint %1 loaded and applied to %2</source>
        <translation>✓ Empreinte %1 chargée et appliquée à %2</translation>
    </message>
    <message>
        <source>Component %1 moved</source>
        <translation>Composant %1 déplacé</translation>
    </message>
    <message>
        <source>Hide Ratsnest</source>
        <translation>Masquer le chevelu</translation>
    </message>
    <message>
        <source>Ratsnest hidden</source>
        <translation>Chevelu masqué</translation>
    </message>
    <message numerus="yes">
        <source> — %n track(s) detached from their pad</source>
        <translation>
            <numerusform> — %n piste détachée de sa pastille</numerusform>
            <numerusform> — %n pistes détachées de leur pastille</numerusform>
        </translation>
    </message>
    <message>
        <source>Ratsnest: no link to route</source>
        <translation>Chevelu&#xa0;: aucune liaison à router</translation>
    </message>
    <message>
        <source>Ratsnest: every link routed (%1/%1)</source>
        <translation>Chevelu&#xa0;: toutes les liaisons sont routées (%1/%1)</translation>
    </message>
    <message>
        <source>Ratsnest: %1/%2 links routed, %3 left — length %4 mm</source>
        <translation>Chevelu&#xa0;: %1/%2 liaisons routées, %3 restantes — longueur %4 mm</translation>
    </message>
    <message>
        <source>

Tracks detached from their pad: %1
</source>
        <translation>

Pistes détachées de leur pastille&#xa0;: %1
</translation>
    </message>
    <message>
        <source>(the track is still drawn; its link is counted as unrouted)
</source>
        <translation>(la piste reste affichée&#xa0;; sa liaison est comptée comme non routée)
</translation>
    </message>
    <message>
        <source>start</source>
        <translation>début</translation>
    </message>
    <message>
        <source>end</source>
        <translation>fin</translation>
    </message>
    <message>
        <source>• %1 — %2 of the track: pad %3 no longer exists
</source>
        <translation>• %1 — %2 de la piste&#xa0;: la pastille %3 n&apos;existe plus
</translation>
    </message>
    <message>
        <source>• %1 — %2 of the track: pad %3 moved %4 mm away
</source>
        <translation>• %1 — %2 de la piste&#xa0;: la pastille %3 s&apos;est éloignée de %4 mm
</translation>
    </message>
    <message>
        <source>Every link is routed: %1/%1.</source>
        <translation>Toutes les liaisons sont routées&#xa0;: %1/%1.</translation>
    </message>
    <message>
        <source>=== Ratsnest Information ===

</source>
        <translation>=== Informations sur le chevelu ===

</translation>
    </message>
    <message>
        <source>Routing progress: %1/%2 links routed
</source>
        <translation>Avancement du routage&#xa0;: %1/%2 liaisons routées
</translation>
    </message>
    <message>
        <source>Ratsnest Information</source>
        <translation>Informations sur le chevelu</translation>
    </message>
    <message>
        <source>Resistance probe ACTIVE — click two pads</source>
        <translation>Sonde de résistance ACTIVE — cliquez sur deux pastilles</translation>
    </message>
    <message>
        <source>Resistance probe disabled</source>
        <translation>Sonde de résistance désactivée</translation>
    </message>
    <message>
        <source>Choose a pad different from pad A</source>
        <translation>Choisissez une pastille différente de la pastille A</translation>
    </message>
    <message>
        <source>Pad A: %1/%2 — click pad B</source>
        <translation>Pastille A&#xa0;: %1/%2 — cliquez sur la pastille B</translation>
    </message>
    <message>
        <source>R(%1/%2 ↔ %3/%4) = %5 Ω</source>
        <translation>R(%1/%2 ↔ %3/%4) = %5 Ω</translation>
    </message>
    <message>
        <source>No track to clear</source>
        <translation>Aucune piste à effacer</translation>
    </message>
    <message>
        <source>All tracks have been cleared (Ctrl+Z to undo)</source>
        <translation>Toutes les pistes ont été effacées (Ctrl+Z pour annuler)</translation>
    </message>
    <message>
        <source>The track cannot take a section of %1 × %2 mm — unchanged</source>
        <translation>La piste ne peut pas prendre une section de %1 × %2 mm — inchangée</translation>
    </message>
    <message>
        <source>Track junction</source>
        <translation>Jonction de pistes</translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n cavity(ies) could not be cut (Boolean subtraction failed): the affected component(s) will appear without a recess. Try moving them slightly or checking their footprint.</source>
        <translation>
            <numerusform>⚠ %n cavité n&apos;a pas pu être creusée (échec de la soustraction booléenne)&#xa0;: le composant concerné apparaîtra sans logement. Essayez de le déplacer légèrement ou de vérifier son empreinte.</numerusform>
            <numerusform>⚠ %n cavités n&apos;ont pas pu être creusées (échec de la soustraction booléenne)&#xa0;: les composants concernés apparaîtront sans logement. Essayez de les déplacer légèrement ou de vérifier leur empreinte.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n conductor element(s) could not be fused into a single solid: their overlapping pieces are exported as they are, and anything that meshes the file reads that as a shell passing through itself. Simplify the tracks of the affected net(s).</source>
        <translation>
            <numerusform>⚠ %n élément conducteur n&apos;a pas pu être fusionné en un solide unique&#xa0;: ses morceaux qui se chevauchent sont exportés tels quels, et tout logiciel qui maille le fichier y voit une coque qui se traverse elle-même. Simplifiez les pistes du ou des réseaux concernés.</numerusform>
            <numerusform>⚠ %n éléments conducteurs n&apos;ont pas pu être fusionnés en un solide unique&#xa0;: leurs morceaux qui se chevauchent sont exportés tels quels, et tout logiciel qui maille le fichier y voit une coque qui se traverse elle-même. Simplifiez les pistes des réseaux concernés.</numerusform>
        </translation>
    </message>
    <message>
        <source>Import a STEP part before exporting.</source>
        <translation>Importez une pièce STEP avant d&apos;exporter.</translation>
    </message>
    <message>
        <source>Export STEP</source>
        <translation>Exporter en STEP</translation>
    </message>
    <message>
        <source>STEP Files (*.step *.stp);;All Files (*)</source>
        <translation>Fichiers STEP (*.step *.stp);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>Exporting STEP...</source>
        <translation>Export STEP en cours...</translation>
    </message>
    <message>
        <source>Computing the print plan...</source>
        <translation>Calcul du plan d&apos;impression...</translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation>annulé</translation>
    </message>
    <message>
        <source>✗ STEP export failed</source>
        <translation>✗ Échec de l&apos;export STEP</translation>
    </message>
    <message>
        <source>STEP export error</source>
        <translation>Erreur d&apos;export STEP</translation>
    </message>
    <message>
        <source>Export failed:

%1</source>
        <translation>Échec de l&apos;export&#xa0;:

%1</translation>
    </message>
    <message numerus="yes">
        <source>✓ STEP export: %n cavity(ies)</source>
        <translation>
            <numerusform>✓ Export STEP&#xa0;: %n cavité</numerusform>
            <numerusform>✓ Export STEP&#xa0;: %n cavités</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n conductor element(s)</source>
        <translation>
            <numerusform>%n élément conducteur</numerusform>
            <numerusform>%n éléments conducteurs</numerusform>
        </translation>
    </message>
    <message>
        <source>✓ File exported:
%1

Content:
</source>
        <translation>✓ Fichier exporté&#xa0;:
%1

Contenu&#xa0;:
</translation>
    </message>
    <message numerus="yes">
        <source>• Main part: hollowed (%n cavity(ies))
</source>
        <translation>
            <numerusform>• Pièce principale&#xa0;: creusée (%n cavité)
</numerusform>
            <numerusform>• Pièce principale&#xa0;: creusée (%n cavités)
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• Conductor: %n element(s) (pads + tracks)

</source>
        <translation>
            <numerusform>• Conducteur&#xa0;: %n élément (pastilles + pistes)

</numerusform>
            <numerusform>• Conducteur&#xa0;: %n éléments (pastilles + pistes)

</numerusform>
        </translation>
    </message>
    <message>
        <source>The two shapes are distinct objects in the STEP file.
Assign them different materials in your slicer.</source>
        <translation>Les deux formes sont des objets distincts dans le fichier STEP.
Attribuez-leur des matériaux différents dans votre trancheur.</translation>
    </message>
    <message>
        <source>STEP export successful</source>
        <translation>Export STEP réussi</translation>
    </message>
    <message>
        <source>Export 3MF project</source>
        <translation>Exporter le projet 3MF</translation>
    </message>
    <message>
        <source>Export 3MF part</source>
        <translation>Exporter la pièce en 3MF</translation>
    </message>
    <message>
        <source>3MF Files (*.3mf);;All Files (*)</source>
        <translation>Fichiers 3MF (*.3mf);;Tous les fichiers (*)</translation>
    </message>
    <message>
        <source>3MF export cancelled</source>
        <translation>Export 3MF annulé</translation>
    </message>
    <message>
        <source>Exporting 3MF...</source>
        <translation>Export 3MF en cours...</translation>
    </message>
    <message>
        <source>✗ 3MF export failed</source>
        <translation>✗ Échec de l&apos;export 3MF</translation>
    </message>
    <message>
        <source>3MF export error</source>
        <translation>Erreur d&apos;export 3MF</translation>
    </message>
    <message numerus="yes">
        <source>✓ 3MF export: %n object(s)</source>
        <translation>
            <numerusform>✓ Export 3MF&#xa0;: %n objet</numerusform>
            <numerusform>✓ Export 3MF&#xa0;: %n objets</numerusform>
        </translation>
    </message>
    <message>
        <source>3MF export successful</source>
        <translation>Export 3MF réussi</translation>
    </message>
    <message>
        <source>✓ 3MF file exported:
%1

Content:
</source>
        <translation>✓ Fichier 3MF exporté&#xa0;:
%1

Contenu&#xa0;:
</translation>
    </message>
    <message numerus="yes">
        <source>• Single item, %n part(s) (component + conductors)
</source>
        <translation>
            <numerusform>• Objet unique, %n pièce (composant + conducteurs)
</numerusform>
            <numerusform>• Objet unique, %n pièces (composant + conducteurs)
</numerusform>
        </translation>
    </message>
    <message>
        <source>Pause heights are carried over in the 3MF file (attachments).
</source>
        <translation>Les hauteurs de pause sont reprises dans le fichier 3MF (pièces jointes).
</translation>
    </message>
    <message numerus="yes">
        <source>• PrusaSlicer settings: %n perimeter(s) + %1% infill (Slic3r_PE_model.config).</source>
        <translation>
            <numerusform>• Réglages PrusaSlicer&#xa0;: %n périmètre + %1&#xa0;% de remplissage (Slic3r_PE_model.config).</numerusform>
            <numerusform>• Réglages PrusaSlicer&#xa0;: %n périmètres + %1&#xa0;% de remplissage (Slic3r_PE_model.config).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n embedded M601 pause(s) with LCD message: open the 3MF as a PROJECT in PrusaSlicer and slice at %1 mm (first layer included) — the insertion pause(s) already on the layer slider.</source>
        <translation>
            <numerusform>• %n pause M601 intégrée avec message LCD&#xa0;: ouvrez le 3MF comme PROJET dans PrusaSlicer et tranchez à %1 mm (première couche comprise) — la pause d&apos;insertion est déjà sur le curseur des couches.</numerusform>
            <numerusform>• %n pauses M601 intégrées avec message LCD&#xa0;: ouvrez le 3MF comme PROJET dans PrusaSlicer et tranchez à %1 mm (première couche comprise) — les pauses d&apos;insertion sont déjà sur le curseur des couches.</numerusform>
        </translation>
    </message>
    <message>
        <source>• No native pause to embed: all insertions happen at the end of the print.</source>
        <translation>• Aucune pause native à intégrer&#xa0;: toutes les insertions ont lieu à la fin de l&apos;impression.</translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n shell(s) did not close: the written mesh has boundary edges there, and a slicer reports that as an open model. The usual cause is a face the mesher could not triangulate — see below.</source>
        <translation>
            <numerusform>⚠ %n coque ne s&apos;est pas refermée&#xa0;: le maillage écrit y a des arêtes libres, et un trancheur le signale comme un modèle ouvert. La cause habituelle est une face que le mailleur n&apos;a pas pu trianguler — voir plus bas.</numerusform>
            <numerusform>⚠ %n coques ne se sont pas refermées&#xa0;: le maillage écrit y a des arêtes libres, et un trancheur le signale comme un modèle ouvert. La cause habituelle est une face que le mailleur n&apos;a pas pu trianguler — voir plus bas.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>ℹ %n shell(s) came out of the mesher inside-out and were flipped before writing. The file is correct; the shape they came from is not quite, so keep an eye on the affected geometry.</source>
        <translation>
            <numerusform>ℹ %n coque est sortie du mailleur retournée et a été remise à l&apos;endroit avant l&apos;écriture. Le fichier est correct&#xa0;; la forme d&apos;origine ne l&apos;est pas tout à fait, surveillez la géométrie concernée.</numerusform>
            <numerusform>ℹ %n coques sont sorties du mailleur retournées et ont été remises à l&apos;endroit avant l&apos;écriture. Le fichier est correct&#xa0;; la forme d&apos;origine ne l&apos;est pas tout à fait, surveillez la géométrie concernée.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n edge(s) are shared by more than two triangles inside a single shell: that surface is written twice over itself and a slicer reads it as a self-intersection.</source>
        <translation>
            <numerusform>⚠ %n arête est partagée par plus de deux triangles dans une même coque&#xa0;: cette surface est écrite deux fois sur elle-même et un trancheur la lit comme une auto-intersection.</numerusform>
            <numerusform>⚠ %n arêtes sont partagées par plus de deux triangles dans une même coque&#xa0;: cette surface est écrite deux fois sur elle-même et un trancheur la lit comme une auto-intersection.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n face(s) could not be meshed and are MISSING from the file: the exported shell has that many holes. Widen or deepen the thinnest tracks and export again.</source>
        <translation>
            <numerusform>⚠ %n face n&apos;a pas pu être maillée et MANQUE dans le fichier&#xa0;: la coque exportée a autant de trous. Élargissez ou épaississez les pistes les plus fines et exportez de nouveau.</numerusform>
            <numerusform>⚠ %n faces n&apos;ont pas pu être maillées et MANQUENT dans le fichier&#xa0;: la coque exportée a autant de trous. Élargissez ou épaississez les pistes les plus fines et exportez de nouveau.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n conductor element(s) could not be meshed at all and are ABSENT from the file: the part keeps their cavity, with nothing inside it. Check the tracks and pads of the affected element(s).</source>
        <translation>
            <numerusform>⚠ %n élément conducteur n&apos;a pas pu être maillé du tout et est ABSENT du fichier&#xa0;: la pièce garde sa cavité, vide. Vérifiez les pistes et les pastilles de l&apos;élément concerné.</numerusform>
            <numerusform>⚠ %n éléments conducteurs n&apos;ont pas pu être maillés du tout et sont ABSENTS du fichier&#xa0;: la pièce garde leur cavité, vide. Vérifiez les pistes et les pastilles des éléments concernés.</numerusform>
        </translation>
    </message>
    <message>
        <source>A track is being drawn — finish it, or press Escape, before selecting from the list</source>
        <translation>Une piste est en cours de tracé — terminez-la, ou appuyez sur Échap, avant de sélectionner dans la liste</translation>
    </message>
    <message>
        <source>%1 is named by the netlist but not placed on the board</source>
        <translation>%1 figure dans la netlist mais n&apos;est pas placé sur la carte</translation>
    </message>
    <message>
        <source>Net %1: none of its pads is on the board</source>
        <translation>Réseau %1&#xa0;: aucune de ses pastilles n&apos;est sur la carte</translation>
    </message>
    <message numerus="yes">
        <source>Net %1 — %n pad(s), nothing to route</source>
        <translation>
            <numerusform>Réseau %1 — %n pastille, rien à router</numerusform>
            <numerusform>Réseau %1 — %n pastilles, rien à router</numerusform>
        </translation>
    </message>
    <message>
        <source>Net %1 — every link routed (%2/%2)</source>
        <translation>Réseau %1 — toutes les liaisons sont routées (%2/%2)</translation>
    </message>
    <message>
        <source>Net %1 — %2/%3 links routed, %4 mm left</source>
        <translation>Réseau %1 — %2/%3 liaisons routées, %4 mm restants</translation>
    </message>
    <message>
        <source>Automatic save at %1</source>
        <translation>Enregistrement automatique à %1</translation>
    </message>
    <message>
        <source>Automatic save failed — save manually (Ctrl+S)</source>
        <translation>Échec de l&apos;enregistrement automatique — enregistrez manuellement (Ctrl+S)</translation>
    </message>
    <message>
        <source>• Project: %1
• Automatic save: %2</source>
        <translation>• Projet&#xa0;: %1
• Enregistrement automatique&#xa0;: %2</translation>
    </message>
    <message>
        <source>Recover automatic save</source>
        <translation>Récupérer l&apos;enregistrement automatique</translation>
    </message>
    <message>
        <source>An automatic save of this project exists, but it is not more recent than the project file:

%1

It is probably out of date. Open the automatic save instead?

Yes opens the automatic save; No opens the project file and deletes the automatic save.</source>
        <translation>Un enregistrement automatique de ce projet existe, mais il n&apos;est pas plus récent que le fichier de projet&#xa0;:

%1

Il est probablement périmé. Ouvrir plutôt l&apos;enregistrement automatique&#xa0;?

Oui ouvre l&apos;enregistrement automatique&#xa0;; Non ouvre le fichier de projet et supprime l&apos;enregistrement automatique.</translation>
    </message>
    <message>
        <source>Automatic save recovered — save it (Ctrl+S)</source>
        <translation>Enregistrement automatique récupéré — enregistrez-le (Ctrl+S)</translation>
    </message>
    <message>
        <source>Changes not saved</source>
        <translation>Modifications non enregistrées</translation>
    </message>
    <message>
        <source>The project has been modified since the last save.
Do you want to save before exiting?</source>
        <translation>Le projet a été modifié depuis le dernier enregistrement.
Voulez-vous enregistrer avant de quitter&#xa0;?</translation>
    </message>
    <message numerus="yes">
        <source>Automatic save: every %n minute(s)</source>
        <translation>
            <numerusform>Enregistrement automatique&#xa0;: intervalle de %n minute</numerusform>
            <numerusform>Enregistrement automatique&#xa0;: intervalle de %n minutes</numerusform>
        </translation>
    </message>
    <message>
        <source>Automatic save disabled</source>
        <translation>Enregistrement automatique désactivé</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>&amp;Langue</translation>
    </message>
    <message>
        <source>System default</source>
        <translation>Langue du système</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Langue</translation>
    </message>
    <message>
        <source>The language change will take effect after restarting Vantorquelle.

Restart now?</source>
        <translation>Le changement de langue prendra effet après le redémarrage de Vantorquelle.

Redémarrer maintenant&#xa0;?</translation>
    </message>
    <message>
        <source>Vantorquelle could not be restarted:

%1

The new language will apply at the next start.</source>
        <translation>Vantorquelle n&apos;a pas pu être redémarré&#xa0;:

%1

La nouvelle langue s&apos;appliquera au prochain démarrage.</translation>
    </message>
    <message>
        <source>Restart failed — the new language applies at the next start</source>
        <translation>Échec du redémarrage — la nouvelle langue s&apos;appliquera au prochain démarrage</translation>
    </message>
    <message>
        <source>The user guide installed with Vantorquelle was not found.</source>
        <translation>Le guide de l&apos;utilisateur installé avec Vantorquelle est introuvable.</translation>
    </message>
    <message>
        <source>Unable to open the web browser.</source>
        <translation>Impossible d&apos;ouvrir le navigateur web.</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Vantorquelle&lt;/h3&gt;&lt;p&gt;Design of “print-in-place” 3D printed circuits from KiCad netlists.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Version:&lt;/b&gt; %1&lt;br&gt;&lt;b&gt;Qt:&lt;/b&gt; %2&lt;br&gt;&lt;b&gt;OpenCascade:&lt;/b&gt; %3&lt;/p&gt;&lt;p&gt;&lt;b&gt;By the Vantorquelle developers&lt;/b&gt;&lt;/p&gt;&lt;p&gt;© 2026&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Vantorquelle&lt;/h3&gt;&lt;p&gt;Conception de circuits «&#xa0;print-in-place&#xa0;» imprimés en 3D, à partir de netlists KiCad.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Version&#xa0;:&lt;/b&gt; %1&lt;br&gt;&lt;b&gt;Qt&#xa0;:&lt;/b&gt; %2&lt;br&gt;&lt;b&gt;OpenCascade&#xa0;:&lt;/b&gt; %3&lt;/p&gt;&lt;p&gt;&lt;b&gt;Par les développeurs de Vantorquelle&lt;/b&gt;&lt;/p&gt;&lt;p&gt;© 2026&lt;/p&gt;</translation>
    </message>
    <message>
        <source>About Vantorquelle</source>
        <translation>À propos de Vantorquelle</translation>
    </message>
    <message>
        <source>History cleared</source>
        <translation>Historique effacé</translation>
    </message>
    <message>
        <source>This project already has a netlist and placed components.

Importing replaces the netlist outright; the components stay where they are but nothing checks that they still match it.

To keep your placement and apply only what changed, use “Update from netlist…” instead.

Import anyway?</source>
        <translation>Ce projet a déjà une netlist et des composants placés.

L&apos;import remplace purement et simplement la netlist&#xa0;; les composants restent où ils sont, mais rien ne vérifie qu&apos;ils lui correspondent toujours.

Pour conserver votre placement et n&apos;appliquer que ce qui a changé, utilisez plutôt «&#xa0;Mettre à jour depuis la netlist…&#xa0;».

Importer quand même&#xa0;?</translation>
    </message>
    <message>
        <source>Netlist import cancelled</source>
        <translation>Import de la netlist annulé</translation>
    </message>
    <message>
        <source>Failed to load the netlist:

%1

The netlist already loaded, if any, has been kept.</source>
        <translation>Échec du chargement de la netlist&#xa0;:

%1

La netlist déjà chargée, le cas échéant, a été conservée.</translation>
    </message>
    <message>
        <source>Netlist loaded</source>
        <translation>Netlist chargée</translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) to add:
</source>
        <translation>
            <numerusform>• %n composant à ajouter&#xa0;:
</numerusform>
            <numerusform>• %n composants à ajouter&#xa0;:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) to remove:
</source>
        <translation>
            <numerusform>• %n composant à supprimer&#xa0;:
</numerusform>
            <numerusform>• %n composants à supprimer&#xa0;:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n footprint change(s):
</source>
        <translation>
            <numerusform>• %n changement d&apos;empreinte&#xa0;:
</numerusform>
            <numerusform>• %n changements d&apos;empreinte&#xa0;:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>    … (+%n more)
</source>
        <translation>
            <numerusform>    … (+%n autre)
</numerusform>
            <numerusform>    … (+%n autres)
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) kept as they are
</source>
        <translation>
            <numerusform>• %n composant conservé tel quel
</numerusform>
            <numerusform>• %n composants conservés tels quels
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n track(s) would no longer match the netlist:
</source>
        <translation>
            <numerusform>⚠ %n piste ne correspondrait plus à la netlist&#xa0;:
</numerusform>
            <numerusform>⚠ %n pistes ne correspondraient plus à la netlist&#xa0;:
</numerusform>
        </translation>
    </message>
    <message>
        <source>    %1 (net %2): %3 no longer exists
</source>
        <translation>    %1 (réseau %2)&#xa0;: la pastille %3 n&apos;existe plus
</translation>
    </message>
    <message>
        <source>    %1 (net %2): %3 moved to net %4
</source>
        <translation>    %1 (réseau %2)&#xa0;: la pastille %3 est passée au réseau %4
</translation>
    </message>
    <message>
        <source>    %1 (net %2): %3 is on no net any more
</source>
        <translation>    %1 (réseau %2)&#xa0;: la pastille %3 n&apos;est plus sur aucun réseau
</translation>
    </message>
    <message numerus="yes">
        <source>    … and %n more
</source>
        <translation>
            <numerusform>    … et %n autre
</numerusform>
            <numerusform>    … et %n autres
</numerusform>
        </translation>
    </message>
    <message>
        <source>
These tracks are KEPT as they are. They will reappear in the ratsnest as unrouted; delete or redraw them yourself.
</source>
        <translation>
Ces pistes sont CONSERVÉES telles quelles. Elles réapparaîtront dans le chevelu comme non routées&#xa0;; supprimez-les ou retracez-les vous-même.
</translation>
    </message>
    <message>
        <source>Update from netlist</source>
        <translation>Mettre à jour depuis la netlist</translation>
    </message>
    <message>
        <source>No component is placed yet. Import the netlist and use “Generate 3D components”.</source>
        <translation>Aucun composant n&apos;est encore placé. Importez la netlist et utilisez «&#xa0;Générer les composants 3D&#xa0;».</translation>
    </message>
    <message>
        <source>Finish or cancel the track being drawn first (Esc).</source>
        <translation>Terminez ou annulez d&apos;abord la piste en cours de tracé (Échap).</translation>
    </message>
    <message>
        <source>Failed to read the netlist:

%1

Nothing has been changed.</source>
        <translation>Échec de la lecture de la netlist&#xa0;:

%1

Rien n&apos;a été modifié.</translation>
    </message>
    <message>
        <source>Applying “%1”:

</source>
        <translation>Application de «&#xa0;%1&#xa0;»&#xa0;:

</translation>
    </message>
    <message>
        <source>
Components that remain keep their position, rotation and dimensions.

The undo history will be cleared: this update cannot be undone.

Apply?</source>
        <translation>
Les composants maintenus gardent leur position, leur rotation et leurs dimensions.

L&apos;historique d&apos;annulation sera effacé&#xa0;: cette mise à jour ne pourra pas être annulée.

Appliquer&#xa0;?</translation>
    </message>
    <message>
        <source>Update cancelled</source>
        <translation>Mise à jour annulée</translation>
    </message>
    <message>
        <source>✓ Update applied:

</source>
        <translation>✓ Mise à jour appliquée&#xa0;:

</translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) added
</source>
        <translation>
            <numerusform>• %n composant ajouté
</numerusform>
            <numerusform>• %n composants ajoutés
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) removed
</source>
        <translation>
            <numerusform>• %n composant supprimé
</numerusform>
            <numerusform>• %n composants supprimés
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n footprint(s) replaced
</source>
        <translation>
            <numerusform>• %n empreinte remplacée
</numerusform>
            <numerusform>• %n empreintes remplacées
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) kept
</source>
        <translation>
            <numerusform>• %n composant conservé
</numerusform>
            <numerusform>• %n composants conservés
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>
⚠ %n footprint change(s) could not be loaded; those components keep their previous footprint:
</source>
        <translation>
            <numerusform>
⚠ %n changement d&apos;empreinte n&apos;a pas pu être chargé&#xa0;; ce composant garde son empreinte précédente&#xa0;:
</numerusform>
            <numerusform>
⚠ %n changements d&apos;empreinte n&apos;ont pas pu être chargés&#xa0;; ces composants gardent leur empreinte précédente&#xa0;:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>

⚠ %n track(s) no longer match the netlist and were left untouched.</source>
        <translation>
            <numerusform>

⚠ %n piste ne correspond plus à la netlist et n&apos;a pas été modifiée.</numerusform>
            <numerusform>

⚠ %n pistes ne correspondent plus à la netlist et n&apos;ont pas été modifiées.</numerusform>
        </translation>
    </message>
    <message>
        <source>Netlist update applied</source>
        <translation>Mise à jour de la netlist appliquée</translation>
    </message>
    <message>
        <source>This netlist matches the board exactly: nothing to update.</source>
        <translation>Cette netlist correspond exactement à la carte&#xa0;: rien à mettre à jour.</translation>
    </message>
    <message>
        <source>Netlist already up to date</source>
        <translation>Netlist déjà à jour</translation>
    </message>
    <message>
        <source>“%1” changes no placed component and no routed track, but the netlist itself changed:

</source>
        <translation>«&#xa0;%1&#xa0;» ne modifie aucun composant placé ni aucune piste routée, mais la netlist elle-même a changé&#xa0;:

</translation>
    </message>
    <message numerus="yes">
        <source>• %n net(s) added:
</source>
        <translation>
            <numerusform>• %n réseau ajouté&#xa0;:
</numerusform>
            <numerusform>• %n réseaux ajoutés&#xa0;:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n net(s) removed:
</source>
        <translation>
            <numerusform>• %n réseau supprimé&#xa0;:
</numerusform>
            <numerusform>• %n réseaux supprimés&#xa0;:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n net(s) with other connections:
</source>
        <translation>
            <numerusform>• %n réseau avec d&apos;autres connexions&#xa0;:
</numerusform>
            <numerusform>• %n réseaux avec d&apos;autres connexions&#xa0;:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component value(s) changed:
</source>
        <translation>
            <numerusform>• %n valeur de composant modifiée&#xa0;:
</numerusform>
            <numerusform>• %n valeurs de composants modifiées&#xa0;:
</numerusform>
        </translation>
    </message>
    <message>
        <source>• other details (pin names, footprint libraries)
</source>
        <translation>• autres détails (noms de broches, bibliothèques d&apos;empreintes)
</translation>
    </message>
    <message>
        <source>
The new netlist is installed; placed components and tracks are unchanged.</source>
        <translation>
La nouvelle netlist est en place&#xa0;; les composants placés et les pistes sont inchangés.</translation>
    </message>
    <message>
        <source>Netlist updated: connections and values only</source>
        <translation>Netlist mise à jour&#xa0;: connexions et valeurs uniquement</translation>
    </message>
    <message>
        <source>Creating a new project will reset everything:

• the imported STEP part
• the netlist
• the placed components
• the routed tracks
• the undo history

This action is irreversible. Continue?</source>
        <translation>Créer un nouveau projet réinitialisera tout&#xa0;:

• la pièce STEP importée
• la netlist
• les composants placés
• les pistes routées
• l&apos;historique d&apos;annulation

Cette action est irréversible. Continuer&#xa0;?</translation>
    </message>
    <message>
        <source>New project canceled</source>
        <translation>Nouveau projet annulé</translation>
    </message>
    <message>
        <source>New project - Build plate displayed</source>
        <translation>Nouveau projet - Plateau affiché</translation>
    </message>
    <message>
        <source>Loading impossible: 3D viewer not initialized</source>
        <translation>Chargement impossible&#xa0;: vue 3D non initialisée</translation>
    </message>
    <message>
        <source>Load a project</source>
        <translation>Charger un projet</translation>
    </message>
    <message>
        <source>Project saved: %1</source>
        <translation>Projet enregistré&#xa0;: %1</translation>
    </message>
    <message>
        <source>Save Project</source>
        <translation>Enregistrer le projet</translation>
    </message>
    <message>
        <source>Project saved successfully</source>
        <translation>Projet enregistré avec succès</translation>
    </message>
    <message>
        <source>✓ Project saved:

</source>
        <translation>✓ Projet enregistré&#xa0;:

</translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) placed
</source>
        <translation>
            <numerusform>• %n composant placé
</numerusform>
            <numerusform>• %n composants placés
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n route(s)
</source>
        <translation>
            <numerusform>• %n piste
</numerusform>
            <numerusform>• %n pistes
</numerusform>
        </translation>
    </message>
    <message>
        <source>• File: %1</source>
        <translation>• Fichier&#xa0;: %1</translation>
    </message>
    <message>
        <source>❌ Project save failed:

%1</source>
        <translation>❌ Échec de l&apos;enregistrement du projet&#xa0;:

%1</translation>
    </message>
    <message>
        <source>The project is not yet initialized.</source>
        <translation>Le projet n&apos;est pas encore initialisé.</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>Effacer la liste</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Fichier introuvable</translation>
    </message>
    <message>
        <source>The project file no longer exists:
%1

It has been removed from recent projects.</source>
        <translation>Le fichier de projet n&apos;existe plus&#xa0;:
%1

Il a été retiré des projets récents.</translation>
    </message>
    <message>
        <source>Open a project</source>
        <translation>Ouvrir un projet</translation>
    </message>
    <message>
        <source>Opening a project will replace everything:

• the imported STEP part
• the netlist
• the placed components
• the routed tracks
• the undo history

This action is irreversible. Continue?</source>
        <translation>Ouvrir un projet remplacera tout&#xa0;:

• la pièce STEP importée
• la netlist
• les composants placés
• les pistes routées
• l&apos;historique d&apos;annulation

Cette action est irréversible. Continuer&#xa0;?</translation>
    </message>
    <message>
        <source>Opening canceled</source>
        <translation>Ouverture annulée</translation>
    </message>
    <message>
        <source>❌ Project load failed:

%1

The current design has been kept.</source>
        <translation>❌ Échec du chargement du projet&#xa0;:

%1

La conception en cours a été conservée.</translation>
    </message>
    <message numerus="yes">
        <source>✓ Project loaded: %n component(s)</source>
        <translation>
            <numerusform>✓ Projet chargé&#xa0;: %n composant</numerusform>
            <numerusform>✓ Projet chargé&#xa0;: %n composants</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n missing footprint(s)</source>
        <translation>
            <numerusform>, %n empreinte manquante</numerusform>
            <numerusform>, %n empreintes manquantes</numerusform>
        </translation>
    </message>
    <message>
        <source>✓ Project loaded successfully:

• 3D shapes: %1
• Components placed: %2
  - Loaded: %3
  - Missing: %4
• Routes: %5
• File: %6</source>
        <translation>✓ Projet chargé avec succès&#xa0;:

• Formes 3D&#xa0;: %1
• Composants placés&#xa0;: %2
  - Chargés&#xa0;: %3
  - Manquants&#xa0;: %4
• Pistes&#xa0;: %5
• Fichier&#xa0;: %6</translation>
    </message>
    <message>
        <source>

⚠ Recovered from the automatic save: this state is NOT yet in the project file. Save it (Ctrl+S).</source>
        <translation>

⚠ Récupéré de l&apos;enregistrement automatique&#xa0;: cet état n&apos;est PAS encore dans le fichier de projet. Enregistrez-le (Ctrl+S).</translation>
    </message>
    <message>
        <source>Project loaded</source>
        <translation>Projet chargé</translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n track(s) could not be built as solids and are missing from the file: their nets are not connected in print. Look for degenerate segments in those tracks.</source>
        <translation>
            <numerusform>⚠ %n piste n&apos;a pas pu être construite en solide et manque dans le fichier&#xa0;: son réseau n&apos;est pas connecté à l&apos;impression. Recherchez des segments dégénérés dans cette piste.</numerusform>
            <numerusform>⚠ %n pistes n&apos;ont pas pu être construites en solides et manquent dans le fichier&#xa0;: leurs réseaux ne sont pas connectés à l&apos;impression. Recherchez des segments dégénérés dans ces pistes.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n track(s) lie wholly outside the part: they are written as conductors floating beside it, held and connected by nothing. Their nets:</source>
        <translation>
            <numerusform>⚠ %n piste se trouve entièrement hors de la pièce&#xa0;: elle est écrite comme un conducteur flottant à côté d&apos;elle, que rien ne tient ni ne relie. Son réseau&#xa0;:</numerusform>
            <numerusform>⚠ %n pistes se trouvent entièrement hors de la pièce&#xa0;: elles sont écrites comme des conducteurs flottant à côté d&apos;elle, que rien ne tient ni ne relie. Leurs réseaux&#xa0;:</numerusform>
        </translation>
    </message>
    <message>
        <source>(no net)</source>
        <translation>(sans réseau)</translation>
    </message>
    <message>
        <source>  • track %1 (%2) names pads that are not on the board: %3</source>
        <translation>  • la piste %1 (%2) fait référence à des pastilles absentes de la carte&#xa0;: %3</translation>
    </message>
    <message>
        <source>  • tracks %1 (%2) and %3 (%4) touch: a short between two nets</source>
        <translation>  • les pistes %1 (%2) et %3 (%4) se touchent&#xa0;: court-circuit entre deux réseaux</translation>
    </message>
    <message>
        <source>

⚠ Tracks to check (kept as they were saved):
</source>
        <translation>

⚠ Pistes à vérifier (conservées telles qu&apos;enregistrées)&#xa0;:
</translation>
    </message>
    <message numerus="yes">
        <source>Imported STL: %1 — %n triangle(s), solid waterproof</source>
        <translation>
            <numerusform>STL importé&#xa0;: %1 — %n triangle, solide étanche</numerusform>
            <numerusform>STL importé&#xa0;: %1 — %n triangles, solide étanche</numerusform>
        </translation>
    </message>
    <message>
        <source>Open the user guide in a browser yourself:
%1</source>
        <translation>Ouvrez vous-même le guide de l&apos;utilisateur dans un navigateur&#xa0;:
%1</translation>
    </message>
    <message>
        <source>Netlist loaded: %1, %2</source>
        <translation>Netlist chargée&#xa0;: %1, %2</translation>
    </message>
    <message numerus="yes">
        <source>%n component(s)</source>
        <translation>
            <numerusform>%n composant</numerusform>
            <numerusform>%n composants</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n net(s)</source>
        <translation>
            <numerusform>%n réseau</numerusform>
            <numerusform>%n réseaux</numerusform>
        </translation>
    </message>
    <message>
        <source>Loading successful: %1 and %2</source>
        <translation>Chargement réussi&#xa0;: %1 et %2</translation>
    </message>
    <message>
        <source>Routing rules</source>
        <translation>Règles de routage</translation>
    </message>
    <message>
        <source>A track is being drawn. Finish it or cancel it (Escape) before changing the rules.</source>
        <translation>Une piste est en cours de tracé. Terminez-la ou annulez-la (Échap) avant de modifier les règles.</translation>
    </message>
    <message>
        <source>Routing rules unchanged.</source>
        <translation>Règles de routage inchangées.</translation>
    </message>
    <message>
        <source>Routing rules: %1 × %2 mm, clearance %3 mm — applied to the next tracks.</source>
        <translation>Règles de routage&#xa0;: %1 × %2 mm, isolation %3 mm — appliquées aux prochaines pistes.</translation>
    </message>
    <message numerus="yes">
        <source>❌ Not enough memory to place the %n component(s) of the netlist: none was placed.</source>
        <translation>
            <numerusform>❌ Mémoire insuffisante pour placer le composant de la netlist&#xa0;: il n&apos;a pas été placé.</numerusform>
            <numerusform>❌ Mémoire insuffisante pour placer les %n composants de la netlist&#xa0;: aucun n&apos;a été placé.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>❌ Not enough memory to place the %n component(s) of this project: none was placed, and the current design has been kept.</source>
        <translation>
            <numerusform>❌ Mémoire insuffisante pour placer le composant de ce projet&#xa0;: il n&apos;a pas été placé, et la conception en cours a été conservée.</numerusform>
            <numerusform>❌ Mémoire insuffisante pour placer les %n composants de ce projet&#xa0;: aucun n&apos;a été placé, et la conception en cours a été conservée.</numerusform>
        </translation>
    </message>
    <message>
        <source>Project not loaded: not enough memory</source>
        <translation>Projet non chargé&#xa0;: mémoire insuffisante</translation>
    </message>
    <message>
        <source>❌ Not enough memory to add the new components: the board and its netlist were left as they were.</source>
        <translation>❌ Mémoire insuffisante pour ajouter les nouveaux composants&#xa0;: la carte et sa netlist sont restées telles quelles.</translation>
    </message>
    <message>
        <source>Netlist update refused: not enough memory</source>
        <translation>Mise à jour de la netlist refusée&#xa0;: mémoire insuffisante</translation>
    </message>
    <message>
        <source>⚠ Track %1 (%2) now touches %3: a short between two nets</source>
        <translation>⚠ La piste %1 (%2) touche maintenant %3&#xa0;: un court-circuit entre deux réseaux</translation>
    </message>
    <message>
        <source>⚠ Track %1 (%2) is now closer to %3 than the clearance allows</source>
        <translation>⚠ La piste %1 (%2) est maintenant plus proche de %3 que l&apos;isolation ne le permet</translation>
    </message>
    <message numerus="yes">
        <source> (and %n other track(s))</source>
        <translation>
            <numerusform> (et %n autre piste)</numerusform>
            <numerusform> (et %n autres pistes)</numerusform>
        </translation>
    </message>
    <message>
        <source>The track cannot take a section of %1 × %2 mm — unchanged. %3</source>
        <translation>La piste ne peut pas prendre une section de %1 × %2 mm — inchangée. %3</translation>
    </message>
    <message>
        <source>Project already open</source>
        <translation>Projet déjà ouvert</translation>
    </message>
    <message numerus="yes">
        <source> — %n pin(s) missing from the board (component without footprint or not placed)</source>
        <translation>
            <numerusform> — %n broche absente de la carte (composant sans empreinte ou non placé)</numerusform>
            <numerusform> — %n broches absentes de la carte (composants sans empreinte ou non placés)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Net %1 — %n pad(s) on the board</source>
        <translation>
            <numerusform>Réseau %1 — %n pastille sur la carte</numerusform>
            <numerusform>Réseau %1 — %n pastilles sur la carte</numerusform>
        </translation>
    </message>
    <message>
        <source>Footprints to check</source>
        <translation>Empreintes à vérifier</translation>
    </message>
    <message numerus="yes">
        <source>No footprint file has exactly the name that the netlist gives for %n component(s): each got the footprint of a file whose name only contains it. Check that it is the one meant (&quot;Browse footprint...&quot; in the properties panel replaces it):
</source>
        <translation>
            <numerusform>Aucun fichier d&apos;empreinte ne porte exactement le nom que la netlist donne pour %n composant&#xa0;: il a reçu l&apos;empreinte d&apos;un fichier dont le nom ne fait que le contenir. Vérifiez que c&apos;est bien celle voulue («&#xa0;Choisir l&apos;empreinte...&#xa0;» dans le panneau des propriétés la remplace)&#xa0;:
</numerusform>
            <numerusform>Aucun fichier d&apos;empreinte ne porte exactement le nom que la netlist donne pour %n composants&#xa0;: chacun a reçu l&apos;empreinte d&apos;un fichier dont le nom ne fait que le contenir. Vérifiez que c&apos;est bien celle voulue («&#xa0;Choisir l&apos;empreinte...&#xa0;» dans le panneau des propriétés la remplace)&#xa0;:
</numerusform>
        </translation>
    </message>
    <message>
        <source>  • %1: %2 → %3 (first of %4 matching files)</source>
        <translation>  • %1&#xa0;: %2 → %3 (premier de %4 fichiers correspondants)</translation>
    </message>
    <message>
        <source>  • %1: %2 → %3</source>
        <translation>  • %1&#xa0;: %2 → %3</translation>
    </message>
    <message>
        <source>Meshed 3MF export (part + conductors) with per-volume PrusaSlicer settings; the print plan only travels as readable notes (.txt / .csv, chosen in the export dialog).</source>
        <translation>Export 3MF maillé (pièce + conducteurs) avec réglages PrusaSlicer par volume&#xa0;; le plan d&apos;impression n&apos;est fourni que sous forme de notes lisibles (.txt / .csv, au choix dans la boîte d&apos;export).</translation>
    </message>
    <message>
        <source>Print plan...</source>
        <translation>Plan d&apos;impression...</translation>
    </message>
    <message>
        <source>Import a STEP part first before generating the print plan.</source>
        <translation>Importez d&apos;abord une pièce STEP avant de générer le plan d&apos;impression.</translation>
    </message>
    <message>
        <source>• Embedded print plan: Metadata/Vantorquelle_PrintPlan%1

</source>
        <translation>• Plan d&apos;impression intégré&#xa0;: Metadata/Vantorquelle_PrintPlan%1

</translation>
    </message>
    <message>
        <source>Note: the print plan is unavailable (%1) — the attachments indicate this.
</source>
        <translation>Remarque&#xa0;: le plan d&apos;impression est indisponible (%1) — les pièces jointes le signalent.
</translation>
    </message>
    <message>
        <source>⚠ Native pauses not embedded: print plan unavailable (%1).</source>
        <translation>⚠ Pauses natives non intégrées&#xa0;: plan d&apos;impression indisponible (%1).</translation>
    </message>
    <message>
        <source>⚠ Components with missing footprint:</source>
        <translation>⚠ Composants sans empreinte&#xa0;:</translation>
    </message>
    <message>
        <source>  • %1: footprint %2 cannot be used: %3</source>
        <translation>  • %1&#xa0;: l&apos;empreinte %2 est inutilisable&#xa0;: %3</translation>
    </message>
    <message>
        <source>

⚠ Repaired or left out on opening:</source>
        <translation>

⚠ Réparé ou écarté à l&apos;ouverture&#xa0;:</translation>
    </message>
    <message numerus="yes">
        <source>  … and %n more (see the log)</source>
        <translation>
            <numerusform>  … et %n de plus (voir le journal)</numerusform>
            <numerusform>  … et %n de plus (voir le journal)</numerusform>
        </translation>
    </message>
    <message>
        <source>No ratsnest link displayed</source>
        <translation>Aucune liaison du chevelu affichée</translation>
    </message>
    <message>
        <source>Nets still to route:</source>
        <translation>Réseaux restant à router&#xa0;:</translation>
    </message>
    <message numerus="yes">
        <source>• %1: %n link(s), %2 mm</source>
        <translation>
            <numerusform>• %1&#xa0;: %n liaison, %2 mm</numerusform>
            <numerusform>• %1&#xa0;: %n liaisons, %2 mm</numerusform>
        </translation>
    </message>
    <message>
        <source>Remaining links: %1
</source>
        <translation>Liaisons restantes&#xa0;: %1
</translation>
    </message>
    <message>
        <source>Remaining length: %1 mm</source>
        <translation>Longueur restante&#xa0;: %1 mm</translation>
    </message>
    <message>
        <source>This project is open in another running copy of Vantorquelle (process %1 on %2):
%3

If both copies change it, the one that saves last overwrites the other&apos;s work. Each copy keeps its own automatic save.

Open it here anyway?</source>
        <translation>Ce projet est ouvert dans une autre instance de Vantorquelle en cours d&apos;exécution (processus %1 sur %2)&#xa0;:
%3

Si les deux instances le modifient, celle qui enregistre en dernier écrase le travail de l&apos;autre. Chaque instance garde sa propre sauvegarde automatique.

L&apos;ouvrir ici quand même&#xa0;?</translation>
    </message>
    <message>
        <source>Automatic save impossible: nothing can be written in %1 — save manually (Ctrl+S)</source>
        <translation>Sauvegarde automatique impossible&#xa0;: rien ne peut être écrit dans %1 — enregistrez manuellement (Ctrl+S)</translation>
    </message>
    <message>
        <source>An automatic save of this project is more recent than the project file itself:

%1

This usually means the previous session ended without saving.

Open the automatic save instead?

Yes opens the automatic save; No opens the project file and keeps the automatic save, to be offered again the next time the project is opened.</source>
        <translation>Une sauvegarde automatique de ce projet est plus récente que le fichier du projet lui-même&#xa0;:

%1

Cela signifie généralement que la session précédente s&apos;est terminée sans enregistrer.

Ouvrir la sauvegarde automatique à la place&#xa0;?

Oui ouvre la sauvegarde automatique&#xa0;; Non ouvre le fichier du projet et garde la sauvegarde automatique, qui sera proposée de nouveau à la prochaine ouverture du projet.</translation>
    </message>
    <message>
        <source>A project that had never been saved was automatically saved on %1, and the session that produced it did not end normally.

Recover it?

Yes opens it as an untitled project; No deletes it.</source>
        <translation>Un projet jamais enregistré a été sauvegardé automatiquement le %1, et la session qui l&apos;a produit ne s&apos;est pas terminée normalement.

Le récupérer&#xa0;?

Oui l&apos;ouvre comme projet sans titre&#xa0;; Non le supprime.</translation>
    </message>
    <message>
        <source>Import STEP — surfaces</source>
        <translation>Import STEP — surfaces</translation>
    </message>
    <message numerus="yes">
        <source>The STEP part is not closed: it holds surfaces and no solid, and sewing them left %n free edge(s). Orientation is still possible, but burial analysis and the exports will be imprecise: the exported part will not be closed either.</source>
        <translation>
            <numerusform>La pièce STEP n&apos;est pas fermée&#xa0;: elle contient des surfaces et aucun solide, et leur couture a laissé %n arête libre. L&apos;orientation reste possible, mais l&apos;analyse d&apos;enfouissement et les exports seront imprécis&#xa0;: la pièce exportée ne sera pas fermée non plus.</numerusform>
            <numerusform>La pièce STEP n&apos;est pas fermée&#xa0;: elle contient des surfaces et aucun solide, et leur couture a laissé %n arêtes libres. L&apos;orientation reste possible, mais l&apos;analyse d&apos;enfouissement et les exports seront imprécis&#xa0;: la pièce exportée ne sera pas fermée non plus.</numerusform>
        </translation>
    </message>
    <message>
        <source>The STEP part held surfaces and no solid: they were sewn into a closed solid.</source>
        <translation>La pièce STEP contenait des surfaces et aucun solide&#xa0;: elles ont été cousues en un solide fermé.</translation>
    </message>
    <message>
        <source>⚠ The part is not closed: it holds surfaces and no solid, as its import said. It is written as it is, and a slicer reports it as an open model.</source>
        <translation>⚠ La pièce n&apos;est pas fermée&#xa0;: elle contient des surfaces et aucun solide, comme l&apos;a signalé son import. Elle est écrite telle quelle, et un trancheur la signale comme un modèle ouvert.</translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n component(s) are not in the part: none of their pads and bodies reaches into its material, so no cavity was cut for them and nothing of them is embedded. &quot;Burial analysis&quot; shows where each body stands.</source>
        <translation>
            <numerusform>⚠ %n composant n&apos;est pas dans la pièce&#xa0;: aucune de ses pastilles ni son boîtier n&apos;atteint sa matière, aucune cavité n&apos;a donc été creusée pour lui et rien de lui n&apos;est intégré. «&#xa0;Analyse d&apos;enfouissement&#xa0;» montre où se trouve chaque boîtier.</numerusform>
            <numerusform>⚠ %n composants ne sont pas dans la pièce&#xa0;: aucune de leurs pastilles ni aucun de leurs boîtiers n&apos;atteint sa matière, aucune cavité n&apos;a donc été creusée pour eux et rien d&apos;eux n&apos;est intégré. «&#xa0;Analyse d&apos;enfouissement&#xa0;» montre où se trouve chaque boîtier.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ The cavities cut solids of the part apart: %n piece(s) that were joined before carving are now separate. Anything not resting on the plate will print in mid-air. Check the tracks that pass closest to the edges and to one another.</source>
        <translation>
            <numerusform>⚠ Les cavités ont découpé des solides de la pièce&#xa0;: %n morceau qui était joint avant le creusage est maintenant séparé. Tout ce qui ne repose pas sur le plateau sera imprimé dans le vide. Vérifiez les pistes qui passent au plus près des bords et les unes des autres.</numerusform>
            <numerusform>⚠ Les cavités ont découpé des solides de la pièce&#xa0;: %n morceaux qui étaient joints avant le creusage sont maintenant séparés. Tout ce qui ne repose pas sur le plateau sera imprimé dans le vide. Vérifiez les pistes qui passent au plus près des bords et les unes des autres.</numerusform>
        </translation>
    </message>
    <message>
        <source>STEP export cancelled</source>
        <translation>Export STEP annulé</translation>
    </message>
    <message>
        <source>• No native pause to embed: the plan has no component to insert.</source>
        <translation>• Aucune pause native à intégrer&#xa0;: le plan n&apos;a aucun composant à insérer.</translation>
    </message>
    <message>
        <source>

⚠ No automatic save for this project: no lock file can be written in its folder %1 (read-only, or full). Only an explicit save keeps your changes.</source>
        <translation>

⚠ Pas de sauvegarde automatique pour ce projet&#xa0;: aucun fichier de verrou ne peut être écrit dans son dossier %1 (en lecture seule, ou plein). Seul un enregistrement explicite conserve vos modifications.</translation>
    </message>
    <message>
        <source>STEP import cancelled</source>
        <translation>Import STEP annulé</translation>
    </message>
    <message>
        <source>Not cut, so printed without their recess:</source>
        <translation>Non découpées, donc imprimées sans leur logement&#xa0;:</translation>
    </message>
    <message>
        <source>Opening the project...</source>
        <translation>Ouverture du projet...</translation>
    </message>
    <message>
        <source>Reading the project file...</source>
        <translation>Lecture du fichier de projet...</translation>
    </message>
    <message>
        <source>Placing the components: %1 of %2...</source>
        <translation>Placement des composants&#xa0;: %1 sur %2...</translation>
    </message>
    <message>
        <source>Replacing the open design...</source>
        <translation>Remplacement de la conception ouverte...</translation>
    </message>
    <message>
        <source>Opening cancelled: the design is as it was</source>
        <translation>Ouverture annulée&#xa0;: la conception est restée telle quelle</translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n track(s) came out short of copper or in pieces and are written so: their nets may be open or thinner than drawn in print. Look for degenerate segments in those tracks:</source>
        <translation>
            <numerusform>⚠ %n piste est sortie avec du cuivre en moins ou en morceaux et est écrite ainsi&#xa0;: son réseau peut être ouvert ou plus mince que dessiné à l&apos;impression. Cherchez des segments dégénérés dans cette piste&#xa0;:</numerusform>
            <numerusform>⚠ %n pistes sont sorties avec du cuivre en moins ou en morceaux et sont écrites ainsi&#xa0;: leurs réseaux peuvent être ouverts ou plus minces que dessinés à l&apos;impression. Cherchez des segments dégénérés dans ces pistes&#xa0;:</numerusform>
        </translation>
    </message>
    <message>
        <source>Building the tracks: %1 of %2...</source>
        <translation>Construction des pistes&#xa0;: %1 sur %2...</translation>
    </message>
    <message>
        <source>track %1 (net %2) is not built as drawn: %3</source>
        <translation>la piste %1 (réseau %2) n&apos;est pas construite telle que dessinée&#xa0;: %3</translation>
    </message>
    <message>
        <source>Undone: %1</source>
        <translation>Annulé&#xa0;: %1</translation>
    </message>
    <message>
        <source>Redone: %1</source>
        <translation>Rétabli&#xa0;: %1</translation>
    </message>
    <message>
        <source>• Main part: whole, no cavity cut
</source>
        <translation>• Pièce principale&#xa0;: entière, aucune cavité creusée
</translation>
    </message>
    <message>
        <source>⚠ The carved part fails the validity check (for instance a face whose edges cross one another): it is written as it is, and may not read back as written — what reads the file can find material missing or added. Repair the imported part in its CAD tool and export again.</source>
        <translation>⚠ La pièce creusée échoue au contrôle de validité (par exemple une face dont les arêtes se croisent)&#xa0;: elle est écrite telle quelle et peut ne pas se relire comme écrite — ce qui lit le fichier peut y trouver de la matière manquante ou ajoutée. Réparez la pièce importée dans son outil de CAO et exportez de nouveau.</translation>
    </message>
    <message numerus="yes">
        <source>⚠ The check of what the cuts left in the cavities could not be made: %n cavity(ies) are not known to be cut and are counted among those not cut.</source>
        <translation>
            <numerusform>⚠ Le contrôle de ce que les coupes ont laissé dans les cavités n&apos;a pas pu être fait&#xa0;: %n cavité n&apos;est pas connue pour être creusée et compte parmi celles non creusées.</numerusform>
            <numerusform>⚠ Le contrôle de ce que les coupes ont laissé dans les cavités n&apos;a pas pu être fait&#xa0;: %n cavités ne sont pas connues pour être creusées et comptent parmi celles non creusées.</numerusform>
        </translation>
    </message>
    <message>
        <source>❌ Not enough memory to open this project.

The current design has been kept.</source>
        <translation>❌ Mémoire insuffisante pour ouvrir ce projet.

La conception actuelle a été conservée.</translation>
    </message>
    <message>
        <source>Preparing the part for display...</source>
        <translation>Préparation de l&apos;affichage de la pièce...</translation>
    </message>
    <message>
        <source>Stopped: not enough memory</source>
        <translation>Arrêté&#xa0;: mémoire insuffisante</translation>
    </message>
    <message>
        <source>Not enough memory</source>
        <translation>Mémoire insuffisante</translation>
    </message>
    <message>
        <source>❌ Not enough memory: “%1” was stopped.

The design and the files on disk are as they were, and the program goes on. Closing other programs or designs may leave room to try again.</source>
        <translation>❌ Mémoire insuffisante&#xa0;: «&#xa0;%1&#xa0;» a été arrêté.

La conception et les fichiers sur le disque sont tels qu&apos;ils étaient, et le programme continue. Fermer d&apos;autres programmes ou conceptions peut libérer la place pour réessayer.</translation>
    </message>
    <message>
        <source>Stopped: an error occurred</source>
        <translation>Arrêté&#xa0;: une erreur s&apos;est produite</translation>
    </message>
    <message>
        <source>❌ “%1” failed and was stopped: %2

The design and the files on disk are as they were.</source>
        <translation>❌ «&#xa0;%1&#xa0;» a échoué et a été arrêté&#xa0;: %2

La conception et les fichiers sur le disque sont tels qu&apos;ils étaient.</translation>
    </message>
    <message>
        <source>not computed (see the message)</source>
        <translation>non calculé (voir le message)</translation>
    </message>
    <message>
        <source>Burial analysis of %1</source>
        <translation>Analyse d&apos;enfouissement de %1</translation>
    </message>
    <message>
        <source>Replacing the placed components...</source>
        <translation>Remplacement des composants placés...</translation>
    </message>
    <message>
        <source>Generation cancelled: the components are as they were</source>
        <translation>Génération annulée&#xa0;: les composants sont tels qu&apos;ils étaient</translation>
    </message>
    <message numerus="yes">
        <source>%n footprint(s) loaded</source>
        <translation>
            <numerusform>%n empreinte chargée</numerusform>
            <numerusform>%n empreintes chargées</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n missing</source>
        <translation>
            <numerusform>, %n manquante</numerusform>
            <numerusform>, %n manquantes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MissingFootprintsDialog</name>
    <message>
        <source>⚠ Missing footprints</source>
        <translation>⚠ Empreintes manquantes</translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) without footprint</source>
        <translation>
            <numerusform>%n composant sans empreinte</numerusform>
            <numerusform>%n composants sans empreinte</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The following component(s) could not be matched to a footprint</source>
        <translation>
            <numerusform>Le composant suivant n&apos;a pu être associé à aucune empreinte</numerusform>
            <numerusform>Les composants suivants n&apos;ont pu être associés à aucune empreinte</numerusform>
        </translation>
    </message>
    <message>
        <source>Reference</source>
        <translation>Référence</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valeur</translation>
    </message>
    <message>
        <source>Requested footprint</source>
        <translation>Empreinte demandée</translation>
    </message>
    <message>
        <source>RED</source>
        <comment>color of the missing components in the 3D view</comment>
        <translation>ROUGE</translation>
    </message>
    <message>
        <source>📋 Copy the list</source>
        <translation>📋 Copier la liste</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Continuer</translation>
    </message>
    <message>
        <source>=== Missing footprints ===

</source>
        <translation>=== Empreintes manquantes ===

</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>No footprint folder is set, so no footprint could be looked for.</source>
        <translation>Aucun dossier d&apos;empreintes n&apos;est défini&#xa0;: aucune empreinte n&apos;a pu être cherchée.</translation>
    </message>
    <message>
        <source>KiCad&apos;s own library is the “footprints” folder of its installation.</source>
        <translation>La bibliothèque propre à KiCad est le dossier «&#xa0;footprints&#xa0;» de son installation.</translation>
    </message>
    <message>
        <source>KiCad&apos;s own library is in %1.</source>
        <translation>La bibliothèque propre à KiCad se trouve dans %1.</translation>
    </message>
    <message>
        <source>💡 &lt;b&gt;How to fix:&lt;/b&gt;&lt;br&gt;1. Add the folder of your KiCad footprint libraries with &lt;b&gt;Edit › Footprint folders…&lt;/b&gt; (button below), then generate the components again. %2&lt;br&gt;2. Or one component at a time: missing components appear in %1 in the 3D view; click on one to select it, use the &lt;b&gt;&quot;Browse footprint...&quot;&lt;/b&gt; button in the right panel and select the appropriate .kicad_mod file.</source>
        <translation>💡 &lt;b&gt;Comment corriger&#xa0;:&lt;/b&gt;&lt;br&gt;1. Ajoutez le dossier de vos bibliothèques d&apos;empreintes KiCad avec &lt;b&gt;Édition › Dossiers d&apos;empreintes…&lt;/b&gt; (bouton ci-dessous), puis générez à nouveau les composants. %2&lt;br&gt;2. Ou composant par composant&#xa0;: les composants manquants apparaissent en %1 dans la vue 3D&#xa0;; cliquez sur l&apos;un d&apos;eux pour le sélectionner, utilisez le bouton &lt;b&gt;«&#xa0;Choisir l&apos;empreinte...&#xa0;»&lt;/b&gt; du panneau de droite et sélectionnez le fichier .kicad_mod approprié.</translation>
    </message>
    <message>
        <source>Footprint folders…</source>
        <translation>Dossiers d&apos;empreintes…</translation>
    </message>
    <message numerus="yes">
        <source>None of the %n footprint folder(s) holds a file of the name the netlist asks for.</source>
        <translation>
            <numerusform>Le dossier d&apos;empreintes ne contient aucun fichier du nom que demande la netlist.</numerusform>
            <numerusform>Aucun des %n dossiers d&apos;empreintes ne contient de fichier du nom que demande la netlist.</numerusform>
        </translation>
    </message>
    <message>
        <source>💡 &lt;b&gt;How to fix:&lt;/b&gt;&lt;br&gt;The netlist may name a footprint that KiCad has renamed since (a pad size in the name, for instance).&lt;br&gt;1. Missing components appear in %1 in the 3D view; click on one to select it, use the &lt;b&gt;&quot;Browse footprint...&quot;&lt;/b&gt; button in the right panel and select the appropriate .kicad_mod file.&lt;br&gt;2. If your footprints lie in a folder not listed yet, add it with &lt;b&gt;Edit › Footprint folders…&lt;/b&gt; (button below), then generate the components again. %2</source>
        <translation>💡 &lt;b&gt;Comment corriger&#xa0;:&lt;/b&gt;&lt;br&gt;La netlist nomme peut-être une empreinte que KiCad a renommée depuis (une taille de pastille dans le nom, par exemple).&lt;br&gt;1. Les composants manquants apparaissent en %1 dans la vue 3D&#xa0;; cliquez sur l&apos;un d&apos;eux pour le sélectionner, utilisez le bouton &lt;b&gt;«&#xa0;Choisir l&apos;empreinte...&#xa0;»&lt;/b&gt; du panneau de droite et sélectionnez le fichier .kicad_mod approprié.&lt;br&gt;2. Si vos empreintes se trouvent dans un dossier qui n&apos;est pas encore dans la liste, ajoutez-le avec &lt;b&gt;Édition › Dossiers d&apos;empreintes…&lt;/b&gt; (bouton ci-dessous), puis générez à nouveau les composants. %2</translation>
    </message>
</context>
<context>
    <name>OccWidget</name>
    <message>
        <source>FRONT</source>
        <translation>AVANT</translation>
    </message>
    <message>
        <source>BACK</source>
        <translation>ARRIÈRE</translation>
    </message>
    <message>
        <source>LEFT</source>
        <translation>GAUCHE</translation>
    </message>
    <message>
        <source>RIGHT</source>
        <translation>DROITE</translation>
    </message>
    <message>
        <source>TOP</source>
        <translation>DESSUS</translation>
    </message>
    <message>
        <source>BOTTOM</source>
        <translation>DESSOUS</translation>
    </message>
</context>
<context>
    <name>PrintPlan</name>
    <message>
        <source>cavity top</source>
        <translation>haut de cavité</translation>
    </message>
    <message>
        <source>Part height: %1 mm (Z-range %2 → %3)</source>
        <translation>Hauteur de la pièce&#xa0;: %1 mm (plage Z %2 → %3)</translation>
    </message>
    <message numerus="yes">
        <source>Layer height: %1 mm — %n layer(s)</source>
        <translation>
            <numerusform>Hauteur de couche&#xa0;: %1 mm — %n couche</numerusform>
            <numerusform>Hauteur de couche&#xa0;: %1 mm — %n couches</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n pause(s)</source>
        <translation>
            <numerusform>%n pause</numerusform>
            <numerusform>%n pauses</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) to insert</source>
        <translation>
            <numerusform>%n composant à insérer</numerusform>
            <numerusform>%n composants à insérer</numerusform>
        </translation>
    </message>
    <message>
        <source>── Pause %1: after layer %2 (Z = %3 mm) ──</source>
        <translation>── Pause %1&#xa0;: après la couche %2 (Z = %3 mm) ──</translation>
    </message>
    <message>
        <source>── Insertion at the end of printing (cavity never covered) ──</source>
        <translation>── Insertion en fin d&apos;impression (cavité jamais recouverte) ──</translation>
    </message>
    <message>
        <source>── Not hollowed out (no insertion) ──</source>
        <translation>── Non évidé (pas d&apos;insertion) ──</translation>
    </message>
    <message>
        <source>Reminder: heights measured from the bottom of the part. &quot;Cavity accessible from above&quot; assumption — check for cavities opening onto a side face in the 3D view.</source>
        <translation>Rappel&#xa0;: hauteurs mesurées depuis le bas de la pièce. Hypothèse «&#xa0;cavité accessible par le dessus&#xa0;» — vérifiez dans la vue 3D les cavités qui débouchent sur une face latérale.</translation>
    </message>
    <message>
        <source>Print plan unavailable: %1</source>
        <translation>Plan d&apos;impression indisponible&#xa0;: %1</translation>
    </message>
    <message>
        <source>PRINT PLAN — PAUSES AND INSERTS</source>
        <translation>PLAN D&apos;IMPRESSION — PAUSES ET INSERTIONS</translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) not in the part</source>
        <translation>
            <numerusform>%n composant hors de la pièce</numerusform>
            <numerusform>%n composants hors de la pièce</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PrintPlanDialog</name>
    <message>
        <source>Layer height:</source>
        <translation>Hauteur de couche&#xa0;:</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Layer</source>
        <translation>Couche</translation>
    </message>
    <message>
        <source>Z pause (mm)</source>
        <translation>Z de pause (mm)</translation>
    </message>
    <message>
        <source>Ref</source>
        <translation>Réf.</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valeur</translation>
    </message>
    <message>
        <source>Footprint</source>
        <translation>Empreinte</translation>
    </message>
    <message>
        <source>X (mm)</source>
        <translation>X (mm)</translation>
    </message>
    <message>
        <source>Y (mm)</source>
        <translation>Y (mm)</translation>
    </message>
    <message>
        <source>Cavity top (mm)</source>
        <translation>Haut de cavité (mm)</translation>
    </message>
    <message>
        <source>Heights measured from the bottom of the part (slicer reference point). Assumption: cavity accessible from above—check for cavities opening onto a side face in the 3D view.</source>
        <translation>Hauteurs mesurées depuis le bas de la pièce (point de référence du trancheur). Hypothèse&#xa0;: cavité accessible par le dessus—vérifiez dans la vue 3D les cavités qui débouchent sur une face latérale.</translation>
    </message>
    <message>
        <source>Copy report</source>
        <translation>Copier le rapport</translation>
    </message>
    <message>
        <source>Export text...</source>
        <translation>Exporter en texte...</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>Exporter en CSV...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
    <message>
        <source>uninitialized generator</source>
        <translation>générateur non initialisé</translation>
    </message>
    <message>
        <source>Plan unavailable: %1</source>
        <translation>Plan indisponible&#xa0;: %1</translation>
    </message>
    <message numerus="yes">
        <source>Part: %1 mm — %n layer(s)</source>
        <translation>
            <numerusform>Pièce&#xa0;: %1 mm — %n couche</numerusform>
            <numerusform>Pièce&#xa0;: %1 mm — %n couches</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n pause(s)</source>
        <translation>
            <numerusform>%n pause</numerusform>
            <numerusform>%n pauses</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n insertion(s)</source>
        <translation>
            <numerusform>%n insertion</numerusform>
            <numerusform>%n insertions</numerusform>
        </translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Without insertion: %1</source>
        <translation>Sans insertion&#xa0;: %1</translation>
    </message>
    <message>
        <source>Report copied to the clipboard.</source>
        <translation>Rapport copié dans le presse-papiers.</translation>
    </message>
    <message>
        <source>Text files</source>
        <translation>Fichiers texte</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Tous les fichiers</translation>
    </message>
    <message>
        <source>CSV files</source>
        <translation>Fichiers CSV</translation>
    </message>
    <message>
        <source>Export the print plan</source>
        <translation>Exporter le plan d&apos;impression</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Unable to write file:
%1

%2</source>
        <translation>Impossible d&apos;écrire le fichier&#xa0;:
%1

%2</translation>
    </message>
    <message>
        <source>Exported plan: %1</source>
        <translation>Plan exporté&#xa0;: %1</translation>
    </message>
    <message>
        <source>Print plan</source>
        <translation>Plan d&apos;impression</translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) not in the part</source>
        <translation>
            <numerusform>%n composant hors de la pièce</numerusform>
            <numerusform>%n composants hors de la pièce</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PrintPlanGenerator</name>
    <message>
        <source>missing footprint — not excavated</source>
        <translation>empreinte manquante — non évidé</translation>
    </message>
    <message>
        <source>Case disabled — cavity not hollowed out</source>
        <translation>Boîtier désactivé — cavité non évidée</translation>
    </message>
    <message>
        <source>missing case geometry</source>
        <translation>géométrie du boîtier manquante</translation>
    </message>
    <message>
        <source>No main component imported</source>
        <translation>Aucune pièce principale importée</translation>
    </message>
    <message>
        <source>invalid layer height</source>
        <translation>hauteur de couche invalide</translation>
    </message>
    <message>
        <source>Bounding box of the part cannot be calculated</source>
        <translation>Impossible de calculer la boîte englobante de la pièce</translation>
    </message>
    <message>
        <source>Layer height %1 mm is too small for a part %2 mm high: more than %3 layers</source>
        <translation>La hauteur de couche %1 mm est trop petite pour une pièce de %2 mm de haut&#xa0;: plus de %3 couches</translation>
    </message>
    <message>
        <source>not in the part — nothing to embed</source>
        <translation>hors de la pièce — rien à intégrer</translation>
    </message>
    <message>
        <source>cavity could not be cut — no pause for it</source>
        <translation>la cavité n&apos;a pas pu être découpée — aucune pause pour lui</translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Cancelling…</source>
        <translation>Annulation…</translation>
    </message>
    <message>
        <source>Cancelling… the file being written is finished first: its writer cannot be stopped midway.</source>
        <translation>Annulation… le fichier en cours d&apos;écriture est d&apos;abord terminé&#xa0;: son écriture ne peut pas être interrompue en cours de route.</translation>
    </message>
    <message>
        <source>Reading the triangles…</source>
        <translation>Lecture des triangles…</translation>
    </message>
    <message>
        <source>Joining the triangles&apos; corners…</source>
        <translation>Jonction des sommets des triangles…</translation>
    </message>
    <message>
        <source>Building the shells…</source>
        <translation>Construction des coques…</translation>
    </message>
    <message>
        <source>Checking the shells…</source>
        <translation>Vérification des coques…</translation>
    </message>
    <message>
        <source>Sewing the faces…</source>
        <translation>Couture des faces…</translation>
    </message>
    <message>
        <source>Repairing the solid…</source>
        <translation>Réparation du solide…</translation>
    </message>
    <message>
        <source>Checking the solid…</source>
        <translation>Vérification du solide…</translation>
    </message>
    <message>
        <source>Finding what stands in the part…</source>
        <translation>Recherche de ce qui se trouve dans la pièce…</translation>
    </message>
    <message>
        <source>Cutting the cavities and joining the conductors…</source>
        <translation>Creusement des cavités et jonction des conducteurs…</translation>
    </message>
    <message>
        <source>Translating the design into STEP…</source>
        <translation>Traduction de la conception en STEP…</translation>
    </message>
    <message>
        <source>Writing the file…</source>
        <translation>Écriture du fichier…</translation>
    </message>
    <message>
        <source>Meshing the part and the conductors…</source>
        <translation>Maillage de la pièce et des conducteurs…</translation>
    </message>
</context>
<context>
    <name>ProjectManager</name>
    <message>
        <source>main part (index %1)</source>
        <translation>pièce principale (indice %1)</translation>
    </message>
    <message>
        <source>secondary shapes (index %1)</source>
        <translation>formes secondaires (indice %1)</translation>
    </message>
    <message>
        <source>Unable to encode 3D geometry: %1. Save cancelled to avoid producing an incomplete file.</source>
        <translation>Impossible d&apos;encoder la géométrie 3D&#xa0;: %1. Enregistrement annulé pour ne pas produire un fichier incomplet.</translation>
    </message>
    <message>
        <source> and </source>
        <translation> et </translation>
    </message>
    <message>
        <source>Corrupt project file: unable to decode 3D shapes at indices %1. Loading aborted to prevent silent loss of geometry.</source>
        <translation>Fichier de projet corrompu&#xa0;: impossible de décoder les formes 3D aux indices %1. Chargement interrompu pour éviter une perte silencieuse de géométrie.</translation>
    </message>
    <message>
        <source>Corrupt project file: the main part (index %1) is missing or unreadable. Loading aborted.</source>
        <translation>Fichier de projet corrompu&#xa0;: la pièce principale (indice %1) est absente ou illisible. Chargement interrompu.</translation>
    </message>
    <message>
        <source>Unable to open the file: %1</source>
        <translation>Impossible d&apos;ouvrir le fichier&#xa0;: %1</translation>
    </message>
    <message>
        <source>Incomplete write: %1 of %2 bytes (disk full?)</source>
        <translation>Écriture incomplète&#xa0;: %1 octets sur %2 (disque plein&#xa0;?)</translation>
    </message>
    <message>
        <source>Unable to finalize the file: %1</source>
        <translation>Impossible de finaliser le fichier&#xa0;: %1</translation>
    </message>
    <message>
        <source>JSON parsing error: %1</source>
        <translation>Erreur d&apos;analyse JSON&#xa0;: %1</translation>
    </message>
    <message>
        <source>This file is not a Vantorquelle project: its content is not a JSON object.</source>
        <translation>Ce fichier n&apos;est pas un projet Vantorquelle&#xa0;: son contenu n&apos;est pas un objet JSON.</translation>
    </message>
    <message>
        <source>This file is not a Vantorquelle project: its &quot;version&quot; or &quot;shapes&quot; entry is missing or invalid.</source>
        <translation>Ce fichier n&apos;est pas un projet Vantorquelle&#xa0;: son entrée «&#xa0;version&#xa0;» ou «&#xa0;shapes&#xa0;» est absente ou invalide.</translation>
    </message>
    <message>
        <source>Unable to open the netlist file: %1</source>
        <translation>Impossible d&apos;ouvrir le fichier netlist&#xa0;: %1</translation>
    </message>
    <message>
        <source>Unrecognized netlist format (a KiCad S-expression netlist is expected).</source>
        <translation>Format de netlist non reconnu (une netlist KiCad au format S-expression est attendue).</translation>
    </message>
    <message>
        <source>No component could be read from this netlist.</source>
        <translation>Aucun composant n&apos;a pu être lu dans cette netlist.</translation>
    </message>
    <message>
        <source>This project was written by a newer version of Vantorquelle (file format %1; this version reads format %2 and older). Open it with a newer version.</source>
        <translation>Ce projet a été écrit par une version plus récente de Vantorquelle (format de fichier %1&#xa0;; cette version lit le format %2 et les plus anciens). Ouvrez-le avec une version plus récente.</translation>
    </message>
    <message>
        <source>The previous version could not be read to keep it as “%1”: %2</source>
        <translation>La version précédente n&apos;a pas pu être lue pour la conserver en «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>The previous version could not be kept as “%1”: %2</source>
        <translation>La version précédente n&apos;a pas pu être conservée en «&#xa0;%1&#xa0;»&#xa0;: %2</translation>
    </message>
    <message>
        <source>The project file was not replaced.</source>
        <translation>Le fichier de projet n&apos;a pas été remplacé.</translation>
    </message>
    <message>
        <source>Not enough memory to open this project.</source>
        <translation>Mémoire insuffisante pour ouvrir ce projet.</translation>
    </message>
    <message>
        <source>This project holds %1 components, beyond the limit of %2 components per design.</source>
        <translation>Ce projet contient %1 composants, au-delà de la limite de %2 composants par conception.</translation>
    </message>
    <message>
        <source>Not enough memory to read this netlist.</source>
        <translation>Mémoire insuffisante pour lire cette netlist.</translation>
    </message>
    <message>
        <source>This netlist holds %1 components, beyond the limit of %2 components per design.</source>
        <translation>Cette netlist contient %1 composants, au-delà de la limite de %2 composants par conception.</translation>
    </message>
    <message>
        <source>(not a number)</source>
        <translation>(pas un nombre)</translation>
    </message>
    <message>
        <source>track %1 of the file (net %2, from %3)</source>
        <translation>piste %1 du fichier (réseau %2, depuis %3)</translation>
    </message>
    <message>
        <source>section %1 × %2 mm replaced by %3 × %4 mm</source>
        <translation>section %1 × %2 mm remplacée par %3 × %4 mm</translation>
    </message>
    <message>
        <source>segment %1: %2</source>
        <translation>segment %1&#xa0;: %2</translation>
    </message>
    <message>
        <source>track width</source>
        <translation>largeur de piste</translation>
    </message>
    <message>
        <source>track height</source>
        <translation>hauteur de piste</translation>
    </message>
    <message>
        <source>clearance</source>
        <translation>isolement</translation>
    </message>
    <message>
        <source>pad clearance</source>
        <translation>isolement des pastilles</translation>
    </message>
    <message>
        <source>routing rule “%1”: %2 mm replaced by %3 mm</source>
        <translation>règle de routage «&#xa0;%1&#xa0;»&#xa0;: %2 mm remplacé par %3 mm</translation>
    </message>
    <message>
        <source>%1 is on net “%2”, which the netlist does not have: kept as it was saved</source>
        <translation>%1 est sur le réseau «&#xa0;%2&#xa0;», que la netlist n&apos;a pas&#xa0;: gardée telle qu&apos;enregistrée</translation>
    </message>
    <message>
        <source>footprint “%1”, zone %2</source>
        <translation>empreinte «&#xa0;%1&#xa0;», zone %2</translation>
    </message>
    <message>
        <source>%1: vertex %2 is not a point: dropped</source>
        <translation>%1&#xa0;: le sommet %2 n&apos;est pas un point&#xa0;: écarté</translation>
    </message>
    <message>
        <source>%1 has fewer than three vertices: dropped</source>
        <translation>%1 a moins de trois sommets&#xa0;: écartée</translation>
    </message>
    <message>
        <source>it is marked finished but has no segment</source>
        <translation>elle est marquée terminée mais n&apos;a aucun segment</translation>
    </message>
    <message>
        <source>%1 is kept as saved and not built: %2</source>
        <translation>%1 est gardée telle qu&apos;enregistrée et n&apos;est pas construite&#xa0;: %2</translation>
    </message>
    <message>
        <source>%1 %2 (not a number) replaced by %3 mm</source>
        <translation>%1 %2 (pas un nombre) remplacé par %3 mm</translation>
    </message>
    <message>
        <source>segment %1: start point</source>
        <translation>segment %1&#xa0;: point de départ</translation>
    </message>
    <message>
        <source>segment %1: end point</source>
        <translation>segment %1&#xa0;: point d&apos;arrivée</translation>
    </message>
    <message>
        <source>T junction point</source>
        <translation>point de jonction en T</translation>
    </message>
    <message>
        <source>footprint “%1” is stored %2 times with different contents: the last one (footprint %3 of the file) is used</source>
        <translation>l&apos;empreinte «&#xa0;%1&#xa0;» est enregistrée %2 fois avec des contenus différents&#xa0;: la dernière (empreinte %3 du fichier) est utilisée</translation>
    </message>
    <message>
        <source>%1 is stored twice: it is the same as track %2 of the file, and both are kept</source>
        <translation>%1 est enregistrée deux fois&#xa0;: c&apos;est la même que la piste %2 du fichier, et les deux sont gardées</translation>
    </message>
    <message>
        <source>(missing or not a number)</source>
        <translation>(absent ou pas un nombre)</translation>
    </message>
    <message>
        <source>the main part&apos;s index %1 names no shape of the file (shapes 0 to %2): shape %3, the first one there is, is taken as the main part</source>
        <translation>l&apos;indice de la pièce principale %1 ne désigne aucune forme du fichier (formes 0 à %2)&#xa0;: la forme %3, la première présente, est prise comme pièce principale</translation>
    </message>
</context>
<context>
    <name>PropertiesPanel</name>
    <message>
        <source>Selected component: %1</source>
        <translation>Composant sélectionné&#xa0;: %1</translation>
    </message>
    <message>
        <source>⚠ MISSING FOOTPRINT</source>
        <translation>⚠ EMPREINTE MANQUANTE</translation>
    </message>
    <message>
        <source>⚠ %1 - MISSING FOOTPRINT</source>
        <translation>⚠ %1 - EMPREINTE MANQUANTE</translation>
    </message>
    <message>
        <source>🔍 Browse footprint...</source>
        <translation>🔍 Choisir l&apos;empreinte...</translation>
    </message>
    <message>
        <source>Browse footprint...</source>
        <translation>Choisir l&apos;empreinte...</translation>
    </message>
    <message>
        <source>(unnamed)</source>
        <translation>(sans nom)</translation>
    </message>
    <message>
        <source>Selected track: %1</source>
        <translation>Piste sélectionnée&#xa0;: %1</translation>
    </message>
    <message>
        <source>No selection</source>
        <translation>Aucune sélection</translation>
    </message>
    <message>
        <source>Select a component or a track.</source>
        <translation>Sélectionnez un composant ou une piste.</translation>
    </message>
    <message>
        <source>Property</source>
        <translation>Propriété</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Valeur</translation>
    </message>
    <message>
        <source>Scales the pads in X and Y only (100 % = footprint size).
Resizes each pad about its own center; spacing and Z (thickness/undercut) are unchanged.</source>
        <translation>Met les pastilles à l&apos;échelle en X et Y uniquement (100&#xa0;% = taille de l&apos;empreinte).
Redimensionne chaque pastille autour de son propre centre&#xa0;; l&apos;espacement et Z (épaisseur/dépassement) sont inchangés.</translation>
    </message>
    <message>
        <source>Activated</source>
        <translation>Activée</translation>
    </message>
    <message>
        <source>Unchecked: the case becomes brown/transparent and is NOT recessed
in the part during STEP export (the pads remain recessed).</source>
        <translation>Décochée&#xa0;: le boîtier devient brun/transparent et n&apos;est PAS encastré
dans la pièce lors de l&apos;export STEP (les pastilles restent encastrées).</translation>
    </message>
    <message>
        <source>Reference</source>
        <translation>Référence</translation>
    </message>
    <message>
        <source>Footprint name</source>
        <translation>Nom de l&apos;empreinte</translation>
    </message>
    <message>
        <source>Footprint path</source>
        <translation>Chemin de l&apos;empreinte</translation>
    </message>
    <message>
        <source>Position X (mm)</source>
        <translation>Position X (mm)</translation>
    </message>
    <message>
        <source>Position Y (mm)</source>
        <translation>Position Y (mm)</translation>
    </message>
    <message>
        <source>Position Z (mm)</source>
        <translation>Position Z (mm)</translation>
    </message>
    <message>
        <source>Rotation Z (°)</source>
        <translation>Rotation Z (°)</translation>
    </message>
    <message>
        <source>Pad thickness (mm)</source>
        <translation>Épaisseur des pastilles (mm)</translation>
    </message>
    <message>
        <source>Undercut (mm)</source>
        <translation>Dépassement (mm)</translation>
    </message>
    <message>
        <source>Pad XY scale (%)</source>
        <translation>Échelle XY des pastilles (%)</translation>
    </message>
    <message>
        <source>Body width (mm)</source>
        <translation>Largeur du boîtier (mm)</translation>
    </message>
    <message>
        <source>Body length (mm)</source>
        <translation>Longueur du boîtier (mm)</translation>
    </message>
    <message>
        <source>Body height (mm)</source>
        <translation>Hauteur du boîtier (mm)</translation>
    </message>
    <message>
        <source>Body Z offset (mm)</source>
        <translation>Décalage Z du boîtier (mm)</translation>
    </message>
    <message>
        <source>Active cavity</source>
        <translation>Cavité active</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Appliquer</translation>
    </message>
    <message>
        <source>Manual movement</source>
        <translation>Déplacement manuel</translation>
    </message>
    <message>
        <source>Step:</source>
        <translation>Pas&#xa0;:</translation>
    </message>
    <message>
        <source>XY plane</source>
        <translation>Plan XY</translation>
    </message>
    <message>
        <source>Z axis</source>
        <translation>Axe Z</translation>
    </message>
    <message>
        <source>Rotation Z</source>
        <translation>Rotation Z</translation>
    </message>
    <message>
        <source>Net</source>
        <translation>Réseau</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fin</translation>
    </message>
    <message>
        <source>Segments</source>
        <translation>Segments</translation>
    </message>
    <message>
        <source>Width (mm)</source>
        <translation>Largeur (mm)</translation>
    </message>
    <message>
        <source>Height (mm)</source>
        <translation>Hauteur (mm)</translation>
    </message>
    <message>
        <source>↶ 90° CCW</source>
        <translation>↶ 90° anti-horaire</translation>
    </message>
    <message>
        <source>⟲ Reset</source>
        <translation>⟲ Réinitialiser</translation>
    </message>
    <message>
        <source>↷ 90° CW</source>
        <translation>↷ 90° horaire</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Move %1</source>
        <translation>Déplacer %1</translation>
    </message>
    <message>
        <source>Rotate %1</source>
        <translation>Faire pivoter %1</translation>
    </message>
    <message>
        <source>Modify properties %1</source>
        <translation>Modifier les propriétés de %1</translation>
    </message>
    <message>
        <source>Change footprint %1</source>
        <translation>Changer l&apos;empreinte de %1</translation>
    </message>
    <message>
        <source>Add track %1 (%2 → %3)</source>
        <translation>Ajouter la piste %1 (%2 → %3)</translation>
    </message>
    <message>
        <source>Delete track %1 (%2 → %3)</source>
        <translation>Supprimer la piste %1 (%2 → %3)</translation>
    </message>
    <message>
        <source>track junction</source>
        <translation>jonction de piste</translation>
    </message>
    <message>
        <source>Clear all tracks (%1)</source>
        <translation>Effacer toutes les pistes (%1)</translation>
    </message>
    <message>
        <source>Delete track</source>
        <translation>Supprimer la piste</translation>
    </message>
    <message>
        <source>Move segment %1</source>
        <translation>Déplacer le segment %1</translation>
    </message>
    <message>
        <source>Move vertex %1</source>
        <translation>Déplacer le sommet %1</translation>
    </message>
    <message>
        <source>Resize track %1</source>
        <translation>Redimensionner la piste %1</translation>
    </message>
    <message>
        <source>Resize track</source>
        <translation>Redimensionner la piste</translation>
    </message>
</context>
<context>
    <name>ResistanceCalculator</name>
    <message>
        <source>Pads on different nets (%1 ≠ %2) — infinite resistance</source>
        <translation>Pastilles sur des réseaux différents (%1 ≠ %2) — résistance infinie</translation>
    </message>
    <message>
        <source>Pad missing from the netlist (%1/%2)</source>
        <translation>Pastille absente de la netlist (%1/%2)</translation>
    </message>
    <message>
        <source>Invalid resistivity (%1 Ω·cm) — a positive number is needed</source>
        <translation>Résistivité invalide (%1 Ω·cm) — un nombre positif est requis</translation>
    </message>
    <message>
        <source>No routed path between %1/%2 and %3/%4</source>
        <translation>Aucun chemin routé entre %1/%2 et %3/%4</translation>
    </message>
    <message>
        <source>Degenerate net — calculation impossible</source>
        <translation>Réseau dégénéré — calcul impossible</translation>
    </message>
    <message>
        <source>Resistance beyond the computable range (resistivity %1 Ω·cm)</source>
        <translation>Résistance hors de la plage calculable (résistivité %1 Ω·cm)</translation>
    </message>
</context>
<context>
    <name>ResistanceDialog</name>
    <message>
        <source>%1 / %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>Resistance measurement</source>
        <translation>Mesure de résistance</translation>
    </message>
    <message>
        <source> Ω·cm</source>
        <translation> Ω·cm</translation>
    </message>
    <message>
        <source>Resistivity:</source>
        <translation>Résistivité&#xa0;:</translation>
    </message>
    <message>
        <source>Selected pads</source>
        <translation>Pastilles sélectionnées</translation>
    </message>
    <message>
        <source>Pad A:</source>
        <translation>Pastille A&#xa0;:</translation>
    </message>
    <message>
        <source>Pad B:</source>
        <translation>Pastille B&#xa0;:</translation>
    </message>
    <message>
        <source>Click on the first pad in the 3D view.</source>
        <translation>Cliquez sur la première pastille dans la vue 3D.</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Résultat</translation>
    </message>
    <message>
        <source>New measurement</source>
        <translation>Nouvelle mesure</translation>
    </message>
    <message>
        <source>Click on the second pad.</source>
        <translation>Cliquez sur la deuxième pastille.</translation>
    </message>
    <message>
        <source>Computing…</source>
        <translation>Calcul en cours…</translation>
    </message>
    <message>
        <source>Measurement done (net %1).</source>
        <translation>Mesure effectuée (réseau %1).</translation>
    </message>
    <message>
        <source>Tracks: %1 Ω
Pad A:  %2 Ω
Pad B:  %3 Ω
———————
Total:  %4 Ω</source>
        <translation>Pistes&#xa0;: %1 Ω
Pastille A&#xa0;: %2 Ω
Pastille B&#xa0;: %3 Ω
———————
Total&#xa0;: %4 Ω</translation>
    </message>
    <message>
        <source>Measurement impossible.</source>
        <translation>Mesure impossible.</translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation>Erreur inconnue</translation>
    </message>
</context>
<context>
    <name>RoutingController</name>
    <message>
        <source>Routing: ACTIVE - Click on a pad</source>
        <translation>Routage&#xa0;: ACTIF - Cliquez sur une pastille</translation>
    </message>
    <message>
        <source>Routing mode ACTIVE - Hover a pad to highlight it</source>
        <translation>Mode routage ACTIF - Survolez une pastille pour la mettre en évidence</translation>
    </message>
    <message>
        <source>Routing: Inactive</source>
        <translation>Routage&#xa0;: inactif</translation>
    </message>
    <message>
        <source>Routing mode disabled</source>
        <translation>Mode routage désactivé</translation>
    </message>
    <message>
        <source>Pad %1/%2 hovered</source>
        <translation>Pastille %1/%2 survolée</translation>
    </message>
    <message>
        <source>Error: no net found for this pad</source>
        <translation>Erreur&#xa0;: aucun réseau trouvé pour cette pastille</translation>
    </message>
    <message>
        <source>Routing: %1</source>
        <translation>Routage&#xa0;: %1</translation>
    </message>
    <message>
        <source>Routing %1 — mouse, &apos;B&apos; vertical, &apos;N&apos; snap</source>
        <translation>Routage de %1 — souris, «&#xa0;B&#xa0;» vertical, «&#xa0;N&#xa0;» aimantation</translation>
    </message>
    <message>
        <source>Error: cannot end on this pad</source>
        <translation>Erreur&#xa0;: impossible de terminer sur cette pastille</translation>
    </message>
    <message>
        <source>Error: invalid point</source>
        <translation>Erreur&#xa0;: point invalide</translation>
    </message>
    <message>
        <source>Track finished</source>
        <translation>Piste terminée</translation>
    </message>
    <message>
        <source>VERTICAL mode — snap expired</source>
        <translation>Mode VERTICAL — aimantation expirée</translation>
    </message>
    <message>
        <source>Error: connection impossible (collision or segment too short)</source>
        <translation>Erreur&#xa0;: connexion impossible (collision ou segment trop court)</translation>
    </message>
    <message>
        <source>Error: cannot end on this track</source>
        <translation>Erreur&#xa0;: impossible de terminer sur cette piste</translation>
    </message>
    <message>
        <source>Track finished at a junction on %1</source>
        <translation>Piste terminée par une jonction sur %1</translation>
    </message>
    <message>
        <source>Point set — continue routing</source>
        <translation>Point posé — poursuivez le routage</translation>
    </message>
    <message>
        <source>Error: distance too short</source>
        <translation>Erreur&#xa0;: distance trop courte</translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation>Erreur&#xa0;: %1</translation>
    </message>
    <message>
        <source>VERTICAL mode — &apos;N&apos; to snap to pad</source>
        <translation>Mode VERTICAL — «&#xa0;N&#xa0;» pour s&apos;aimanter sur une pastille</translation>
    </message>
    <message>
        <source>HORIZONTAL mode</source>
        <translation>Mode HORIZONTAL</translation>
    </message>
    <message>
        <source>⚠ Switch to VERTICAL mode first (&apos;B&apos;)</source>
        <translation>⚠ Passez d&apos;abord en mode VERTICAL («&#xa0;B&#xa0;»)</translation>
    </message>
    <message>
        <source>Routing cancelled</source>
        <translation>Routage annulé</translation>
    </message>
    <message>
        <source>Point undone — VERTICAL mode</source>
        <translation>Point annulé — mode VERTICAL</translation>
    </message>
    <message>
        <source>Point undone — HORIZONTAL mode</source>
        <translation>Point annulé — mode HORIZONTAL</translation>
    </message>
    <message>
        <source>Nothing to undo — Esc cancels the track</source>
        <translation>Rien à annuler — Échap annule la piste</translation>
    </message>
    <message>
        <source>Error: component manager unavailable</source>
        <translation>Erreur&#xa0;: gestionnaire de composants indisponible</translation>
    </message>
    <message>
        <source>No other net pad to snap to</source>
        <translation>Aucune autre pastille du réseau sur laquelle s&apos;aimanter</translation>
    </message>
    <message>
        <source>Snap: %1/%2 Z=%3 mm (%4/%5)</source>
        <translation>Aimantation&#xa0;: %1/%2 Z=%3 mm (%4/%5)</translation>
    </message>
    <message>
        <source>Track %1 clicked but segment undetermined</source>
        <translation>Piste %1 cliquée mais segment indéterminé</translation>
    </message>
    <message>
        <source>Selection cleared</source>
        <translation>Sélection effacée</translation>
    </message>
    <message>
        <source>Segment %1/%2 of net %3 selected — click again to move it (hovered segment or vertex), Del to clear</source>
        <translation>Segment %1/%2 du réseau %3 sélectionné — cliquez à nouveau pour le déplacer (segment ou sommet survolé), Suppr pour effacer</translation>
    </message>
    <message>
        <source>Segment %1/%2 of net %3 selected — click a vertex to move it, Del to delete the track</source>
        <translation>Segment %1/%2 du réseau %3 sélectionné — cliquez sur un sommet pour le déplacer, Suppr pour supprimer la piste</translation>
    </message>
    <message>
        <source>End segment of net %1 selected — click a vertex to move it, Del to delete the track</source>
        <translation>Segment d&apos;extrémité du réseau %1 sélectionné — cliquez sur un sommet pour le déplacer, Suppr pour supprimer la piste</translation>
    </message>
    <message>
        <source>Drag cancelled</source>
        <translation>Glissement annulé</translation>
    </message>
    <message>
        <source>Drag cancelled (Delete ignored during drag)</source>
        <translation>Glissement annulé (Suppr ignoré pendant le glissement)</translation>
    </message>
    <message>
        <source>No track selected</source>
        <translation>Aucune piste sélectionnée</translation>
    </message>
    <message>
        <source>Dragging segment %1 — move the mouse, click to confirm, Esc to cancel</source>
        <translation>Glissement du segment %1 — déplacez la souris, cliquez pour valider, Échap pour annuler</translation>
    </message>
    <message>
        <source>Vertex drag in progress — click to confirm, Esc to cancel</source>
        <translation>Glissement du sommet en cours — cliquez pour valider, Échap pour annuler</translation>
    </message>
    <message>
        <source>Collision — move the mouse or Esc to cancel</source>
        <translation>Collision — déplacez la souris ou Échap pour annuler</translation>
    </message>
    <message>
        <source>Vertex drag confirmed</source>
        <translation>Glissement du sommet validé</translation>
    </message>
    <message>
        <source>Drag confirmed</source>
        <translation>Glissement validé</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
</context>
<context>
    <name>RoutingManager</name>
    <message>
        <source>A track is already being drawn.</source>
        <translation>Une piste est déjà en cours de tracé.</translation>
    </message>
    <message>
        <source>The pad has no net or no name.</source>
        <translation>La pastille n&apos;a pas de réseau ou pas de nom.</translation>
    </message>
    <message>
        <source>The pad&apos;s position is not a valid point.</source>
        <translation>La position de la pastille n&apos;est pas un point valide.</translation>
    </message>
    <message>
        <source>Net %1 is not in the netlist.</source>
        <translation>Le réseau %1 ne figure pas dans la netlist.</translation>
    </message>
    <message>
        <source>Pad %1 does not belong to net %2.</source>
        <translation>La pastille %1 n&apos;appartient pas au réseau %2.</translation>
    </message>
    <message>
        <source>No track is being drawn.</source>
        <translation>Aucune piste n&apos;est en cours de tracé.</translation>
    </message>
    <message>
        <source>The point is not a valid position.</source>
        <translation>Le point n&apos;est pas une position valide.</translation>
    </message>
    <message>
        <source>The segment would be shorter than %1 mm.</source>
        <translation>Le segment serait plus court que %1 mm.</translation>
    </message>
    <message>
        <source>The track&apos;s solid could not be built.</source>
        <translation>Le solide de la piste n&apos;a pas pu être construit.</translation>
    </message>
    <message>
        <source>Short circuit with %1.</source>
        <translation>Court-circuit avec %1.</translation>
    </message>
    <message>
        <source>Insufficient clearance with %1.</source>
        <translation>Isolation insuffisante avec %1.</translation>
    </message>
    <message>
        <source>The clearance to %1 could not be checked.</source>
        <translation>L&apos;isolation par rapport à %1 n&apos;a pas pu être vérifiée.</translation>
    </message>
    <message>
        <source>The track has no segment yet.</source>
        <translation>La piste n&apos;a encore aucun segment.</translation>
    </message>
    <message>
        <source>The track does not reach %1.</source>
        <translation>La piste n&apos;atteint pas %1.</translation>
    </message>
    <message>
        <source>The destination pad has no name.</source>
        <translation>La pastille d&apos;arrivée n&apos;a pas de nom.</translation>
    </message>
    <message>
        <source>A track cannot end on its own start pad.</source>
        <translation>Une piste ne peut pas se terminer sur sa propre pastille de départ.</translation>
    </message>
    <message>
        <source>Pad %1 is not on net %2.</source>
        <translation>La pastille %1 n&apos;est pas sur le réseau %2.</translation>
    </message>
    <message>
        <source>pad %1</source>
        <translation>la pastille %1</translation>
    </message>
    <message>
        <source>The track to join does not exist.</source>
        <translation>La piste à rejoindre n&apos;existe pas.</translation>
    </message>
    <message>
        <source>The track to join is on net %1, not %2.</source>
        <translation>La piste à rejoindre est sur le réseau %1, pas sur %2.</translation>
    </message>
    <message>
        <source>The junction point is not on the track to join.</source>
        <translation>Le point de jonction n&apos;est pas sur la piste à rejoindre.</translation>
    </message>
    <message>
        <source>track %1</source>
        <translation>la piste %1</translation>
    </message>
    <message>
        <source>start point X</source>
        <translation>point de départ X</translation>
    </message>
    <message>
        <source>start point Y</source>
        <translation>point de départ Y</translation>
    </message>
    <message>
        <source>start point Z</source>
        <translation>point de départ Z</translation>
    </message>
    <message>
        <source>end point X</source>
        <translation>point d&apos;arrivée X</translation>
    </message>
    <message>
        <source>end point Y</source>
        <translation>point d&apos;arrivée Y</translation>
    </message>
    <message>
        <source>end point Z</source>
        <translation>point d&apos;arrivée Z</translation>
    </message>
    <message>
        <source>width</source>
        <translation>largeur</translation>
    </message>
    <message>
        <source>height</source>
        <translation>hauteur</translation>
    </message>
    <message>
        <source>%1 %2 is not a finite number</source>
        <translation>%1 %2 n&apos;est pas un nombre fini</translation>
    </message>
    <message>
        <source>%1 %2 mm is beyond the limit of %3 mm</source>
        <translation>%1 %2 mm dépasse la limite de %3 mm</translation>
    </message>
    <message>
        <source>no solid could be built</source>
        <translation>aucun solide n&apos;a pu être construit</translation>
    </message>
    <message>
        <source>it holds no closed solid</source>
        <translation>elle ne contient aucun solide fermé</translation>
    </message>
    <message numerus="yes">
        <source>it comes out as %n separate solid(s)</source>
        <translation>
            <numerusform>elle sort en %n solide séparé</numerusform>
            <numerusform>elle sort en %n solides séparés</numerusform>
        </translation>
    </message>
    <message>
        <source>it holds %1 mm³ of copper where its segments make %2 mm³</source>
        <translation>elle contient %1 mm³ de cuivre là où ses segments en font %2 mm³</translation>
    </message>
</context>
<context>
    <name>RoutingRulesDialog</name>
    <message>
        <source>Routing rules</source>
        <translation>Règles de routage</translation>
    </message>
    <message>
        <source>Dimensions applied to the tracks drawn from now on. These rules are saved with the project.</source>
        <translation>Dimensions appliquées aux pistes tracées à partir de maintenant. Ces règles sont enregistrées avec le projet.</translation>
    </message>
    <message>
        <source>Width of a new track. Also sets the square section of the vertical segments (width × width).</source>
        <translation>Largeur d&apos;une nouvelle piste. Définit aussi la section carrée des segments verticaux (largeur × largeur).</translation>
    </message>
    <message>
        <source>Thickness in Z of a new horizontal track. A vertical segment keeps a square section and is not thickened by this value.</source>
        <translation>Épaisseur en Z d&apos;une nouvelle piste horizontale. Un segment vertical garde une section carrée et n&apos;est pas épaissi par cette valeur.</translation>
    </message>
    <message>
        <source>Minimum distance between two tracks of different nets. Below this, routing reports a clearance violation.</source>
        <translation>Distance minimale entre deux pistes de réseaux différents. En dessous, le routage signale une violation d&apos;isolation.</translation>
    </message>
    <message>
        <source>Minimum distance between a track and a pad of another net, or an unconnected pad.</source>
        <translation>Distance minimale entre une piste et une pastille d&apos;un autre réseau, ou une pastille non connectée.</translation>
    </message>
    <message>
        <source>Track width:</source>
        <translation>Largeur de piste&#xa0;:</translation>
    </message>
    <message>
        <source>Track height:</source>
        <translation>Hauteur de piste&#xa0;:</translation>
    </message>
    <message>
        <source>Clearance between tracks:</source>
        <translation>Isolation entre pistes&#xa0;:</translation>
    </message>
    <message>
        <source>Clearance track / pad:</source>
        <translation>Isolation piste / pastille&#xa0;:</translation>
    </message>
    <message>
        <source>The tracks already drawn keep their dimensions: they are modified from the properties panel, by selecting them.</source>
        <translation>Les pistes déjà tracées gardent leurs dimensions&#xa0;: elles se modifient depuis le panneau des propriétés, en les sélectionnant.</translation>
    </message>
    <message>
        <source>Also use as defaults for new projects</source>
        <translation>Utiliser aussi comme valeurs par défaut pour les nouveaux projets</translation>
    </message>
</context>
<context>
    <name>StepExporter</name>
    <message>
        <source>No main shape loaded.</source>
        <translation>Aucune forme principale chargée.</translation>
    </message>
    <message>
        <source>Failed to prepare the assembly.</source>
        <translation>Échec de la préparation de l&apos;assemblage.</translation>
    </message>
    <message>
        <source>Failed to write the STEP file.</source>
        <translation>Échec de l&apos;écriture du fichier STEP.</translation>
    </message>
    <message>
        <source>The temporary folder cannot be locked.</source>
        <translation>Le dossier temporaire ne peut pas être verrouillé.</translation>
    </message>
    <message>
        <source>Not enough memory to export this design. The previous file is left as it was.</source>
        <translation>Mémoire insuffisante pour exporter cette conception. Le fichier précédent est laissé tel quel.</translation>
    </message>
</context>
<context>
    <name>StepImporter</name>
    <message>
        <source>The STEP file does not exist: %1</source>
        <translation>Le fichier STEP n&apos;existe pas&#xa0;: %1</translation>
    </message>
    <message>
        <source>The STEP file is empty: %1</source>
        <translation>Le fichier STEP est vide&#xa0;: %1</translation>
    </message>
    <message>
        <source>The file is not a readable STEP file: %1</source>
        <translation>Le fichier n&apos;est pas un fichier STEP lisible&#xa0;: %1</translation>
    </message>
    <message>
        <source>The STEP file is truncated (its end is missing): %1</source>
        <translation>Le fichier STEP est tronqué (sa fin est manquante)&#xa0;: %1</translation>
    </message>
    <message>
        <source>The STEP file contains no transferable root.</source>
        <translation>Le fichier STEP ne contient aucune racine transférable.</translation>
    </message>
    <message numerus="yes">
        <source>None of the %n root(s) of the STEP file could be transferred.</source>
        <translation>
            <numerusform>La racine du fichier STEP n&apos;a pas pu être transférée (%n racine).</numerusform>
            <numerusform>Aucune des %n racines du fichier STEP n&apos;a pu être transférée.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The STEP file is damaged: %n geometric entity(ies) could not be read.</source>
        <translation>
            <numerusform>Le fichier STEP est endommagé&#xa0;: %n entité géométrique n&apos;a pas pu être lue.</numerusform>
            <numerusform>Le fichier STEP est endommagé&#xa0;: %n entités géométriques n&apos;ont pas pu être lues.</numerusform>
        </translation>
    </message>
    <message>
        <source>The STEP file is damaged: the reader failed on it.</source>
        <translation>Le fichier STEP est endommagé&#xa0;: sa lecture a échoué.</translation>
    </message>
    <message>
        <source>The STEP file is damaged: the entity number %1 is out of range.</source>
        <translation>Le fichier STEP est endommagé&#xa0;: le numéro d&apos;entité %1 est hors limites.</translation>
    </message>
    <message>
        <source>The STEP file is damaged: entity #%1 refers back to itself.</source>
        <translation>Le fichier STEP est endommagé&#xa0;: l&apos;entité #%1 fait référence à elle-même.</translation>
    </message>
    <message>
        <source>The STEP file is damaged: the entity number #%1 is defined more than once.</source>
        <translation>Le fichier STEP est endommagé&#xa0;: le numéro d&apos;entité #%1 est défini plusieurs fois.</translation>
    </message>
    <message>
        <source>The STEP file is damaged: the comment opened on line %1 never closes.</source>
        <translation>Le fichier STEP est endommagé&#xa0;: le commentaire ouvert à la ligne %1 ne se ferme jamais.</translation>
    </message>
    <message>
        <source>The STEP file is damaged: the text opened on line %1 never closes.</source>
        <translation>Le fichier STEP est endommagé&#xa0;: le texte ouvert à la ligne %1 ne se ferme jamais.</translation>
    </message>
    <message>
        <source>The import was cancelled.</source>
        <translation>L’import a été annulé.</translation>
    </message>
    <message>
        <source>The STEP file uses scopes (&amp;SCOPE), which cannot be read.</source>
        <translation>Le fichier STEP utilise des portées (&amp;SCOPE), qui ne peuvent pas être lues.</translation>
    </message>
    <message>
        <source>The STEP file is not a regular file: %1</source>
        <translation>Le fichier STEP n&apos;est pas un fichier ordinaire&#xa0;: %1</translation>
    </message>
    <message>
        <source>The STEP file is damaged: entities %1 lead back to one another in a cycle.</source>
        <translation>Le fichier STEP est endommagé&#xa0;: les entités %1 renvoient les unes aux autres en boucle.</translation>
    </message>
    <message>
        <source>The STEP file cannot be opened: %1</source>
        <translation>Le fichier STEP ne peut pas être ouvert&#xa0;: %1</translation>
    </message>
    <message>
        <source>The STEP file&apos;s assembly is nested %1 levels deep, deeper than the reader can follow (%2 at most).</source>
        <translation>L&apos;assemblage du fichier STEP est imbriqué sur %1 niveaux, plus que le lecteur ne peut en suivre (%2 au plus).</translation>
    </message>
    <message>
        <source>The STEP file is too large for the memory available: %1 MB.</source>
        <translation>Le fichier STEP est trop grand pour la mémoire disponible&#xa0;: %1 Mo.</translation>
    </message>
    <message>
        <source>There is not enough memory to read this STEP file.</source>
        <translation>Mémoire insuffisante pour lire ce fichier STEP.</translation>
    </message>
    <message>
        <source>The STEP file is damaged: a record holds lists nested %1 levels deep, deeper than the reader can follow (%2 at most).</source>
        <translation>Le fichier STEP est endommagé&#xa0;: un enregistrement contient des listes imbriquées sur %1 niveaux, plus que le lecteur ne peut en suivre (%2 au plus).</translation>
    </message>
</context>
<context>
    <name>StlImporter</name>
    <message>
        <source>The STL file does not exist: %1</source>
        <translation>Le fichier STL n&apos;existe pas&#xa0;: %1</translation>
    </message>
    <message>
        <source>The STL file cannot be opened: %1</source>
        <translation>Impossible d&apos;ouvrir le fichier STL&#xa0;: %1</translation>
    </message>
    <message>
        <source>The STL file contains no usable triangle.</source>
        <translation>Le fichier STL ne contient aucun triangle exploitable.</translation>
    </message>
    <message>
        <source>The ASCII STL file is truncated (its closing &quot;endsolid&quot; is missing): %1</source>
        <translation>Le fichier STL ASCII est tronqué (le «&#xa0;endsolid&#xa0;» final est manquant)&#xa0;: %1</translation>
    </message>
    <message numerus="yes">
        <source>The binary STL file is truncated or damaged: its header announces %n triangle(s) but the file holds %1 bytes.</source>
        <translation>
            <numerusform>Le fichier STL binaire est tronqué ou endommagé&#xa0;: son en-tête annonce %n triangle mais le fichier fait %1 octets.</numerusform>
            <numerusform>Le fichier STL binaire est tronqué ou endommagé&#xa0;: son en-tête annonce %n triangles mais le fichier fait %1 octets.</numerusform>
        </translation>
    </message>
    <message>
        <source>The file is not an STL file (no &quot;solid&quot; header and no binary layout): %1</source>
        <translation>Le fichier n&apos;est pas un fichier STL (ni en-tête «&#xa0;solid&#xa0;» ni structure binaire)&#xa0;: %1</translation>
    </message>
    <message>
        <source>No non-degenerate triangle in the STL.</source>
        <translation>Aucun triangle non dégénéré dans le STL.</translation>
    </message>
    <message>
        <source>The STL mesh could not be turned into a watertight closed solid (open shell, holes, or non-manifold). Orientation is still possible, but burial analysis and STEP export may be imprecise or fail.</source>
        <translation>Le maillage STL n&apos;a pas pu être transformé en solide fermé étanche (coque ouverte, trous ou géométrie non manifold). L&apos;orientation reste possible, mais l&apos;analyse d&apos;enfouissement et l&apos;export STEP peuvent être imprécis ou échouer.</translation>
    </message>
    <message>
        <source>Solid rebuilt but reported invalid by OCC (possible self-intersections). Check before exporting.</source>
        <translation>Solide reconstruit mais signalé invalide par OCC (auto-intersections possibles). Vérifiez avant d&apos;exporter.</translation>
    </message>
    <message>
        <source>Face sewing failed: %1</source>
        <translation>Échec de la couture des faces&#xa0;: %1</translation>
    </message>
    <message>
        <source>Face sewing: null result.</source>
        <translation>Couture des faces&#xa0;: résultat nul.</translation>
    </message>
    <message>
        <source>STL import failed: %1</source>
        <translation>Échec de l&apos;import STL&#xa0;: %1</translation>
    </message>
    <message>
        <source>The ASCII STL file is damaged: line %1 does not continue a facet.</source>
        <translation>Le fichier STL ASCII est endommagé&#xa0;: la ligne %1 ne fait pas suite à une facette.</translation>
    </message>
    <message>
        <source>The STL file is damaged: facet %1 has a point %2 mm away from the origin, too far for a printable part.</source>
        <translation>Le fichier STL est endommagé&#xa0;: la facette %1 a un point situé à %2 mm de l&apos;origine, trop loin pour une pièce imprimable.</translation>
    </message>
    <message numerus="yes">
        <source>%n triangle(s) with their corners in a line (no area) were left out.</source>
        <translation>
            <numerusform>%n triangle aux sommets alignés (sans aire) a été écarté.</numerusform>
            <numerusform>%n triangles aux sommets alignés (sans aire) ont été écartés.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>No non-degenerate triangle in the STL: %n triangle(s) with their corners in a line were left out.</source>
        <translation>
            <numerusform>Aucun triangle non dégénéré dans le STL&#xa0;: %n triangle aux sommets alignés a été écarté.</numerusform>
            <numerusform>Aucun triangle non dégénéré dans le STL&#xa0;: %n triangles aux sommets alignés ont été écartés.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n closed shell(s) enclosing no volume (triangles lying on one another) were left out.</source>
        <translation>
            <numerusform>%n coque fermée n&apos;enfermant aucun volume (des triangles posés les uns sur les autres) a été écartée.</numerusform>
            <numerusform>%n coques fermées n&apos;enfermant aucun volume (des triangles posés les uns sur les autres) ont été écartées.</numerusform>
        </translation>
    </message>
    <message>
        <source>The STL mesh encloses no volume: its triangles lie on one another.</source>
        <translation>Le maillage STL n&apos;enferme aucun volume&#xa0;: ses triangles sont posés les uns sur les autres.</translation>
    </message>
    <message>
        <source>The import was cancelled.</source>
        <translation>L’import a été annulé.</translation>
    </message>
    <message>
        <source>The closed shells of the STL mesh touch or cross one another and could not be combined into one solid (bodies united, shells facing inward cut out, as a slicer reads them). The part holds no solid: the exports write it as an open part.</source>
        <translation>Les coques fermées du maillage STL se touchent ou se croisent et n&apos;ont pas pu être réunies en un solide (corps unis, coques tournées vers l&apos;intérieur retranchées, comme un trancheur les lit). La pièce ne contient aucun solide&#xa0;: les exports l&apos;écrivent comme une pièce ouverte.</translation>
    </message>
    <message>
        <source>The STL file is not a regular file: %1</source>
        <translation>Le fichier STL n&apos;est pas un fichier ordinaire&#xa0;: %1</translation>
    </message>
    <message>
        <source>The STL file changed while it was read: it now holds less than when it was opened. Import it again once it is written whole: %1</source>
        <translation>Le fichier STL a changé pendant sa lecture&#xa0;: il contient moins qu&apos;à son ouverture. Importez-le de nouveau une fois qu&apos;il est écrit en entier&#xa0;: %1</translation>
    </message>
    <message>
        <source>The surface of the STL mesh passes through itself: its faces enclose other than what a slicer prints, and no solid can be made of them as they are. The part holds no solid: the exports write it as an open part.</source>
        <translation>La surface du maillage STL se traverse elle-même&#xa0;: ses faces enferment autre chose que ce qu&apos;un trancheur imprime, et aucun solide ne peut en être fait tel quel. La pièce ne contient aucun solide&#xa0;: les exports l&apos;écrivent comme une pièce ouverte.</translation>
    </message>
    <message numerus="yes">
        <source>The closed shells of the STL mesh cross one another in too many places (%n pairs of faces) to be united into one solid. The part holds no solid: the exports write it as an open part.</source>
        <translation>
            <numerusform>Les coques fermées du maillage STL se croisent en trop d&apos;endroits (%n paire de faces) pour être réunies en un solide. La pièce ne contient aucun solide&#xa0;: les exports l&apos;écrivent comme une pièce ouverte.</numerusform>
            <numerusform>Les coques fermées du maillage STL se croisent en trop d&apos;endroits (%n paires de faces) pour être réunies en un solide. La pièce ne contient aucun solide&#xa0;: les exports l&apos;écrivent comme une pièce ouverte.</numerusform>
        </translation>
    </message>
    <message>
        <source>Part of a void (a closed shell facing inward) lies outside the body around it: that part is material, as a slicer prints the file. Where a hole was meant, turn the shell outward and cut it from the body in the modeller.</source>
        <translation>Une partie d&apos;un vide (une coque fermée tournée vers l&apos;intérieur) se trouve hors du corps qui l&apos;entoure&#xa0;: cette partie est de la matière, comme un trancheur imprime le fichier. Là où un trou était voulu, retournez la coque vers l&apos;extérieur et retranchez-la du corps dans le modeleur.</translation>
    </message>
    <message>
        <source>The triangles crowd so densely about some points that the check for a surface passing through itself was not finished: the solid holds what its faces enclose.</source>
        <translation>Les triangles se pressent si densément autour de certains points que la recherche d&apos;une surface qui se traverse n&apos;a pas été menée à son terme&#xa0;: le solide contient ce que ses faces enferment.</translation>
    </message>
    <message numerus="yes">
        <source>%n closed shell(s) repeating another one were taken once.</source>
        <translation>
            <numerusform>%n coque fermée répétant une autre a été prise une seule fois.</numerusform>
            <numerusform>%n coques fermées répétant une autre ont été prises une seule fois.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The STL mesh is open along %n side(s) crowded too closely together to be joined: the file is too damaged to rebuild a part from it.</source>
        <translation>
            <numerusform>Le maillage STL est ouvert le long de %n côté trop serré contre les autres pour être joint&#xa0;: le fichier est trop endommagé pour en reconstruire une pièce.</numerusform>
            <numerusform>Le maillage STL est ouvert le long de %n côtés trop serrés les uns contre les autres pour être joints&#xa0;: le fichier est trop endommagé pour en reconstruire une pièce.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ThreeMfExportDialog</name>
    <message>
        <source>Perimeters applied to conductive elements
(%1 % forced infill, PrusaSlicer settings):</source>
        <translation>Périmètres appliqués aux éléments conducteurs
(remplissage forcé à %1&#xa0;%, réglages PrusaSlicer)&#xa0;:</translation>
    </message>
    <message>
        <source>Native insertion pauses (M601) will be embedded: open the file as a project in PrusaSlicer.</source>
        <translation>Les pauses d&apos;insertion natives (M601) seront intégrées&#xa0;: ouvrez le fichier comme projet dans PrusaSlicer.</translation>
    </message>
    <message>
        <source>Embed the print plan as text (.txt)</source>
        <translation>Intégrer le plan d&apos;impression en texte (.txt)</translation>
    </message>
    <message>
        <source>Embed the print plan as CSV (.csv)</source>
        <translation>Intégrer le plan d&apos;impression en CSV (.csv)</translation>
    </message>
</context>
<context>
    <name>ThreeMfExporter</name>
    <message>
        <source>Insert %1</source>
        <translation>Insérer %1</translation>
    </message>
    <message numerus="yes">
        <source>Insert %n component(s) (see plan)</source>
        <translation>
            <numerusform>Insérer %n composant (voir plan)</numerusform>
            <numerusform>Insérer %n composants (voir plan)</numerusform>
        </translation>
    </message>
    <message>
        <source>No main shape loaded.</source>
        <translation>Aucune pièce principale chargée.</translation>
    </message>
    <message>
        <source>Failed to prepare the assembly.</source>
        <translation>Échec de la préparation de l&apos;assemblage.</translation>
    </message>
    <message>
        <source>Meshing of the main part failed.</source>
        <translation>Échec du maillage de la pièce principale.</translation>
    </message>
    <message>
        <source>The print plan&apos;s pauses cannot be written for the slicer: with a layer height of %1 mm their heights do not follow one another within the part.</source>
        <translation>Les pauses du plan d&apos;impression ne peuvent pas être écrites pour le trancheur&#xa0;: avec une hauteur de couche de %1 mm, leurs hauteurs ne se succèdent pas à l&apos;intérieur de la pièce.</translation>
    </message>
    <message>
        <source>Unable to create the 3MF file: %1</source>
        <translation>Impossible de créer le fichier 3MF&#xa0;: %1</translation>
    </message>
    <message>
        <source>Unable to write the 3MF file: %1</source>
        <translation>Impossible d&apos;écrire le fichier 3MF&#xa0;: %1</translation>
    </message>
    <message>
        <source>Not enough memory to export this design. The previous file is left as it was.</source>
        <translation>Mémoire insuffisante pour exporter cette conception. Le fichier précédent est laissé tel quel.</translation>
    </message>
</context>
<context>
    <name>ZipWriter</name>
    <message>
        <source>A file name in the package is longer than the %1 bytes a ZIP archive allows.</source>
        <translation>Un nom de fichier du paquet dépasse les %1 octets qu&apos;autorise une archive ZIP.</translation>
    </message>
    <message>
        <source>The package would hold more than the %1 files a ZIP archive can list without ZIP64.</source>
        <translation>Le paquet contiendrait plus que les %1 fichiers qu&apos;une archive ZIP peut répertorier sans ZIP64.</translation>
    </message>
    <message>
        <source>The package would be larger than the 4 GiB a ZIP archive can hold without ZIP64.</source>
        <translation>Le paquet dépasserait les 4&#xa0;Gio qu&apos;une archive ZIP peut contenir sans ZIP64.</translation>
    </message>
</context>
</TS>
