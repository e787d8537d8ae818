<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AppSettings</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AutoSaveSettingsDialog</name>
    <message>
        <source>Automatic save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The automatic save NEVER writes your project file. It writes a separate copy next to it, and Vantorquelle offers to recover that copy if it is more recent than the project when you reopen it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save automatically</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Interval:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A save is skipped when nothing has changed, and while a track is being drawn — so this is a maximum, not a rhythm.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the previous version as “.bak” when saving</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each explicit save first copies the file it replaces. A project carries its 3D geometry inside it, so this doubles what the folder holds.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>At most %n minute(s) of work can be lost.</source>
        <translation>
            <numerusform>At most %n minute of work can be lost.</numerusform>
            <numerusform>At most %n minutes of work can be lost.</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing is saved automatically. Only Ctrl+S writes your work to disk.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BoardExplorerPanel</name>
    <message>
        <source>Board explorer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Filter (reference, value, footprint, net…)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ref</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footprint</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Components</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No component. Import a netlist, then generate the 3D components.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No net. Import a netlist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n component(s) shown</source>
        <translation>
            <numerusform>%1 of %n component shown</numerusform>
            <numerusform>%1 of %n components shown</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n net(s) shown</source>
        <translation>
            <numerusform>%1 of %n net shown</numerusform>
            <numerusform>%1 of %n nets shown</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n component(s)</source>
        <translation>
            <numerusform>%n component</numerusform>
            <numerusform>%n components</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n net(s)</source>
        <translation>
            <numerusform>%n net</numerusform>
            <numerusform>%n nets</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 — %2
%3
Pads: %4 · Nets: %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no footprint</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Placed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footprint missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not placed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not in netlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> · no cavity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to route</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To route</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n detached end(s)</source>
        <translation>
            <numerusform>%n detached end</numerusform>
            <numerusform>%n detached ends</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n dangling T</source>
        <translation>
            <numerusform>%n dangling T</numerusform>
            <numerusform>%n dangling Ts</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 — %n pad(s)</source>
        <translation>
            <numerusform>%1 — %n pad</numerusform>
            <numerusform>%1 — %n pads</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 mm left to route</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n track(s) too close to another net</source>
        <translation>
            <numerusform>%n track too close to another net</numerusform>
            <numerusform>%n tracks too close to another net</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n pin(s) missing</source>
        <translation>
            <numerusform>%n pin missing</numerusform>
            <numerusform>%n pins missing</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n pin(s) of this net have no pad on the board: their component has no footprint or is not placed.</source>
        <translation>
            <numerusform>%n pin of this net has no pad on the board: its component has no footprint or is not placed.</numerusform>
            <numerusform>%n pins of this net have no pad on the board: their component has no footprint or is not placed.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>BurialAnalyzer</name>
    <message>
        <source>Burial analysis: import a STEP part first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Burial analysis: computing...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Burial analysis disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Burial analysis: component %1/%2 (%3)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source> (%n failure(s))</source>
        <translation>
            <numerusform> (%n failure)</numerusform>
            <numerusform> (%n failures)</numerusform>
        </translation>
    </message>
    <message>
        <source>Analysis %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unexpected failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Null shape</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Empty bounding box</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The buried part could not be computed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The free part could not be computed</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Burial analysis complete: %1/%n component(s) analysed</source>
        <translation>
            <numerusform>Burial analysis complete: %1/%n component analysed</numerusform>
            <numerusform>Burial analysis complete: %1/%n components analysed</numerusform>
        </translation>
    </message>
    <message>
        <source>Burial analysis cancelled</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>BurialResult</name>
    <message>
        <source>Analysis unavailable for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: no intersection with the part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2% buried (%3 mm³ / %4 mm³)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ComponentManager</name>
    <message numerus="yes">
        <source>%n footprint(s) loaded</source>
        <translation>
            <numerusform>%n footprint loaded</numerusform>
            <numerusform>%n footprints loaded</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n missing</source>
        <translation>
            <numerusform>, %n missing</numerusform>
            <numerusform>, %n missing</numerusform>
        </translation>
    </message>
    <message>
        <source>Invalid values for %1 — nothing changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotation failed for %1 — values restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move failed for %1 — values restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rebuild failed for %1 — values restored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 already uses another footprint named %2 — rename the file to give it to %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to place the components: none was placed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to add the new components: nothing was changed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>placed component %1 of the file has no reference: left out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>placed component %1 appears again as entry %2 of the file: the first entry was kept, this one left out</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FileUtils</name>
    <message>
        <source>%1/%2 bytes written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a regular file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is larger than %1 MB.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The data to write could not be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FootprintFoldersDialog</name>
    <message>
        <source>Footprint folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Directories searched during footprint assignment (recursive search for .kicad_mod files).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a KiCad footprint folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FootprintManager</name>
    <message>
        <source>not enough memory to place it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its body cannot be built</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>X position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Y position</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>height</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>track width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>track point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>zone vertex</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>pad thickness</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>undercut</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>body height</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>body margin X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>body margin Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>body offset Z</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>body width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>body length</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>body transparency %1 is not a finite number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: not enough memory to read this footprint</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 is not a finite number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 mm is negative</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 mm is beyond the limit of %3 mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>pad “%1”: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>rotation %1 is not a finite number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 copper pads, beyond the limit of %2 pads per footprint</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>pad “%1” has size %2 × %3 mm (a pad needs a width and a height above 0)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its pads cannot be built</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Ready - Build plate displayed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Viewer not ready</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The 3D viewer is not yet initialized.
Wait a moment then try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Untitled project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3D files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STEP files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STL files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import geometry (STEP or STL)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to determine the file type of &quot;%1&quot;.
Select a .step, .stp, or .stl file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import cancelled: unrecognized format</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading STEP file...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to read the STEP file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file contains no transferable root.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No valid shape found in the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error while loading the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STEP import canceled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading and repairing the STL file...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STL Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to load STL:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STL import failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STL import cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import STL — mesh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1

Details:
• Triangles: %2
• Faces (after sewing): %3
• Free edges: %4
• Waterproof solid: %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>yes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import a part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Importing a new part will delete:

• components already placed
• routed traces
• undo history

The netlist and footprint folders are preserved.

This action is irreversible. Continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>No usable shape (%n shape(s) ignored).</source>
        <translation>
            <numerusform>No usable shape (%n shape ignored).</numerusform>
            <numerusform>No usable shape (%n shapes ignored).</numerusform>
        </translation>
    </message>
    <message>
        <source>Loaded: %1 - Click &apos;Orient part&apos; then on a face</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source> (%n shape(s) ignored)</source>
        <translation>
            <numerusform> (%n shape ignored)</numerusform>
            <numerusform> (%n shapes ignored)</numerusform>
        </translation>
    </message>
    <message>
        <source>Orient the part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reorienting the part will remove:

• already placed components
• routed tracks
• the undo history

The netlist and footprint folders are preserved.
This action is irreversible. Continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orientation cancelled — job placement retained</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error during orientation: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part oriented and centered - face placed on the build plate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import geometry (STEP/STL)...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Netlist...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update from netlist...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Applies a modified netlist while keeping the placement:
components that remain keep their position, rotation and dimensions.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Save project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save project &amp;as...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open a project...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recent projects</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3D Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export STEP...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export 3MF part...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export 3MF project...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Like the part export, plus the native insertion pauses (M601) loaded by PrusaSlicer when the file is opened as a project.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print pause report: at which layer to pause
and which components to insert, sorted by height.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear history</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footprint folders…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing rules…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic save…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Online Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orient part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import a STEP file first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selection mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exit selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generate components or route traces first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finish routing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import a netlist first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generate the components first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resistance probe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop the probe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Draw tracks first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mode unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mode %1 refused: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selection mode ACTIVE - Click on a face of the part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selection mode disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selection mode ACTIVE — click a component or a track; click the selected target again to manipulate it</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>, … (+%n more)</source>
        <translation>
            <numerusform>, … (+%n more)</numerusform>
            <numerusform>, … (+%n more)</numerusform>
        </translation>
    </message>
    <message>
        <source>Import STEP / STL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Netlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset View</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generate 3D components</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show Ratsnest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Follow surface</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ratsnest Info</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Burial analysis</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shows in green the part buried in the STEP piece,
in orange the protruding part,
and in red the outline at the interface.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear tracks</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing: Inactive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plane mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Surface follow mode ACTIVE - Components will follow the surface of the part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plane mode ACTIVE - Components stay on the build plate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No main shape available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot compute the face normal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rebuilding the oriented shape failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot persist the reoriented shape into ProjectManager</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Computing burial for %1...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load a netlist first</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) are already placed. Generating puts them ALL back on the placement spiral: positions, rotations, body dimensions and footprints chosen by hand are lost, and this cannot be undone.

To apply a modified netlist while KEEPING your placement, use File ▸ “Update from netlist…”.

Regenerate anyway?</source>
        <translation>
            <numerusform>%n component is already placed. Generating puts it back on the placement spiral: its position, rotation, body dimensions and footprint chosen by hand are lost, and this cannot be undone.

To apply a modified netlist while KEEPING your placement, use File ▸ “Update from netlist…”.

Regenerate anyway?</numerusform>
            <numerusform>%n components are already placed. Generating puts them ALL back on the placement spiral: positions, rotations, body dimensions and footprints chosen by hand are lost, and this cannot be undone.

To apply a modified netlist while KEEPING your placement, use File ▸ “Update from netlist…”.

Regenerate anyway?</numerusform>
        </translation>
    </message>
    <message>
        <source>Generation cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading and placing footprints...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import a STEP part before enabling the analysis.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generate the 3D components before enabling the analysis.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide analysis</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footprint folders updated (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected component: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No component selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Component not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select footprint for %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to load the footprint: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✓ Footprint replaced for %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✓ Footprint %1 loaded and applied to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Component %1 moved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Hide Ratsnest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ratsnest hidden</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source> — %n track(s) detached from their pad</source>
        <translation>
            <numerusform> — %n track detached from its pad</numerusform>
            <numerusform> — %n tracks detached from their pad</numerusform>
        </translation>
    </message>
    <message>
        <source>Ratsnest: no link to route</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ratsnest: every link routed (%1/%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ratsnest: %1/%2 links routed, %3 left — length %4 mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

Tracks detached from their pad: %1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(the track is still drawn; its link is counted as unrouted)
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>end</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• %1 — %2 of the track: pad %3 no longer exists
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• %1 — %2 of the track: pad %3 moved %4 mm away
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every link is routed: %1/%1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>=== Ratsnest Information ===

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing progress: %1/%2 links routed
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ratsnest Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resistance probe ACTIVE — click two pads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resistance probe disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose a pad different from pad A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad A: %1/%2 — click pad B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>R(%1/%2 ↔ %3/%4) = %5 Ω</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No track to clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All tracks have been cleared (Ctrl+Z to undo)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The track cannot take a section of %1 × %2 mm — unchanged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Track junction</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n cavity(ies) could not be cut (Boolean subtraction failed): the affected component(s) will appear without a recess. Try moving them slightly or checking their footprint.</source>
        <translation>
            <numerusform>⚠ %n cavity could not be cut (Boolean subtraction failed): the affected component will appear without a recess. Try moving it slightly or checking its footprint.</numerusform>
            <numerusform>⚠ %n cavities could not be cut (Boolean subtraction failed): the affected components will appear without a recess. Try moving them slightly or checking their footprint.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n conductor element(s) could not be fused into a single solid: their overlapping pieces are exported as they are, and anything that meshes the file reads that as a shell passing through itself. Simplify the tracks of the affected net(s).</source>
        <translation>
            <numerusform>⚠ %n conductor element could not be fused into a single solid: its overlapping pieces are exported as they are, and anything that meshes the file reads that as a shell passing through itself. Simplify the tracks of the affected net.</numerusform>
            <numerusform>⚠ %n conductor elements could not be fused into a single solid: their overlapping pieces are exported as they are, and anything that meshes the file reads that as a shell passing through itself. Simplify the tracks of the affected nets.</numerusform>
        </translation>
    </message>
    <message>
        <source>Import a STEP part before exporting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export STEP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STEP Files (*.step *.stp);;All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exporting STEP...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✗ STEP export failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STEP export error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export failed:

%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>✓ STEP export: %n cavity(ies)</source>
        <translation>
            <numerusform>✓ STEP export: %n cavity</numerusform>
            <numerusform>✓ STEP export: %n cavities</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n conductor element(s)</source>
        <translation>
            <numerusform>%n conductor element</numerusform>
            <numerusform>%n conductor elements</numerusform>
        </translation>
    </message>
    <message>
        <source>✓ File exported:
%1

Content:
</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>• Main part: hollowed (%n cavity(ies))
</source>
        <translation>
            <numerusform>• Main part: hollowed (%n cavity)
</numerusform>
            <numerusform>• Main part: hollowed (%n cavities)
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• Conductor: %n element(s) (pads + tracks)

</source>
        <translation>
            <numerusform>• Conductor: %n element (pads + tracks)

</numerusform>
            <numerusform>• Conductor: %n elements (pads + tracks)

</numerusform>
        </translation>
    </message>
    <message>
        <source>The two shapes are distinct objects in the STEP file.
Assign them different materials in your slicer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STEP export successful</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export 3MF project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export 3MF part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3MF Files (*.3mf);;All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3MF export cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exporting 3MF...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✗ 3MF export failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3MF export error</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>✓ 3MF export: %n object(s)</source>
        <translation>
            <numerusform>✓ 3MF export: %n object</numerusform>
            <numerusform>✓ 3MF export: %n objects</numerusform>
        </translation>
    </message>
    <message>
        <source>3MF export successful</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✓ 3MF file exported:
%1

Content:
</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>• Single item, %n part(s) (component + conductors)
</source>
        <translation>
            <numerusform>• Single item, %n part (component + conductors)
</numerusform>
            <numerusform>• Single item, %n parts (component + conductors)
</numerusform>
        </translation>
    </message>
    <message>
        <source>Pause heights are carried over in the 3MF file (attachments).
</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>• PrusaSlicer settings: %n perimeter(s) + %1% infill (Slic3r_PE_model.config).</source>
        <translation>
            <numerusform>• PrusaSlicer settings: %n perimeter + %1% infill (Slic3r_PE_model.config).</numerusform>
            <numerusform>• PrusaSlicer settings: %n perimeters + %1% infill (Slic3r_PE_model.config).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n embedded M601 pause(s) with LCD message: open the 3MF as a PROJECT in PrusaSlicer and slice at %1 mm (first layer included) — the insertion pause(s) already on the layer slider.</source>
        <translation>
            <numerusform>• %n embedded M601 pause with LCD message: open the 3MF as a PROJECT in PrusaSlicer and slice at %1 mm (first layer included) — the insertion pause is already on the layer slider.</numerusform>
            <numerusform>• %n embedded M601 pauses with LCD message: open the 3MF as a PROJECT in PrusaSlicer and slice at %1 mm (first layer included) — the insertion pauses are already on the layer slider.</numerusform>
        </translation>
    </message>
    <message>
        <source>• No native pause to embed: all insertions happen at the end of the print.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n shell(s) did not close: the written mesh has boundary edges there, and a slicer reports that as an open model. The usual cause is a face the mesher could not triangulate — see below.</source>
        <translation>
            <numerusform>⚠ %n shell did not close: the written mesh has boundary edges there, and a slicer reports that as an open model. The usual cause is a face the mesher could not triangulate — see below.</numerusform>
            <numerusform>⚠ %n shells did not close: the written mesh has boundary edges there, and a slicer reports that as an open model. The usual cause is a face the mesher could not triangulate — see below.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>ℹ %n shell(s) came out of the mesher inside-out and were flipped before writing. The file is correct; the shape they came from is not quite, so keep an eye on the affected geometry.</source>
        <translation>
            <numerusform>ℹ %n shell came out of the mesher inside-out and was flipped before writing. The file is correct; the shape it came from is not quite, so keep an eye on the affected geometry.</numerusform>
            <numerusform>ℹ %n shells came out of the mesher inside-out and were flipped before writing. The file is correct; the shape they came from is not quite, so keep an eye on the affected geometry.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n edge(s) are shared by more than two triangles inside a single shell: that surface is written twice over itself and a slicer reads it as a self-intersection.</source>
        <translation>
            <numerusform>⚠ %n edge is shared by more than two triangles inside a single shell: that surface is written twice over itself and a slicer reads it as a self-intersection.</numerusform>
            <numerusform>⚠ %n edges are shared by more than two triangles inside a single shell: that surface is written twice over itself and a slicer reads it as a self-intersection.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n face(s) could not be meshed and are MISSING from the file: the exported shell has that many holes. Widen or deepen the thinnest tracks and export again.</source>
        <translation>
            <numerusform>⚠ %n face could not be meshed and is MISSING from the file: the exported shell has that many holes. Widen or deepen the thinnest tracks and export again.</numerusform>
            <numerusform>⚠ %n faces could not be meshed and are MISSING from the file: the exported shell has that many holes. Widen or deepen the thinnest tracks and export again.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n conductor element(s) could not be meshed at all and are ABSENT from the file: the part keeps their cavity, with nothing inside it. Check the tracks and pads of the affected element(s).</source>
        <translation>
            <numerusform>⚠ %n conductor element could not be meshed at all and is ABSENT from the file: the part keeps its cavity, with nothing inside it. Check the tracks and pads of the affected element.</numerusform>
            <numerusform>⚠ %n conductor elements could not be meshed at all and are ABSENT from the file: the part keeps their cavity, with nothing inside it. Check the tracks and pads of the affected elements.</numerusform>
        </translation>
    </message>
    <message>
        <source>A track is being drawn — finish it, or press Escape, before selecting from the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is named by the netlist but not placed on the board</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net %1: none of its pads is on the board</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Net %1 — %n pad(s), nothing to route</source>
        <translation>
            <numerusform>Net %1 — %n pad, nothing to route</numerusform>
            <numerusform>Net %1 — %n pads, nothing to route</numerusform>
        </translation>
    </message>
    <message>
        <source>Net %1 — every link routed (%2/%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net %1 — %2/%3 links routed, %4 mm left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic save at %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic save failed — save manually (Ctrl+S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• Project: %1
• Automatic save: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recover automatic save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An automatic save of this project exists, but it is not more recent than the project file:

%1

It is probably out of date. Open the automatic save instead?

Yes opens the automatic save; No opens the project file and deletes the automatic save.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic save recovered — save it (Ctrl+S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changes not saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The project has been modified since the last save.
Do you want to save before exiting?</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Automatic save: every %n minute(s)</source>
        <translation>
            <numerusform>Automatic save: every %n minute</numerusform>
            <numerusform>Automatic save: every %n minutes</numerusform>
        </translation>
    </message>
    <message>
        <source>Automatic save disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The language change will take effect after restarting Vantorquelle.

Restart now?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantorquelle could not be restarted:

%1

The new language will apply at the next start.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restart failed — the new language applies at the next start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user guide installed with Vantorquelle was not found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to open the web browser.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h3&gt;Vantorquelle&lt;/h3&gt;&lt;p&gt;Design of “print-in-place” 3D printed circuits from KiCad netlists.&lt;/p&gt;&lt;p&gt;&lt;b&gt;Version:&lt;/b&gt; %1&lt;br&gt;&lt;b&gt;Qt:&lt;/b&gt; %2&lt;br&gt;&lt;b&gt;OpenCascade:&lt;/b&gt; %3&lt;/p&gt;&lt;p&gt;&lt;b&gt;By the Vantorquelle developers&lt;/b&gt;&lt;/p&gt;&lt;p&gt;© 2026&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About Vantorquelle</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History cleared</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This project already has a netlist and placed components.

Importing replaces the netlist outright; the components stay where they are but nothing checks that they still match it.

To keep your placement and apply only what changed, use “Update from netlist…” instead.

Import anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Netlist import cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to load the netlist:

%1

The netlist already loaded, if any, has been kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Netlist loaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) to add:
</source>
        <translation>
            <numerusform>• %n component to add:
</numerusform>
            <numerusform>• %n components to add:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) to remove:
</source>
        <translation>
            <numerusform>• %n component to remove:
</numerusform>
            <numerusform>• %n components to remove:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n footprint change(s):
</source>
        <translation>
            <numerusform>• %n footprint change:
</numerusform>
            <numerusform>• %n footprint changes:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>    … (+%n more)
</source>
        <translation>
            <numerusform>    … (+%n more)
</numerusform>
            <numerusform>    … (+%n more)
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) kept as they are
</source>
        <translation>
            <numerusform>• %n component kept as it is
</numerusform>
            <numerusform>• %n components kept as they are
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n track(s) would no longer match the netlist:
</source>
        <translation>
            <numerusform>⚠ %n track would no longer match the netlist:
</numerusform>
            <numerusform>⚠ %n tracks would no longer match the netlist:
</numerusform>
        </translation>
    </message>
    <message>
        <source>    %1 (net %2): %3 no longer exists
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>    %1 (net %2): %3 moved to net %4
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>    %1 (net %2): %3 is on no net any more
</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>    … and %n more
</source>
        <translation>
            <numerusform>    … and %n more
</numerusform>
            <numerusform>    … and %n more
</numerusform>
        </translation>
    </message>
    <message>
        <source>
These tracks are KEPT as they are. They will reappear in the ratsnest as unrouted; delete or redraw them yourself.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update from netlist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No component is placed yet. Import the netlist and use “Generate 3D components”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finish or cancel the track being drawn first (Esc).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to read the netlist:

%1

Nothing has been changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Applying “%1”:

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
Components that remain keep their position, rotation and dimensions.

The undo history will be cleared: this update cannot be undone.

Apply?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✓ Update applied:

</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) added
</source>
        <translation>
            <numerusform>• %n component added
</numerusform>
            <numerusform>• %n components added
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) removed
</source>
        <translation>
            <numerusform>• %n component removed
</numerusform>
            <numerusform>• %n components removed
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n footprint(s) replaced
</source>
        <translation>
            <numerusform>• %n footprint replaced
</numerusform>
            <numerusform>• %n footprints replaced
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) kept
</source>
        <translation>
            <numerusform>• %n component kept
</numerusform>
            <numerusform>• %n components kept
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>
⚠ %n footprint change(s) could not be loaded; those components keep their previous footprint:
</source>
        <translation>
            <numerusform>
⚠ %n footprint change could not be loaded; that component keeps its previous footprint:
</numerusform>
            <numerusform>
⚠ %n footprint changes could not be loaded; those components keep their previous footprint:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>

⚠ %n track(s) no longer match the netlist and were left untouched.</source>
        <translation>
            <numerusform>

⚠ %n track no longer matches the netlist and was left untouched.</numerusform>
            <numerusform>

⚠ %n tracks no longer match the netlist and were left untouched.</numerusform>
        </translation>
    </message>
    <message>
        <source>Netlist update applied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This netlist matches the board exactly: nothing to update.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Netlist already up to date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” changes no placed component and no routed track, but the netlist itself changed:

</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>• %n net(s) added:
</source>
        <translation>
            <numerusform>• %n net added:
</numerusform>
            <numerusform>• %n nets added:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n net(s) removed:
</source>
        <translation>
            <numerusform>• %n net removed:
</numerusform>
            <numerusform>• %n nets removed:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n net(s) with other connections:
</source>
        <translation>
            <numerusform>• %n net with other connections:
</numerusform>
            <numerusform>• %n nets with other connections:
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n component value(s) changed:
</source>
        <translation>
            <numerusform>• %n component value changed:
</numerusform>
            <numerusform>• %n component values changed:
</numerusform>
        </translation>
    </message>
    <message>
        <source>• other details (pin names, footprint libraries)
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>
The new netlist is installed; placed components and tracks are unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Netlist updated: connections and values only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creating a new project will reset everything:

• the imported STEP part
• the netlist
• the placed components
• the routed tracks
• the undo history

This action is irreversible. Continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New project canceled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New project - Build plate displayed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading impossible: 3D viewer not initialized</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load a project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project saved: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save Project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project saved successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>✓ Project saved:

</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>• %n component(s) placed
</source>
        <translation>
            <numerusform>• %n component placed
</numerusform>
            <numerusform>• %n components placed
</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>• %n route(s)
</source>
        <translation>
            <numerusform>• %n route
</numerusform>
            <numerusform>• %n routes
</numerusform>
        </translation>
    </message>
    <message>
        <source>• File: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>❌ Project save failed:

%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The project is not yet initialized.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The project file no longer exists:
%1

It has been removed from recent projects.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open a project</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening a project will replace everything:

• the imported STEP part
• the netlist
• the placed components
• the routed tracks
• the undo history

This action is irreversible. Continue?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening canceled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>❌ Project load failed:

%1

The current design has been kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>✓ Project loaded: %n component(s)</source>
        <translation>
            <numerusform>✓ Project loaded: %n component</numerusform>
            <numerusform>✓ Project loaded: %n components</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n missing footprint(s)</source>
        <translation>
            <numerusform>, %n missing footprint</numerusform>
            <numerusform>, %n missing footprints</numerusform>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

⚠ Recovered from the automatic save: this state is NOT yet in the project file. Save it (Ctrl+S).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project loaded</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n track(s) could not be built as solids and are missing from the file: their nets are not connected in print. Look for degenerate segments in those tracks.</source>
        <translation>
            <numerusform>⚠ %n track could not be built as a solid and is missing from the file: its net is not connected in print. Look for degenerate segments in that track.</numerusform>
            <numerusform>⚠ %n tracks could not be built as solids and are missing from the file: their nets are not connected in print. Look for degenerate segments in those tracks.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n track(s) lie wholly outside the part: they are written as conductors floating beside it, held and connected by nothing. Their nets:</source>
        <translation>
            <numerusform>⚠ %n track lies wholly outside the part: it is written as a conductor floating beside it, held and connected by nothing. Its net:</numerusform>
            <numerusform>⚠ %n tracks lie wholly outside the part: they are written as conductors floating beside it, held and connected by nothing. Their nets:</numerusform>
        </translation>
    </message>
    <message>
        <source>  • track %1 (%2) names pads that are not on the board: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  • tracks %1 (%2) and %3 (%4) touch: a short between two nets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

⚠ Tracks to check (kept as they were saved):
</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Imported STL: %1 — %n triangle(s), solid waterproof</source>
        <translation>
            <numerusform>Imported STL: %1 — %n triangle, solid waterproof</numerusform>
            <numerusform>Imported STL: %1 — %n triangles, solid waterproof</numerusform>
        </translation>
    </message>
    <message>
        <source>Open the user guide in a browser yourself:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Netlist loaded: %1, %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n component(s)</source>
        <translation>
            <numerusform>%n component</numerusform>
            <numerusform>%n components</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n net(s)</source>
        <translation>
            <numerusform>%n net</numerusform>
            <numerusform>%n nets</numerusform>
        </translation>
    </message>
    <message>
        <source>Loading successful: %1 and %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing rules</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A track is being drawn. Finish it or cancel it (Escape) before changing the rules.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing rules unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing rules: %1 × %2 mm, clearance %3 mm — applied to the next tracks.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>❌ Not enough memory to place the %n component(s) of the netlist: none was placed.</source>
        <translation>
            <numerusform>❌ Not enough memory to place the %n component of the netlist: it was not placed.</numerusform>
            <numerusform>❌ Not enough memory to place the %n components of the netlist: none was placed.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>❌ Not enough memory to place the %n component(s) of this project: none was placed, and the current design has been kept.</source>
        <translation>
            <numerusform>❌ Not enough memory to place the %n component of this project: it was not placed, and the current design has been kept.</numerusform>
            <numerusform>❌ Not enough memory to place the %n components of this project: none was placed, and the current design has been kept.</numerusform>
        </translation>
    </message>
    <message>
        <source>Project not loaded: not enough memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>❌ Not enough memory to add the new components: the board and its netlist were left as they were.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Netlist update refused: not enough memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ Track %1 (%2) now touches %3: a short between two nets</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ Track %1 (%2) is now closer to %3 than the clearance allows</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source> (and %n other track(s))</source>
        <translation>
            <numerusform> (and %n other track)</numerusform>
            <numerusform> (and %n other tracks)</numerusform>
        </translation>
    </message>
    <message>
        <source>The track cannot take a section of %1 × %2 mm — unchanged. %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Project already open</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source> — %n pin(s) missing from the board (component without footprint or not placed)</source>
        <translation>
            <numerusform> — %n pin missing from the board (component without footprint or not placed)</numerusform>
            <numerusform> — %n pins missing from the board (component without footprint or not placed)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Net %1 — %n pad(s) on the board</source>
        <translation>
            <numerusform>Net %1 — %n pad on the board</numerusform>
            <numerusform>Net %1 — %n pads on the board</numerusform>
        </translation>
    </message>
    <message>
        <source>Footprints to check</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>No footprint file has exactly the name that the netlist gives for %n component(s): each got the footprint of a file whose name only contains it. Check that it is the one meant (&quot;Browse footprint...&quot; in the properties panel replaces it):
</source>
        <translation>
            <numerusform>No footprint file has exactly the name that the netlist gives for %n component: it got the footprint of a file whose name only contains it. Check that it is the one meant (&quot;Browse footprint...&quot; in the properties panel replaces it):
</numerusform>
            <numerusform>No footprint file has exactly the name that the netlist gives for %n components: each got the footprint of a file whose name only contains it. Check that it is the one meant (&quot;Browse footprint...&quot; in the properties panel replaces it):
</numerusform>
        </translation>
    </message>
    <message>
        <source>  • %1: %2 → %3 (first of %4 matching files)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  • %1: %2 → %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Meshed 3MF export (part + conductors) with per-volume PrusaSlicer settings; the print plan only travels as readable notes (.txt / .csv, chosen in the export dialog).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print plan...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import a STEP part first before generating the print plan.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• Embedded print plan: Metadata/Vantorquelle_PrintPlan%1

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note: the print plan is unavailable (%1) — the attachments indicate this.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ Native pauses not embedded: print plan unavailable (%1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ Components with missing footprint:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>  • %1: footprint %2 cannot be used: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

⚠ Repaired or left out on opening:</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>  … and %n more (see the log)</source>
        <translation>
            <numerusform>  … and %n more (see the log)</numerusform>
            <numerusform>  … and %n more (see the log)</numerusform>
        </translation>
    </message>
    <message>
        <source>No ratsnest link displayed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nets still to route:</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>• %1: %n link(s), %2 mm</source>
        <translation>
            <numerusform>• %1: %n link, %2 mm</numerusform>
            <numerusform>• %1: %n links, %2 mm</numerusform>
        </translation>
    </message>
    <message>
        <source>Remaining links: %1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remaining length: %1 mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This project is open in another running copy of Vantorquelle (process %1 on %2):
%3

If both copies change it, the one that saves last overwrites the other&apos;s work. Each copy keeps its own automatic save.

Open it here anyway?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Automatic save impossible: nothing can be written in %1 — save manually (Ctrl+S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An automatic save of this project is more recent than the project file itself:

%1

This usually means the previous session ended without saving.

Open the automatic save instead?

Yes opens the automatic save; No opens the project file and keeps the automatic save, to be offered again the next time the project is opened.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A project that had never been saved was automatically saved on %1, and the session that produced it did not end normally.

Recover it?

Yes opens it as an untitled project; No deletes it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import STEP — surfaces</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The STEP part is not closed: it holds surfaces and no solid, and sewing them left %n free edge(s). Orientation is still possible, but burial analysis and the exports will be imprecise: the exported part will not be closed either.</source>
        <translation>
            <numerusform>The STEP part is not closed: it holds surfaces and no solid, and sewing them left %n free edge. Orientation is still possible, but burial analysis and the exports will be imprecise: the exported part will not be closed either.</numerusform>
            <numerusform>The STEP part is not closed: it holds surfaces and no solid, and sewing them left %n free edges. Orientation is still possible, but burial analysis and the exports will be imprecise: the exported part will not be closed either.</numerusform>
        </translation>
    </message>
    <message>
        <source>The STEP part held surfaces and no solid: they were sewn into a closed solid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ The part is not closed: it holds surfaces and no solid, as its import said. It is written as it is, and a slicer reports it as an open model.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n component(s) are not in the part: none of their pads and bodies reaches into its material, so no cavity was cut for them and nothing of them is embedded. &quot;Burial analysis&quot; shows where each body stands.</source>
        <translation>
            <numerusform>⚠ %n component is not in the part: none of its pads and body reaches into its material, so no cavity was cut for it and nothing of it is embedded. &quot;Burial analysis&quot; shows where each body stands.</numerusform>
            <numerusform>⚠ %n components are not in the part: none of their pads and bodies reaches into its material, so no cavity was cut for them and nothing of them is embedded. &quot;Burial analysis&quot; shows where each body stands.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>⚠ The cavities cut solids of the part apart: %n piece(s) that were joined before carving are now separate. Anything not resting on the plate will print in mid-air. Check the tracks that pass closest to the edges and to one another.</source>
        <translation>
            <numerusform>⚠ The cavities cut solids of the part apart: %n piece that was joined before carving is now separate. Anything not resting on the plate will print in mid-air. Check the tracks that pass closest to the edges and to one another.</numerusform>
            <numerusform>⚠ The cavities cut solids of the part apart: %n pieces that were joined before carving are now separate. Anything not resting on the plate will print in mid-air. Check the tracks that pass closest to the edges and to one another.</numerusform>
        </translation>
    </message>
    <message>
        <source>STEP export cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• No native pause to embed: the plan has no component to insert.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>

⚠ No automatic save for this project: no lock file can be written in its folder %1 (read-only, or full). Only an explicit save keeps your changes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STEP import cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Computing the print plan...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(no net)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not cut, so printed without their recess:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening the project...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the project file...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Placing the components: %1 of %2...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replacing the open design...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening cancelled: the design is as it was</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>⚠ %n track(s) came out short of copper or in pieces and are written so: their nets may be open or thinner than drawn in print. Look for degenerate segments in those tracks:</source>
        <translation>
            <numerusform>⚠ %n track came out short of copper or in pieces and is written so: its net may be open or thinner than drawn in print. Look for degenerate segments in that track:</numerusform>
            <numerusform>⚠ %n tracks came out short of copper or in pieces and are written so: their nets may be open or thinner than drawn in print. Look for degenerate segments in those tracks:</numerusform>
        </translation>
    </message>
    <message>
        <source>Building the tracks: %1 of %2...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>track %1 (net %2) is not built as drawn: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undone: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redone: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>• Main part: whole, no cavity cut
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ The carved part fails the validity check (for instance a face whose edges cross one another): it is written as it is, and may not read back as written — what reads the file can find material missing or added. Repair the imported part in its CAD tool and export again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>⚠ The check of what the cuts left in the cavities could not be made: %n cavity(ies) are not known to be cut and are counted among those not cut.</source>
        <translation>
            <numerusform>⚠ The check of what the cuts left in the cavities could not be made: %n cavity is not known to be cut and is counted among those not cut.</numerusform>
            <numerusform>⚠ The check of what the cuts left in the cavities could not be made: %n cavities are not known to be cut and are counted among those not cut.</numerusform>
        </translation>
    </message>
    <message>
        <source>❌ Not enough memory to open this project.

The current design has been kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparing the part for display...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped: not enough memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>❌ Not enough memory: “%1” was stopped.

The design and the files on disk are as they were, and the program goes on. Closing other programs or designs may leave room to try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped: an error occurred</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>❌ “%1” failed and was stopped: %2

The design and the files on disk are as they were.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not computed (see the message)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Burial analysis of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replacing the placed components...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Generation cancelled: the components are as they were</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n footprint(s) loaded</source>
        <translation>
            <numerusform>%n footprint loaded</numerusform>
            <numerusform>%n footprints loaded</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>, %n missing</source>
        <translation>
            <numerusform>, %n missing</numerusform>
            <numerusform>, %n missing</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MissingFootprintsDialog</name>
    <message>
        <source>⚠ Missing footprints</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) without footprint</source>
        <translation>
            <numerusform>%n component without footprint</numerusform>
            <numerusform>%n components without footprint</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The following component(s) could not be matched to a footprint</source>
        <translation>
            <numerusform>The following component could not be matched to a footprint</numerusform>
            <numerusform>The following components could not be matched to a footprint</numerusform>
        </translation>
    </message>
    <message>
        <source>Reference</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Requested footprint</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RED</source>
        <comment>color of the missing components in the 3D view</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>📋 Copy the list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Continue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>=== Missing footprints ===

</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No footprint folder is set, so no footprint could be looked for.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KiCad&apos;s own library is the “footprints” folder of its installation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>KiCad&apos;s own library is in %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>💡 &lt;b&gt;How to fix:&lt;/b&gt;&lt;br&gt;1. Add the folder of your KiCad footprint libraries with &lt;b&gt;Edit › Footprint folders…&lt;/b&gt; (button below), then generate the components again. %2&lt;br&gt;2. Or one component at a time: missing components appear in %1 in the 3D view; click on one to select it, use the &lt;b&gt;&quot;Browse footprint...&quot;&lt;/b&gt; button in the right panel and select the appropriate .kicad_mod file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footprint folders…</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>None of the %n footprint folder(s) holds a file of the name the netlist asks for.</source>
        <translation>
            <numerusform>The footprint folder holds no file of the name the netlist asks for.</numerusform>
            <numerusform>None of the %n footprint folders holds a file of the name the netlist asks for.</numerusform>
        </translation>
    </message>
    <message>
        <source>💡 &lt;b&gt;How to fix:&lt;/b&gt;&lt;br&gt;The netlist may name a footprint that KiCad has renamed since (a pad size in the name, for instance).&lt;br&gt;1. Missing components appear in %1 in the 3D view; click on one to select it, use the &lt;b&gt;&quot;Browse footprint...&quot;&lt;/b&gt; button in the right panel and select the appropriate .kicad_mod file.&lt;br&gt;2. If your footprints lie in a folder not listed yet, add it with &lt;b&gt;Edit › Footprint folders…&lt;/b&gt; (button below), then generate the components again. %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OccWidget</name>
    <message>
        <source>FRONT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BACK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>LEFT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>RIGHT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TOP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>BOTTOM</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PrintPlan</name>
    <message>
        <source>cavity top</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part height: %1 mm (Z-range %2 → %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Layer height: %1 mm — %n layer(s)</source>
        <translation>
            <numerusform>Layer height: %1 mm — %n layer</numerusform>
            <numerusform>Layer height: %1 mm — %n layers</numerusform>
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
            <numerusform>%n component to insert</numerusform>
            <numerusform>%n components to insert</numerusform>
        </translation>
    </message>
    <message>
        <source>── Pause %1: after layer %2 (Z = %3 mm) ──</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>── Insertion at the end of printing (cavity never covered) ──</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>── Not hollowed out (no insertion) ──</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reminder: heights measured from the bottom of the part. &quot;Cavity accessible from above&quot; assumption — check for cavities opening onto a side face in the 3D view.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print plan unavailable: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PRINT PLAN — PAUSES AND INSERTS</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) not in the part</source>
        <translation>
            <numerusform>%n component not in the part</numerusform>
            <numerusform>%n components not in the part</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PrintPlanDialog</name>
    <message>
        <source>Layer height:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Z pause (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ref</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footprint</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>X (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Y (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cavity top (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Heights measured from the bottom of the part (slicer reference point). Assumption: cavity accessible from above—check for cavities opening onto a side face in the 3D view.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy report</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export text...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>uninitialized generator</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plan unavailable: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Part: %1 mm — %n layer(s)</source>
        <translation>
            <numerusform>Part: %1 mm — %n layer</numerusform>
            <numerusform>Part: %1 mm — %n layers</numerusform>
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
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Without insertion: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Report copied to the clipboard.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export the print plan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to write file:
%1

%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exported plan: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Print plan</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n component(s) not in the part</source>
        <translation>
            <numerusform>%n component not in the part</numerusform>
            <numerusform>%n components not in the part</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PrintPlanGenerator</name>
    <message>
        <source>missing footprint — not excavated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Case disabled — cavity not hollowed out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>missing case geometry</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No main component imported</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>invalid layer height</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bounding box of the part cannot be calculated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Layer height %1 mm is too small for a part %2 mm high: more than %3 layers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not in the part — nothing to embed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cavity could not be cut — no pause for it</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProgressWindow</name>
    <message>
        <source>Cancelling…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancelling… the file being written is finished first: its writer cannot be stopped midway.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the triangles…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Joining the triangles&apos; corners…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Building the shells…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking the shells…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sewing the faces…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repairing the solid…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Checking the solid…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Finding what stands in the part…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cutting the cavities and joining the conductors…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Translating the design into STEP…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writing the file…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Meshing the part and the conductors…</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ProjectManager</name>
    <message>
        <source>main part (index %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>secondary shapes (index %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to encode 3D geometry: %1. Save cancelled to avoid producing an incomplete file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> and </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Corrupt project file: unable to decode 3D shapes at indices %1. Loading aborted to prevent silent loss of geometry.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Corrupt project file: the main part (index %1) is missing or unreadable. Loading aborted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to open the file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Incomplete write: %1 of %2 bytes (disk full?)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to finalize the file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>JSON parsing error: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This file is not a Vantorquelle project: its content is not a JSON object.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This file is not a Vantorquelle project: its &quot;version&quot; or &quot;shapes&quot; entry is missing or invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to open the netlist file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unrecognized netlist format (a KiCad S-expression netlist is expected).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No component could be read from this netlist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This project was written by a newer version of Vantorquelle (file format %1; this version reads format %2 and older). Open it with a newer version.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The previous version could not be read to keep it as “%1”: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The previous version could not be kept as “%1”: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The project file was not replaced.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to open this project.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This project holds %1 components, beyond the limit of %2 components per design.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to read this netlist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This netlist holds %1 components, beyond the limit of %2 components per design.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(not a number)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>track %1 of the file (net %2, from %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>section %1 × %2 mm replaced by %3 × %4 mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>segment %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>track width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>track height</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>clearance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>pad clearance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>routing rule “%1”: %2 mm replaced by %3 mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is on net “%2”, which the netlist does not have: kept as it was saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>footprint “%1”, zone %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: vertex %2 is not a point: dropped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has fewer than three vertices: dropped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is marked finished but has no segment</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is kept as saved and not built: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 (not a number) replaced by %3 mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>segment %1: start point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>segment %1: end point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>T junction point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>footprint “%1” is stored %2 times with different contents: the last one (footprint %3 of the file) is used</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is stored twice: it is the same as track %2 of the file, and both are kept</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(missing or not a number)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the main part&apos;s index %1 names no shape of the file (shapes 0 to %2): shape %3, the first one there is, is taken as the main part</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PropertiesPanel</name>
    <message>
        <source>Selected component: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ MISSING FOOTPRINT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ %1 - MISSING FOOTPRINT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>🔍 Browse footprint...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Browse footprint...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(unnamed)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected track: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No selection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select a component or a track.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Property</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Scales the pads in X and Y only (100 % = footprint size).
Resizes each pad about its own center; spacing and Z (thickness/undercut) are unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Activated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unchecked: the case becomes brown/transparent and is NOT recessed
in the part during STEP export (the pads remain recessed).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reference</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footprint name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Footprint path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Position X (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Position Y (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Position Z (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotation Z (°)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad thickness (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undercut (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad XY scale (%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Body width (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Body length (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Body height (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Body Z offset (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Active cavity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual movement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Step:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>XY plane</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Z axis</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotation Z</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Segments</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Width (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Height (mm)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>↶ 90° CCW</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⟲ Reset</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>↷ 90° CW</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Move %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Rotate %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify properties %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change footprint %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add track %1 (%2 → %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete track %1 (%2 → %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>track junction</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clear all tracks (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move segment %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move vertex %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resize track %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resize track</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ResistanceCalculator</name>
    <message>
        <source>Pads on different nets (%1 ≠ %2) — infinite resistance</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad missing from the netlist (%1/%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid resistivity (%1 Ω·cm) — a positive number is needed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No routed path between %1/%2 and %3/%4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Degenerate net — calculation impossible</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resistance beyond the computable range (resistivity %1 Ω·cm)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ResistanceDialog</name>
    <message>
        <source>%1 / %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resistance measurement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Ω·cm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Resistivity:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected pads</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad A:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad B:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click on the first pad in the 3D view.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New measurement</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click on the second pad.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Computing…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measurement done (net %1).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tracks: %1 Ω
Pad A:  %2 Ω
Pad B:  %3 Ω
———————
Total:  %4 Ω</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Measurement impossible.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown error</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RoutingController</name>
    <message>
        <source>Routing: ACTIVE - Click on a pad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing mode ACTIVE - Hover a pad to highlight it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing: Inactive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing mode disabled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad %1/%2 hovered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: no net found for this pad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing %1 — mouse, &apos;B&apos; vertical, &apos;N&apos; snap</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: cannot end on this pad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: invalid point</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Track finished</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VERTICAL mode — snap expired</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: connection impossible (collision or segment too short)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: cannot end on this track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Track finished at a junction on %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Point set — continue routing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: distance too short</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>VERTICAL mode — &apos;N&apos; to snap to pad</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HORIZONTAL mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>⚠ Switch to VERTICAL mode first (&apos;B&apos;)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Routing cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Point undone — VERTICAL mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Point undone — HORIZONTAL mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing to undo — Esc cancels the track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error: component manager unavailable</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No other net pad to snap to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Snap: %1/%2 Z=%3 mm (%4/%5)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Track %1 clicked but segment undetermined</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selection cleared</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Segment %1/%2 of net %3 selected — click again to move it (hovered segment or vertex), Del to clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Segment %1/%2 of net %3 selected — click a vertex to move it, Del to delete the track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End segment of net %1 selected — click a vertex to move it, Del to delete the track</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drag cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drag cancelled (Delete ignored during drag)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No track selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dragging segment %1 — move the mouse, click to confirm, Esc to cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vertex drag in progress — click to confirm, Esc to cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Collision — move the mouse or Esc to cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vertex drag confirmed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drag confirmed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RoutingManager</name>
    <message>
        <source>A track is already being drawn.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The pad has no net or no name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The pad&apos;s position is not a valid point.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Net %1 is not in the netlist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad %1 does not belong to net %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No track is being drawn.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The point is not a valid position.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The segment would be shorter than %1 mm.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The track&apos;s solid could not be built.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Short circuit with %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Insufficient clearance with %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The clearance to %1 could not be checked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The track has no segment yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The track does not reach %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The destination pad has no name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A track cannot end on its own start pad.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Pad %1 is not on net %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>pad %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The track to join does not exist.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The track to join is on net %1, not %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The junction point is not on the track to join.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>track %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>start point X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>start point Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>start point Z</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>end point X</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>end point Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>end point Z</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>width</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>height</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 is not a finite number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 mm is beyond the limit of %3 mm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no solid could be built</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it holds no closed solid</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>it comes out as %n separate solid(s)</source>
        <translation>
            <numerusform>it comes out as %n separate solid</numerusform>
            <numerusform>it comes out as %n separate solids</numerusform>
        </translation>
    </message>
    <message>
        <source>it holds %1 mm³ of copper where its segments make %2 mm³</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RoutingRulesDialog</name>
    <message>
        <source>Routing rules</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dimensions applied to the tracks drawn from now on. These rules are saved with the project.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Width of a new track. Also sets the square section of the vertical segments (width × width).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thickness in Z of a new horizontal track. A vertical segment keeps a square section and is not thickened by this value.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimum distance between two tracks of different nets. Below this, routing reports a clearance violation.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Minimum distance between a track and a pad of another net, or an unconnected pad.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Track width:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Track height:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clearance between tracks:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Clearance track / pad:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The tracks already drawn keep their dimensions: they are modified from the properties panel, by selecting them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also use as defaults for new projects</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StepExporter</name>
    <message>
        <source>No main shape loaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to prepare the assembly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to write the STEP file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The temporary folder cannot be locked.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to export this design. The previous file is left as it was.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StepImporter</name>
    <message>
        <source>The STEP file does not exist: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is empty: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is not a readable STEP file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is truncated (its end is missing): %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file contains no transferable root.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>None of the %n root(s) of the STEP file could be transferred.</source>
        <translation>
            <numerusform>The STEP file&apos;s %n root could not be transferred.</numerusform>
            <numerusform>None of the %n roots of the STEP file could be transferred.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The STEP file is damaged: %n geometric entity(ies) could not be read.</source>
        <translation>
            <numerusform>The STEP file is damaged: %n geometric entity could not be read.</numerusform>
            <numerusform>The STEP file is damaged: %n geometric entities could not be read.</numerusform>
        </translation>
    </message>
    <message>
        <source>The STEP file is damaged: the reader failed on it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is damaged: the entity number %1 is out of range.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is damaged: entity #%1 refers back to itself.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is damaged: the entity number #%1 is defined more than once.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is damaged: the comment opened on line %1 never closes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is damaged: the text opened on line %1 never closes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The import was cancelled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file uses scopes (&amp;SCOPE), which cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is not a regular file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is damaged: entities %1 lead back to one another in a cycle.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file cannot be opened: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file&apos;s assembly is nested %1 levels deep, deeper than the reader can follow (%2 at most).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is too large for the memory available: %1 MB.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is not enough memory to read this STEP file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STEP file is damaged: a record holds lists nested %1 levels deep, deeper than the reader can follow (%2 at most).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>StlImporter</name>
    <message>
        <source>The STL file does not exist: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STL file cannot be opened: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STL file contains no usable triangle.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The ASCII STL file is truncated (its closing &quot;endsolid&quot; is missing): %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The binary STL file is truncated or damaged: its header announces %n triangle(s) but the file holds %1 bytes.</source>
        <translation>
            <numerusform>The binary STL file is truncated or damaged: its header announces %n triangle but the file holds %1 bytes.</numerusform>
            <numerusform>The binary STL file is truncated or damaged: its header announces %n triangles but the file holds %1 bytes.</numerusform>
        </translation>
    </message>
    <message>
        <source>The file is not an STL file (no &quot;solid&quot; header and no binary layout): %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No non-degenerate triangle in the STL.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STL mesh could not be turned into a watertight closed solid (open shell, holes, or non-manifold). Orientation is still possible, but burial analysis and STEP export may be imprecise or fail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Solid rebuilt but reported invalid by OCC (possible self-intersections). Check before exporting.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Face sewing failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Face sewing: null result.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>STL import failed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The ASCII STL file is damaged: line %1 does not continue a facet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STL file is damaged: facet %1 has a point %2 mm away from the origin, too far for a printable part.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n triangle(s) with their corners in a line (no area) were left out.</source>
        <translation>
            <numerusform>%n triangle with its corners in a line (no area) was left out.</numerusform>
            <numerusform>%n triangles with their corners in a line (no area) were left out.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>No non-degenerate triangle in the STL: %n triangle(s) with their corners in a line were left out.</source>
        <translation>
            <numerusform>No non-degenerate triangle in the STL: %n triangle with its corners in a line was left out.</numerusform>
            <numerusform>No non-degenerate triangle in the STL: %n triangles with their corners in a line were left out.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n closed shell(s) enclosing no volume (triangles lying on one another) were left out.</source>
        <translation>
            <numerusform>%n closed shell enclosing no volume (triangles lying on one another) was left out.</numerusform>
            <numerusform>%n closed shells enclosing no volume (triangles lying on one another) were left out.</numerusform>
        </translation>
    </message>
    <message>
        <source>The STL mesh encloses no volume: its triangles lie on one another.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The import was cancelled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The closed shells of the STL mesh touch or cross one another and could not be combined into one solid (bodies united, shells facing inward cut out, as a slicer reads them). The part holds no solid: the exports write it as an open part.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STL file is not a regular file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>The closed shells of the STL mesh cross one another in too many places (%n pairs of faces) to be united into one solid. The part holds no solid: the exports write it as an open part.</source>
        <translation>
            <numerusform>The closed shells of the STL mesh cross one another in too many places (%n pair of faces) to be united into one solid. The part holds no solid: the exports write it as an open part.</numerusform>
            <numerusform>The closed shells of the STL mesh cross one another in too many places (%n pairs of faces) to be united into one solid. The part holds no solid: the exports write it as an open part.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n closed shell(s) repeating another one were taken once.</source>
        <translation>
            <numerusform>%n closed shell repeating another one was taken once.</numerusform>
            <numerusform>%n closed shells repeating another one were taken once.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The STL mesh is open along %n side(s) crowded too closely together to be joined: the file is too damaged to rebuild a part from it.</source>
        <translation>
            <numerusform>The STL mesh is open along %n side crowded too closely together with others to be joined: the file is too damaged to rebuild a part from it.</numerusform>
            <numerusform>The STL mesh is open along %n sides crowded too closely together to be joined: the file is too damaged to rebuild a part from it.</numerusform>
        </translation>
    </message>
    <message>
        <source>The surface of the STL mesh passes through itself: its faces enclose other than what a slicer prints, and no solid can be made of them as they are. The part holds no solid: the exports write it as an open part.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part of a void (a closed shell facing inward) lies outside the body around it: that part is material, as a slicer prints the file. Where a hole was meant, turn the shell outward and cut it from the body in the modeller.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The triangles crowd so densely about some points that the check for a surface passing through itself was not finished: the solid holds what its faces enclose.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The STL file changed while it was read: it now holds less than when it was opened. Import it again once it is written whole: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ThreeMfExportDialog</name>
    <message>
        <source>Perimeters applied to conductive elements
(%1 % forced infill, PrusaSlicer settings):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Native insertion pauses (M601) will be embedded: open the file as a project in PrusaSlicer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Embed the print plan as text (.txt)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Embed the print plan as CSV (.csv)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ThreeMfExporter</name>
    <message>
        <source>Insert %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Insert %n component(s) (see plan)</source>
        <translation>
            <numerusform>Insert %n component (see plan)</numerusform>
            <numerusform>Insert %n components (see plan)</numerusform>
        </translation>
    </message>
    <message>
        <source>No main shape loaded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed to prepare the assembly.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Meshing of the main part failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The print plan&apos;s pauses cannot be written for the slicer: with a layer height of %1 mm their heights do not follow one another within the part.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to create the 3MF file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to write the 3MF file: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not enough memory to export this design. The previous file is left as it was.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ZipWriter</name>
    <message>
        <source>A file name in the package is longer than the %1 bytes a ZIP archive allows.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The package would hold more than the %1 files a ZIP archive can list without ZIP64.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The package would be larger than the 4 GiB a ZIP archive can hold without ZIP64.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
