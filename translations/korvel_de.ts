<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Form1</name>
    <message>
        <source>Terminal</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Plot</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MTopChg</name>
    <message>
        <source>Memory top</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The interpreter&apos;s memory top, above 0 and below 65535</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PlotWindow</name>
    <message>
        <source>Plot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sample number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Seconds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;X axis:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Samples in &amp;view:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Fixed Y limits</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Lowest Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Highest Y</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Export CSV...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save &amp;Image...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only the first %1 series are plotted; numbers of further labels are left out</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 samples kept: each series keeps its last %2, the oldest were dropped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 samples kept (at most %2 a series)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV files (*.csv);;All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot write %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Samples written to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Image written to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>X %1   Y %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PortsDialog</name>
    <message>
        <source>Serial devices</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port number of %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SerialSetup</name>
    <message>
        <source>Parity N</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TerminalView</name>
    <message>
        <source>Copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Paste</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select All</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>Korvel logo</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
