<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="mn" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>Талархал</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>Маягт</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Corvane шинэчлэлийн хэрэгсэл</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>Шинэчлэлт шалгахын тулд төхөөрөмжөө холбоно уу</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>Олон төхөөрөмж холбогдсон байна.

Шинэчлэлт шалгахын тулд зөвхөн нэг төхөөрөмж холбоно уу.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>Таны төхөөрөмж хамгийн сүүлийн хувилбартай байна.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>Одоогийн програмын хувилбар: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>ГАРАХ</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>Таны төхөөрөмжид шинэчлэлт гарсан байна.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>Програмын шинэ хувилбар: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>Ороомог холбогдсон, батарей цэнэглэгдсэн эсэхийг шалгана уу</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>СУУЛГАХ</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Амжилттай суулгахын тулд Corvane шинэчлэлийн хэрэгслийн хамгийн сүүлийн хувилбарыг ашиглана уу</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>Өмнөх шинэчлэлтийн хувилбарыг сэргээх.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>Өмнөх шинэчлэлтийн хувилбар байхгүй байна.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;ТАТАЖ АВААД СУУЛГАХ&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>ЦУЦЛАХ</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>Татаж байна...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>Суулгахад бэлтгэж байна...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>Суулгаж байна...

Төхөөрөмжөө салгаж, унтрааж болохгүй.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>Суулгаж дууслаа.

Одоо төхөөрөмжөө салгаж болно.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>Суулгаж чадсангүй.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>Шинэчлэлт суусангүй.&lt;br/&gt;
Дахин оролдох эсвэл тусламж авахын тулд &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane үйлчилгээний төвтэй&lt;/a&gt; холбогдоно уу.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>ДАХИН ОРОЛДОХ</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>Батарейн төлөвийг шалгаж чадсангүй. Илрүүлэгчээ унтрааж асаагаад дахин оролдоно уу.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>Батарейн цэнэг бага байна. Илрүүлэгчээ цэнэглээд дахин оролдоно уу.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>%1 танигдлаа.

Шинэчлэлт шалгаж байна...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>Татаж авалтын явц (%1%)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>Суулгалтын явц (%1%)</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;СУУЛГАХ&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>%1 тухай</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;ТАТАЖ АВААД СУУЛГАХ&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;ТАТАЖ АВААД СУУЛГАХ&lt;/b&gt; (%L1 МБ)</translation>
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
