<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>TAboutBox</name>
    <message>
        <source>About Us</source>
        <translation>关于我们</translation>
    </message>
    <message>
        <source>Batch converter for audio and video files</source>
        <translation>音频视频批量转换</translation>
    </message>
    <message>
        <source>Built on the FFmpeg libraries and Qt %1</source>
        <translation>基于 FFmpeg 与 Qt %1 构建</translation>
    </message>
    <message>
        <source>Contact us:</source>
        <translation>联系我们：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
</context>
<context>
    <name>TMirelkApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>未知错误</translation>
    </message>
</context>
<context>
    <name>TModernFormatPage</name>
    <message>
        <source>VP9 pictures and Opus sound: plays in every web browser.</source>
        <translation>VP9 画面与 Opus 声音：各种网页浏览器都能播放。</translation>
    </message>
    <message>
        <source>HEVC (H.265) pictures and AAC sound: about half the size of H.264 at the same quality.</source>
        <translation>HEVC（H.265）画面与 AAC 声音：同样画质下文件约为 H.264 的一半。</translation>
    </message>
    <message>
        <source>AV1 pictures and Opus sound: the smallest files, but slow to make.</source>
        <translation>AV1 画面与 Opus 声音：文件最小，但转换较慢。</translation>
    </message>
    <message>
        <source>AV1 pictures and AAC sound in an MP4 file, for newer players.</source>
        <translation>MP4 文件中的 AV1 画面与 AAC 声音，适合较新的播放器。</translation>
    </message>
    <message>
        <source>Sound only, without any loss: for keeping music.</source>
        <translation>只有声音，完全无损：适合保存音乐。</translation>
    </message>
    <message>
        <source>Sound only, small files of good quality, for speech and music.</source>
        <translation>只有声音，文件小而音质好，适合语音和音乐。</translation>
    </message>
    <message>
        <source>Sound only, without any loss, for Apple devices.</source>
        <translation>只有声音，完全无损，适合 Apple 设备。</translation>
    </message>
    <message>
        <source>Sound only, AAC, which nearly every player plays.</source>
        <translation>只有声音，AAC 格式，几乎所有播放器都能播放。</translation>
    </message>
    <message>
        <source>An animated picture without sound: at most %1 seconds (a longer input is cut), %2 pictures a second, %3 pixels wide.</source>
        <translation>没有声音的动画图片：最长 %1 秒（较长的输入会被截断），每秒 %2 幅画面，宽 %3 像素。</translation>
    </message>
    <message>
        <source>Encoder&apos;s default</source>
        <translation>编码器默认</translation>
    </message>
    <message>
        <source>Fastest</source>
        <translation>最快</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>较快</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>中等</translation>
    </message>
    <message>
        <source>Slow (smaller file)</source>
        <translation>较慢（文件较小）</translation>
    </message>
    <message>
        <source>Slowest (smallest file)</source>
        <translation>最慢（文件最小）</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>格式：</translation>
    </message>
    <message>
        <source>Frame Size:</source>
        <translation>视频大小：</translation>
    </message>
    <message>
        <source>Encoder Speed:</source>
        <translation>编码速度：</translation>
    </message>
    <message>
        <source>A slower encoder makes a smaller file of the same quality</source>
        <translation>编码越慢，同样画质的文件越小</translation>
    </message>
    <message>
        <source>Modern</source>
        <translation>新格式</translation>
    </message>
</context>
<context>
    <name>TPlaybackPanel</name>
    <message>
        <source>Play</source>
        <translation>播放</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>Set Start</source>
        <translation>设置开始</translation>
    </message>
    <message>
        <source>Set End</source>
        <translation>设置结束</translation>
    </message>
</context>
<context>
    <name>TPresetControls</name>
    <message>
        <source>Web (WebM)</source>
        <translation>网页（WebM）</translation>
    </message>
    <message>
        <source>Phone (MP4 H.264 720p)</source>
        <translation>手机（MP4 H.264 720p）</translation>
    </message>
    <message>
        <source>Archive (MKV AV1)</source>
        <translation>存档（MKV AV1）</translation>
    </message>
    <message>
        <source>Music (FLAC)</source>
        <translation>音乐（FLAC）</translation>
    </message>
    <message>
        <source>Podcast (Opus mono)</source>
        <translation>播客（Opus 单声道）</translation>
    </message>
    <message>
        <source>Presets (*.json);;All files (*)</source>
        <translation>预设 (*.json);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>Import Preset</source>
        <translation>导入预设</translation>
    </message>
    <message>
        <source>Export Preset</source>
        <translation>导出预设</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Every setting as the preset has it</source>
        <translation>把所有设置改为预设中的值</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>另存为...</translation>
    </message>
    <message>
        <source>The settings of now as a preset of your own</source>
        <translation>把当前设置保存为自己的预设</translation>
    </message>
    <message>
        <source>Rename...</source>
        <translation>重命名...</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>导出...</translation>
    </message>
    <message>
        <source>Import...</source>
        <translation>导入...</translation>
    </message>
    <message>
        <source>The preset &apos;%1&apos; was applied without these entries, which this version does not take:</source>
        <translation>已应用预设“%1”，但本版本不接受以下条目：</translation>
    </message>
    <message>
        <source>The preset was not applied.</source>
        <translation>未能应用预设。</translation>
    </message>
    <message>
        <source>Save Preset</source>
        <translation>保存预设</translation>
    </message>
    <message>
        <source>Name of the preset:</source>
        <translation>预设名称：</translation>
    </message>
    <message>
        <source>The preset was not saved.</source>
        <translation>未能保存预设。</translation>
    </message>
    <message>
        <source>A preset named &apos;%1&apos; exists. Replace it?</source>
        <translation>已有名为“%1”的预设。要替换它吗？</translation>
    </message>
    <message>
        <source>Rename Preset</source>
        <translation>重命名预设</translation>
    </message>
    <message>
        <source>New name of the preset &apos;%1&apos;:</source>
        <translation>预设“%1”的新名称：</translation>
    </message>
    <message>
        <source>The preset was not renamed.</source>
        <translation>未能重命名预设。</translation>
    </message>
    <message>
        <source>Delete the preset &apos;%1&apos;?</source>
        <translation>要删除预设“%1”吗？</translation>
    </message>
    <message>
        <source>The preset was not deleted.</source>
        <translation>未能删除预设。</translation>
    </message>
    <message>
        <source>The preset &apos;%1&apos; was written to %2.</source>
        <translation>预设“%1”已写入 %2。</translation>
    </message>
    <message>
        <source>The preset was not exported.</source>
        <translation>未能导出预设。</translation>
    </message>
    <message>
        <source>The preset &apos;%1&apos; was imported.</source>
        <translation>已导入预设“%1”。</translation>
    </message>
    <message>
        <source>The preset &apos;%1&apos; was imported without these entries, which this version does not take:</source>
        <translation>已导入预设“%1”，但本版本不接受以下条目：</translation>
    </message>
    <message>
        <source>The preset was not imported.</source>
        <translation>未能导入预设。</translation>
    </message>
</context>
<context>
    <name>TQualityControls</name>
    <message>
        <source>Auto</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Fastest</source>
        <translation>最快</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>较快</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>中等</translation>
    </message>
    <message>
        <source>Slow</source>
        <translation>较慢</translation>
    </message>
    <message>
        <source>Slowest</source>
        <translation>最慢</translation>
    </message>
    <message>
        <source>Constant Video Quality</source>
        <translation>恒定视频质量</translation>
    </message>
    <message>
        <source>encoder&apos;s default</source>
        <translation>编码器默认</translation>
    </message>
    <message>
        <source>Lower is better: H.264 and HEVC 0-51, VP9 0-63, AV1 1-63, MPEG-4 1-31</source>
        <translation>数值越小画质越好：H.264 与 HEVC 为 0-51，VP9 为 0-63，AV1 为 1-63，MPEG-4 为 1-31</translation>
    </message>
    <message>
        <source>Audio Quality (kbit/s per channel)</source>
        <translation>音频质量（每声道千比特/秒）</translation>
    </message>
    <message>
        <source>Opus 6-256, AAC and MP3 16-256 kbit/s for each channel</source>
        <translation>每声道：Opus 为 6-256，AAC 与 MP3 为 16-256 千比特/秒</translation>
    </message>
    <message>
        <source>Today&apos;s formats convert at their encoder&apos;s default quality unless a bit rate is checked; the other formats use these settings only when they are checked.</source>
        <translation>新格式在未勾选码率时按编码器的默认质量转换；其他格式只在勾选上面的设置时才使用它们。</translation>
    </message>
    <message>
        <source>Encoder Speed</source>
        <translation>编码速度</translation>
    </message>
    <message>
        <source>A slower encoder makes a smaller file of the same quality</source>
        <translation>编码越慢，同样画质的文件越小</translation>
    </message>
    <message>
        <source>The quality settings do not suit this format; its encoder&apos;s default is used: %1</source>
        <translation>质量设置不适用于此格式，将使用编码器的默认值：%1</translation>
    </message>
    <message>
        <source>This file cannot be converted: %1</source>
        <translation>此文件无法转换：%1</translation>
    </message>
    <message>
        <source>An animated GIF holds at most %1 seconds; a longer input is cut.</source>
        <translation>GIF 动画最长 %1 秒；较长的输入会被截断。</translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>Log</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添  加</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清  空</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>转  换</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>暂  停</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>继  续</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停  止</translation>
    </message>
    <message>
        <source>Add files (Ctrl+O)</source>
        <translation>添加文件 (Ctrl+O)</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>&amp;Add File...</source>
        <translation>添加文件</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>清空</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>&amp;Action</source>
        <translation>动作</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>转换</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>暂停</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>查看</translation>
    </message>
    <message>
        <source>&amp;Log</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>&amp;Output Options...</source>
        <translation>输出选项...</translation>
    </message>
    <message>
        <source>&amp;Preview Conversion</source>
        <translation>预览转换画面</translation>
    </message>
    <message>
        <source>Lan&amp;guage</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>&amp;About Us</source>
        <translation>关于我们</translation>
    </message>
    <message>
        <source>Help &amp;File</source>
        <translation>帮助文件</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>上移</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>下移</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>输出目录：</translation>
    </message>
    <message>
        <source>Beside each input file</source>
        <translation>与各输入文件在同一目录</translation>
    </message>
    <message>
        <source>Choose Folder</source>
        <translation>选择目录</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Video Encoder:</source>
        <translation>视频编码方式：</translation>
    </message>
    <message>
        <source>Audio Encoder:</source>
        <translation>音频编码方式：</translation>
    </message>
    <message>
        <source>Frame Size:</source>
        <translation>视频大小：</translation>
    </message>
    <message>
        <source>Frames/s:</source>
        <translation>帧率/秒：</translation>
    </message>
    <message>
        <source>TV System</source>
        <translation>选择电视制试</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>文件名称</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>Output Name</source>
        <translation>输出名称</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进程</translation>
    </message>
    <message>
        <source>Converted</source>
        <translation>转换时间</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>输出大小</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>beside each input file</source>
        <translation>与各输入文件在同一目录</translation>
    </message>
    <message>
        <source>Done: %1 finished, %2 failed, %3 stopped. Outputs are %4.</source>
        <translation>转换结束：完成 %1 个，失败 %2 个，停止 %3 个。输出文件%4。</translation>
    </message>
    <message>
        <source>in %1</source>
        <translation>在 %1</translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation>转换结束</translation>
    </message>
    <message>
        <source>The desktop has no program to open %1.</source>
        <translation>桌面没有可以打开 %1 的程序。</translation>
    </message>
    <message>
        <source>%1 is not there yet.</source>
        <translation>%1 尚不存在。</translation>
    </message>
    <message>
        <source>Stop This File</source>
        <translation>停止此文件</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>Convert Again</source>
        <translation>再次转换</translation>
    </message>
    <message>
        <source>Open Output Folder</source>
        <translation>打开输出目录</translation>
    </message>
    <message>
        <source>Play Output</source>
        <translation>播放输出文件</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>All supported formats</source>
        <translation>所有支持的格式</translation>
    </message>
    <message>
        <source>Media Player Files</source>
        <translation>媒体播放器文件</translation>
    </message>
    <message>
        <source>DVD Files</source>
        <translation>DVD 文件</translation>
    </message>
    <message>
        <source>MP4 Files</source>
        <translation>MP4 文件</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>所有文件</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>添加文件</translation>
    </message>
    <message>
        <source>Every file is converted; choose &quot;Convert Again&quot; on the rows to convert them again.</source>
        <translation>所有文件都已转换；要重新转换，请在行上选择“再次转换”。</translation>
    </message>
    <message>
        <source>Select Output Folder</source>
        <translation>选择输出目录</translation>
    </message>
    <message>
        <source>No output folder is chosen: outputs go beside each input file.</source>
        <translation>未选择输出目录：输出文件与各输入文件在同一目录。</translation>
    </message>
    <message>
        <source>Files that could not be converted: %1</source>
        <translation>转换失败的文件：%1 个</translation>
    </message>
    <message>
        <source>Files not added: %1 of %2; the log says why.</source>
        <translation>%2 个文件中有 %1 个无法添加，原因见日志。</translation>
    </message>
    <message>
        <source>Files in the list: %1.</source>
        <translation>列表中有 %1 个文件。</translation>
    </message>
    <message>
        <source>Converting files: %1...</source>
        <translation>正在转换 %1 个文件……</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>添加目录</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>添加目录</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>No files in %1.</source>
        <translation>%1 中没有文件。</translation>
    </message>
    <message>
        <source>Files are added once the run is over.</source>
        <translation>转换结束后才能添加文件。</translation>
    </message>
    <message>
        <source>Adding cancelled: %1 of %2 files added.</source>
        <translation>已取消添加：%2 个文件中添加了 %1 个。</translation>
    </message>
    <message>
        <source>Adding files: %1 of %2...</source>
        <translation>正在添加文件：%1 / %2……</translation>
    </message>
    <message>
        <source>Preparing files: %1 of %2...</source>
        <translation>正在准备文件：%1 / %2……</translation>
    </message>
    <message>
        <source>Restore the List</source>
        <translation>恢复列表</translation>
    </message>
    <message>
        <source>The program did not end normally last time. Restore its list of files (%1 in all)?</source>
        <translation>程序上次没有正常结束。要恢复它的文件列表（共 %1 个文件）吗？</translation>
    </message>
    <message>
        <source>Files whose output is whole come back as finished; the others are converted by the next Convert.</source>
        <translation>输出完整的文件恢复为已完成，其余的在下次转换时转换。</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>恢复</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>丢弃</translation>
    </message>
    <message>
        <source>Stop the Run</source>
        <translation>停止转换</translation>
    </message>
    <message>
        <source>Files are being converted. Stop the run and close the window?</source>
        <translation>正在转换文件。要停止转换并关闭窗口吗？</translation>
    </message>
    <message>
        <source>Finished files are kept; the files being converted are kept as &quot;NAME (stopped)&quot;.</source>
        <translation>已完成的文件保留；正在转换的文件保留为“名称 (stopped)”。</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>声道</translation>
    </message>
    <message>
        <source>Sample rate</source>
        <translation>采样率</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>Aspect ratio</source>
        <translation>宽高比</translation>
    </message>
    <message>
        <source>Video bit rate</source>
        <translation>视频码率</translation>
    </message>
    <message>
        <source>Audio bit rate</source>
        <translation>音频码率</translation>
    </message>
    <message>
        <source>Video quality</source>
        <translation>视频质量</translation>
    </message>
    <message>
        <source>Audio quality</source>
        <translation>音频质量</translation>
    </message>
    <message>
        <source>Encoder speed</source>
        <translation>编码速度</translation>
    </message>
    <message>
        <source>Crop</source>
        <translation>裁剪</translation>
    </message>
    <message>
        <source>Pad</source>
        <translation>填充</translation>
    </message>
    <message>
        <source>Picture hook</source>
        <translation>图片钩子</translation>
    </message>
    <message>
        <source>Text hook</source>
        <translation>文字钩子</translation>
    </message>
    <message>
        <source>Watermark</source>
        <translation>水印</translation>
    </message>
    <message>
        <source>Sample picture hook</source>
        <translation>示例图片钩子</translation>
    </message>
    <message>
        <source>Sample text hook</source>
        <translation>示例文字钩子</translation>
    </message>
    <message>
        <source>Custom hook</source>
        <translation>自定义钩子</translation>
    </message>
    <message>
        <source>Filters</source>
        <translation>滤镜</translation>
    </message>
    <message>
        <source>Copy timestamp</source>
        <translation>复制时间戳</translation>
    </message>
    <message>
        <source>Overwrite existing files</source>
        <translation>覆盖已有文件</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>恢复默认</translation>
    </message>
    <message>
        <source>Put the Output Options beyond the page back to their defaults</source>
        <translation>把本页以外的输出选项恢复为默认值</translation>
    </message>
    <message>
        <source>Output Options: only the page&apos;s settings apply.</source>
        <translation>输出选项：只用本页的设置。</translation>
    </message>
    <message>
        <source>Output Options also applied: %1</source>
        <translation>另行应用的输出选项：%1</translation>
    </message>
    <message>
        <source>Files in the list: %1; the outputs of %2 cannot be written where they go, as their rows say.</source>
        <translation>列表中有 %1 个文件；其中 %2 个的输出无法写到目标位置，原因见各行。</translation>
    </message>
</context>
<context>
    <name>TfrmOption</name>
    <message>
        <source>Output Options</source>
        <translation>输出选项</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>格式</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>音频</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>视频</translation>
    </message>
    <message>
        <source>Hooks</source>
        <translation>钩子</translation>
    </message>
    <message>
        <source>Filters</source>
        <translation>滤镜</translation>
    </message>
    <message>
        <source>Defaults</source>
        <translation>默认值</translation>
    </message>
    <message>
        <source>Every setting as it was at the first start</source>
        <translation>所有设置恢复为首次启动时的值</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Output Format</source>
        <translation>输出格式</translation>
    </message>
    <message>
        <source>Norm (VCD, SVCD, DVD)</source>
        <translation>电视制式（VCD、SVCD、DVD）</translation>
    </message>
    <message>
        <source>Overwrite Existing File</source>
        <translation>覆盖已有文件</translation>
    </message>
    <message>
        <source>Copy Timestamp (decoding rm/rmvb maybe need this)</source>
        <translation>复制时间戳（解码 rm/rmvb 时可能需要）</translation>
    </message>
    <message>
        <source>The output folder of the main window</source>
        <translation>主窗口的输出目录</translation>
    </message>
    <message>
        <source>&lt;same as input&gt;</source>
        <translation>&lt;与输入文件相同&gt;</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>输出目录：</translation>
    </message>
    <message>
        <source>Audio Encoder</source>
        <translation>音频编码器</translation>
    </message>
    <message>
        <source>Audio Channels</source>
        <translation>声道</translation>
    </message>
    <message>
        <source>Audio Sample Rate (Hz)</source>
        <translation>音频采样率（赫兹）</translation>
    </message>
    <message>
        <source>256=normal</source>
        <translation>256=正常</translation>
    </message>
    <message>
        <source>Adjust Volume</source>
        <translation>调整音量</translation>
    </message>
    <message>
        <source>Audio Bit Rate (kbit/s)</source>
        <translation>音频码率（千比特/秒）</translation>
    </message>
    <message>
        <source>Video Encoder</source>
        <translation>视频编码器</translation>
    </message>
    <message>
        <source>Frame Size:</source>
        <translation>视频大小：</translation>
    </message>
    <message>
        <source>Frame Rate (FPS)</source>
        <translation>帧率（帧/秒）</translation>
    </message>
    <message>
        <source>Aspect Ratio</source>
        <translation>宽高比</translation>
    </message>
    <message>
        <source>Video Bit Rate (kbit/s)</source>
        <translation>视频码率（千比特/秒）</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>上</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>下</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>左</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>右</translation>
    </message>
    <message>
        <source>Crop (pixels)</source>
        <translation>裁剪（像素）</translation>
    </message>
    <message>
        <source>Pad (pixels)</source>
        <translation>填充（像素）</translation>
    </message>
    <message>
        <source>External Standard Hook (please read code of option unit)</source>
        <translation>外部标准钩子（请阅读选项单元的代码）</translation>
    </message>
    <message>
        <source>Internal Custom Hook (please read code of main unit)</source>
        <translation>内部自定义钩子（请阅读主单元的代码）</translation>
    </message>
    <message>
        <source>Imlib2 - Image</source>
        <translation>Imlib2 - 图片</translation>
    </message>
    <message>
        <source>Dancing</source>
        <translation>跳动</translation>
    </message>
    <message>
        <source>Imlib2 - Text</source>
        <translation>Imlib2 - 文字</translation>
    </message>
    <message>
        <source>Scrolling</source>
        <translation>滚动</translation>
    </message>
    <message>
        <source>WaterMark</source>
        <translation>水印</translation>
    </message>
    <message>
        <source>Mode 0/1</source>
        <translation>模式 0/1</translation>
    </message>
    <message>
        <source>DemoHook - Image</source>
        <translation>示例钩子 - 图片</translation>
    </message>
    <message>
        <source>DemoHook - Text</source>
        <translation>示例钩子 - 文字</translation>
    </message>
    <message>
        <source>Hook Behavior</source>
        <translation>钩子行为</translation>
    </message>
    <message>
        <source>Standard Hook Behavior</source>
        <translation>标准钩子行为</translation>
    </message>
    <message>
        <source>Enable BeforeHook Event</source>
        <translation>启用钩子前事件</translation>
    </message>
    <message>
        <source>PTS Periods</source>
        <translation>时间戳时段</translation>
    </message>
    <message>
        <source>Periods in milliseconds: start-end,start-end</source>
        <translation>以毫秒计的时段：开始-结束,开始-结束</translation>
    </message>
    <message>
        <source>Vertically Flip</source>
        <translation>垂直翻转</translation>
    </message>
    <message>
        <source>Horizontally Flip</source>
        <translation>水平翻转</translation>
    </message>
    <message>
        <source>Negate</source>
        <translation>反色</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>缩放</translation>
    </message>
    <message>
        <source>Rotate</source>
        <translation>旋转</translation>
    </message>
    <message>
        <source>SetPTS</source>
        <translation>设置时间戳</translation>
    </message>
    <message>
        <source>Set Start</source>
        <translation>设置开始</translation>
    </message>
    <message>
        <source>Set End</source>
        <translation>设置结束</translation>
    </message>
    <message>
        <source>Cut Clip</source>
        <translation>剪切片段</translation>
    </message>
    <message>
        <source>PTS: </source>
        <translation>时间戳：</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>质量</translation>
    </message>
    <message>
        <source>Today&apos;s Formats</source>
        <translation>新格式</translation>
    </message>
    <message>
        <source>Remember</source>
        <translation>记住</translation>
    </message>
    <message>
        <source>Keep overwriting existing files after the program is closed</source>
        <translation>程序关闭后仍然覆盖已有文件</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Settings will not be kept: %1 cannot be written</source>
        <translation>设置不会保存：无法写入 %1</translation>
    </message>
    <message>
        <source>%1 of %2 files in the list</source>
        <translation>列表中有 %1 个文件（共 %2 个）</translation>
    </message>
</context>
</TS>
