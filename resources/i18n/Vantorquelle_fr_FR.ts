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
    <name>FileUtils</name>
    <message>
        <source>%1/%2 bytes written</source>
        <translation>%1/%2 octets écrits</translation>
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
        <source>Exception: %1</source>
        <translation>Exception&#xa0;: %1</translation>
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
        <source>Imported STL: %1 — %2 triangles, solid waterproof</source>
        <translation>STL importé&#xa0;: %1 — %2 triangles, solide étanche</translation>
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
        <source>Meshed 3MF export (part + conductors) with per-volume PrusaSlicer settings; the pause plan only travels as readable notes (.txt / .csv, chosen in the export dialog).</source>
        <translation>Export 3MF maillé (pièce + conducteurs) avec réglages PrusaSlicer par volume&#xa0;; le plan de pauses n&apos;est fourni que sous forme de notes lisibles (.txt / .csv, au choix dans la boîte d&apos;export).</translation>
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
        <source>Print layout...</source>
        <translation>Plan d&apos;impression...</translation>
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
        <translation>Impossible d'enregistrer la pièce réorientée dans le projet</translation>
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
        <source>💡 &lt;b&gt;How to fix:&lt;/b&gt;&lt;br&gt;1. Missing components appear in %1 in the 3D view&lt;br&gt;2. Click on a red component to select it&lt;br&gt;3. Use the &lt;b&gt;&quot;Browse footprint...&quot;&lt;/b&gt; button in the right panel&lt;br&gt;4. Select the appropriate .kicad_mod file</source>
        <translation>💡 &lt;b&gt;Comment corriger&#xa0;:&lt;/b&gt;&lt;br&gt;1. Les composants manquants apparaissent en %1 dans la vue 3D&lt;br&gt;2. Cliquez sur un composant rouge pour le sélectionner&lt;br&gt;3. Utilisez le bouton &lt;b&gt;«&#xa0;Choisir l&apos;empreinte...&#xa0;»&lt;/b&gt; du panneau de droite&lt;br&gt;4. Sélectionnez le fichier .kicad_mod approprié</translation>
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
        <source>STL read failed: %1</source>
        <translation>Échec de la lecture du STL&#xa0;: %1</translation>
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
</context>
</TS>
