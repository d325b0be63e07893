<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>Credits</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>Form</translation>
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
        <translation>Connect a device to check for updates</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>Multiple devices connected.

Connect one device only to check for updates.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>Your device is up to date.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>Current software version: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>QUIT</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>Updates are available for your device.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>New software version: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>Ensure coil is connected and batteries are charged</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>INSTALL</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>Restore a previous update version.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>No previous update versions available.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>CANCEL</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Downloading...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>Preparing to install...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>Installing...

Do not disconnect or turn off your device.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>Installation complete.

Your device can now be disconnected.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>Installation failed.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>TRY AGAIN</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>Battery Status Check Failed. Restart the detector then retry.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>Battery Low. Please charge your detector then retry.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>%1 identified.

Checking for updates...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>Download progress (%1%)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>Installation progress (%1%)</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;INSTALL&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>About %1</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</translation>
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
