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
    <name>InsTransport</name>
    <message>
        <source>Connect</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>LocalIp</source>
        <translation>本地IP</translation>
    </message>
    <message>
        <source>LocalPort</source>
        <translation>本地端口</translation>
    </message>
    <message>
        <source>RemoteIp</source>
        <translation>远端IP</translation>
    </message>
    <message>
        <source>RemotePort</source>
        <translation>远端端口</translation>
    </message>
    <message>
        <source>DisConnect</source>
        <translation>断开</translation>
    </message>
    <message>
        <source>Ptl</source>
        <translation>协议</translation>
    </message>
    <message>
        <source>Mavlink</source>
        <translation>Mavlink</translation>
    </message>
    <message>
        <source>KavoLink</source>
        <translation>KavoLink</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>重启</translation>
    </message>
    <message>
        <source>Param</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Curr</source>
        <translation>当前值</translation>
    </message>
    <message>
        <source>Query</source>
        <translation>查询</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>设定值</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>MagCali</source>
        <translation>磁罗盘校准</translation>
    </message>
    <message>
        <source>CurrentMag</source>
        <translation>当前航向</translation>
    </message>
    <message>
        <source>RealMag</source>
        <translation>真实航向</translation>
    </message>
    <message>
        <source>Cali</source>
        <translation>校准</translation>
    </message>
    <message>
        <source>Waiting for the unit</source>
        <translation>等待设备应答</translation>
    </message>
    <message>
        <source>Not connected</source>
        <translation>未连接</translation>
    </message>
    <message>
        <source>Unit answering</source>
        <translation>设备正在应答</translation>
    </message>
    <message>
        <source>Unit not answering</source>
        <translation>设备无应答</translation>
    </message>
    <message>
        <source>The unit stopped answering</source>
        <translation>设备已停止应答</translation>
    </message>
    <message>
        <source>Not a valid local address: %1:%2</source>
        <translation>本地地址无效：%1:%2</translation>
    </message>
    <message>
        <source>Not a valid remote address: %1:%2</source>
        <translation>远端地址无效：%1:%2</translation>
    </message>
    <message>
        <source>The local address %1:%2 is in use</source>
        <translation>本地地址 %1:%2 已被占用</translation>
    </message>
    <message>
        <source>Not a number: %1</source>
        <translation>不是数字：%1</translation>
    </message>
    <message>
        <source>Not a heading in degrees: %1</source>
        <translation>不是以度为单位的航向：%1</translation>
    </message>
    <message>
        <source>set param: %1, value:%2</source>
        <translation>设置参数：%1，值：%2</translation>
    </message>
    <message>
        <source>rec param: %1, value:%2</source>
        <translation>收到参数：%1，值：%2</translation>
    </message>
    <message>
        <source>Cannot open %1:%2</source>
        <translation>无法打开 %1:%2</translation>
    </message>
</context>
<context>
    <name>IOHandler</name>
    <message>
        <source>open serial failed:</source>
        <translation>打开串口失败：</translation>
    </message>
</context>
<context>
    <name>LogManagerWidget</name>
    <message>
        <source>Cannot write the log file %1: %2</source>
        <translation>无法写入日志文件 %1：%2</translation>
    </message>
    <message>
        <source>INS_USB:</source>
        <translation>INS_USB：</translation>
    </message>
    <message>
        <source>Conncet</source>
        <translation>连接</translation>
    </message>
    <message>
        <source>DisConnect</source>
        <translation>断开</translation>
    </message>
    <message>
        <source>GetLogList</source>
        <translation>获取日志列表</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>下载</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>ClearLog</source>
        <translation>清除日志</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>编号</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>DateTime</source>
        <translation>日期时间</translation>
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
        <source>paracfg.xlsx refused (%1); parameters are listed without descriptions</source>
        <translation>paracfg.xlsx 被拒绝（%1）；参数列表不显示说明</translation>
    </message>
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
    <name>SerialComWidget</name>
    <message>
        <source>FMU_USB:</source>
        <translation>FMU_USB 端口:</translation>
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
        <source>Send</source>
        <translation>发送</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>CommonCmd:</source>
        <translation>常用命令:</translation>
    </message>
    <message>
        <source>SimCtl:</source>
        <translation>仿真控制:</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Airspeed</source>
        <translation>空速</translation>
    </message>
    <message>
        <source>ThreadState</source>
        <translation>线程状态</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>内存</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Reboot</source>
        <translation>重启</translation>
    </message>
    <message>
        <source>Factory</source>
        <translation>恢复出厂</translation>
    </message>
    <message>
        <source>FatfsFormat</source>
        <translation>格式化文件系统</translation>
    </message>
    <message>
        <source>SimMode</source>
        <translation>仿真模式</translation>
    </message>
    <message>
        <source>SimStart</source>
        <translation>仿真开始</translation>
    </message>
    <message>
        <source>SimPause</source>
        <translation>仿真暂停</translation>
    </message>
    <message>
        <source>SimContinue</source>
        <translation>仿真继续</translation>
    </message>
    <message>
        <source>SimStop</source>
        <translation>仿真停止</translation>
    </message>
    <message>
        <source>FlightMode</source>
        <translation>飞行模式</translation>
    </message>
    <message>
        <source>reboot zorvan ???</source>
        <translation>确定重启 zorvan ？？？</translation>
    </message>
    <message>
        <source>factory zorvan ???</source>
        <translation>确定将 zorvan 恢复出厂设置 ？？？</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>Text Files (*.txt)</source>
        <translation>文本文件 (*.txt)</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Could not open file for writing: </source>
        <translation>无法打开文件进行写入：</translation>
    </message>
    <message>
        <source>Could not write file: </source>
        <translation>无法写入文件：</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>File saved successfully: </source>
        <translation>文件保存成功：</translation>
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
<context>
    <name>SerialPermissionHint</name>
    <message>
        <source>add your user to the 'dialout' group, then log in again</source>
        <translation>请将您的用户加入 'dialout' 组，然后重新登录</translation>
    </message>
</context>
<context>
    <name>MavlinkUnitLabel</name>
    <message>
        <source>Unit: none</source>
        <translation>飞控：无</translation>
    </message>
    <message>
        <source>Unit: system %1, component %2</source>
        <translation>飞控：系统 %1，组件 %2</translation>
    </message>
</context>
</TS>
