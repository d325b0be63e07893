<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>Crédits</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>Formulaire</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Utilitaire de mise à jour Corvane</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>Connectez un appareil pour rechercher des mises à jour</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>Plusieurs appareils sont connectés.

Connectez un seul appareil pour rechercher des mises à jour.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>Votre appareil est à jour.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>Version logicielle actuelle&#xa0;: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>QUITTER</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>Des mises à jour sont disponibles pour votre appareil.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>Nouvelle version logicielle&#xa0;: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>Vérifiez que le disque est branché et que les batteries sont chargées</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>INSTALLER</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Utilisez la dernière version de l&apos;Utilitaire de mise à jour Corvane pour que l&apos;installation réussisse</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>Restaurer une version précédente de la mise à jour.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>Aucune version précédente de la mise à jour n&apos;est disponible.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;TÉLÉCHARGER ET INSTALLER&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ANNULER</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Téléchargement...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>Préparation de l&apos;installation...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>Installation en cours...

Ne débranchez pas et n&apos;éteignez pas votre appareil.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>Installation terminée.

Vous pouvez maintenant débrancher votre appareil.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>Échec de l&apos;installation.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>La mise à jour n&apos;a pas été installée.&lt;br/&gt;
Réessayez ou contactez un &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;centre de service Corvane&lt;/a&gt; pour obtenir de l&apos;aide.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>RÉESSAYER</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>Échec de la vérification de la batterie. Redémarrez le détecteur, puis réessayez.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>Batterie faible. Rechargez votre détecteur, puis réessayez.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>%1 identifié.

Recherche de mises à jour...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>Progression du téléchargement (%1&#xa0;%)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>Progression de l&apos;installation (%1&#xa0;%)</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;INSTALLER&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>À propos de %1</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;TÉLÉCHARGER ET INSTALLER&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;TÉLÉCHARGER ET INSTALLER&lt;/b&gt; (%L1&#xa0;Mo)</translation>
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
