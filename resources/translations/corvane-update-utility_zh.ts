<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh" sourcelanguage="en">
<context>
    <name>AboutDialog</name>
    <message>
        <source>Credits</source>
        <translation>致谢</translation>
    </message>
</context>
<context>
    <name>ActivityIndicator</name>
    <message>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
</context>
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Corvane 更新工具</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Connect a device to check for updates</source>
        <translation>请连接设备以检查更新</translation>
    </message>
    <message>
        <source>Multiple devices connected.

Connect one device only to check for updates.</source>
        <translation>已连接多台设备。

请只连接一台设备以检查更新。</translation>
    </message>
    <message>
        <source>Your device is up to date.
</source>
        <translation>您的设备已是最新版本。
</translation>
    </message>
    <message>
        <source>Current software version: %1</source>
        <translation>当前软件版本：%1</translation>
    </message>
    <message>
        <source>QUIT</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Updates are available for your device.</source>
        <translation>您的设备有可用的更新。</translation>
    </message>
    <message>
        <source>New software version: %1</source>
        <translation>新软件版本：%1</translation>
    </message>
    <message>
        <source>Ensure coil is connected and batteries are charged</source>
        <translation>请确保线圈已连接且电池已充电</translation>
    </message>
    <message>
        <source>INSTALL</source>
        <translation>安装</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; Please use the latest Corvane Update Utility to ensure successful installation</source>
        <translation>&lt;html&gt;&lt;img src=&apos;:/Warning-19.png&apos;&gt;&lt;/html&gt; 请使用最新版 Corvane 更新工具，以确保安装成功</translation>
    </message>
    <message>
        <source>Restore a previous update version.</source>
        <translation>恢复到以前的更新版本。</translation>
    </message>
    <message>
        <source>No previous update versions available.</source>
        <translation>没有可用的以前更新版本。</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;下载并安装&lt;/b&gt;</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Downloading...</source>
        <translation>正在下载...</translation>
    </message>
    <message>
        <source>Preparing to install...</source>
        <translation>正在准备安装...</translation>
    </message>
    <message>
        <source>Installing...

Do not disconnect or turn off your device.</source>
        <translation>正在安装...

请勿断开或关闭设备。</translation>
    </message>
    <message>
        <source>Installation complete.

Your device can now be disconnected.</source>
        <translation>安装完成。

现在可以断开设备。</translation>
    </message>
    <message>
        <source>Installation failed.</source>
        <translation>安装失败。</translation>
    </message>
    <message>
        <source>The update has not been installed.&lt;br/&gt;
Try again, or contact a &lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane service centre&lt;/a&gt; for assistance.</source>
        <translation>更新未安装。&lt;br/&gt;
请重试，或联系&lt;a style=&quot;color:#E1251B;&quot; href=&quot;https://www.corvane.com/customer-care/service-support&quot;&gt;Corvane 服务中心&lt;/a&gt;获取帮助。</translation>
    </message>
    <message>
        <source>TRY AGAIN</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>Battery Status Check Failed. Restart the detector then retry.</source>
        <translation>电池状态检查失败。请重启探测器后重试。</translation>
    </message>
    <message>
        <source>Battery Low. Please charge your detector then retry.</source>
        <translation>电池电量低。请为探测器充电后重试。</translation>
    </message>
    <message>
        <source>%1 identified.

Checking for updates...</source>
        <translation>已识别 %1。

正在检查更新...</translation>
    </message>
    <message>
        <source>Download progress (%1%)</source>
        <translation>下载进度（%1%）</translation>
    </message>
    <message>
        <source>Installation progress (%1%)</source>
        <translation>安装进度（%1%）</translation>
    </message>
    <message>
        <source>&lt;b&gt;INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;安装&lt;/b&gt;</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>关于 %1</translation>
    </message>
</context>
<context>
    <name>QCoreApplication</name>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt;</source>
        <translation>&lt;b&gt;下载并安装&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;DOWNLOAD AND INSTALL&lt;/b&gt; (%L1MB)</source>
        <translation>&lt;b&gt;下载并安装&lt;/b&gt; (%L1MB)</translation>
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
        <translation>确定</translation>
    </message>
</context>
</TS>
