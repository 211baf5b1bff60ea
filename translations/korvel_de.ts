<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>BoardCommands</name>
    <message>
        <source>Please RESET 80C32 Board!</source>
        <translation>Bitte RESET am 80C32-Board drücken!</translation>
    </message>
    <message>
        <source>Reset stopped: %1 was lost</source>
        <translation>Reset gestoppt: Verbindung zu %1 verloren</translation>
    </message>
    <message>
        <source>Reset cancelled</source>
        <translation>Reset abgebrochen</translation>
    </message>
</context>
<context>
    <name>CommandRunner</name>
    <message>
        <source>Not started: %1 is still running</source>
        <translation>Nicht gestartet: %1 läuft noch</translation>
    </message>
    <message>
        <source>Not sent: %1 is not open</source>
        <translation>Nicht gesendet: %1 ist nicht geöffnet</translation>
    </message>
</context>
<context>
    <name>FileDialog</name>
    <message>
        <source>BASIC-52 listing (*.lis);;BASIC source (*.bas);;Text files (*.txt);;other files (*)</source>
        <translation>BASIC-52-Listing (*.lis);;BASIC-Quelltext (*.bas);;Textdateien (*.txt);;Andere Dateien (*)</translation>
    </message>
    <message>
        <source>BASIC-52 Listing (*.lis)</source>
        <translation>BASIC-52-Listing (*.lis)</translation>
    </message>
    <message>
        <source>Log files (*.log);;Text files (*.txt);;All files (*)</source>
        <translation>Protokolldateien (*.log);;Textdateien (*.txt);;Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Terminal</source>
        <translation>Terminal</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Plot</source>
        <translation>Plot</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>File</source>
        <extracomment>Alt and the first letter of an entry on the menu bar opens it: keep the first letters apart.</extracomment>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Save Program</source>
        <translation>Programm speichern</translation>
    </message>
    <message>
        <source>Load Program</source>
        <translation>Programm laden</translation>
    </message>
    <message>
        <source>Merge Program</source>
        <translation>Programm hinzuladen</translation>
    </message>
    <message>
        <source>Verify Program</source>
        <translation>Programm vergleichen</translation>
    </message>
    <message>
        <source>Run Program</source>
        <translation>Programm starten</translation>
    </message>
    <message>
        <source>Edit Program</source>
        <translation>Programm bearbeiten</translation>
    </message>
    <message>
        <source>Log to File...</source>
        <translation>Protokoll in Datei...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>ComPort</source>
        <translation>Serielle Schnittstelle</translation>
    </message>
    <message>
        <source>MTOP</source>
        <translation>MTOP</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Übertragung</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>Clear Screen</source>
        <translation>Bildschirm löschen</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>Speicher</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Intel B-52 Manual</source>
        <translation>Intel-B-52-Handbuch</translation>
    </message>
    <message>
        <source>Not sent: %1 is not open</source>
        <translation>Nicht gesendet: %1 ist nicht geöffnet</translation>
    </message>
    <message>
        <source>Stop Logging</source>
        <translation>Protokoll beenden</translation>
    </message>
    <message>
        <source>Log: %1</source>
        <translation>Protokoll: %1</translation>
    </message>
    <message>
        <source>Log stopped: cannot write %1</source>
        <translation>Protokoll beendet: %1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Cannot write the upload setting to Korvel.ini</source>
        <translation>Die Übertragungseinstellung kann nicht in Korvel.ini geschrieben werden</translation>
    </message>
    <message>
        <source>Send Differences</source>
        <translation>Unterschiede senden</translation>
    </message>
</context>
<context>
    <name>HelpCommands</name>
    <message>
        <source>Manual %1 not found in %2</source>
        <translation>Handbuch %1 nicht gefunden in %2</translation>
    </message>
    <message>
        <source>No program to open PDF files is set up, so the manual cannot be shown: %1</source>
        <translation>Kein Programm für PDF-Dateien eingerichtet, daher kann das Handbuch nicht angezeigt werden: %1</translation>
    </message>
    <message>
        <source>No text editor was found to open %1</source>
        <translation>Kein Texteditor gefunden, um %1 zu öffnen</translation>
    </message>
    <message>
        <source>Cannot start %1 for %2</source>
        <translation>%1 kann für %2 nicht gestartet werden</translation>
    </message>
    <message>
        <source>Cannot start %1 for %2: %3</source>
        <translation>%1 kann für %2 nicht gestartet werden: %3</translation>
    </message>
</context>
<context>
    <name>HelpViewerWindow</name>
    <message>
        <source>Korvel Help</source>
        <translation>Korvel-Hilfe</translation>
    </message>
    <message>
        <source>&lt;h2&gt;Korvel Help&lt;/h2&gt;&lt;p&gt;The help file was not found. Korvel looked for it here:&lt;/p&gt;&lt;p&gt;&lt;code&gt;%1&lt;/code&gt;&lt;/p&gt;&lt;p&gt;It belongs in the folder of the program itself.&lt;/p&gt;</source>
        <translation>&lt;h2&gt;Korvel-Hilfe&lt;/h2&gt;&lt;p&gt;Die Hilfedatei wurde nicht gefunden. Korvel hat hier gesucht:&lt;/p&gt;&lt;p&gt;&lt;code&gt;%1&lt;/code&gt;&lt;/p&gt;&lt;p&gt;Sie gehört in den Ordner des Programms selbst.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>ListingCapture</name>
    <message>
        <source>line %1</source>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source>file: %1</source>
        <translation>Datei: %1</translation>
    </message>
    <message>
        <source>board: %1</source>
        <translation>Board: %1</translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>%1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>%1 was lost; </source>
        <translation>Verbindung zu %1 verloren; </translation>
    </message>
    <message>
        <source>Save cancelled: %1%2</source>
        <translation>Speichern abgebrochen: %1%2</translation>
    </message>
    <message>
        <source>Verify cancelled: %1%2</source>
        <translation>Vergleichen abgebrochen: %1%2</translation>
    </message>
    <message>
        <source>Not sent: %1 is not open</source>
        <translation>Nicht gesendet: %1 ist nicht geöffnet</translation>
    </message>
    <message>
        <source>Saving %1 ...</source>
        <translation>%1 wird gespeichert ...</translation>
    </message>
    <message>
        <source>Verifying %1 ...</source>
        <translation>%1 wird verglichen ...</translation>
    </message>
    <message>
        <source>The board&apos;s answer is not a listing: %1</source>
        <translation>Die Antwort des Boards ist kein Listing: %1</translation>
    </message>
    <message>
        <source>nothing written to %1</source>
        <translation>nichts in %1 geschrieben</translation>
    </message>
    <message>
        <source>nothing compared with %1</source>
        <translation>nichts mit %1 verglichen</translation>
    </message>
    <message>
        <source>Program on the board matches %1 (%2 lines)</source>
        <translation>Programm auf dem Board stimmt mit %1 überein (%2 Zeilen)</translation>
    </message>
    <message>
        <source>missing</source>
        <translation>fehlt</translation>
    </message>
    <message>
        <source>extra</source>
        <translation>zu viel</translation>
    </message>
    <message>
        <source>differs</source>
        <translation>anders</translation>
    </message>
    <message>
        <source>Program on the board against %1</source>
        <translation>Programm auf dem Board verglichen mit %1</translation>
    </message>
    <message>
        <source>Program on the board differs from %1: %2 missing, %3 extra, %4 different</source>
        <translation>Programm auf dem Board weicht von %1 ab: %2 fehlen, %3 zu viel, %4 anders</translation>
    </message>
    <message>
        <source>Cannot write %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Send Differences</source>
        <translation>Unterschiede senden</translation>
    </message>
</context>
<context>
    <name>MTopChg</name>
    <message>
        <source>Memory top</source>
        <translation>Speicherobergrenze</translation>
    </message>
    <message>
        <source>The interpreter&apos;s memory top, above 0 and below 65535</source>
        <translation>Die Speicherobergrenze des Interpreters, größer als 0 und kleiner als 65535</translation>
    </message>
    <message>
        <source>Bitte MTop angeben:</source>
        <extracomment>The caption has always asked in German, whatever the language; a translation may ask in its own.</extracomment>
        <translation>Bitte MTop angeben:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>PlotWindow</name>
    <message>
        <source>Plot</source>
        <translation>Plot</translation>
    </message>
    <message>
        <source>Sample number</source>
        <translation>Messpunkt-Nr.</translation>
    </message>
    <message>
        <source>Seconds</source>
        <translation>Sekunden</translation>
    </message>
    <message>
        <source>&amp;X axis:</source>
        <translation>&amp;X-Achse:</translation>
    </message>
    <message>
        <source>Samples in &amp;view:</source>
        <translation>&amp;Sichtbare Messpunkte:</translation>
    </message>
    <message>
        <source>&amp;Fixed Y limits</source>
        <translation>&amp;Feste Y-Grenzen</translation>
    </message>
    <message>
        <source>Lowest Y</source>
        <translation>Kleinstes Y</translation>
    </message>
    <message>
        <source>Highest Y</source>
        <translation>Größtes Y</translation>
    </message>
    <message>
        <source>to</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Leeren</translation>
    </message>
    <message>
        <source>&amp;Export CSV...</source>
        <translation>CSV &amp;exportieren...</translation>
    </message>
    <message>
        <source>Save &amp;Image...</source>
        <translation>&amp;Bild speichern...</translation>
    </message>
    <message>
        <source>Only the first %1 series are plotted; numbers of further labels are left out</source>
        <translation>Nur die ersten %1 Reihen werden gezeichnet; Zahlen weiterer Bezeichnungen werden ausgelassen</translation>
    </message>
    <message>
        <source>%1 samples kept: each series keeps its last %2, the oldest were dropped</source>
        <translation>%1 Messpunkte gespeichert: jede Reihe behält ihre letzten %2, die ältesten wurden verworfen</translation>
    </message>
    <message>
        <source>%1 samples kept (at most %2 a series)</source>
        <translation>%1 Messpunkte gespeichert (höchstens %2 je Reihe)</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Weiter</translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation>CSV-Dateien (*.csv);;Alle Dateien (*)</translation>
    </message>
    <message>
        <source>Cannot write %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Samples written to %1</source>
        <translation>Messpunkte in %1 geschrieben</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>PNG-Bilder (*.png)</translation>
    </message>
    <message>
        <source>Image written to %1</source>
        <translation>Bild in %1 geschrieben</translation>
    </message>
    <message>
        <source>X %1   Y %2</source>
        <translation>X %1   Y %2</translation>
    </message>
</context>
<context>
    <name>PortMap</name>
    <message>
        <source>Korvel.ini could not be written; the ports are as they were.</source>
        <translation>Korvel.ini konnte nicht geschrieben werden; die Ports bleiben, wie sie waren.</translation>
    </message>
    <message>
        <source>port %1 (%2)</source>
        <translation>Port %1 (%2)</translation>
    </message>
    <message>
        <source>port %1 (emptied)</source>
        <translation>Port %1 (geleert)</translation>
    </message>
    <message>
        <source>port %1</source>
        <translation>Port %1</translation>
    </message>
    <message>
        <source>Korvel.ini could not be written in full. Written: %1. Not written: %2.</source>
        <translation>Korvel.ini konnte nicht vollständig geschrieben werden. Geschrieben: %1. Nicht geschrieben: %2.</translation>
    </message>
    <message>
        <source>Port %1 opens %2 now.</source>
        <translation>Port %1 öffnet jetzt %2.</translation>
    </message>
    <message>
        <source>%1 has no port number now.</source>
        <translation>%1 hat jetzt keine Portnummer.</translation>
    </message>
    <message>
        <source>serial %1</source>
        <translation>Seriennummer %1</translation>
    </message>
    <message>
        <source>0: the simulated board</source>
        <translation>0: das simulierte Board</translation>
    </message>
</context>
<context>
    <name>PortsDialog</name>
    <message>
        <source>Serial devices</source>
        <translation>Serielle Geräte</translation>
    </message>
    <message>
        <source>Port number of %1</source>
        <translation>Portnummer von %1</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>Give the board&apos;s adapter a port number; Settings, ComPort then opens it by that number. The number stays with the adapter when it is plugged in elsewhere.</source>
        <translation>Geben Sie dem Adapter des Boards eine Portnummer; Einstellungen, Serielle Schnittstelle öffnet ihn dann unter dieser Nummer. Die Nummer bleibt beim Adapter, auch wenn er anderswo eingesteckt wird.</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>Gerät</translation>
    </message>
    <message>
        <source>Maker</source>
        <translation>Hersteller</translation>
    </message>
    <message>
        <source>Product</source>
        <translation>Produkt</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Seriennummer</translation>
    </message>
    <message>
        <source>Stable name</source>
        <translation>Fester Name</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>(not present)</source>
        <translation>(nicht vorhanden)</translation>
    </message>
    <message>
        <source>No serial device is present.</source>
        <translation>Kein serielles Gerät vorhanden.</translation>
    </message>
</context>
<context>
    <name>ProgramSync</name>
    <message>
        <source>Cannot read %1</source>
        <translation>%1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Program on the board matches %1 (%2 lines): nothing sent</source>
        <translation>Programm auf dem Board stimmt mit %1 überein (%2 Zeilen): nichts gesendet</translation>
    </message>
</context>
<context>
    <name>ProgramUpload</name>
    <message>
        <source>Send anyway</source>
        <translation>Trotzdem senden</translation>
    </message>
    <message>
        <source>Cannot read %1</source>
        <translation>%1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Loading %1...</source>
        <translation>%1 wird geladen...</translation>
    </message>
    <message>
        <source>Loaded %1 lines from %2</source>
        <translation>%1 Zeilen aus %2 geladen</translation>
    </message>
    <message>
        <source>Merged %1 lines from %2</source>
        <translation>%1 Zeilen aus %2 hinzugeladen</translation>
    </message>
    <message>
        <source>Paste to the board</source>
        <translation>Text an das Board senden</translation>
    </message>
    <message>
        <source>Send %1 characters to the board?</source>
        <translation>%1 Zeichen an das Board senden?</translation>
    </message>
    <message>
        <source>Send</source>
        <translation>Senden</translation>
    </message>
    <message>
        <source>the pasted text</source>
        <translation>dem eingefügten Text</translation>
    </message>
    <message>
        <source>Pasting %1 lines...</source>
        <translation>%1 Zeilen werden eingefügt...</translation>
    </message>
    <message>
        <source>Pasted %1 lines</source>
        <translation>%1 Zeilen eingefügt</translation>
    </message>
    <message>
        <source>Sending %1 lines...</source>
        <translation>%1 Zeilen werden gesendet...</translation>
    </message>
    <message>
        <source>Sent %1 lines from %2</source>
        <translation>%1 Zeilen aus %2 gesendet</translation>
    </message>
</context>
<context>
    <name>QtLauncher</name>
    <message>
        <source>no program given</source>
        <translation>kein Programm angegeben</translation>
    </message>
</context>
<context>
    <name>QtSerialLine</name>
    <message>
        <source>add your user to the dialout group (sudo usermod -aG dialout $USER), then log in again</source>
        <translation>fügen Sie Ihren Benutzer der Gruppe dialout hinzu (sudo usermod -aG dialout $USER) und melden Sie sich neu an</translation>
    </message>
    <message>
        <source>port %1</source>
        <translation>Port %1</translation>
    </message>
    <message>
        <source>port %1 (%2)</source>
        <translation>Port %1 (%2)</translation>
    </message>
    <message>
        <source>Port %1 cannot be opened: there is no such port</source>
        <translation>Port %1 kann nicht geöffnet werden: diesen Port gibt es nicht</translation>
    </message>
    <message>
        <source>Port %1 (%2) cannot be opened: %3</source>
        <translation>Port %1 (%2) kann nicht geöffnet werden: %3</translation>
    </message>
    <message>
        <source>Port %1 (%2) is back</source>
        <translation>Port %1 (%2) ist wieder da</translation>
    </message>
    <message>
        <source>the device hung up</source>
        <translation>das Gerät hat die Verbindung beendet</translation>
    </message>
    <message>
        <source>Port %1 (%2) was lost: %3</source>
        <translation>Verbindung zu Port %1 (%2) verloren: %3</translation>
    </message>
</context>
<context>
    <name>SerialLine</name>
    <message>
        <source>port %1</source>
        <translation>Port %1</translation>
    </message>
</context>
<context>
    <name>SerialSetup</name>
    <message>
        <source>Parity N</source>
        <translation>Parität N</translation>
    </message>
    <message>
        <source>Port 0 is the simulated board. Ports 1 and up open the devices listed in the section [Ports] of Korvel.ini (for example 1=/dev/ttyUSB0), otherwise the system&apos;s serial ports in order.</source>
        <translation>Port 0 ist das simulierte Board. Ports ab 1 öffnen die Geräte aus dem Abschnitt [Ports] von Korvel.ini (zum Beispiel 1=/dev/ttyUSB0), sonst der Reihe nach die seriellen Schnittstellen des Systems.</translation>
    </message>
    <message>
        <source>Serial Port Setup</source>
        <translation>Serielle Schnittstelle einrichten</translation>
    </message>
    <message>
        <source>ComPort</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Baud Rate</source>
        <translation>Baudrate</translation>
    </message>
    <message>
        <source>Datenbits</source>
        <extracomment>The caption has always been German here, next to English ones.</extracomment>
        <translation>Datenbits</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>Parität</translation>
    </message>
    <message>
        <source>Stopbits</source>
        <translation>Stoppbits</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>SessionLog</name>
    <message>
        <source>Log to File</source>
        <translation>Protokoll in Datei</translation>
    </message>
    <message>
        <source>%1 already exists. Add this session to its end, or replace it?</source>
        <translation>%1 gibt es schon. Diese Sitzung am Ende anhängen oder die Datei ersetzen?</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>Anhängen</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Cannot write %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
</context>
<context>
    <name>SimulatedLine</name>
    <message>
        <source>port %1 (the simulated board)</source>
        <translation>Port %1 (das simulierte Board)</translation>
    </message>
</context>
<context>
    <name>TerminalView</name>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Alles auswählen</translation>
    </message>
</context>
<context>
    <name>UploadReport</name>
    <message>
        <source>line %1</source>
        <translation>Zeile %1</translation>
    </message>
    <message>
        <source>an empty line</source>
        <translation>eine leere Zeile</translation>
    </message>
    <message>
        <source>cut at %1 characters</source>
        <translation>nach %1 Zeichen abgeschnitten</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>keine Antwort</translation>
    </message>
    <message>
        <source>echoed garbled</source>
        <translation>Echo verstümmelt</translation>
    </message>
    <message>
        <source>Lines too long for the board</source>
        <translation>Zeilen zu lang für das Board</translation>
    </message>
    <message>
        <source> and %1 more</source>
        <translation> und %1 weitere</translation>
    </message>
    <message>
        <source>1 line of %1 does not fit the board&apos;s %2-character input even without blanks: %3.
The board keeps the first %2 characters of each and drops the rest.</source>
        <translation>1 Zeile aus %1 passt auch ohne Leerzeichen nicht in die Eingabe des Boards mit %2 Zeichen: %3.
Das Board behält von jeder Zeile die ersten %2 Zeichen und verwirft den Rest.</translation>
    </message>
    <message>
        <source>%1 lines of %2 do not fit the board&apos;s %3-character input even without blanks: %4.
The board keeps the first %3 characters of each and drops the rest.</source>
        <translation>%1 Zeilen aus %2 passen auch ohne Leerzeichen nicht in die Eingabe des Boards mit %3 Zeichen: %4.
Das Board behält von jeder Zeile die ersten %3 Zeichen und verwirft den Rest.</translation>
    </message>
    <message>
        <source>%1; the board did not answer</source>
        <translation>%1; das Board hat nicht geantwortet</translation>
    </message>
    <message>
        <source>%1: %2
    sent: %3</source>
        <translation>%1: %2
    gesendet: %3</translation>
    </message>
    <message>
        <source>
    echo: %1</source>
        <translation>
    Echo: %1</translation>
    </message>
    <message>
        <source>%1; the board refused %2: %3</source>
        <translation>%1; das Board hat %2 abgelehnt: %3</translation>
    </message>
    <message>
        <source>... and %1 more</source>
        <translation>... und %1 weitere</translation>
    </message>
    <message>
        <source>Lines the board refused</source>
        <translation>Vom Board abgelehnte Zeilen</translation>
    </message>
    <message>
        <source>Upload cancelled after %1 of %2 lines</source>
        <translation>Übertragung nach %1 von %2 Zeilen abgebrochen</translation>
    </message>
    <message>
        <source>Upload stopped after %1 of %2 lines: %3 was lost</source>
        <translation>Übertragung nach %1 von %2 Zeilen gestoppt: Verbindung zu %3 verloren</translation>
    </message>
</context>
<context>
    <name>UploadSetup</name>
    <message>
        <source>Upload</source>
        <translation>Übertragung</translation>
    </message>
    <message>
        <source>After each line of Load, Merge or a paste:</source>
        <translation>Nach jeder Zeile beim Laden, Hinzuladen oder Einfügen:</translation>
    </message>
    <message>
        <source>Wait 1 second</source>
        <translation>1 Sekunde warten</translation>
    </message>
    <message>
        <source>Go on at the board&apos;s prompt (at most 1 second)</source>
        <translation>Weiter beim Prompt des Boards (höchstens 1 Sekunde)</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>Korvel logo</source>
        <translation>Korvel-Logo</translation>
    </message>
    <message>
        <source>Info zu %1</source>
        <extracomment>The caption has always been German, whatever the language; a translation may use its own.</extracomment>
        <translation>Info zu %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>A terminal, program loader and control panel for 80C32 single-board computers running the MCS BASIC-52 interpreter.</source>
        <translation>Terminal, Programmlader und Bedienfeld für 80C32-Einplatinencomputer mit MCS BASIC-52.</translation>
    </message>
    <message>
        <source>Provided as is, without any warranty.
Keep copies of the programs on your board: Reset erases them.</source>
        <translation>Ohne jede Gewährleistung.
Sichern Sie die Programme auf Ihrem Board: Reset löscht sie.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
