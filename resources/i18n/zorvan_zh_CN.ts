<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>IOHandler</name>
    <message>
        <source>open serial failed:</source>
        <translation>打开串口失败：</translation>
    </message>
</context>
<context>
    <name>MainWidget</name>
    <message>
        <source>Please connect FMU-USB port of Zorvan with Type-C cable</source>
        <translation>请使用 Type-C 数据线连接 Zorvan 的 FMU-USB 接口</translation>
    </message>
    <message>
        <source>Uploader</source>
        <translation>固件升级</translation>
    </message>
    <message>
        <source>Shell</source>
        <translation>终端</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>Param</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>ORVE</source>
        <translation>ORVE</translation>
    </message>
    <message>
        <source>Transport</source>
        <translation>传输</translation>
    </message>
</context>
<context>
    <name>SerialPortList</name>
    <message>
        <source>Simulated port</source>
        <translation>模拟端口</translation>
    </message>
</context>
<context>
    <name>TApp</name>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
</context>
</TS>
