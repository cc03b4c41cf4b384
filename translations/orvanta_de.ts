<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en_US">
<context>
    <name>DesktopLauncher</name>
    <message>
        <source>The program could not be started.</source>
        <translation>Das Programm konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>It is not a desktop entry that can be started.</source>
        <translation>Es ist kein Desktop-Eintrag, der sich starten lässt.</translation>
    </message>
    <message>
        <source>It is not a file.</source>
        <translation>Es ist keine Datei.</translation>
    </message>
    <message>
        <source>The AppImage may not be run: it is not marked as executable.</source>
        <translation>Das AppImage darf nicht ausgeführt werden: Es ist nicht als ausführbar gekennzeichnet.</translation>
    </message>
    <message>
        <source>The AppImage could not be started.</source>
        <translation>Das AppImage konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>No program is set to open files of the type “%1” (%2).</source>
        <translation>Für Dateien des Typs „%1“ (%2) ist kein Programm zum Öffnen eingerichtet.</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Top Hit</source>
        <translation>Top-Treffer</translation>
    </message>
    <message>
        <source>Show All</source>
        <translation>Alle anzeigen</translation>
    </message>
    <message>
        <source>No files match &quot;%1&quot;.</source>
        <translation>Keine Datei passt zu „%1“.</translation>
    </message>
    <message>
        <source>Did you mean &quot;%1&quot;?</source>
        <translation>Meinten Sie „%1“?</translation>
    </message>
    <message>
        <source>Orvanta Preferences...</source>
        <translation>Orvanta-Einstellungen …</translation>
    </message>
    <message>
        <source>Applications</source>
        <translation>Programme</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Documents</source>
        <translation>Dokumente</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Images</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>PDF Documents</source>
        <translation>PDF-Dokumente</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suche</translation>
    </message>
    <message>
        <source>Words to search for; Enter searches</source>
        <translation>Suchbegriffe; die Eingabetaste startet die Suche</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>The search service cannot be reached at %1.</source>
        <translation>Der Suchdienst unter %1 ist nicht erreichbar.</translation>
    </message>
    <message>
        <source>The search service at %1 refused the search address.</source>
        <translation>Der Suchdienst unter %1 hat die Suchadresse abgelehnt.</translation>
    </message>
</context>
<context>
    <name>Form_OrvantaPreferences</name>
    <message>
        <source>Orvanta Preferences</source>
        <translation>Orvanta-Einstellungen</translation>
    </message>
    <message>
        <source>Show hits while typing</source>
        <translation>Treffer beim Tippen zeigen</translation>
    </message>
    <message>
        <source>Keep the button on screen</source>
        <translation>Knopf auf dem Bildschirm lassen</translation>
    </message>
    <message>
        <source>WARNING: IF THIS IS THE FIRST TIME YOU HAVE USED THIS PROGRAM, YOU MUST ENTER IN ALL OF THE FOLLOWING INFORMATION</source>
        <translation>ACHTUNG: WENN SIE DIESES PROGRAMM ZUM ERSTEN MAL VERWENDEN, MÜSSEN SIE ALLE FOLGENDEN ANGABEN MACHEN</translation>
    </message>
    <message>
        <source>Do a google desktop search through internet explorer.  When the results page appears, copy the first part of the url that is BEFORE what you searched for.  Then copy the last part of the url AFTER what you searched for.  When you are finished, it should the url below should match the one in the browser.</source>
        <translation>Führen Sie im Internet Explorer eine Google-Desktopsuche durch.  Wenn die Ergebnisseite erscheint, kopieren Sie den ersten Teil der Adresse, der VOR Ihrem Suchbegriff steht.  Kopieren Sie dann den letzten Teil der Adresse, der NACH Ihrem Suchbegriff steht.  Danach sollte die Adresse unten mit der im Browser übereinstimmen.</translation>
    </message>
    <message>
        <source>Do a search on the local search service's page, http://localhost:%1/, in the web browser.</source>
        <translation>Suchen Sie im Webbrowser auf der Seite des lokalen Suchdienstes (http://localhost:%1/).</translation>
    </message>
    <message>
        <source>XXXXX</source>
        <translation>XXXXX</translation>
    </message>
    <message>
        <source>Enter Search Criteria:</source>
        <translation>Suchbegriffe eingeben:</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Sniff URL</source>
        <translation>Adresse ermitteln</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Adresse:</translation>
    </message>
    <message>
        <source>Go</source>
        <translation>Los</translation>
    </message>
    <message>
        <source>RAW Html:</source>
        <translation>HTML-Quelltext:</translation>
    </message>
    <message>
        <source>Maximum search results per group:</source>
        <translation>Höchstzahl der Treffer je Gruppe:</translation>
    </message>
    <message>
        <source>1-30</source>
        <translation>1–30</translation>
    </message>
    <message>
        <source>Text1</source>
        <translation>Text1</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>Use the sliders on the bottom and right side of the settings window to align the menu.</source>
        <translation>Mit den Schiebereglern am unteren und rechten Rand dieses Fensters richten Sie das Menü aus.</translation>
    </message>
    <message>
        <source>Could not fetch the page at %1</source>
        <translation>Die Seite unter %1 konnte nicht abgerufen werden</translation>
    </message>
</context>
<context>
    <name>OpenResult</name>
    <message>
        <source>Could not show the search results page</source>
        <translation>Die Seite mit den Suchergebnissen konnte nicht angezeigt werden</translation>
    </message>
    <message>
        <source>Could not open “%1”</source>
        <translation>„%1“ konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>The desktop's file opener could not be started.</source>
        <translation>Das Programm der Arbeitsumgebung zum Öffnen von Dateien konnte nicht gestartet werden.</translation>
    </message>
    <message>
        <source>The program “%1” set to open this type could not be started.</source>
        <translation>Das für diesen Dateityp eingerichtete Programm „%1“ konnte nicht gestartet werden.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>The browser helper (orvanta-browser) is not installed: pages cannot be shown here.</source>
        <translation>Das Browser-Hilfsprogramm (orvanta-browser) ist nicht installiert: Seiten können hier nicht angezeigt werden.</translation>
    </message>
</context>
</TS>
