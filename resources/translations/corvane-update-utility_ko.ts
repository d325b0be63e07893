<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>크레딧</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>폼</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Corvane 업데이트 유틸리티</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>업데이트를 확인하려면 기기를 연결하세요</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>여러 기기가 연결되어 있습니다.

업데이트를 확인하려면 기기를 하나만 연결하세요.</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>기기가 최신 상태입니다.
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>현재 소프트웨어 버전: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>종료</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>기기에 사용할 수 있는 업데이트가 있습니다.</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>새 소프트웨어 버전: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>코일이 연결되어 있고 배터리가 충전되어 있는지 확인하세요</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>설치</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; 설치가 제대로 되도록 최신 Corvane 업데이트 유틸리티를 사용하세요</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>이전 업데이트 버전으로 복원합니다.</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>사용할 수 있는 이전 업데이트 버전이 없습니다.</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;다운로드 및 설치&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>취소</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>다운로드 중...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>설치 준비 중...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>설치 중...

기기의 연결을 끊거나 전원을 끄지 마세요.</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>설치가 완료되었습니다.

이제 기기의 연결을 끊어도 됩니다.</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>설치에 실패했습니다.</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>업데이트가 설치되지 않았습니다.&lt;br/&gt;
다시 시도하거나 &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane 서비스 센터&lt;/a&gt;에 문의하세요.</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>다시 시도</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>배터리 상태를 확인하지 못했습니다. 탐지기를 다시 시작한 후 다시 시도하세요.</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>배터리가 부족합니다. 탐지기를 충전한 후 다시 시도하세요.</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>%1 감지됨.

업데이트를 확인하는 중...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>다운로드 진행률 (%1%)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>설치 진행률 (%1%)</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;설치&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>%1 정보</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;다운로드 및 설치&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;다운로드 및 설치&lt;/b&gt; (%L1MB)</translation>
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
        <translation>확인</translation>
    </message>
</context>
</TS>
