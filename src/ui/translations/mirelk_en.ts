<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>TAboutBox</name>
    <message>
        <source>About Us</source>
        <translation>About Us</translation>
    </message>
    <message>
        <source>Batch converter for audio and video files</source>
        <translation>Batch converter for audio and video files</translation>
    </message>
    <message>
        <source>Built on the FFmpeg libraries and Qt %1</source>
        <translation>Built on the FFmpeg libraries and Qt %1</translation>
    </message>
    <message>
        <source>Contact us:</source>
        <translation>Contact us:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TMirelkApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>Unknown error</translation>
    </message>
</context>
<context>
    <name>TModernFormatPage</name>
    <message>
        <source>VP9 pictures and Opus sound: plays in every web browser.</source>
        <translation>VP9 pictures and Opus sound: plays in every web browser.</translation>
    </message>
    <message>
        <source>HEVC (H.265) pictures and AAC sound: about half the size of H.264 at the same quality.</source>
        <translation>HEVC (H.265) pictures and AAC sound: about half the size of H.264 at the same quality.</translation>
    </message>
    <message>
        <source>AV1 pictures and Opus sound: the smallest files, but slow to make.</source>
        <translation>AV1 pictures and Opus sound: the smallest files, but slow to make.</translation>
    </message>
    <message>
        <source>AV1 pictures and AAC sound in an MP4 file, for newer players.</source>
        <translation>AV1 pictures and AAC sound in an MP4 file, for newer players.</translation>
    </message>
    <message>
        <source>Sound only, without any loss: for keeping music.</source>
        <translation>Sound only, without any loss: for keeping music.</translation>
    </message>
    <message>
        <source>Sound only, small files of good quality, for speech and music.</source>
        <translation>Sound only, small files of good quality, for speech and music.</translation>
    </message>
    <message>
        <source>Sound only, without any loss, for Apple devices.</source>
        <translation>Sound only, without any loss, for Apple devices.</translation>
    </message>
    <message>
        <source>Sound only, AAC, which nearly every player plays.</source>
        <translation>Sound only, AAC, which nearly every player plays.</translation>
    </message>
    <message>
        <source>An animated picture without sound: at most %1 seconds (a longer input is cut), %2 pictures a second, %3 pixels wide.</source>
        <translation>An animated picture without sound: at most %1 seconds (a longer input is cut), %2 pictures a second, %3 pixels wide.</translation>
    </message>
    <message>
        <source>Encoder&apos;s default</source>
        <translation>Encoder&apos;s default</translation>
    </message>
    <message>
        <source>Fastest</source>
        <translation>Fastest</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>Slow (smaller file)</source>
        <translation>Slow (smaller file)</translation>
    </message>
    <message>
        <source>Slowest (smallest file)</source>
        <translation>Slowest (smallest file)</translation>
    </message>
    <message>
        <source>Format:</source>
        <translation>Format:</translation>
    </message>
    <message>
        <source>Frame Size:</source>
        <translation>Frame Size:</translation>
    </message>
    <message>
        <source>Encoder Speed:</source>
        <translation>Encoder Speed:</translation>
    </message>
    <message>
        <source>A slower encoder makes a smaller file of the same quality</source>
        <translation>A slower encoder makes a smaller file of the same quality</translation>
    </message>
    <message>
        <source>Modern</source>
        <translation>Modern</translation>
    </message>
</context>
<context>
    <name>TPlaybackPanel</name>
    <message>
        <source>Play</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Set Start</source>
        <translation>Set Start</translation>
    </message>
    <message>
        <source>Set End</source>
        <translation>Set End</translation>
    </message>
</context>
<context>
    <name>TPresetControls</name>
    <message>
        <source>Web (WebM)</source>
        <translation>Web (WebM)</translation>
    </message>
    <message>
        <source>Phone (MP4 H.264 720p)</source>
        <translation>Phone (MP4 H.264 720p)</translation>
    </message>
    <message>
        <source>Archive (MKV AV1)</source>
        <translation>Archive (MKV AV1)</translation>
    </message>
    <message>
        <source>Music (FLAC)</source>
        <translation>Music (FLAC)</translation>
    </message>
    <message>
        <source>Podcast (Opus mono)</source>
        <translation>Podcast (Opus mono)</translation>
    </message>
    <message>
        <source>Presets (*.json);;All files (*)</source>
        <translation>Presets (*.json);;All files (*)</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>Import Preset</source>
        <translation>Import Preset</translation>
    </message>
    <message>
        <source>Export Preset</source>
        <translation>Export Preset</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Every setting as the preset has it</source>
        <translation>Every setting as the preset has it</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>Save As...</translation>
    </message>
    <message>
        <source>The settings of now as a preset of your own</source>
        <translation>The settings of now as a preset of your own</translation>
    </message>
    <message>
        <source>Rename...</source>
        <translation>Rename...</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>Export...</translation>
    </message>
    <message>
        <source>Import...</source>
        <translation>Import...</translation>
    </message>
    <message>
        <source>The preset &apos;%1&apos; was applied without these entries, which this version does not take:</source>
        <translation>The preset &apos;%1&apos; was applied without these entries, which this version does not take:</translation>
    </message>
    <message>
        <source>The preset was not applied.</source>
        <translation>The preset was not applied.</translation>
    </message>
    <message>
        <source>Save Preset</source>
        <translation>Save Preset</translation>
    </message>
    <message>
        <source>Name of the preset:</source>
        <translation>Name of the preset:</translation>
    </message>
    <message>
        <source>The preset was not saved.</source>
        <translation>The preset was not saved.</translation>
    </message>
    <message>
        <source>A preset named &apos;%1&apos; exists. Replace it?</source>
        <translation>A preset named &apos;%1&apos; exists. Replace it?</translation>
    </message>
    <message>
        <source>Rename Preset</source>
        <translation>Rename Preset</translation>
    </message>
    <message>
        <source>New name of the preset &apos;%1&apos;:</source>
        <translation>New name of the preset &apos;%1&apos;:</translation>
    </message>
    <message>
        <source>The preset was not renamed.</source>
        <translation>The preset was not renamed.</translation>
    </message>
    <message>
        <source>Delete the preset &apos;%1&apos;?</source>
        <translation>Delete the preset &apos;%1&apos;?</translation>
    </message>
    <message>
        <source>The preset was not deleted.</source>
        <translation>The preset was not deleted.</translation>
    </message>
    <message>
        <source>The preset &apos;%1&apos; was written to %2.</source>
        <translation>The preset &apos;%1&apos; was written to %2.</translation>
    </message>
    <message>
        <source>The preset was not exported.</source>
        <translation>The preset was not exported.</translation>
    </message>
    <message>
        <source>The preset &apos;%1&apos; was imported.</source>
        <translation>The preset &apos;%1&apos; was imported.</translation>
    </message>
    <message>
        <source>The preset &apos;%1&apos; was imported without these entries, which this version does not take:</source>
        <translation>The preset &apos;%1&apos; was imported without these entries, which this version does not take:</translation>
    </message>
    <message>
        <source>The preset was not imported.</source>
        <translation>The preset was not imported.</translation>
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
        <translation>Fastest</translation>
    </message>
    <message>
        <source>Fast</source>
        <translation>Fast</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>Medium</translation>
    </message>
    <message>
        <source>Slow</source>
        <translation>Slow</translation>
    </message>
    <message>
        <source>Slowest</source>
        <translation>Slowest</translation>
    </message>
    <message>
        <source>Constant Video Quality</source>
        <translation>Constant Video Quality</translation>
    </message>
    <message>
        <source>encoder&apos;s default</source>
        <translation>encoder&apos;s default</translation>
    </message>
    <message>
        <source>Lower is better: H.264 and HEVC 0-51, VP9 0-63, AV1 1-63, MPEG-4 1-31</source>
        <translation>Lower is better: H.264 and HEVC 0-51, VP9 0-63, AV1 1-63, MPEG-4 1-31</translation>
    </message>
    <message>
        <source>Audio Quality (kbit/s per channel)</source>
        <translation>Audio Quality (kbit/s per channel)</translation>
    </message>
    <message>
        <source>Opus 6-256, AAC and MP3 16-256 kbit/s for each channel</source>
        <translation>Opus 6-256, AAC and MP3 16-256 kbit/s for each channel</translation>
    </message>
    <message>
        <source>Today&apos;s formats convert at their encoder&apos;s default quality unless a bit rate is checked; the other formats use these settings only when they are checked.</source>
        <translation>Today&apos;s formats convert at their encoder&apos;s default quality unless a bit rate is checked; the other formats use these settings only when they are checked.</translation>
    </message>
    <message>
        <source>Encoder Speed</source>
        <translation>Encoder Speed</translation>
    </message>
    <message>
        <source>A slower encoder makes a smaller file of the same quality</source>
        <translation>A slower encoder makes a smaller file of the same quality</translation>
    </message>
    <message>
        <source>The quality settings do not suit this format; its encoder&apos;s default is used: %1</source>
        <translation>The quality settings do not suit this format; its encoder&apos;s default is used: %1</translation>
    </message>
    <message>
        <source>This file cannot be converted: %1</source>
        <translation>This file cannot be converted: %1</translation>
    </message>
    <message>
        <source>An animated GIF holds at most %1 seconds; a longer input is cut.</source>
        <translation>An animated GIF holds at most %1 seconds; a longer input is cut.</translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>Log</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Add files (Ctrl+O)</source>
        <translation>Add files (Ctrl+O)</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Add File...</source>
        <translation>&amp;Add File...</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>C&amp;lear</source>
        <translation>C&amp;lear</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Action</source>
        <translation>&amp;Action</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Convert</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>&amp;Resume</source>
        <translation>&amp;Resume</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stop</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>&amp;Log</source>
        <translation>&amp;Log</translation>
    </message>
    <message>
        <source>&amp;Output Options...</source>
        <translation>&amp;Output Options...</translation>
    </message>
    <message>
        <source>&amp;Preview Conversion</source>
        <translation>&amp;Preview Conversion</translation>
    </message>
    <message>
        <source>Lan&amp;guage</source>
        <translation>Lan&amp;guage</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;About Us</source>
        <translation>&amp;About Us</translation>
    </message>
    <message>
        <source>Help &amp;File</source>
        <translation>Help &amp;File</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Down</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>Output Folder:</translation>
    </message>
    <message>
        <source>Beside each input file</source>
        <translation>Beside each input file</translation>
    </message>
    <message>
        <source>Choose Folder</source>
        <translation>Choose Folder</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Video Encoder:</source>
        <translation>Video Encoder:</translation>
    </message>
    <message>
        <source>Audio Encoder:</source>
        <translation>Audio Encoder:</translation>
    </message>
    <message>
        <source>Frame Size:</source>
        <translation>Frame Size:</translation>
    </message>
    <message>
        <source>Frames/s:</source>
        <translation>Frames/s:</translation>
    </message>
    <message>
        <source>TV System</source>
        <translation>TV System</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>File Name</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Output Name</source>
        <translation>Output Name</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>Converted</source>
        <translation>Converted</translation>
    </message>
    <message>
        <source>Output Size</source>
        <translation>Output Size</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>beside each input file</source>
        <translation>beside each input file</translation>
    </message>
    <message>
        <source>Done: %1 finished, %2 failed, %3 stopped. Outputs are %4.</source>
        <translation>Done: %1 finished, %2 failed, %3 stopped. Outputs are %4.</translation>
    </message>
    <message>
        <source>in %1</source>
        <translation>in %1</translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation>Conversion finished</translation>
    </message>
    <message>
        <source>The desktop has no program to open %1.</source>
        <translation>The desktop has no program to open %1.</translation>
    </message>
    <message>
        <source>%1 is not there yet.</source>
        <translation>%1 is not there yet.</translation>
    </message>
    <message>
        <source>Stop This File</source>
        <translation>Stop This File</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Convert Again</source>
        <translation>Convert Again</translation>
    </message>
    <message>
        <source>Open Output Folder</source>
        <translation>Open Output Folder</translation>
    </message>
    <message>
        <source>Play Output</source>
        <translation>Play Output</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>All supported formats</source>
        <translation>All supported formats</translation>
    </message>
    <message>
        <source>Media Player Files</source>
        <translation>Media Player Files</translation>
    </message>
    <message>
        <source>DVD Files</source>
        <translation>DVD Files</translation>
    </message>
    <message>
        <source>MP4 Files</source>
        <translation>MP4 Files</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Add Files</translation>
    </message>
    <message>
        <source>Every file is converted; choose &quot;Convert Again&quot; on the rows to convert them again.</source>
        <translation>Every file is converted; choose &quot;Convert Again&quot; on the rows to convert them again.</translation>
    </message>
    <message>
        <source>Select Output Folder</source>
        <translation>Select Output Folder</translation>
    </message>
    <message>
        <source>No output folder is chosen: outputs go beside each input file.</source>
        <translation>No output folder is chosen: outputs go beside each input file.</translation>
    </message>
    <message>
        <source>Files that could not be converted: %1</source>
        <translation>Files that could not be converted: %1</translation>
    </message>
    <message>
        <source>Files not added: %1 of %2; the log says why.</source>
        <translation>Files not added: %1 of %2; the log says why.</translation>
    </message>
    <message>
        <source>Files in the list: %1.</source>
        <translation>Files in the list: %1.</translation>
    </message>
    <message>
        <source>Converting files: %1...</source>
        <translation>Converting files: %1...</translation>
    </message>
    <message>
        <source>Add F&amp;older...</source>
        <translation>Add F&amp;older...</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>Add Folder</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>No files in %1.</source>
        <translation>No files in %1.</translation>
    </message>
    <message>
        <source>Files are added once the run is over.</source>
        <translation>Files are added once the run is over.</translation>
    </message>
    <message>
        <source>Adding cancelled: %1 of %2 files added.</source>
        <translation>Adding cancelled: %1 of %2 files added.</translation>
    </message>
    <message>
        <source>Adding files: %1 of %2...</source>
        <translation>Adding files: %1 of %2...</translation>
    </message>
    <message>
        <source>Preparing files: %1 of %2...</source>
        <translation>Preparing files: %1 of %2...</translation>
    </message>
    <message>
        <source>Restore the List</source>
        <translation>Restore the List</translation>
    </message>
    <message>
        <source>The program did not end normally last time. Restore its list of files (%1 in all)?</source>
        <translation>The program did not end normally last time. Restore its list of files (%1 in all)?</translation>
    </message>
    <message>
        <source>Files whose output is whole come back as finished; the others are converted by the next Convert.</source>
        <translation>Files whose output is whole come back as finished; the others are converted by the next Convert.</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Restore</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>Stop the Run</source>
        <translation>Stop the Run</translation>
    </message>
    <message>
        <source>Files are being converted. Stop the run and close the window?</source>
        <translation>Files are being converted. Stop the run and close the window?</translation>
    </message>
    <message>
        <source>Finished files are kept; the files being converted are kept as &quot;NAME (stopped)&quot;.</source>
        <translation>Finished files are kept; the files being converted are kept as &quot;NAME (stopped)&quot;.</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Channels</translation>
    </message>
    <message>
        <source>Sample rate</source>
        <translation>Sample rate</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Aspect ratio</source>
        <translation>Aspect ratio</translation>
    </message>
    <message>
        <source>Video bit rate</source>
        <translation>Video bit rate</translation>
    </message>
    <message>
        <source>Audio bit rate</source>
        <translation>Audio bit rate</translation>
    </message>
    <message>
        <source>Video quality</source>
        <translation>Video quality</translation>
    </message>
    <message>
        <source>Audio quality</source>
        <translation>Audio quality</translation>
    </message>
    <message>
        <source>Encoder speed</source>
        <translation>Encoder speed</translation>
    </message>
    <message>
        <source>Crop</source>
        <translation>Crop</translation>
    </message>
    <message>
        <source>Pad</source>
        <translation>Pad</translation>
    </message>
    <message>
        <source>Picture hook</source>
        <translation>Picture hook</translation>
    </message>
    <message>
        <source>Text hook</source>
        <translation>Text hook</translation>
    </message>
    <message>
        <source>Watermark</source>
        <translation>Watermark</translation>
    </message>
    <message>
        <source>Sample picture hook</source>
        <translation>Sample picture hook</translation>
    </message>
    <message>
        <source>Sample text hook</source>
        <translation>Sample text hook</translation>
    </message>
    <message>
        <source>Custom hook</source>
        <translation>Custom hook</translation>
    </message>
    <message>
        <source>Filters</source>
        <translation>Filters</translation>
    </message>
    <message>
        <source>Copy timestamp</source>
        <translation>Copy timestamp</translation>
    </message>
    <message>
        <source>Overwrite existing files</source>
        <translation>Overwrite existing files</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reset</translation>
    </message>
    <message>
        <source>Put the Output Options beyond the page back to their defaults</source>
        <translation>Put the Output Options beyond the page back to their defaults</translation>
    </message>
    <message>
        <source>Output Options: only the page&apos;s settings apply.</source>
        <translation>Output Options: only the page&apos;s settings apply.</translation>
    </message>
    <message>
        <source>Output Options also applied: %1</source>
        <translation>Output Options also applied: %1</translation>
    </message>
    <message>
        <source>Files in the list: %1; the outputs of %2 cannot be written where they go, as their rows say.</source>
        <translation>Files in the list: %1; the outputs of %2 cannot be written where they go, as their rows say.</translation>
    </message>
</context>
<context>
    <name>TfrmOption</name>
    <message>
        <source>Output Options</source>
        <translation>Output Options</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Hooks</source>
        <translation>Hooks</translation>
    </message>
    <message>
        <source>Filters</source>
        <translation>Filters</translation>
    </message>
    <message>
        <source>Defaults</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>Every setting as it was at the first start</source>
        <translation>Every setting as it was at the first start</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Output Format</source>
        <translation>Output Format</translation>
    </message>
    <message>
        <source>Norm (VCD, SVCD, DVD)</source>
        <translation>Norm (VCD, SVCD, DVD)</translation>
    </message>
    <message>
        <source>Overwrite Existing File</source>
        <translation>Overwrite Existing File</translation>
    </message>
    <message>
        <source>Copy Timestamp (decoding rm/rmvb maybe need this)</source>
        <translation>Copy Timestamp (decoding rm/rmvb maybe need this)</translation>
    </message>
    <message>
        <source>The output folder of the main window</source>
        <translation>The output folder of the main window</translation>
    </message>
    <message>
        <source>&lt;same as input&gt;</source>
        <translation>&lt;same as input&gt;</translation>
    </message>
    <message>
        <source>Output Folder:</source>
        <translation>Output Folder:</translation>
    </message>
    <message>
        <source>Audio Encoder</source>
        <translation>Audio Encoder</translation>
    </message>
    <message>
        <source>Audio Channels</source>
        <translation>Audio Channels</translation>
    </message>
    <message>
        <source>Audio Sample Rate (Hz)</source>
        <translation>Audio Sample Rate (Hz)</translation>
    </message>
    <message>
        <source>256=normal</source>
        <translation>256=normal</translation>
    </message>
    <message>
        <source>Adjust Volume</source>
        <translation>Adjust Volume</translation>
    </message>
    <message>
        <source>Audio Bit Rate (kbit/s)</source>
        <translation>Audio Bit Rate (kbit/s)</translation>
    </message>
    <message>
        <source>Video Encoder</source>
        <translation>Video Encoder</translation>
    </message>
    <message>
        <source>Frame Size:</source>
        <translation>Frame Size:</translation>
    </message>
    <message>
        <source>Frame Rate (FPS)</source>
        <translation>Frame Rate (FPS)</translation>
    </message>
    <message>
        <source>Aspect Ratio</source>
        <translation>Aspect Ratio</translation>
    </message>
    <message>
        <source>Video Bit Rate (kbit/s)</source>
        <translation>Video Bit Rate (kbit/s)</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Top</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Bottom</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>Crop (pixels)</source>
        <translation>Crop (pixels)</translation>
    </message>
    <message>
        <source>Pad (pixels)</source>
        <translation>Pad (pixels)</translation>
    </message>
    <message>
        <source>External Standard Hook (please read code of option unit)</source>
        <translation>External Standard Hook (please read code of option unit)</translation>
    </message>
    <message>
        <source>Internal Custom Hook (please read code of main unit)</source>
        <translation>Internal Custom Hook (please read code of main unit)</translation>
    </message>
    <message>
        <source>Imlib2 - Image</source>
        <translation>Imlib2 - Image</translation>
    </message>
    <message>
        <source>Dancing</source>
        <translation>Dancing</translation>
    </message>
    <message>
        <source>Imlib2 - Text</source>
        <translation>Imlib2 - Text</translation>
    </message>
    <message>
        <source>Scrolling</source>
        <translation>Scrolling</translation>
    </message>
    <message>
        <source>WaterMark</source>
        <translation>WaterMark</translation>
    </message>
    <message>
        <source>Mode 0/1</source>
        <translation>Mode 0/1</translation>
    </message>
    <message>
        <source>DemoHook - Image</source>
        <translation>DemoHook - Image</translation>
    </message>
    <message>
        <source>DemoHook - Text</source>
        <translation>DemoHook - Text</translation>
    </message>
    <message>
        <source>Hook Behavior</source>
        <translation>Hook Behavior</translation>
    </message>
    <message>
        <source>Standard Hook Behavior</source>
        <translation>Standard Hook Behavior</translation>
    </message>
    <message>
        <source>Enable BeforeHook Event</source>
        <translation>Enable BeforeHook Event</translation>
    </message>
    <message>
        <source>PTS Periods</source>
        <translation>PTS Periods</translation>
    </message>
    <message>
        <source>Periods in milliseconds: start-end,start-end</source>
        <translation>Periods in milliseconds: start-end,start-end</translation>
    </message>
    <message>
        <source>Vertically Flip</source>
        <translation>Vertically Flip</translation>
    </message>
    <message>
        <source>Horizontally Flip</source>
        <translation>Horizontally Flip</translation>
    </message>
    <message>
        <source>Negate</source>
        <translation>Negate</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>Rotate</source>
        <translation>Rotate</translation>
    </message>
    <message>
        <source>SetPTS</source>
        <translation>SetPTS</translation>
    </message>
    <message>
        <source>Set Start</source>
        <translation>Set Start</translation>
    </message>
    <message>
        <source>Set End</source>
        <translation>Set End</translation>
    </message>
    <message>
        <source>Cut Clip</source>
        <translation>Cut Clip</translation>
    </message>
    <message>
        <source>PTS: </source>
        <translation>PTS: </translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>Today&apos;s Formats</source>
        <translation>Today&apos;s Formats</translation>
    </message>
    <message>
        <source>Remember</source>
        <translation>Remember</translation>
    </message>
    <message>
        <source>Keep overwriting existing files after the program is closed</source>
        <translation>Keep overwriting existing files after the program is closed</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Settings will not be kept: %1 cannot be written</source>
        <translation>Settings will not be kept: %1 cannot be written</translation>
    </message>
    <message>
        <source>%1 of %2 files in the list</source>
        <translation>%1 of %2 files in the list</translation>
    </message>
</context>
</TS>
