<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ar" sourcelanguage="en">
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>أداة تحديث Corvane</translation>
    </message>
</context>
</TS>
