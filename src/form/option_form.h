// The option form without its window: it holds one complete set of conversion settings and
// turns them, for one probed input file, into the two records a conversion task takes. A front
// end shows the settings and the preview; a caller without widgets writes the settings and reads
// the records.
//
// Per input file: SetProber; for a clip, move the preview to its start and call SetStart, then
// to its end and call SetEnd (and check CutClip); then GetOutputOptions and GetInputOptions,
// while the prober is still open. Settings stay as written from one file to the next.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "binding/bitmap24.h"
#include "binding/loader.h"
#include "component/conversion_records.h"
#include "form/hook_lines.h"
#include "form/option_form_settings.h"
#include "form/preview_picture.h"
#include "form/preview_slider.h"
#include "probe/av_probe.h"

namespace mirelk {

class TOptionForm {
public:
    static constexpr int kPreviewWidth = 220;
    static constexpr int kPreviewHeight = 145;
    static constexpr form::TRgb kPreviewBackground{166, 202, 240};
    // What a clip time text shows from SetProber until that end of the clip is marked.
    static constexpr char kNoTime[] = "N/A";

    // The hook modules are looked for in "vhook" under the program's support folder, their
    // pictures in "vhook" under its data folder.
    explicit TOptionForm(std::string programFolder = SupportFolder());

    TOptionFormSettings Settings;

    // Picks a choice by its text regardless of case ("mp4", "webm", "PAL", "cif" or "352x288"); false,
    // changing nothing, for a text that is not one of the choices.
    bool SelectOutputFormat(std::string_view name);
    bool SelectNorm(std::string_view name);
    bool SelectVideoEncoder(std::string_view name);
    bool SelectAudioEncoder(std::string_view name);
    bool SelectFrameSize(std::string_view name);
    bool SelectFrameRate(std::string_view name);

    // Takes the opened prober of the next input file; it is referred to, not owned, and must
    // stay open until both records are built. Sets the preview slider up for the file (a still
    // picture gets a single position), switches the clip off, and shows the first picture and
    // the file's description. Null forgets the current file.
    void SetProber(TAVProbe* prober);
    // Whether the form shows the file: decodes the preview's picture when it moves, clears the
    // preview and describes the file in SetProber (on by default). A caller that only wants the
    // records of many files turns it off: a picture and a description per file would cost more
    // than the rest of making the records.
    void SetPreviewPictures(bool decoded) { m_previewPictures = decoded; }
    TAVProbe* Prober() const { return m_prober; }

    const TPreviewSlider& PreviewSlider() const { return m_slider; }
    std::int64_t PreviewStep() const { return m_slider.PreviewStep(); }
    // Affects the tick spacing of the next SetProber only.
    void SetPreviewSliderWidth(int pixels) { m_slider.SetWidth(pixels); }
    // Moves the preview (clamped to the slider's range) and shows the picture there.
    void SetPreviewPosition(int position);
    // The slider position nearest to a time in microseconds.
    int PreviewPositionOfTime(std::int64_t microseconds) const { return m_slider.PositionOfTime(microseconds); }

    // Mark the clip's start or end at the preview position; CutClip is then enabled exactly when
    // the marked range is not empty (its check mark is left alone).
    void SetStart();
    void SetEnd();
    // Checks CutClip and marks the clip between two times in microseconds at the nearest slider
    // positions, as a caller without a slider does it.
    void MarkClip(std::int64_t startUS, std::int64_t endUS);
    const std::string& StartTimeText() const { return m_startTimeText; }
    const std::string& EndTimeText() const { return m_endTimeText; }
    // True when the clip is cut: CutClip checked and enabled and a non-empty range marked.
    bool ClipWanted() const;
    // The clip in milliseconds within the current file.
    TClipRange Clip() const;

    // "PTS: " and the time of the preview position.
    const std::string& PTSText() const { return m_ptsText; }
    // The prober's description of the current file.
    const std::string& FileInfoText() const { return m_fileInfoText; }
    // The preview: kPreviewWidth x kPreviewHeight, the picture centred on the background colour.
    const TBitmap24& PreviewImage() const { return m_previewImage; }
    // The last picture shown, at its own size; empty until one is decoded for the current file.
    const TBitmap24& FullSizeFrame() const { return m_fullSizeFrame; }

    // The folder of the hook modules, ending in "/".
    const std::string& HookFolder() const { return m_hookFolders.Modules; }
    // The folder of the hook modules' pictures, ending in "/".
    const std::string& HookPictureFolder() const { return m_hookFolders.Pictures; }

    // The output record for the current file. Trims the text hooks' texts in the settings (an
    // empty one becomes the default). The output name is one that no file has unless Overwrite
    // is checked, and one that no other input file was given by this form. Throws
    // std::logic_error without a prober and std::out_of_range for an output format index
    // outside the list.
    TOutputOptions GetOutputOptions();
    // Why the quality settings do not suit the chosen format's encoders (a value outside the
    // encoder's scale, an encoder without one), in a sentence; empty when they do. Needs no
    // input file; GetOutputOptions takes an unsuitable value as the encoder's default. Throws
    // std::out_of_range for an output format index outside the list.
    std::string QualityProblem() const;
    // The ending the chosen format gives its outputs (".3gp", "_rv20.rm"); needs no input file.
    // Throws as QualityProblem.
    std::string OutputEnding() const;
    // The output name GetOutputOptions would give the input file now, handed out in the same way
    // (so that a later file is numbered past it); needs no prober.
    std::string OutputFileNameFor(const std::string& inputFile) { return OutputFileName(inputFile, OutputEnding()); }
    // The input record for the current file. Throws as GetOutputOptions.
    TInputOptions GetInputOptions() const;
    // The input record for a file before it is opened (so without a clip, which needs the
    // file): the record that opens it for these settings. Needs no prober.
    TInputOptions InputOptionsFor(const std::string& fileName, const std::string& forcedFormat = std::string()) const;
    // Lets later files take output names that earlier ones were given.
    void ForgetOutputNames() { m_givenOutputNames.clear(); }

private:
    void UpdatePreview();
    void UpdateCutClipEnabled();
    TAVProbe& RequireProber() const;
    std::string_view OutputFormatName() const;
    std::int64_t FileDuration() const;
    std::string OutputFileName(const std::string& inputFile, const std::string& ending);

    form::THookFolders m_hookFolders;
    TAVProbe* m_prober = nullptr;
    int m_firstVideoStream = -1;
    TPreviewSlider m_slider;
    // Set while the slider is being set up, when pictures are not worth decoding.
    bool m_updating = false;
    bool m_previewPictures = true;
    std::string m_startTimeText = "0";
    std::string m_endTimeText = "0";
    std::string m_ptsText;
    std::string m_fileInfoText;
    TBitmap24 m_previewImage;
    TBitmap24 m_fullSizeFrame;
    // Output names handed out, with the input file each was given to.
    std::map<std::string, std::string> m_givenOutputNames;
};

}  // namespace mirelk
