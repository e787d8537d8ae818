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
    <name>FileUtils</name>
    <message>
        <source>%1/%2 bytes written</source>
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
        <source>Exception: %1</source>
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
        <source>Imported STL: %1 — %2 triangles, solid waterproof</source>
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
        <source>Meshed 3MF export (part + conductors) with per-volume PrusaSlicer settings; the pause plan only travels as readable notes (.txt / .csv, chosen in the export dialog).</source>
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
        <source>Print layout...</source>
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
        <source>💡 &lt;b&gt;How to fix:&lt;/b&gt;&lt;br&gt;1. Missing components appear in %1 in the 3D view&lt;br&gt;2. Click on a red component to select it&lt;br&gt;3. Use the &lt;b&gt;&quot;Browse footprint...&quot;&lt;/b&gt; button in the right panel&lt;br&gt;4. Select the appropriate .kicad_mod file</source>
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
        <source>STL read failed: %1</source>
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
</context>
</TS>
