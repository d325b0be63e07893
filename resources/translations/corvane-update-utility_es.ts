<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>Créditos</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>Formulario</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Utilidad de actualización Corvane</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>Conecte un dispositivo para buscar actualizaciones</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>Hay varios dispositivos conectados.

Conecte un solo dispositivo para buscar actualizaciones.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>Su dispositivo está actualizado.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>Versión de software actual: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>SALIR</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>Hay actualizaciones disponibles para su dispositivo.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>Nueva versión de software: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>Asegúrese de que la bobina esté conectada y las baterías cargadas</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>INSTALAR</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Use la versión más reciente de la Utilidad de actualización Corvane para que la instalación se realice correctamente</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>Restaurar una versión de actualización anterior.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>No hay versiones de actualización anteriores disponibles.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;DESCARGAR E INSTALAR&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>CANCELAR</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Descargando...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>Preparando la instalación...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>Instalando...

No desconecte ni apague su dispositivo.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>Instalación completada.

Ya puede desconectar su dispositivo.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>Error en la instalación.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>La actualización no se ha instalado.&lt;br/&gt;
Vuelva a intentarlo o póngase en contacto con un &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;centro de servicio Corvane&lt;/a&gt; para obtener ayuda.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>REINTENTAR</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>No se pudo comprobar el estado de la batería. Reinicie el detector y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>Batería baja. Cargue el detector y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>%1 identificado.

Buscando actualizaciones...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>Progreso de la descarga (%1 %)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>Progreso de la instalación (%1 %)</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;INSTALAR&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Acerca de %1</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;DESCARGAR E INSTALAR&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;DESCARGAR E INSTALAR&lt;/b&gt; (%L1 MB)</translation>
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
        <translation>Aceptar</translation>
    </message>
</context>
</TS>
