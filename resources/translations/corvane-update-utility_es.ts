<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Utilidad de actualización Corvane</translation>
    </message>
</context>
</TS>
