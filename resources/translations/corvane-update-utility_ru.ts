<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>Благодарности</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>Форма</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Утилита обновления Corvane</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>Подключите устройство, чтобы проверить наличие обновлений</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>Подключено несколько устройств.

Подключите только одно устройство, чтобы проверить наличие обновлений.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>На устройстве установлена последняя версия ПО.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>Текущая версия ПО: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>ВЫХОД</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>Для вашего устройства доступны обновления.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>Новая версия ПО: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>Убедитесь, что катушка подключена, а аккумуляторы заряжены</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>УСТАНОВИТЬ</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Для успешной установки используйте последнюю версию Утилиты обновления Corvane</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>Восстановить предыдущую версию обновления.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>Предыдущих версий обновления нет.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;СКАЧАТЬ И УСТАНОВИТЬ&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ОТМЕНА</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Скачивание...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>Подготовка к установке...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>Установка...

Не отключайте и не выключайте устройство.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>Установка завершена.

Теперь устройство можно отключить.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>Ошибка установки.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>Обновление не установлено.&lt;br/&gt;
Повторите попытку или обратитесь за помощью в &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;сервисный центр Corvane&lt;/a&gt;.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>ПОВТОРИТЬ</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>Не удалось проверить аккумулятор. Перезапустите металлоискатель и повторите попытку.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>Низкий заряд аккумулятора. Зарядите металлоискатель и повторите попытку.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>Обнаружен %1.

Поиск обновлений...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>Скачано: %1%</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>Установлено: %1%</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;УСТАНОВИТЬ&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>О программе %1</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;СКАЧАТЬ И УСТАНОВИТЬ&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;СКАЧАТЬ И УСТАНОВИТЬ&lt;/b&gt; (%L1 МБ)</translation>
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
        <translation>ОК</translation>
    </message>
</context>
</TS>
