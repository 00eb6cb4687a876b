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
<context>
    <name>BasicWidget</name>
    <message>
        <source>INS_Tools-</source>
        <translation>惯导工具-</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>串口</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>AutoCon</source>
        <translation>自动连接</translation>
    </message>
    <message>
        <source>HardWareInfo</source>
        <translation>硬件信息</translation>
    </message>
    <message>
        <source>HW:</source>
        <translation>硬件:</translation>
    </message>
    <message>
        <source>FW:</source>
        <translation>固件:</translation>
    </message>
    <message>
        <source>PTL:</source>
        <translation>协议:</translation>
    </message>
    <message>
        <source>SN:</source>
        <translation>序列号:</translation>
    </message>
    <message>
        <source>SensorInfo</source>
        <translation>传感器信息</translation>
    </message>
    <message>
        <source>ATT(°)</source>
        <translation>姿态(°)</translation>
    </message>
    <message>
        <source>Roll</source>
        <translation>横滚</translation>
    </message>
    <message>
        <source>Pitch</source>
        <translation>俯仰</translation>
    </message>
    <message>
        <source>Yaw</source>
        <translation>航向</translation>
    </message>
    <message>
        <source>ACC(m/ss)</source>
        <translation>加速度(m/ss)</translation>
    </message>
    <message>
        <source>GYRO(°/s)</source>
        <translation>角速度(°/s)</translation>
    </message>
    <message>
        <source>NUM:</source>
        <translation>星数:</translation>
    </message>
    <message>
        <source>Num:</source>
        <translation>星数:</translation>
    </message>
    <message>
        <source>SystemStatus</source>
        <translation>系统状态</translation>
    </message>
    <message>
        <source>Acc</source>
        <translation>加速度计</translation>
    </message>
    <message>
        <source>Gyro</source>
        <translation>陀螺仪</translation>
    </message>
    <message>
        <source>Compass</source>
        <translation>磁罗盘</translation>
    </message>
    <message>
        <source>Satellite</source>
        <translation>卫星</translation>
    </message>
    <message>
        <source>Baro</source>
        <translation>气压计</translation>
    </message>
    <message>
        <source>Airspeed</source>
        <translation>空速计</translation>
    </message>
    <message>
        <source>Posture</source>
        <translation>姿态</translation>
    </message>
    <message>
        <source>Temperature</source>
        <translation>温度</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>工具</translation>
    </message>
    <message>
        <source>GyroCali</source>
        <translation>陀螺校准</translation>
    </message>
    <message>
        <source>BaroCali</source>
        <translation>气压校准</translation>
    </message>
    <message>
        <source>MagCali</source>
        <translation>磁校准</translation>
    </message>
    <message>
        <source>LevelCali</source>
        <translation>水平校准</translation>
    </message>
    <message>
        <source>TempCali</source>
        <translation>温度校准</translation>
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
        <source>Bootloader</source>
        <translation>更新引导程序</translation>
    </message>
    <message>
        <source>Param</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Log</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>SetSN</source>
        <translation>写序列号</translation>
    </message>
    <message>
        <source>AccCali</source>
        <translation>加速度校准</translation>
    </message>
    <message>
        <source>Msg</source>
        <translation>消息</translation>
    </message>
    <message>
        <source>HUD</source>
        <translation>仪表</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Communication disconnected</source>
        <translation>通信已断开</translation>
    </message>
    <message>
        <source>This window is not available yet</source>
        <translation>该窗口暂不可用</translation>
    </message>
</context>
<context>
    <name>WidgetADI</name>
    <message>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
</context>
<context>
    <name>WidgetHSI</name>
    <message>
        <source>Form</source>
        <translation>窗体</translation>
    </message>
</context>
<context>
    <name>G_CFG_AccCali</name>
    <message>
        <source>AccCali</source>
        <translation>加速度计校准</translation>
    </message>
    <message>
        <source>WaitingForStart</source>
        <translation>等待开始</translation>
    </message>
    <message>
        <source>Add the basic calibration, position the aircraft horizontally,Calibration shall be performed after the aircraft is stabilized.</source>
        <translation>基础校准：将飞行器水平放置，待飞行器稳定后进行校准。</translation>
    </message>
    <message>
        <source>3D Cali</source>
        <translation>3D校准</translation>
    </message>
    <message>
        <source>BasicCali</source>
        <translation>基础校准</translation>
    </message>
    <message>
        <source>ContinueCali</source>
        <translation>继续校准</translation>
    </message>
    <message>
        <source>Waiting for the unit</source>
        <translation>等待设备响应</translation>
    </message>
    <message>
        <source>StopCali</source>
        <translation>停止校准</translation>
    </message>
    <message>
        <source>Wait to start</source>
        <translation>等待开始</translation>
    </message>
    <message>
        <source>Horizontal placement</source>
        <translation>水平放置</translation>
    </message>
    <message>
        <source>Place left side down</source>
        <translation>左侧朝下放置</translation>
    </message>
    <message>
        <source>Place right side down</source>
        <translation>右侧朝下放置</translation>
    </message>
    <message>
        <source>Position nose down</source>
        <translation>机头朝下放置</translation>
    </message>
    <message>
        <source>Position nose up</source>
        <translation>机头朝上放置</translation>
    </message>
    <message>
        <source>Place back side up</source>
        <translation>背面朝上放置</translation>
    </message>
    <message>
        <source>Accelerometer calibration successful</source>
        <translation>加速度计校准成功</translation>
    </message>
    <message>
        <source>Accelerometer calibration failed</source>
        <translation>加速度计校准失败</translation>
    </message>
    <message>
        <source>Unknown state</source>
        <translation>未知状态</translation>
    </message>
    <message>
        <source>Communication disconnected</source>
        <translation>通信已断开</translation>
    </message>
</context>
<context>
    <name>G_CFG_IMUTemp_Cali</name>
    <message>
        <source>IMU TempCali</source>
        <translation>IMU温度校准</translation>
    </message>
    <message>
        <source>AccCaliTemp</source>
        <translation>加速度计校准温度</translation>
    </message>
    <message>
        <source>GyroCaliTemp</source>
        <translation>陀螺仪校准温度</translation>
    </message>
    <message>
        <source>IMUCaliTempMax</source>
        <translation>IMU校准最高温度</translation>
    </message>
    <message>
        <source>IMUCaliTempMin</source>
        <translation>IMU校准最低温度</translation>
    </message>
    <message>
        <source>CaliStatus</source>
        <translation>校准状态</translation>
    </message>
    <message>
        <source>CurrTemp</source>
        <translation>当前温度</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>开启</translation>
    </message>
    <message>
        <source>ReadyCali</source>
        <translation>准备校准</translation>
    </message>
    <message>
        <source>Close(usb)</source>
        <translation>关闭(USB)</translation>
    </message>
    <message>
        <source>DropUnlockLog</source>
        <translation>丢弃解锁日志</translation>
    </message>
    <message>
        <source>SaveTempCaliData</source>
        <translation>保存温度校准数据</translation>
    </message>
    <message>
        <source>SaveAccCaliData</source>
        <translation>保存加速度计校准数据</translation>
    </message>
    <message>
        <source>SaveTempAndAccCaliData</source>
        <translation>保存温度和加速度计校准数据</translation>
    </message>
    <message>
        <source>Config</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>Query</source>
        <translation>查询</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>TempCaliConfigOneTime</source>
        <translation>一键配置温度校准</translation>
    </message>
    <message>
        <source>RelatedConfig</source>
        <translation>相关配置</translation>
    </message>
    <message>
        <source>ConstantTargetTemp</source>
        <translation>恒温目标温度</translation>
    </message>
    <message>
        <source>LockStateLog</source>
        <translation>锁定状态日志</translation>
    </message>
    <message>
        <source>SaveToBootConfiguration</source>
        <translation>保存到启动配置</translation>
    </message>
</context>
<context>
    <name>G_CFG_MagCali</name>
    <message>
        <source>MagCali</source>
        <translation>磁罗盘校准</translation>
    </message>
    <message>
        <source>Magnetic compass calibration: please be carried out in an open field outside, without any ferromagnetic objects,After the completion of the positioning of the aircraft,rotate along the six axes of the aircraft respectively.</source>
        <translation>磁罗盘校准：请在室外空旷处进行，周围不要有铁磁性物体；飞行器定位完成后，分别绕飞行器的六个轴旋转。</translation>
    </message>
    <message>
        <source>In-flight magnetic compass calibration:Please perform it in self-stabilizing or fixed altitude mode,Click the calibration, fly into the air and rotate in a circle, and the flight control will automatically calibrate,and the flight control will remind the calibration is completed when the calibration is finished.</source>
        <translation>飞行中磁罗盘校准：请在自稳或定高模式下进行。点击校准后起飞并在空中转圈，飞控将自动校准，校准完成后飞控会提示校准完成。</translation>
    </message>
    <message>
        <source>Simple calibration: When the size of the aircraft is large and the conventional calibration method cannot be used for magnetic compass calibration, the simple calibration method can be used. In an outdoor open field, after the positioning of the aircraft is completed, the aircraft can be horizontally placed in a fixed position and calibrated using a mobile phone.</source>
        <translation>简易校准：飞行器尺寸较大、无法用常规方法校准磁罗盘时，可使用简易校准。在室外空旷处，飞行器定位完成后，将飞行器水平放置在固定位置，并借助手机确定航向进行校准。</translation>
    </message>
    <message>
        <source>NotStarted</source>
        <translation>未开始</translation>
    </message>
    <message>
        <source>Wait to start</source>
        <translation>等待开始</translation>
    </message>
    <message>
        <source>calibration</source>
        <translation>校准中</translation>
    </message>
    <message>
        <source>calibration...</source>
        <translation>校准中...</translation>
    </message>
    <message>
        <source>Calibration success</source>
        <translation>校准成功</translation>
    </message>
    <message>
        <source>Calibration failure</source>
        <translation>校准失败</translation>
    </message>
    <message>
        <source>Wrong direction</source>
        <translation>方向错误</translation>
    </message>
    <message>
        <source>Radius error</source>
        <translation>半径错误</translation>
    </message>
    <message>
        <source>StartCali</source>
        <translation>开始校准</translation>
    </message>
    <message>
        <source>StopCali</source>
        <translation>停止校准</translation>
    </message>
    <message>
        <source>CancelCali</source>
        <translation>取消校准</translation>
    </message>
    <message>
        <source>Standard calibration</source>
        <translation>标准校准</translation>
    </message>
    <message>
        <source>In-flight calibration</source>
        <translation>飞行中校准</translation>
    </message>
    <message>
        <source>Simple calibration</source>
        <translation>简易校准</translation>
    </message>
    <message>
        <source>Compass</source>
        <translation>罗盘</translation>
    </message>
    <message>
        <source>Communication disconnected</source>
        <translation>通信已断开</translation>
    </message>
</context>
<context>
    <name>G_CFG_SerialNumber</name>
    <message>
        <source>Once written, the serial number cannot be modified!!</source>
        <translation>序列号一旦写入，将无法修改！！</translation>
    </message>
    <message>
        <source>WriteSN</source>
        <translation>写入SN</translation>
    </message>
    <message>
        <source>Confirm to write SN to flight control:</source>
        <translation>确认向飞控写入SN：</translation>
    </message>
    <message>
        <source>The flight control is written to the OTP area and once written can never be modified.</source>
        <translation>序列号写入飞控的OTP区域，一旦写入将永远无法修改。</translation>
    </message>
    <message>
        <source>Waiting for the unit's answer...</source>
        <translation>等待设备应答...</translation>
    </message>
    <message>
        <source>The unit refused the serial number: %1</source>
        <translation>设备拒绝了该序列号：%1</translation>
    </message>
    <message>
        <source>The unit accepted the serial number: %1</source>
        <translation>设备已接受该序列号：%1</translation>
    </message>
    <message>
        <source>The unit reports serial number %1: the write took.</source>
        <translation>设备报告序列号 %1：写入成功。</translation>
    </message>
    <message>
        <source>The unit reports serial number %1, not the written %2.</source>
        <translation>设备报告序列号 %1，而非写入的 %2。</translation>
    </message>
</context>
<context>
    <name>G_CFG_LogManager</name>
    <message>
        <source>Cannot write the log file %1: %2</source>
        <translation>无法写入日志文件 %1：%2</translation>
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
        <source>ClearLogs</source>
        <translation>清除日志</translation>
    </message>
    <message>
        <source>LogPath</source>
        <translation>日志路径</translation>
    </message>
</context>
<context>
    <name>LogModel</name>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>已下载</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>DateTime</source>
        <translation>日期时间</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
</context>
<context>
    <name>ParamTableModel</name>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>值</translation>
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
        <source>None</source>
        <translation>无</translation>
    </message>
</context>
<context>
    <name>ParamCompareDialog</name>
    <message>
        <source>Compare with the unit</source>
        <translation>与设备比较</translation>
    </message>
    <message>
        <source>The file's values equal the unit's.</source>
        <translation>文件中的值与设备一致。</translation>
    </message>
    <message>
        <source>%1 parameters of the file differ from the unit:</source>
        <translation>文件中有 %1 个参数与设备不同：</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Unit value</source>
        <translation>设备值</translation>
    </message>
    <message>
        <source>File value</source>
        <translation>文件值</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>加载</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>G_CFG_CommonParam</name>
    <message>
        <source>ParamSet</source>
        <translation>参数设置</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>上传</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>下载</translation>
    </message>
    <message>
        <source>StartDownload</source>
        <translation>开始下载</translation>
    </message>
    <message>
        <source>CancelDownload</source>
        <translation>取消下载</translation>
    </message>
    <message>
        <source>LoadFile</source>
        <translation>加载文件</translation>
    </message>
    <message>
        <source>SaveFile</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>SetValue</source>
        <translation>设置</translation>
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
        <source>Select file</source>
        <translation>选择文件</translation>
    </message>
    <message>
        <source>Parameter file(*.param);;All files(*.*)</source>
        <translation>参数文件(*.param);;所有文件(*.*)</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Upload failed, the communication is abnormal</source>
        <translation>上传失败，通信异常</translation>
    </message>
    <message>
        <source>Item data upload completed, 
 please update the data to view!</source>
        <translation>项数据上传完成，
请刷新数据查看！</translation>
    </message>
    <message>
        <source>Not uploaded (not common parameters of the unit): %1</source>
        <translation>未上传（不是设备的通用参数）：%1</translation>
    </message>
    <message>
        <source>Item(%1): "%2" is not a number, nothing was written.</source>
        <translation>参数(%1)：“%2”不是数字，未写入任何值。</translation>
    </message>
    <message>
        <source>Item(%1) is not a common parameter of the unit: not uploaded.</source>
        <translation>参数(%1)不是设备的通用参数：未上传。</translation>
    </message>
    <message>
        <source>Item(%1) data upload completed, 
 please update the data to view!</source>
        <translation>参数(%1)数据上传完成，
请刷新数据查看！</translation>
    </message>
    <message>
        <source>Item(%1): "%2" is not a number, the value is unchanged.</source>
        <translation>参数(%1)：“%2”不是数字，值未改变。</translation>
    </message>
    <message>
        <source>Saving failed: %1</source>
        <translation>保存失败：%1</translation>
    </message>
    <message>
        <source>The parameters were saved, but the board log could not be written: %1</source>
        <translation>参数已保存，但无法写入板卡记录：%1</translation>
    </message>
    <message>
        <source>Item parameters are saved successfully!</source>
        <translation>项参数保存成功！</translation>
    </message>
    <message>
        <source>File loading failure!</source>
        <translation>文件加载失败！</translation>
    </message>
    <message>
        <source>No ParamStart line in the file: nothing was loaded.</source>
        <translation>文件中没有 ParamStart 行：未加载任何内容。</translation>
    </message>
    <message>
        <source>Item parameters were successfully loaded!</source>
        <translation>项参数加载成功！</translation>
    </message>
    <message>
        <source>Lines not loaded (no NAME,VALUE): %1</source>
        <translation>未加载的行（不是 名称,值）：%1</translation>
    </message>
</context>
<context>
    <name>ParamValueCheck</name>
    <message>
        <source>%1 is not a number</source>
        <translation>%1 不是数字</translation>
    </message>
    <message>
        <source>%1 is not a whole number, as %2 requires</source>
        <translation>%1 不是整数，%2 类型要求整数</translation>
    </message>
    <message>
        <source>%1 is outside the range of %2 (%3..%4)</source>
        <translation>%1 超出 %2 的范围（%3..%4）</translation>
    </message>
    <message>
        <source>%1 cannot travel exactly in a parameter&apos;s 32-bit float (the nearest is %2)</source>
        <translation>%1 无法用参数的 32 位浮点数精确传输（最接近的值为 %2）</translation>
    </message>
    <message>
        <source>%1 is outside the range of a 32-bit float</source>
        <translation>%1 超出 32 位浮点数的范围</translation>
    </message>
    <message>
        <source>%1 travels as %2, the nearest 32-bit float</source>
        <translation>%1 将以最接近的 32 位浮点数 %2 传输</translation>
    </message>
    <message>
        <source>the name must have 1 to 16 ASCII characters</source>
        <translation>名称必须为 1 到 16 个 ASCII 字符</translation>
    </message>
</context>
</TS>
