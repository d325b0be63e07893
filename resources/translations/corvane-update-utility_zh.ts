<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh" sourcelanguage="en">
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Corvane 更新工具</translation>
    </message>
</context>
</TS>
