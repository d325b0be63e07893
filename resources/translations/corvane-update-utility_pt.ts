<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt" sourcelanguage="en">
<context>
    <name>Application Name</name>
    <message>
        <source>Corvane Update Utility</source>
        <translation>Utilitário de atualização Corvane</translation>
    </message>
</context>
</TS>
