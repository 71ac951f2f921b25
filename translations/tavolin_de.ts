<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>PortalHotkeys</name>
    <message>
        <source>Show the command palette</source>
        <translation>Die Befehlspalette zeigen</translation>
    </message>
    <message>
        <source>Quick open: the focused application&apos;s files</source>
        <translation>Schnell öffnen: die Dateien der aktiven Anwendung</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Automatic</source>
        <translation>Automatisch</translation>
    </message>
    <message>
        <source>Open the palette</source>
        <translation>Palette öffnen</translation>
    </message>
    <message>
        <source>Leave to the application</source>
        <translation>Der Anwendung überlassen</translation>
    </message>
    <message>
        <source>All Applications</source>
        <translation>Alle Anwendungen</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>Aktiviert</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>Deaktiviert</translation>
    </message>
    <message>
        <source>No entry found in the manifest.json file.</source>
        <translation>In der Datei manifest.json wurde kein Eintrag gefunden.</translation>
    </message>
    <message>
        <source>Entry file not exist in the bundle.</source>
        <translation>Die Eintragsdatei ist im Paket nicht vorhanden.</translation>
    </message>
    <message>
        <source>Entry file must be inside the bundle.</source>
        <translation>Die Eintragsdatei muss im Paket liegen.</translation>
    </message>
    <message>
        <source>The file “%1” does not exist.</source>
        <translation>Die Datei „%1“ existiert nicht.</translation>
    </message>
    <message>
        <source>“%1” holds the extension folder itself.</source>
        <translation>„%1“ enthält den Erweiterungsordner selbst.</translation>
    </message>
    <message>
        <source>The extension folder “%1” could not be created.</source>
        <translation>Der Erweiterungsordner „%1“ konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>“%1” could not be copied to the extension folder.</source>
        <translation>„%1“ konnte nicht in den Erweiterungsordner kopiert werden.</translation>
    </message>
    <message>
        <source>No free name for “%1” in the extension folder.</source>
        <translation>Im Erweiterungsordner ist kein freier Name für „%1“ vorhanden.</translation>
    </message>
    <message>
        <source>“%1” is a folder, not a script.</source>
        <translation>„%1“ ist ein Ordner, kein Skript.</translation>
    </message>
    <message>
        <source>The file “manifest.json” couldn’t be opened: %1</source>
        <translation>Die Datei „manifest.json“ konnte nicht geöffnet werden: %1</translation>
    </message>
    <message>
        <source>The file “manifest.json” is not a JSON object: %1</source>
        <translation>Die Datei „manifest.json“ ist kein JSON-Objekt: %1</translation>
    </message>
    <message>
        <source>Extensions (%1)</source>
        <translation>Erweiterungen (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Choose Application</source>
        <translation>Anwendung auswählen</translation>
    </message>
    <message>
        <source>Others…</source>
        <translation>Andere …</translation>
    </message>
    <message>
        <source>Choose a Program</source>
        <translation>Programm auswählen</translation>
    </message>
</context>
<context>
    <name>WaylandSession</name>
    <message>
        <source>On Wayland, programs cannot take a shortcut for the whole desktop. Bind %1 to the command &quot;tavolin --show&quot; yourself:
GNOME: Settings &gt; Keyboard &gt; Keyboard Shortcuts &gt; Custom Shortcuts.
KDE Plasma: System Settings &gt; Shortcuts &gt; Add New &gt; Command or Script.
sway: add &quot;bindsym %2 exec tavolin --show&quot; to ~/.config/sway/config.</source>
        <translation>Unter Wayland können Programme kein Tastenkürzel für die ganze Arbeitsumgebung belegen. Weisen Sie %1 selbst dem Befehl „tavolin --show“ zu:
GNOME: Einstellungen &gt; Tastatur &gt; Tastenkombinationen &gt; Eigene Tastenkombinationen.
KDE Plasma: Systemeinstellungen &gt; Kurzbefehle &gt; Neu hinzufügen &gt; Befehl oder Skript.
sway: „bindsym %2 exec tavolin --show“ in ~/.config/sway/config eintragen.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Tavolin Preferences</source>
        <translation>Tavolin-Einstellungen</translation>
    </message>
</context>
<context>
    <name>tavolin::AboutController</name>
    <message>
        <source>version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>A keyboard command palette for your applications&apos; menus.</source>
        <translation>Eine Befehlspalette für die Menüs Ihrer Anwendungen, bedient mit der Tastatur.</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>License Agreement</source>
        <translation>Lizenzvereinbarung</translation>
    </message>
    <message>
        <source>Credits</source>
        <translation>Mitwirkende</translation>
    </message>
    <message>
        <source>Contact</source>
        <translation>Kontakt</translation>
    </message>
</context>
<context>
    <name>tavolin::AddMenuDialog</name>
    <message>
        <source>Add menu to exclude</source>
        <translation>Auszuschließendes Menü hinzufügen</translation>
    </message>
    <message>
        <source>Menu title:</source>
        <translation>Menütitel:</translation>
    </message>
    <message>
        <source>Application:</source>
        <translation>Anwendung:</translation>
    </message>
    <message>
        <source>Hide:</source>
        <translation>Ausblenden:</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
</context>
<context>
    <name>tavolin::AppDelegate</name>
    <message>
        <source>Data folder</source>
        <translation>Datenordner</translation>
    </message>
    <message>
        <source>The folder %1 cannot be written: the disk may be full or read-only. Extensions and history are used as they were; changes made now are not kept.</source>
        <translation>Der Ordner %1 kann nicht beschrieben werden: Der Datenträger ist vielleicht voll oder schreibgeschützt. Erweiterungen und Verlauf bleiben, wie sie waren; was Sie jetzt ändern, wird nicht gespeichert.</translation>
    </message>
</context>
<context>
    <name>tavolin::AppRulesController</name>
    <message>
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <source>Palette shortcut</source>
        <translation>Tastenkürzel der Palette</translation>
    </message>
    <message>
        <source>Add applications</source>
        <translation>Anwendungen hinzufügen</translation>
    </message>
    <message>
        <source>Remove the selected application</source>
        <translation>Ausgewählte Anwendung entfernen</translation>
    </message>
    <message>
        <source>Other applications:</source>
        <translation>Andere Anwendungen:</translation>
    </message>
    <message>
        <source>What the palette shortcut does in each application:</source>
        <translation>Was das Tastenkürzel der Palette in jeder Anwendung tut:</translation>
    </message>
</context>
<context>
    <name>tavolin::AppearanceController</name>
    <message>
        <source>Show the application&apos;s icon</source>
        <translation>Symbol der Anwendung anzeigen</translation>
    </message>
    <message>
        <source>Show the options icon</source>
        <translation>Symbol für Optionen anzeigen</translation>
    </message>
    <message>
        <source>Change Theme…</source>
        <translation>Design ändern …</translation>
    </message>
    <message>
        <source>Install Theme…</source>
        <translation>Design installieren …</translation>
    </message>
    <message>
        <source>%1 rows</source>
        <translation>%1 Zeilen</translation>
    </message>
    <message>
        <source>Input row:</source>
        <translation>Eingabezeile:</translation>
    </message>
    <message>
        <source>Visible rows:</source>
        <translation>Sichtbare Zeilen:</translation>
    </message>
    <message>
        <source>Theme:</source>
        <translation>Design:</translation>
    </message>
    <message>
        <source>Coming soon</source>
        <translation>Demnächst</translation>
    </message>
</context>
<context>
    <name>tavolin::ApplicationSelect</name>
    <message>
        <source>All Applications</source>
        <translation>Alle Anwendungen</translation>
    </message>
    <message>
        <source>Others…</source>
        <translation>Andere …</translation>
    </message>
</context>
<context>
    <name>tavolin::CommandPalette</name>
    <message>
        <source>Palette shortcut</source>
        <translation>Tastenkürzel der Palette</translation>
    </message>
</context>
<context>
    <name>tavolin::DBusNotifier</name>
    <message>
        <source>Error on &quot;%1&quot;</source>
        <translation>Fehler bei „%1“</translation>
    </message>
</context>
<context>
    <name>tavolin::DialogUpdatePrompt</name>
    <message>
        <source>Tavolin Update</source>
        <translation>Tavolin-Aktualisierung</translation>
    </message>
    <message>
        <source>A new version of Tavolin is available: %1 (you have %2).</source>
        <translation>Eine neue Version von Tavolin ist verfügbar: %1 (installiert ist %2).</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Diese Version überspringen</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>Später erinnern</translation>
    </message>
</context>
<context>
    <name>tavolin::ExtensionController</name>
    <message>
        <source>Add…</source>
        <translation>Hinzufügen …</translation>
    </message>
    <message>
        <source>Extension</source>
        <translation>Erweiterung</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Shortcut</source>
        <translation>Tastenkürzel</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Scripts offered as commands, per application. Drop a script or a .pext bundle here to add it.</source>
        <translation>Skripte, die je Anwendung als Befehle angeboten werden. Ziehen Sie ein Skript oder ein .pext-Paket hierher, um es hinzuzufügen.</translation>
    </message>
    <message>
        <source>Delete Selected ?</source>
        <translation>Auswahl löschen?</translation>
    </message>
    <message>
        <source>The operation cannot be undo. You could disable the extension(s) instead if you do not want to use it.</source>
        <translation>Dieser Vorgang kann nicht rückgängig gemacht werden. Wenn Sie die Erweiterung(en) nicht mehr verwenden möchten, können Sie sie stattdessen deaktivieren.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Add Extension</source>
        <translation>Erweiterung hinzufügen</translation>
    </message>
    <message>
        <source>Must input a Menu Title or English Title</source>
        <translation>Geben Sie einen Menütitel oder einen englischen Titel ein</translation>
    </message>
</context>
<context>
    <name>tavolin::ExtensionDetailDialog</name>
    <message>
        <source>Extension Information</source>
        <translation>Informationen zur Erweiterung</translation>
    </message>
    <message>
        <source>Application:</source>
        <translation>Anwendung:</translation>
    </message>
    <message>
        <source>Menu title:</source>
        <translation>Menütitel:</translation>
    </message>
    <message>
        <source>English title:</source>
        <translation>Englischer Titel:</translation>
    </message>
    <message>
        <source>Shortcut:</source>
        <translation>Tastenkürzel:</translation>
    </message>
    <message>
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
</context>
<context>
    <name>tavolin::FilesJob</name>
    <message>
        <source>Searched the first %1 entries only: type more of the name to find others</source>
        <translation>Nur die ersten %1 Einträge wurden durchsucht: Geben Sie mehr vom Namen ein, um weitere zu finden</translation>
    </message>
</context>
<context>
    <name>tavolin::GeneralController</name>
    <message>
        <source>Start Tavolin at login</source>
        <translation>Tavolin bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Send anonymous crash and usage data</source>
        <translation>Anonyme Absturz- und Nutzungsdaten senden</translation>
    </message>
    <message>
        <source>Check for Updates</source>
        <translation>Nach Aktualisierungen suchen</translation>
    </message>
    <message>
        <source>Quit Tavolin</source>
        <translation>Tavolin beenden</translation>
    </message>
    <message>
        <source>Accessibility Settings…</source>
        <translation>Einstellungen zur Barrierefreiheit …</translation>
    </message>
    <message>
        <source>Privacy Policy</source>
        <translation>Datenschutzerklärung</translation>
    </message>
    <message>
        <source>Tavolin reads menus through the desktop&apos;s accessibility bus. If menus stay empty, turn accessibility on.</source>
        <translation>Tavolin liest Menüs über den Barrierefreiheits-Bus der Arbeitsumgebung. Bleiben Menüs leer, schalten Sie die Barrierefreiheit ein.</translation>
    </message>
</context>
<context>
    <name>tavolin::ListView</name>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
</context>
<context>
    <name>tavolin::MenuDataProvider</name>
    <message>
        <source>%1 is not answering</source>
        <translation>%1 antwortet nicht</translation>
    </message>
    <message>
        <source>The application</source>
        <translation>Die Anwendung</translation>
    </message>
</context>
<context>
    <name>tavolin::MenuRulesController</name>
    <message>
        <source>The item itself</source>
        <translation>Nur den Eintrag</translation>
    </message>
    <message>
        <source>Everything below it</source>
        <translation>Alles darunter</translation>
    </message>
    <message>
        <source>The whole menu, unread</source>
        <translation>Das ganze Menü, ungelesen</translation>
    </message>
    <message>
        <source>Menu</source>
        <translation>Menü</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Add a menu rule</source>
        <translation>Menüregel hinzufügen</translation>
    </message>
    <message>
        <source>Remove the selected rule or application</source>
        <translation>Ausgewählte Regel oder Anwendung entfernen</translation>
    </message>
    <message>
        <source>Menus the palette leaves out:</source>
        <translation>Menüs, die die Palette auslässt:</translation>
    </message>
    <message>
        <source>Menu title cannot be empty.</source>
        <translation>Der Menütitel darf nicht leer sein.</translation>
    </message>
</context>
<context>
    <name>tavolin::OptionDataProvider</name>
    <message>
        <source>Light / Dark</source>
        <translation>Hell / Dunkel</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Current Theme: %1</source>
        <translation>Aktuelles Design: %1</translation>
    </message>
    <message>
        <source>Themes</source>
        <translation>Designs</translation>
    </message>
    <message>
        <source>Press ↑ ↓ to Switch Themes</source>
        <translation>↑ ↓ drücken, um das Design zu wechseln</translation>
    </message>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Change settings of Tavolin</source>
        <translation>Einstellungen von Tavolin ändern</translation>
    </message>
    <message>
        <source>About Tavolin</source>
        <translation>Über Tavolin</translation>
    </message>
    <message>
        <source>Current Version: %1</source>
        <translation>Aktuelle Version: %1</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Terminate Tavolin</source>
        <translation>Tavolin beenden</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Next version: %1</source>
        <translation>Nächste Version: %1</translation>
    </message>
</context>
<context>
    <name>tavolin::PaletteViewController</name>
    <message>
        <source>Show the state of menu items (✓)</source>
        <translation>Zustand der Menüeinträge anzeigen (✓)</translation>
    </message>
    <message>
        <source>Ctrl+, shows Tavolin&apos;s own commands</source>
        <translation>Strg+, zeigt die eigenen Befehle von Tavolin</translation>
    </message>
    <message>
        <source>Quick open the application&apos;s files</source>
        <translation>Dateien der Anwendung schnell öffnen</translation>
    </message>
    <message>
        <source>Delete History</source>
        <translation>Verlauf löschen</translation>
    </message>
    <message>
        <source>While the palette lists an application&apos;s menu commands, Ctrl+, normally reaches that application (usually its preferences). With this option it switches the palette to Tavolin&apos;s own commands instead.</source>
        <translation>Während die Palette die Menübefehle einer Anwendung auflistet, geht Strg+, normalerweise an diese Anwendung (meist an deren Einstellungen). Mit dieser Option schaltet es die Palette stattdessen auf die eigenen Befehle von Tavolin um.</translation>
    </message>
    <message>
        <source>About shortcuts</source>
        <translation>Über Tastenkürzel</translation>
    </message>
    <message>
        <source>Palette shortcut:</source>
        <translation>Tastenkürzel der Palette:</translation>
    </message>
    <message>
        <source>Menus:</source>
        <translation>Menüs:</translation>
    </message>
    <message>
        <source>Quick open:</source>
        <translation>Schnell öffnen:</translation>
    </message>
    <message>
        <source>Quick open shortcut:</source>
        <translation>Tastenkürzel für Schnell öffnen:</translation>
    </message>
    <message>
        <source>History:</source>
        <translation>Verlauf:</translation>
    </message>
    <message>
        <source>When on, Ctrl+, shows Tavolin&apos;s own commands instead of reaching the focused application.</source>
        <translation>Wenn eingeschaltet, zeigt Strg+, die eigenen Befehle von Tavolin, statt an die fokussierte Anwendung zu gehen.</translation>
    </message>
    <message>
        <source>About Ctrl+,</source>
        <translation>Über Strg+,</translation>
    </message>
    <message>
        <source>The desktop shows the palette on %1 (set in its own shortcut settings).</source>
        <translation>Der Desktop zeigt die Palette mit %1 (in seinen eigenen Tastenkürzel-Einstellungen festgelegt).</translation>
    </message>
</context>
<context>
    <name>tavolin::PanelView</name>
    <message>
        <source>Search</source>
        <translation>Suche</translation>
    </message>
    <message>
        <source>Tavolin&apos;s own commands</source>
        <translation>Eigene Befehle von Tavolin</translation>
    </message>
    <message>
        <source>Tavolin&apos;s own commands: an update is available</source>
        <translation>Eigene Befehle von Tavolin: Eine Aktualisierung ist verfügbar</translation>
    </message>
    <message>
        <source>Back to the application&apos;s commands</source>
        <translation>Zurück zu den Befehlen der Anwendung</translation>
    </message>
</context>
<context>
    <name>tavolin::PermissionWindow</name>
    <message>
        <source>Turn On Accessibility</source>
        <translation>Barrierefreiheit einschalten</translation>
    </message>
    <message>
        <source>Tavolin needs to use accessibility features&lt;br&gt;&lt;br&gt;To continue, please turn on accessibility for this desktop (Settings → Accessibility, or the button below, which switches on the desktop&apos;s accessibility bus; applications started before may need a restart). or see &lt;a href=&quot;%1&quot;&gt;More Details&lt;/a&gt;.</source>
        <translation>Tavolin benötigt die Barrierefreiheitsfunktionen&lt;br&gt;&lt;br&gt;Um fortzufahren, schalten Sie bitte die Barrierefreiheit für diese Arbeitsumgebung ein (Einstellungen → Barrierefreiheit, oder die Schaltfläche unten, die den Barrierefreiheits-Bus der Arbeitsumgebung einschaltet; zuvor gestartete Anwendungen müssen eventuell neu gestartet werden). Oder lesen Sie &lt;a href=&quot;%1&quot;&gt;Weitere Details&lt;/a&gt;.</translation>
    </message>
</context>
<context>
    <name>tavolin::PreferencesWindow</name>
    <message>
        <source>Tavolin Preferences</source>
        <translation>Tavolin-Einstellungen</translation>
    </message>
    <message>
        <source>Palette</source>
        <translation>Palette</translation>
    </message>
    <message>
        <source>App Rules</source>
        <translation>Anwendungsregeln</translation>
    </message>
    <message>
        <source>Menu Rules</source>
        <translation>Menüregeln</translation>
    </message>
    <message>
        <source>Extensions</source>
        <translation>Erweiterungen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Erscheinungsbild</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Preferences panes</source>
        <translation>Einstellungsbereiche</translation>
    </message>
</context>
<context>
    <name>tavolin::RowTexts</name>
    <message>
        <source>Recent</source>
        <translation>Zuletzt verwendet</translation>
    </message>
    <message>
        <source>Opened</source>
        <translation>Geöffnet</translation>
    </message>
    <message>
        <source>File Results</source>
        <translation>Dateitreffer</translation>
    </message>
    <message>
        <source>Update Avaiable</source>
        <translation>Aktualisierung verfügbar</translation>
    </message>
    <message>
        <source>menu %1</source>
        <translation>Menü %1</translation>
    </message>
    <message>
        <source>submenu</source>
        <translation>Untermenü</translation>
    </message>
    <message>
        <source>shortcut %1</source>
        <translation>Tastenkürzel %1</translation>
    </message>
</context>
<context>
    <name>tavolin::ShortcutRecorder</name>
    <message>
        <source>Clear shortcut</source>
        <translation>Tastenkürzel löschen</translation>
    </message>
    <message>
        <source>Key not supported</source>
        <translation>Taste nicht unterstützt</translation>
    </message>
    <message>
        <source>%1 cannot be used</source>
        <translation>%1 kann nicht verwendet werden</translation>
    </message>
    <message>
        <source>Type shortcut…</source>
        <translation>Tastenkürzel eingeben …</translation>
    </message>
    <message>
        <source>Record Shortcut</source>
        <translation>Tastenkürzel aufnehmen</translation>
    </message>
</context>
<context>
    <name>tavolin::TavolinDataProvider</name>
    <message>
        <source>Commands</source>
        <translation>Befehle</translation>
    </message>
</context>
<context>
    <name>tavolin::UpdateHelper</name>
    <message>
        <source>No update feed is set: the address in the settings is not an http, https or file address.</source>
        <translation>Keine Aktualisierungsquelle festgelegt: Die Adresse in den Einstellungen ist keine http-, https- oder file-Adresse.</translation>
    </message>
    <message>
        <source>Could not check for updates: the update feed could not be fetched (%1). Check the network connection and try again.</source>
        <translation>Nach Aktualisierungen konnte nicht gesucht werden: Die Aktualisierungsquelle konnte nicht abgerufen werden (%1). Prüfen Sie die Netzwerkverbindung und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>The update feed could not be read.</source>
        <translation>Die Aktualisierungsquelle konnte nicht gelesen werden.</translation>
    </message>
    <message>
        <source>Tavolin %1 is the newest version available.</source>
        <translation>Tavolin %1 ist die neueste verfügbare Version.</translation>
    </message>
</context>
<context>
    <name>tavolin::WelcomeWindow</name>
    <message>
        <source>Start Tavolin at login</source>
        <translation>Tavolin bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Share anonymous usage data</source>
        <translation>Anonyme Nutzungsdaten teilen</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Los geht’s</translation>
    </message>
    <message>
        <source>Welcome to Tavolin</source>
        <translation>Willkommen bei Tavolin</translation>
    </message>
    <message>
        <source>Press the palette shortcut in any application to search its menu commands. Type to filter, Return to run the command.</source>
        <translation>Drücken Sie in einer beliebigen Anwendung das Tastenkürzel der Palette, um deren Menübefehle zu durchsuchen. Tippen Sie zum Filtern, die Eingabetaste führt den Befehl aus.</translation>
    </message>
    <message>
        <source>Palette shortcut (click it or press Space on it, then press the keys):</source>
        <translation>Tastenkürzel der Palette (anklicken oder darauf die Leertaste drücken, dann die Tasten drücken):</translation>
    </message>
    <message>
        <source>Press the keys, or Escape</source>
        <translation>Tasten drücken, oder Escape</translation>
    </message>
    <message>
        <source>Palette shortcut</source>
        <translation>Tastenkürzel der Palette</translation>
    </message>
</context>
</TS>
