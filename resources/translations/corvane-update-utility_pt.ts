<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt" sourcelanguage="en">
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
        <translation>Formulário</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Utilitário de atualização Corvane</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>Ligue um dispositivo para procurar atualizações</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>Vários dispositivos ligados.

Ligue apenas um dispositivo para procurar atualizações.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>O seu dispositivo está atualizado.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>Versão atual do software: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>SAIR</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>Há atualizações disponíveis para o seu dispositivo.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>Nova versão do software: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>Certifique-se de que a bobina está ligada e as baterias estão carregadas</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>INSTALAR</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Utilize a versão mais recente do Utilitário de atualização Corvane para garantir uma instalação bem-sucedida</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>Restaurar uma versão anterior da atualização.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>Não há versões anteriores da atualização disponíveis.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;TRANSFERIR E INSTALAR&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>CANCELAR</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>A transferir...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>A preparar a instalação...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>A instalar...

Não desconecte nem desligue o seu dispositivo.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>Instalação concluída.

Já pode desconectar o seu dispositivo.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>Falha na instalação.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>A atualização não foi instalada.&lt;br/&gt;
Tente novamente ou contacte um &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;centro de assistência Corvane&lt;/a&gt; para obter ajuda.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>TENTAR DE NOVO</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>Falha na verificação da bateria. Reinicie o detetor e tente novamente.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>Bateria fraca. Carregue o detetor e tente novamente.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>%1 identificado.

A procurar atualizações...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>Progresso da transferência (%1%)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>Progresso da instalação (%1%)</translation>
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
        <translation>&lt;b&gt;TRANSFERIR E INSTALAR&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;TRANSFERIR E INSTALAR&lt;/b&gt; (%L1 MB)</translation>
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
