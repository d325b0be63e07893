<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>クレジット</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>フォーム</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Corvane アップデートユーティリティ</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>アップデートを確認するには、
デバイスを接続してください</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>複数のデバイスが接続されています。

アップデートを確認するには、
デバイスを1台だけ接続してください。</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>お使いのデバイスは最新の状態です。
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>現在のソフトウェアバージョン: %1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>お使いのデバイスにアップデートがあります。</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>新しいソフトウェアバージョン: %1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>コイルが接続され、バッテリーが充電されていることを確認してください</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>インストール</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; インストールを確実に行うため、&lt;br/&gt;最新の Corvane アップデートユーティリティをお使いください</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>以前のアップデートバージョンに戻します。</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>以前のアップデートバージョンはありません。</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;ダウンロードしてインストール&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>ダウンロード中...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>インストールの準備中...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>インストール中...

デバイスを取り外したり、
電源を切ったりしないでください。</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>インストールが完了しました。

デバイスを取り外せます。</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>インストールに失敗しました。</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>アップデートはインストールされませんでした。&lt;br/&gt;
もう一度お試しいただくか、&lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane サービスセンター&lt;/a&gt;にお問い合わせください。</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>再試行</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>バッテリーを確認できませんでした。探知機を再起動して再試行してください。</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>バッテリー残量が少なくなっています。探知機を充電してから、もう一度お試しください。</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>%1 を検出しました。

アップデートを確認しています...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>ダウンロードの進行状況 (%1%)</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>インストールの進行状況 (%1%)</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;インストール&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>%1 について</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;ダウンロードしてインストール&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;ダウンロードしてインストール&lt;/b&gt; (%L1MB)</translation>
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
