<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>FlyLink</name>
    <message>
        <source>Communication established</source>
        <translation>通信已建立</translation>
    </message>
    <message>
        <source>Communication disconnect</source>
        <translation>通信断开</translation>
    </message>
    <message>
        <source> cmd accepted</source>
        <translation> 命令已接受</translation>
    </message>
    <message>
        <source> cmd Provisionally refused</source>
        <translation> 命令暂时被拒绝</translation>
    </message>
    <message>
        <source> cmd refused</source>
        <translation> 命令被拒绝</translation>
    </message>
    <message>
        <source> cmd is invalid</source>
        <translation> 命令无效</translation>
    </message>
    <message>
        <source> cmd failed</source>
        <translation> 命令执行失败</translation>
    </message>
    <message>
        <source> cmd is In execution</source>
        <translation> 命令执行中</translation>
    </message>
    <message>
        <source> Unknown result</source>
        <translation> 未知结果</translation>
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
