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
    <name>ParamManagerWidget</name>
    <message>
        <source>INS_USB:</source>
        <translation>INS_USB 端口：</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>DisConnect</source>
        <translation>断开</translation>
    </message>
    <message>
        <source>SetParam</source>
        <translation>设置参数</translation>
    </message>
    <message>
        <source>GetParamList</source>
        <translation>获取参数列表</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>值</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Range</source>
        <translation>范围</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>Description</source>
        <translation>描述</translation>
    </message>
    <message>
        <source>no change</source>
        <translation>没有改变</translation>
    </message>
    <message>
        <source>change value of %1 to %2</source>
        <translation>将 %1 的值修改为 %2</translation>
    </message>
    <message>
        <source>%1 is not a number</source>
        <translation>%1 不是数字</translation>
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
