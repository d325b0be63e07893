<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>Danksagungen</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>Formular</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Corvane Update-Dienstprogramm</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>Schließen Sie ein Gerät an, um nach Updates zu suchen</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>Mehrere Geräte angeschlossen.

Schließen Sie nur ein Gerät an, um nach Updates zu suchen.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>Ihr Gerät ist auf dem neuesten Stand.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>Aktuelle Softwareversion: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>BEENDEN</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>Für Ihr Gerät sind Updates verfügbar.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>Neue Softwareversion: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>Achten Sie darauf, dass die Spule angeschlossen und die Akkus geladen sind</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>INSTALLIEREN</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Verwenden Sie das neueste Corvane Update-Dienstprogramm, damit die Installation gelingt</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>Eine frühere Update-Version wiederherstellen.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>Keine früheren Update-Versionen verfügbar.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;HERUNTERLADEN UND INSTALLIEREN&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ABBRECHEN</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Wird heruntergeladen...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>Installation wird vorbereitet...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>Wird installiert...

Trennen Sie Ihr Gerät nicht und schalten Sie es nicht aus.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>Installation abgeschlossen.

Sie können Ihr Gerät jetzt trennen.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>Installation fehlgeschlagen.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>Das Update wurde nicht installiert.&lt;br/&gt;
Versuchen Sie es erneut oder wenden Sie sich an ein &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane Servicecenter&lt;/a&gt;.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>WIEDERHOLEN</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>Akkuprüfung fehlgeschlagen. Starten Sie den Detektor neu und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>Akku schwach. Bitte laden Sie Ihren Detektor auf und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>%1 erkannt.

Suche nach Updates...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>Download-Fortschritt (%1 %)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>Installationsfortschritt (%1 %)</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;INSTALLIEREN&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;HERUNTERLADEN UND INSTALLIEREN&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;HERUNTERLADEN UND INSTALLIEREN&lt;/b&gt; (%L1 MB)</translation>
    </message>
</context>
<context>
    <name>UserPromptDialog</name>
    <message>
        <source>%1</source>
        <translation>%1</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
