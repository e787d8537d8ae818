<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>MainWindow</name>
    <message>
        <source>Vantorquelle</source>
        <translation>Vantorquelle</translation>
    </message>
</context>
</TS>
