<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ar" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>شكر وتقدير</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>نموذج</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>أداة تحديث Corvane</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>وصّل جهازًا للتحقق من وجود تحديثات</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>عدة أجهزة متصلة.

وصّل جهازًا واحدًا فقط للتحقق من وجود تحديثات.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>جهازك محدّث.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>إصدار البرنامج الحالي: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>خروج</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>تتوفر تحديثات لجهازك.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>إصدار البرنامج الجديد: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>تأكد من توصيل ملف البحث ومن شحن البطاريات</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>تثبيت</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; يُرجى استخدام أحدث إصدار من أداة تحديث Corvane لضمان نجاح التثبيت</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>استعادة إصدار تحديث سابق.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>لا تتوفر إصدارات تحديث سابقة.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;تنزيل وتثبيت&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>إلغاء</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>جارٍ التنزيل...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>جارٍ التحضير للتثبيت...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>جارٍ التثبيت...

لا تفصل جهازك ولا تُطفئه.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>اكتمل التثبيت.

يمكنك الآن فصل جهازك.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>فشل التثبيت.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>لم يُثبَّت التحديث.&lt;br/&gt;
حاول مرة أخرى، أو تواصل مع &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;مركز خدمة Corvane&lt;/a&gt; للحصول على المساعدة.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>إعادة المحاولة</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>تعذّر التحقق من حالة البطارية. أعد تشغيل الكاشف ثم حاول مرة أخرى.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>البطارية منخفضة. يُرجى شحن الكاشف ثم المحاولة مرة أخرى.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>تم التعرّف على %1.

جارٍ البحث عن تحديثات...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>تقدّم التنزيل (%1%)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>تقدّم التثبيت (%1%)</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;تثبيت&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>حول %1</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;تنزيل وتثبيت&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;تنزيل وتثبيت&lt;/b&gt; (%L1 ميغابايت)</translation>
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
        <translation>موافق</translation>
    </message>
</context>
</TS>
