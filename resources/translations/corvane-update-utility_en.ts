<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Corvane Update Utility</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UserPromptDialog</name>
    <message>
        <source>%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
