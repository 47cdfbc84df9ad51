<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>BrowserPane</name>
    <message>
        <source>The site could not be reached.</source>
        <translation>Die Website ist nicht erreichbar.</translation>
    </message>
    <message>
        <source>The page could not be opened.</source>
        <translation>Die Seite konnte nicht geöffnet werden.</translation>
    </message>
    <message>
        <source>Check the address and the connection, then try again.</source>
        <translation>Adresse und Verbindung prüfen, dann erneut versuchen.</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Erneut versuchen</translation>
    </message>
</context>
<context>
    <name>DataFolder</name>
    <message>
        <source>Error: Could not open library path. Check the Settings tab for download locations.</source>
        <translation>Fehler: Der Mediathek-Ordner konnte nicht geöffnet werden. Die Speicherorte im Reiter „Einstellungen“ prüfen.</translation>
    </message>
    <message>
        <source>These files could not be moved to the trash, so they were not deleted: the desktop has no trash for their folder, or they are in use.

%1</source>
        <translation>Diese Dateien konnten nicht in den Papierkorb verschoben werden und wurden daher nicht gelöscht: Der Desktop hat keinen Papierkorb für ihren Ordner, oder sie werden gerade verwendet.

%1</translation>
    </message>
    <message>
        <source>&quot;%1&quot; cannot be a file&apos;s name.</source>
        <translation>„%1“ kann kein Dateiname sein.</translation>
    </message>
    <message>
        <source>%1 is being converted; rename it once that has ended.</source>
        <translation>%1 wird gerade umgewandelt; benennen Sie es um, wenn das beendet ist.</translation>
    </message>
    <message>
        <source>Could not rename %1 to %2: a file of that name is there already, or the folder cannot be changed.</source>
        <translation>%1 konnte nicht in %2 umbenannt werden: Eine Datei dieses Namens gibt es schon, oder der Ordner kann nicht geändert werden.</translation>
    </message>
</context>
<context>
    <name>DesktopLaunch</name>
    <message>
        <source>Could not open %1: no web browser on this desktop opened it.</source>
        <translation>%1 konnte nicht geöffnet werden: Kein Webbrowser auf diesem Desktop hat es geöffnet.</translation>
    </message>
    <message>
        <source>Could not show the folder %1: no file manager on this desktop opened it.</source>
        <translation>Der Ordner %1 konnte nicht angezeigt werden: Kein Dateimanager auf diesem Desktop hat ihn geöffnet.</translation>
    </message>
    <message>
        <source>Could not open %1: no application on this desktop opened it.</source>
        <translation>%1 konnte nicht geöffnet werden: Keine Anwendung auf diesem Desktop hat es geöffnet.</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>Converted to MP3: %1</source>
        <translation>In MP3 umgewandelt: %1</translation>
    </message>
    <message>
        <source>The MP3 is in %1.</source>
        <translation>Die MP3-Datei liegt in %1.</translation>
    </message>
    <message>
        <source>Download complete: %1</source>
        <translation>Download abgeschlossen: %1</translation>
    </message>
    <message>
        <source>The movie is in %1.</source>
        <translation>Das Video liegt in %1.</translation>
    </message>
    <message>
        <source>Conversion failed: %1</source>
        <translation>Umwandlung fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Download failed: %1</source>
        <translation>Download fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>Im Ordner anzeigen</translation>
    </message>
</context>
<context>
    <name>HomeTab</name>
    <message>
        <source>Home page</source>
        <translation>Startseite</translation>
    </message>
</context>
<context>
    <name>InstanceServer</name>
    <message>
        <source>Quillmoth cannot start: the lock file %1 cannot be made (%2).</source>
        <translation>Quillmoth kann nicht starten: Die Sperrdatei %1 lässt sich nicht anlegen (%2).</translation>
    </message>
</context>
<context>
    <name>Library</name>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Typ</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>Geändert</translation>
    </message>
</context>
<context>
    <name>LibraryTab</name>
    <message>
        <source>Library</source>
        <translation>Mediathek</translation>
    </message>
    <message>
        <source>Show in &amp;Folder</source>
        <translation>Im &amp;Ordner anzeigen</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Abspielen</translation>
    </message>
    <message>
        <source>Nothing here yet — saved videos and MP3s are listed here</source>
        <translation>Noch leer – gespeicherte Videos und MP3-Dateien erscheinen hier</translation>
    </message>
    <message>
        <source>Filter by title (Ctrl+F)</source>
        <translation>Nach Titel filtern (Strg+F)</translation>
    </message>
    <message>
        <source>Filter by title</source>
        <translation>Nach Titel filtern</translation>
    </message>
    <message>
        <source>No title matches the filter</source>
        <translation>Kein Titel passt zum Filter</translation>
    </message>
    <message>
        <source>&amp;Open With Default Application</source>
        <translation>Mit &amp;Standardanwendung öffnen</translation>
    </message>
    <message>
        <source>&amp;Convert to MP3</source>
        <translation>In MP3 &amp;umwandeln</translation>
    </message>
    <message>
        <source>&amp;Rename…</source>
        <translation>Um&amp;benennen…</translation>
    </message>
    <message>
        <source>&amp;Delete…</source>
        <translation>In den &amp;Papierkorb…</translation>
    </message>
    <message>
        <source>Rename</source>
        <translation>Umbenennen</translation>
    </message>
    <message>
        <source>New name:</source>
        <translation>Neuer Name:</translation>
    </message>
</context>
<context>
    <name>NavigationBar</name>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vorwärts</translation>
    </message>
    <message>
        <source>Reload</source>
        <translation>Neu laden</translation>
    </message>
</context>
<context>
    <name>PercentText</name>
    <message>
        <source>%1%</source>
        <extracomment>A percentage; in languages that write a space before the sign, a no-break one.</extracomment>
        <translation>%1 %</translation>
    </message>
</context>
<context>
    <name>PlayerPage</name>
    <message>
        <source>&quot;%1&quot; is an FLV file, which this player cannot play. Convert it to MP3 from the Transfers tab, or open it in another media player.</source>
        <translation>„%1“ ist eine FLV-Datei, die dieser Player nicht abspielen kann. Im Reiter „Übertragungen“ in MP3 umwandeln oder in einem anderen Mediaplayer öffnen.</translation>
    </message>
    <message>
        <source>&quot;%1&quot; could not be played.</source>
        <translation>„%1“ konnte nicht abgespielt werden.</translation>
    </message>
    <message>
        <source>Preparing…</source>
        <translation>Wird vorbereitet …</translation>
    </message>
    <message>
        <source>Preparing %1 for playback…</source>
        <translation>%1 wird für die Wiedergabe vorbereitet …</translation>
    </message>
    <message>
        <source>%1 cannot be played.</source>
        <translation>%1 kann nicht abgespielt werden.</translation>
    </message>
    <message>
        <source>Subtitles</source>
        <translation>Untertitel</translation>
    </message>
</context>
<context>
    <name>QShortcut</name>
    <message>
        <source>Return</source>
        <translation>Eingabe</translation>
    </message>
</context>
<context>
    <name>RateText</name>
    <message>
        <source>%1 B/s</source>
        <translation>%1 B/s</translation>
    </message>
    <message>
        <source>%1 kB/s</source>
        <translation>%1 kB/s</translation>
    </message>
    <message>
        <source>%1 MB/s</source>
        <translation>%1 MB/s</translation>
    </message>
    <message>
        <source>%1 GB/s</source>
        <translation>%1 GB/s</translation>
    </message>
    <message>
        <source>%1 left</source>
        <extracomment>Time a transfer or a conversion still needs, as minutes:seconds.</extracomment>
        <translation>noch %1</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <extracomment>A speed and the time left at it: &quot;2.4 MB/s, 0:42 left&quot;.</extracomment>
        <translation>%1, %2</translation>
    </message>
</context>
<context>
    <name>ReasonTexts</name>
    <message>
        <source>Queued</source>
        <translation>In der Warteschlange</translation>
    </message>
    <message>
        <source>Scraping URL...</source>
        <translation>Adresse wird gelesen …</translation>
    </message>
    <message>
        <source>Initial response received!</source>
        <translation>Erste Antwort erhalten!</translation>
    </message>
    <message>
        <source>Searching for download source...</source>
        <translation>Downloadquelle wird gesucht …</translation>
    </message>
    <message>
        <source>Found movie source!</source>
        <translation>Videoquelle gefunden!</translation>
    </message>
    <message>
        <source>Requesting connection to download movie...</source>
        <translation>Verbindung zum Herunterladen des Videos wird aufgebaut …</translation>
    </message>
    <message>
        <source>Downloading... [Patience]</source>
        <translation>Wird heruntergeladen … [Geduld]</translation>
    </message>
    <message>
        <source>Download Complete!</source>
        <translation>Download abgeschlossen!</translation>
    </message>
    <message>
        <source>Converting to mp3...</source>
        <translation>Wird in MP3 umgewandelt …</translation>
    </message>
    <message>
        <source>Complete! Thank you for using Quillmoth.</source>
        <translation>Fertig! Vielen Dank für die Nutzung von Quillmoth.</translation>
    </message>
    <message>
        <source>Paused</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Cancelled.</source>
        <translation>Abgebrochen.</translation>
    </message>
    <message>
        <source>Interrupted</source>
        <translation>Unterbrochen</translation>
    </message>
    <message>
        <source>Error: Could not start download.</source>
        <translation>Fehler: Download konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>Error: Could not create request.</source>
        <translation>Fehler: Anfrage konnte nicht erstellt werden.</translation>
    </message>
    <message>
        <source>Error: The page is too large.</source>
        <translation>Fehler: Die Seite ist zu groß.</translation>
    </message>
    <message>
        <source>Error: The page took too long to load.</source>
        <translation>Fehler: Das Laden der Seite hat zu lange gedauert.</translation>
    </message>
    <message>
        <source>Error: Could not make connection.</source>
        <translation>Fehler: Keine Verbindung möglich.</translation>
    </message>
    <message>
        <source>Error: Could not locate any movies to download.</source>
        <translation>Fehler: Kein Video zum Herunterladen gefunden.</translation>
    </message>
    <message>
        <source>Error: Invalid Title - Go back to search &amp; change title. </source>
        <translation>Fehler: Ungültiger Titel – zurück zur Suche und Titel ändern. </translation>
    </message>
    <message>
        <source>Error: Could not write to the movie folder.</source>
        <translation>Fehler: In den Videoordner kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>Error: Could not save movie.</source>
        <translation>Fehler: Video konnte nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Error: Could not save movie: every name for it is taken.</source>
        <translation>Fehler: Video konnte nicht gespeichert werden: Jeder Name dafür ist schon vergeben.</translation>
    </message>
    <message>
        <source>Error: Open the page again to continue this download.</source>
        <translation>Fehler: Öffnen Sie die Seite erneut, um diesen Download fortzusetzen.</translation>
    </message>
    <message>
        <source>Error: This video is protected and cannot be saved.</source>
        <translation>Fehler: Dieses Video ist geschützt und kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Error: This is a live stream and cannot be saved.</source>
        <translation>Fehler: Dies ist ein Livestream und kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Error: This stream cannot be saved.</source>
        <translation>Fehler: Dieser Stream kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Could not save the subtitles.</source>
        <translation>Die Untertitel konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>Error: Could not convert to mp3.</source>
        <translation>Fehler: Umwandlung in MP3 fehlgeschlagen.</translation>
    </message>
    <message>
        <source>Error: ffmpeg was not found. Install it (sudo apt install ffmpeg) and try again.</source>
        <translation>Fehler: ffmpeg wurde nicht gefunden. ffmpeg installieren (sudo apt install ffmpeg) und erneut versuchen.</translation>
    </message>
    <message>
        <source>Error: Could not write to the music folder.</source>
        <translation>Fehler: In den Musikordner kann nicht geschrieben werden.</translation>
    </message>
    <message>
        <source>This file cannot be played: ffmpeg could not read it.</source>
        <translation>Diese Datei kann nicht abgespielt werden: ffmpeg konnte sie nicht lesen.</translation>
    </message>
    <message>
        <source>This file cannot be played: ffmpeg could not convert it.</source>
        <translation>Diese Datei kann nicht abgespielt werden: ffmpeg konnte sie nicht umwandeln.</translation>
    </message>
    <message>
        <source>This file cannot be played: ffmpeg is not installed.</source>
        <translation>Diese Datei kann nicht abgespielt werden: ffmpeg ist nicht installiert.</translation>
    </message>
    <message>
        <source>This file cannot be played: it is missing or not a file.</source>
        <translation>Diese Datei kann nicht abgespielt werden: die Datei fehlt oder ist keine reguläre Datei.</translation>
    </message>
    <message>
        <source>This file cannot be played: its cache folder cannot be written.</source>
        <translation>Diese Datei kann nicht abgespielt werden: der Zwischenspeicherordner ist nicht beschreibbar.</translation>
    </message>
    <message>
        <source>The transfer list could not be saved: the disk is full. Transfers go on.</source>
        <translation>Die Übertragungsliste konnte nicht gespeichert werden: Der Datenträger ist voll. Die Übertragungen laufen weiter.</translation>
    </message>
    <message>
        <source>The transfer list could not be saved. Transfers go on.</source>
        <translation>Die Übertragungsliste konnte nicht gespeichert werden. Die Übertragungen laufen weiter.</translation>
    </message>
    <message>
        <source>The transfer list could not be read; it was kept as transfers.sqlite.bad and a new one started.</source>
        <translation>Die Übertragungsliste konnte nicht gelesen werden; sie wurde als transfers.sqlite.bad aufbewahrt und eine neue begonnen.</translation>
    </message>
    <message>
        <source>The transfer list was written by a newer Quillmoth; it is left as it is and this session&apos;s transfers are not kept.</source>
        <translation>Die Übertragungsliste stammt von einer neueren Quillmoth-Version; sie bleibt unverändert, und die Übertragungen dieser Sitzung werden nicht gespeichert.</translation>
    </message>
    <message>
        <source>The transfer list could not be opened; this session&apos;s transfers are not kept.</source>
        <translation>Die Übertragungsliste konnte nicht geöffnet werden; die Übertragungen dieser Sitzung werden nicht gespeichert.</translation>
    </message>
    <message>
        <source>Error: </source>
        <translation>Fehler: </translation>
    </message>
    <message>
        <source>No thread could be started to prepare it: %1</source>
        <translation>Zum Vorbereiten konnte kein Thread gestartet werden: %1</translation>
    </message>
    <message>
        <source>The player page could not be written in %1.</source>
        <translation>Die Wiedergabeseite konnte nicht in %1 geschrieben werden.</translation>
    </message>
    <message>
        <source>Preparing it for playback failed.</source>
        <translation>Die Vorbereitung zur Wiedergabe ist fehlgeschlagen.</translation>
    </message>
</context>
<context>
    <name>SearchTab</name>
    <message>
        <source>1. Search for the video you want.

2. When you are on the page that&apos;s playing your video the title will appear.

3. Click Download.</source>
        <translation>1. Das gewünschte Video suchen.

2. Auf der Seite, die das Video abspielt, erscheint der Titel.

3. Auf „Herunterladen“ klicken.</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Go</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresse</translation>
    </message>
    <message>
        <source>Search page</source>
        <translation>Suchseite</translation>
    </message>
    <message>
        <source>Download Video</source>
        <translation>Video herunterladen</translation>
    </message>
    <message>
        <source>Other sources</source>
        <translation>Andere Quellen</translation>
    </message>
    <message>
        <source>Sources found on this page: %1</source>
        <translation>Auf dieser Seite gefundene Quellen: %1</translation>
    </message>
    <message>
        <source>Download All (%1)</source>
        <translation>Alle herunterladen (%1)</translation>
    </message>
    <message>
        <source>The video&apos;s title</source>
        <translation>Der Titel des Videos</translation>
    </message>
    <message>
        <source>This page could not be reached.</source>
        <translation>Diese Seite war nicht erreichbar.</translation>
    </message>
    <message>
        <source>Open the page that plays your video; Download is ready once its title appears.</source>
        <translation>Öffnen Sie die Seite, die Ihr Video abspielt; Herunterladen ist bereit, sobald sein Titel erscheint.</translation>
    </message>
    <message>
        <source>Open Link</source>
        <translation>Link öffnen</translation>
    </message>
    <message>
        <source>T&amp;itle:</source>
        <translation>T&amp;itel:</translation>
    </message>
    <message>
        <source>Sou&amp;rces:</source>
        <translation>&amp;Quellen:</translation>
    </message>
    <message numerus="yes">
        <source>%n sources</source>
        <translation>
            <numerusform>%n Quelle</numerusform>
            <numerusform>%n Quellen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>This video is protected and cannot be saved.</source>
        <translation>Dieses Video ist geschützt und kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>There is no video on this page.</source>
        <translation>Auf dieser Seite gibt es kein Video.</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <source>The settings file could not be read, so the default settings are used. It was kept as %1</source>
        <translation>Die Einstellungsdatei konnte nicht gelesen werden, daher gelten die Standardeinstellungen. Die alte Datei bleibt erhalten als %1</translation>
    </message>
    <message>
        <source>%1 is not a file Quillmoth can use, and it could not be moved aside. The defaults are used instead, and nothing is saved there until it is removed.</source>
        <translation>%1 ist keine Datei, die Quillmoth verwenden kann, und ließ sich nicht beiseitelegen. Daher gelten die Standardeinstellungen, und dort wird nichts gespeichert, bis es entfernt ist.</translation>
    </message>
</context>
<context>
    <name>SettingsTab</name>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Conversion</source>
        <translation>Umwandlung</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Mediathek</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>Downloads</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>Browse for the movie folder</source>
        <translation>Videoordner wählen</translation>
    </message>
    <message>
        <source>Browse for the mp3 folder</source>
        <translation>MP3-Ordner wählen</translation>
    </message>
    <message>
        <source> kB/s</source>
        <extracomment>Unit of the download speed limit: kilobytes (1000 bytes) a second.</extracomment>
        <translation> kB/s</translation>
    </message>
    <message>
        <source>Download speed limit</source>
        <translation>Grenze der Download-Geschwindigkeit</translation>
    </message>
    <message>
        <source>The limit is shared by all transfers, streams (HLS, DASH) included.</source>
        <translation>Die Grenze gilt für alle Übertragungen zusammen, auch für Streams (HLS, DASH).</translation>
    </message>
    <message>
        <source>Error: Choose a folder for the downloads.</source>
        <translation>Fehler: Einen Ordner für die Downloads wählen.</translation>
    </message>
    <message>
        <source>The folder %1 does not exist. Create it?</source>
        <translation>Der Ordner %1 existiert nicht. Anlegen?</translation>
    </message>
    <message>
        <source>Error: Could not create the folder %1.</source>
        <translation>Fehler: Der Ordner %1 konnte nicht angelegt werden.</translation>
    </message>
    <message>
        <source>Error: The folder %1 cannot be written. Choose another folder.</source>
        <translation>Fehler: In den Ordner %1 kann nicht geschrieben werden. Einen anderen Ordner wählen.</translation>
    </message>
    <message>
        <source>Error: Could not save the settings.</source>
        <translation>Fehler: Die Einstellungen konnten nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>The settings have unsaved changes. Save them?</source>
        <translation>Die Einstellungen haben ungespeicherte Änderungen. Speichern?</translation>
    </message>
    <message>
        <source>Sav&amp;e Settings</source>
        <translation>Einstellungen s&amp;peichern</translation>
    </message>
    <message>
        <source>Save &amp;movie files in</source>
        <translation>&amp;Videodateien speichern in</translation>
    </message>
    <message>
        <source>&amp;Browse</source>
        <translation>Du&amp;rchsuchen</translation>
    </message>
    <message>
        <source>Save mp&amp;3 files in</source>
        <translation>MP&amp;3-Dateien speichern in</translation>
    </message>
    <message>
        <source>B&amp;rowse</source>
        <extracomment>The mp3 folder&apos;s Browse button: a key of its own beside the movie folder&apos;s.</extracomment>
        <translation>Dur&amp;chsuchen</translation>
    </message>
    <message>
        <source>&amp;Notify me when a transfer ends</source>
        <translation>Benachrichtigen, &amp;wenn eine Übertragung endet</translation>
    </message>
    <message>
        <source>Transfers at on&amp;ce</source>
        <translation>Gleich&amp;zeitige Übertragungen</translation>
    </message>
    <message>
        <source>Connections &amp;per transfer</source>
        <translation>Verbindungen &amp;je Übertragung</translation>
    </message>
    <message>
        <source>&amp;Limit download speed</source>
        <translation>Download-&amp;Geschwindigkeit begrenzen</translation>
    </message>
    <message>
        <source>Highest (MP&amp;4)</source>
        <translation>Höchste (MP&amp;4)</translation>
    </message>
    <message>
        <source>H&amp;igh</source>
        <translation>H&amp;och</translation>
    </message>
    <message>
        <source>Me&amp;dium</source>
        <translation>Mi&amp;ttel</translation>
    </message>
    <message>
        <source>Lo&amp;w (Fastest - Recommended for mp3 conversion)</source>
        <translation>&amp;Niedrig (am schnellsten – empfohlen für die MP3-Umwandlung)</translation>
    </message>
    <message>
        <source>Mo&amp;vies</source>
        <translation>V&amp;ideos</translation>
    </message>
    <message>
        <source>M&amp;usic</source>
        <translation>Musi&amp;k</translation>
    </message>
    <message>
        <source>&amp;Automatically convert downloaded movies to mp3.</source>
        <translation>Heruntergeladene Videos &amp;automatisch in MP3 umwandeln.</translation>
    </message>
    <message>
        <source>Save subtitle trac&amp;ks</source>
        <translation>Untertite&amp;lspuren speichern</translation>
    </message>
    <message>
        <source>A page&apos;s or a stream&apos;s subtitles are saved beside the movie, as TITLE.LANGUAGE.vtt (or .srt).</source>
        <translation>Die Untertitel einer Seite oder eines Streams werden neben dem Film gespeichert, als TITEL.SPRACHE.vtt (oder .srt).</translation>
    </message>
    <message>
        <source>Languages:</source>
        <translation>Sprachen:</translation>
    </message>
    <message>
        <source>Subtitle languages</source>
        <translation>Sprachen der Untertitel</translation>
    </message>
    <message>
        <source>All, or codes such as en, de</source>
        <extracomment>Shown in the empty subtitle languages box.</extracomment>
        <translation>Alle, oder Kürzel wie en, de</translation>
    </message>
    <message>
        <source>Error: &quot;%1&quot; is not a list of language codes. Write codes such as en, de or pt-BR, separated by commas, or nothing for all.</source>
        <translation>Fehler: „%1“ ist keine Liste von Sprachkürzeln. Kürzel wie en, de oder pt-BR durch Kommas getrennt angeben, oder nichts für alle.</translation>
    </message>
</context>
<context>
    <name>TransferModel</name>
    <message>
        <source>In progress</source>
        <translation>Läuft</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Geschwindigkeit</translation>
    </message>
    <message>
        <source>File moved or deleted</source>
        <extracomment>A finished transfer whose file is no longer where it was saved.</extracomment>
        <translation>Datei verschoben oder gelöscht</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Added</source>
        <extracomment>When the transfer was added to the list.</extracomment>
        <translation>Hinzugefügt</translation>
    </message>
</context>
<context>
    <name>TransfersSummary</name>
    <message numerus="yes">
        <source>%n downloading</source>
        <translation>
            <numerusform>%n Download läuft</numerusform>
            <numerusform>%n Downloads laufen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n converting</source>
        <translation>
            <numerusform>%n Umwandlung läuft</numerusform>
            <numerusform>%n Umwandlungen laufen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n waiting</source>
        <translation>
            <numerusform>%n wartet</numerusform>
            <numerusform>%n warten</numerusform>
        </translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message numerus="yes">
        <source>%n paused</source>
        <translation>
            <numerusform>%n angehalten</numerusform>
            <numerusform>%n angehalten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n failed</source>
        <translation>
            <numerusform>%n fehlgeschlagen</numerusform>
            <numerusform>%n fehlgeschlagen</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 — Quillmoth</source>
        <translation>%1 — Quillmoth</translation>
    </message>
</context>
<context>
    <name>TransfersTab</name>
    <message>
        <source>Transfers</source>
        <translation>Übertragungen</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Anhalten</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Fortsetzen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>A&amp;bbrechen</translation>
    </message>
    <message>
        <source>Re&amp;try</source>
        <translation>&amp;Erneut versuchen</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>Aus der &amp;Liste entfernen</translation>
    </message>
    <message>
        <source>Con&amp;vert to MP3</source>
        <translation>In &amp;MP3 umwandeln</translation>
    </message>
    <message>
        <source>Pl&amp;ay</source>
        <translation>Ab&amp;spielen</translation>
    </message>
    <message>
        <source>Show in &amp;Folder</source>
        <translation>Im &amp;Ordner anzeigen</translation>
    </message>
    <message>
        <source>No downloads yet — find a video on Search and press Download</source>
        <translation>Noch keine Downloads – unter „Suche“ ein Video finden und auf „Herunterladen“ klicken</translation>
    </message>
    <message numerus="yes">
        <source>Clear %n transfers? Their part files are removed.</source>
        <translation>
            <numerusform>%n Übertragung aus der Liste entfernen? Ihre Teildatei wird gelöscht.</numerusform>
            <numerusform>%n Übertragungen aus der Liste entfernen? Ihre Teildateien werden gelöscht.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Clear %n transfers? Their saved files stay where they are.</source>
        <translation>
            <numerusform>%n Übertragung aus der Liste entfernen? Die gespeicherte Datei bleibt, wo sie ist.</numerusform>
            <numerusform>%n Übertragungen aus der Liste entfernen? Die gespeicherten Dateien bleiben, wo sie sind.</numerusform>
        </translation>
    </message>
    <message>
        <source>Start &amp;Now</source>
        <translation>&amp;Jetzt starten</translation>
    </message>
    <message>
        <source>Clear F&amp;inished</source>
        <translation>Beende&amp;te aus der Liste entfernen</translation>
    </message>
    <message>
        <source>Move &amp;Up</source>
        <translation>&amp;Nach oben</translation>
    </message>
    <message>
        <source>Move &amp;Down</source>
        <translation>Nach &amp;unten</translation>
    </message>
    <message>
        <source>Move to T&amp;op</source>
        <translation>&amp;Ganz nach oben</translation>
    </message>
</context>
<context>
    <name>UnheldDataFolder</name>
    <message>
        <source>Quillmoth cannot write to its data folder %1 (%2).</source>
        <translation>Quillmoth kann nicht in seinen Datenordner %1 schreiben (%2).</translation>
    </message>
    <message>
        <source>It opens all the same, but keeps nothing of this session: settings, transfers and their history are not saved. Make the folder writable and start Quillmoth again to keep them.</source>
        <translation>Es öffnet trotzdem, behält aber nichts von dieser Sitzung: Einstellungen, Übertragungen und ihr Verlauf werden nicht gespeichert. Machen Sie den Ordner beschreibbar und starten Sie Quillmoth neu, um sie zu behalten.</translation>
    </message>
    <message>
        <source>Quillmoth cannot open without it. Check that %1 can be written, or close the program that holds it, and start Quillmoth again.</source>
        <translation>Ohne ihn kann Quillmoth nicht öffnen. Prüfen Sie, ob %1 beschreibbar ist, oder schließen Sie das Programm, das ihn belegt, und starten Sie Quillmoth neu.</translation>
    </message>
    <message>
        <source>Quillmoth is open already with the data folder %1, but it does not answer. Close that window, or end the program, and start Quillmoth again.</source>
        <translation>Quillmoth ist mit dem Datenordner %1 schon geöffnet, antwortet aber nicht. Schließen Sie dieses Fenster oder beenden Sie das Programm, und starten Sie Quillmoth neu.</translation>
    </message>
</context>
<context>
    <name>quillmoth::MainWindow</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Paste Link</source>
        <translation>Link &amp;einfügen</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Quillmoth &amp;Website</source>
        <translation>Quillmoth-&amp;Website</translation>
    </message>
    <message>
        <source>&amp;About Quillmoth</source>
        <translation>&amp;Über Quillmoth</translation>
    </message>
    <message>
        <source>Already downloaded — open it, or download again?</source>
        <translation>Schon heruntergeladen – öffnen oder erneut herunterladen?</translation>
    </message>
    <message>
        <source>Download &amp;Again</source>
        <translation>&amp;Erneut herunterladen</translation>
    </message>
    <message>
        <source>About Quillmoth</source>
        <translation>Über Quillmoth</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Quillmoth %1&lt;/h3&gt;&lt;p&gt;Downloads videos from their watch pages, converts them to MP3 and plays them.&lt;/p&gt;&lt;p&gt;Licence: GNU General Public License, version 3 or later.&lt;/p&gt;&lt;p&gt;Visit: &lt;a href=&quot;%2&quot;&gt;%2&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Quillmoth %1&lt;/h3&gt;&lt;p&gt;Lädt Videos von ihren Seiten herunter, wandelt sie in MP3 um und spielt sie ab.&lt;/p&gt;&lt;p&gt;Lizenz: GNU General Public License, Version 3 oder neuer.&lt;/p&gt;&lt;p&gt;Website: &lt;a href=&quot;%2&quot;&gt;%2&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Not a web address: nothing to download.</source>
        <translation>Keine Webadresse: nichts herunterzuladen.</translation>
    </message>
    <message>
        <source>Not a web address, skipped: %1</source>
        <translation>Keine Webadresse, übersprungen: %1</translation>
    </message>
    <message>
        <source>The window layout file could not be read, so the default layout is used. It was kept as %1</source>
        <translation>Die Datei mit der Fensteranordnung konnte nicht gelesen werden, daher gilt die Standardanordnung. Die alte Datei bleibt erhalten als %1</translation>
    </message>
    <message>
        <source>This video is protected and cannot be saved.</source>
        <translation>Dieses Video ist geschützt und kann nicht gespeichert werden.</translation>
    </message>
    <message>
        <source>&amp;Skip These</source>
        <translation>Diese &amp;überspringen</translation>
    </message>
    <message>
        <source>Settings saved.</source>
        <translation>Einstellungen gespeichert.</translation>
    </message>
    <message>
        <source>H&amp;ome</source>
        <translation>&amp;Start</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>S&amp;uche</translation>
    </message>
    <message>
        <source>&amp;Transfers</source>
        <translation>Ü&amp;bertragungen</translation>
    </message>
    <message>
        <source>My Librar&amp;y</source>
        <translation>Meine &amp;Mediathek</translation>
    </message>
    <message>
        <source>Settin&amp;gs</source>
        <translation>&amp;Einstellungen</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>The help page is not installed. It is looked for in:
%1</source>
        <translation>Die Hilfeseite ist nicht installiert. Gesucht wird sie in:
%1</translation>
    </message>
    <message>
        <source>Converting to MP3: see the Transfers tab.</source>
        <translation>Umwandlung in MP3: siehe Reiter Übertragungen.</translation>
    </message>
    <message>
        <source>Move %1 to the trash?</source>
        <translation>%1 in den Papierkorb verschieben?</translation>
    </message>
    <message numerus="yes">
        <source>Move %n files to the trash?</source>
        <translation>
            <numerusform>%n Datei in den Papierkorb verschieben?</numerusform>
            <numerusform>%n Dateien in den Papierkorb verschieben?</numerusform>
        </translation>
    </message>
    <message>
        <source>Move to &amp;Trash</source>
        <translation>In den &amp;Papierkorb</translation>
    </message>
</context>
</TS>
