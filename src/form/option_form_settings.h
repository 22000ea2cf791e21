// Every setting of the option form with its value when the form is created: the program's fixed
// conversion defaults. A front end shows these fields as its widgets (the widget each field
// stands for is named in its comment); a caller without widgets writes the fields directly.
// Choice lists hold an item index into the lists of option_choices.h.
#pragma once

#include <string>

namespace mirelk {

// The folder text that puts each output file beside its input file.
inline constexpr char kSameAsInput[] = "<same as input>";
// What a text hook draws when its text is left empty.
inline constexpr char kDefaultHookText[] = "Qelvan";

enum THookSource { hsExternal, hsCustom };
enum THookBehaviour { hbStandard, hbBeforeHook, hbPTSPeriods };

struct TEdgeTexts {
    std::string Top = "0";
    std::string Bottom = "0";
    std::string Left = "0";
    std::string Right = "0";
};

// A hook's check box. It counts only while it is both checked and enabled.
struct THookCheck {
    bool Checked = false;
    bool Enabled = true;
    bool Counts() const { return Checked && Enabled; }
};

struct TOptionFormSettings {
    int OutputFormat = 3;     // grpFormats, kOutputFormats: "3GP"
    int Norm = 0;             // grpNorm, kNorms (VCD, SVCD, DVD)
    int AudioChannels = 0;    // grpAudioChannels, kAudioChannelChoices
    int AudioSampleRate = 0;  // grpAudioSampleRate, kAudioSampleRates

    bool AdjustVolume = false;          // chkAudioVolume
    std::string AudioVolume = "256";    // edtAudioVolume, 256 is the unchanged volume
    int FrameSize = 0;                  // cboFrameSize, kFrameSizes
    int FrameRate = 0;                  // grpFrameRate, kFrameRates
    int AspectRatio = 0;                // grpAspectRatio, kAspectRatios
    bool SetVideoBitRate = false;       // chkVideoBitRate
    std::string VideoBitRate = "200";   // edtVideoBitRate, kbit/s
    bool SetAudioBitRate = false;       // chkAudioBitRate
    std::string AudioBitRate = "64";    // edtAudioBitRate, kbit/s
    int AudioEncoder = 0;               // grpAudioCodec, kAudioEncoders
    int VideoEncoder = 0;               // grpVideoCodec, kVideoEncoders
    // Constant quality on the video encoder's own scale (lower is better) and the audio bit rate
    // per channel; an empty text stands for the encoder's default. Today's formats use them
    // unless a bit rate is checked, the others only when checked.
    bool SetVideoQuality = false;       // chkVideoQuality
    std::string VideoQuality;           // edtVideoQuality
    bool SetAudioQuality = false;       // chkAudioQuality
    std::string AudioQuality;           // edtAudioQuality, kbit/s per channel
    int EncoderSpeed = 0;               // grpEncoderSpeed, kEncoderSpeeds

    bool Crop = false;  // chkCrop
    TEdgeTexts CropEdges;  // edtCropTop, edtCropBottom, edtCropLeft, edtCropRight (pixels)
    bool Pad = false;   // chkPad
    TEdgeTexts PadEdges;   // edtPadTop, edtPadBottom, edtPadLeft, edtPadRight (pixels)

    // chkCutClip. Choosing the input file switches it off and disables it; marking the clip's
    // start or end enables it exactly when the marked range is not empty.
    bool CutClip = false;
    bool CutClipEnabled = true;

    THookSource HookSource = hsExternal;  // rdoExternalHook, rdoCustomHook
    THookCheck ImageHook;                 // chkImlib2Img
    bool ImageDancing = false;            // chkImgDancing
    THookCheck TextHook;                  // chkImlib2Txt
    std::string TextHookText = kDefaultHookText;  // edtImlib2Txt
    bool TextScrolling = false;           // chkTxtScrolling
    THookCheck WatermarkHook;             // chkWaterMark
    bool WatermarkMode = false;           // chkWaterMarkMode, mode 1 when checked
    THookCheck SampleImageHook;           // chkZarnHookImg
    THookCheck SampleTextHook;            // chkZarnHookTxt
    std::string SampleHookText = kDefaultHookText;  // edtZarnHookTxt

    THookBehaviour HookBehaviour = hbStandard;  // rdoStandardHook, rdoBeforeHook, rdoPTSs
    bool BeforeHookEnabled = true;              // rdoBeforeHook enabled
    bool PTSPeriodsEnabled = true;              // rdoPTSs enabled
    std::string PTSPeriods = "0-5000,10000-15000";  // edtPTSs, milliseconds

    // Widgets that start disabled; the records do not depend on these states.
    bool ImageDancingEnabled = false;     // chkImgDancing
    bool TextScrollingEnabled = false;    // chkTxtScrolling
    bool WatermarkModeEnabled = false;    // chkWaterMarkMode
    bool SampleHookTextEnabled = false;   // edtZarnHookTxt
    bool PTSPeriodsTextEnabled = false;   // edtPTSs

    bool VertFlip = false;  // chkVertFlip
    bool HoriFlip = false;  // chkHoriFlip
    bool Negate = false;    // chkNegate
    bool Scale = false;     // chkScale
    std::string ScaleText = "320:240";  // edtScale
    bool Rotate = false;    // chkRotate
    std::string RotateDegrees = "45";   // edtRotate, whole degrees
    bool SetPTS = false;    // chkSetPTS
    std::string SetPTSExpression = "0.5*PTS";  // edtSetPTS

    bool CopyTimestamp = false;  // chkCopyTimestamp
    bool Overwrite = false;      // chkOverwrite
    // chkRememberOverwrite: a front end that keeps the settings between starts keeps Overwrite
    // only when this is checked, so that replacing files is never a leftover of an earlier day.
    bool RememberOverwrite = false;
    // edtOutPath: a folder (normally ending in "/"), kSameAsInput, or empty for names without a
    // folder.
    std::string OutputFolder = kSameAsInput;
};

}  // namespace mirelk
