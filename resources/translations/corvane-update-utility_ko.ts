<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko" sourcelanguage="en">
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Corvane 업데이트 유틸리티</translation>
    </message>
</context>
</TS>
