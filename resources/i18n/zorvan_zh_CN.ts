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
    <name>IOHandler</name>
    <message>
        <source>open serial failed:</source>
        <translation>打开串口失败：</translation>
    </message>
</context>
<context>
    <name>LogManagerWidget</name>
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
        <source>Waiting for the unit&apos;s answer...</source>
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
        <source>The file&apos;s values equal the unit&apos;s.</source>
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
        <source>Item data upload completed, &#xd;
 please update the data to view!</source>
        <translation>项数据上传完成，&#xd;
请刷新数据查看！</translation>
    </message>
    <message>
        <source>Not uploaded (not common parameters of the unit): %1</source>
        <translation>未上传（不是设备的通用参数）：%1</translation>
    </message>
    <message>
        <source>Item(%1): &quot;%2&quot; is not a number, nothing was written.</source>
        <translation>参数(%1)：“%2”不是数字，未写入任何值。</translation>
    </message>
    <message>
        <source>Item(%1) is not a common parameter of the unit: not uploaded.</source>
        <translation>参数(%1)不是设备的通用参数：未上传。</translation>
    </message>
    <message>
        <source>Item(%1) data upload completed, &#xd;
 please update the data to view!</source>
        <translation>参数(%1)数据上传完成，&#xd;
请刷新数据查看！</translation>
    </message>
    <message>
        <source>Item(%1): &quot;%2&quot; is not a number, the value is unchanged.</source>
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
</TS>
