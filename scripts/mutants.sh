#!/usr/bin/env bash
# Plants one-line faults in the sources, one at a time, and runs the tests that should catch
# each: a mutant is "killed" when those tests fail, "survived" when they pass. The table tells
# where the tests are blind, and run again after tests were merged or dropped it shows whether
# they still catch what they caught before.
#
#   bash scripts/mutants.sh [BUILD_DIR] [MUTANT_ID...]
#
# Results go to BUILD_DIR/mutants-result.txt (appended to when mutant ids are given, so that a
# run can be finished in parts).
#
# The build folder (default build-mutants) is configured for quick builds when it is missing.
# Each mutant changes its file only while its tests run; the file is restored afterwards, also
# when the script is interrupted.
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build-mutants}
shift || true
wanted=("$@")

# Which test executables (ctest labels) check an area. Only this map changes when tests move
# between executables.
declare -A AREA=(
  [engine]="utilities_test loader_test option_table_test picture_options_test input_files_test output_files_test transcode_test video_transcode_test video_hooks_test cover_pictures_test filter_graph_test filter_transcode_test subtitle_streams_test unmakeable_streams_test packet_writer_test output_keeping_test pipeline_stages_test"
  [component]="component_test batch_test conversion_component_test"
  [form]="option_form_test main_window_test"
  [probe]="prober_test previewer_test"
  [cli]="cli_usage_test cli_json_test cli_progress_test cli_batch_test cli_keep_test"
  [hooks]="frame_hook_test hook_modules_test video_hooks_test"
  [binding]="loader_test loader_failure_test utilities_test"
  [ui]="main_window_test"
  [package]="cli_package_test"
  [modern]="cli_modern_formats_test cli_presets_test"
)

# id ^ areas ^ file ^ original text (occurs once; \n for a line break) ^ replacement ^ the fault
MUTANTS=$(cat <<'TABLE'
E01^engine^src/engine/target_presets.cpp^"2324", "1411200", 0.44f, true^"2324", "1411200", 0.44f, false^VCD keeps a surround input's channels
E02^engine^src/engine/pipeline/main_loop.cpp^if (stage.FramesWritten() >= limit) return -1;^if (stage.FramesWritten() > limit) return -1;^frame limit one too late
E03^engine^src/engine/pipeline/main_loop.cpp^            if (options.shortest) break;^            if (false) break;^-shortest ignored
E04^engine^src/engine/pipeline/packet_decoder.cpp^        const bool started = start == 0 || now >= start;^        const bool started = start == 0 || now <= start;^start time gate reversed
E05^engine^src/engine/pipeline/packet_decoder.cpp^            ApplyVolume(*frame, m_settings.audioVolume);^            (void)m_settings.audioVolume;^volume never applied
E06^engine^src/engine/pipeline/video_output.cpp^        CountFrame();^        (void)0;^pictures not counted
E07^engine^src/engine/pipeline/progress_report.cpp^    record.currentSize = size;^    record.currentSize = 0;^progress size always zero
E08^engine component^src/engine/output_commit.cpp^    ::unlink(output.partName.c_str());\n    output.partLock.Reset();\n}^    output.partLock.Reset();\n}^failed output kept
E09^engine^src/engine/input_file.cpp^    if (context->start_time != AV_NOPTS_VALUE) seekPosition += context->start_time;^    if (context->start_time != AV_NOPTS_VALUE) seekPosition -= context->start_time;^seek ignores the file's start
E10^engine^src/engine/picture_geometry.cpp^    if (width % 2 != 0 || height % 2 != 0) throw FFmpegException("Frame size must be a multiple of 2");^    if (width % 2 != 0 && height % 2 != 0) throw FFmpegException("Frame size must be a multiple of 2");^odd frame size accepted
E11^engine^src/engine/pipeline/video_output.cpp^    return allPictures || allTime;^    return allPictures && allTime;^filters run past the limits
E12^engine^src/engine/pipeline/setup.cpp^    if (maps.size() != outputStreamCount) throw^    if (maps.size() < outputStreamCount) throw^too many stream maps accepted
E13^engine^src/engine/pipeline/audio_output.cpp^    if (m_encoder->sample_rate <= 0) m_encoder->sample_rate = m_source.stream->codecpar->sample_rate;^    if (m_encoder->sample_rate < 0) m_encoder->sample_rate = m_source.stream->codecpar->sample_rate;^no sample rate taken from the source
E14^engine^src/engine/output_streams.cpp^    if (next.codecTag != 0) created.codec->codec_tag = next.codecTag;^    if (next.codecTag == 0) created.codec->codec_tag = next.codecTag;^codec tag never set
E15^engine^src/engine/pipeline/video_output.cpp^        m_encoder->width = m_cropWidth + bands.left + bands.right;^        m_encoder->width = m_cropWidth + bands.left;^right pad band lost
E20^engine^src/engine/files/default_streams.cpp^    const bool picturesShown = textCodec != AV_CODEC_ID_MOV_TEXT;^    const bool picturesShown = true;^pictures of text copied into MP4
E21^engine^src/engine/files/default_streams.cpp^    if (stream.type == AVMEDIA_TYPE_VIDEO && (stream.width <= 0 || stream.height <= 0)) return "it cannot be decoded";^    if (false) return "it cannot be decoded";^an undecodable cover is made
E22^engine^src/engine/pipeline/main_loop.cpp^    if (packetsWritten == 0 && !m_host.StopAsked()^    if (packetsWritten < 0 && !m_host.StopAsked()^a run that wrote nothing finishes
E23^engine^src/engine/pipeline/main_loop.cpp^        output.sink->Flush();^        (void)output;^bitstream filters not flushed
E24^engine^src/engine/pipeline/setup.cpp^    if (EncoderTakesSize(output.encoder, codec, codec->width, codec->height) ||^    if (false ||^odd sizes rounded for every encoder
E25^engine^src/engine/pipeline/subtitle_output.cpp^    if (!m_output.optional) throw FFmpegException(message);^    throw FFmpegException(message);^a kept subtitle's bad cue fails the run
E26^engine^src/engine/pipeline/packet_decoder.cpp^sent == AVERROR(EAGAIN) && tries < 2;^false && tries < 2;^a busy decoder's packet taken as an error
E27^engine^src/engine/pipeline/setup.cpp^            } else if (spec.source.Valid() && m_demuxer.HasStream(spec.source.input, spec.source.stream)) {^            } else if (false) {^the chosen subtitle stream not the one fed
S01^engine^src/engine/pipeline/frame_rate_sync.cpp^            copies = static_cast<int>(std::lrint(delta));^            copies = static_cast<int>(std::lrint(delta)) + 1;^the frame-rate sync repeats a picture once too often
S02^engine^src/engine/pipeline/audio_output.cpp^        EncodeFrame(shortLastFrame ? left : m_encoder->frame_size);^        (void)shortLastFrame;^the last part of an audio frame lost at the end
S03^engine^src/engine/pipeline/stream_packet_sink.cpp^    if (payload == TPayload::Audio) m_counters->audioSize += packet->size;^    if (false) m_counters->audioSize += packet->size;^the packet sink does not count audio bytes
S04^engine^src/engine/pipeline/packet_writer.cpp^    if (!m_chain.empty()) Push(0, nullptr, file, codecName, errors);^    (void)errors;^what the bitstream filters hold never flushed
S05^engine^src/engine/pipeline/error_policy.h^        if (m_exitOnError) throw FFmpegException(text);^        if (false) throw FFmpegException(text);^exit on errors only logs the fault
S06^engine^src/engine/pipeline/audio_output.cpp^    if (m_isStart || std::fabs(delta) > options.driftThreshold * outRate) {^    if (std::fabs(delta) > options.driftThreshold * outRate) {^a gap at the start of the sound not filled
K04^engine^src/engine/output_commit.cpp^        if (finished && output.replacesFile) {^        if (output.replacesFile) {^a stopped run replaces the existing file
K05^engine^src/engine/output_commit.cpp^            if (!problem.empty()) throw FFmpegException(problem);^            (void)problem;^a short output passes for finished
K06^engine^src/engine/files/output_check.cpp^std::max<std::int64_t>(kSecond, expected / 50);^std::max<std::int64_t>(kSecond, expected / 5);^20 % tolerated instead of 2 %
K07^engine^src/engine/output_commit.cpp^    return handle.Valid() && ::flock(handle.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;^    return false;^another conversion's part file taken over
K08^cli^src/cli/journal.cpp^    if (std::fseek(m_file, -1, SEEK_END) == 0 && std::fgetc(m_file)^    if (false && std::fgetc(m_file)^a record glued to a line a crash cut
K09^component cli^src/component/vantrel.cpp^m_tasks.Item(other).ReservedOutput == reserved) {^false) {^two tasks write one output name
I01^form package^src/binding/program_folders.cpp^    if (support.filename() == "mirelk" && support.parent_path().filename() == "lib") {^    if (false) {^installed hook pictures looked for beside the modules
I02^ui^src/ui/config_file.cpp^    if (IsBuildTreeFolder(programFolder.toStdString()) && CanWriteIn(programFolder, besideProgram)) {^    if (CanWriteIn(programFolder, besideProgram)) {^settings written into an installed program's folder
I03^package^src/ui/launch_options.cpp^    if (!needsServer || !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))^    if (true)^no display found only by the platform plug-in's abort
I04^package^src/ui/launch_options.cpp^        std::_Exit(1);^        (void)0;^an unreachable display ends in Qt's abort
E16^engine^src/binding/av_owners.cpp^    if (av::avcodec_free_context == nullptr) return;\n    std::lock_guard^    std::lock_guard^unbound free called
C01^component^src/component/vantrel.cpp^    return std::max(1, processors / std::max(1, tasksAtOnce));^    return std::max(1, processors);^codec threads not shared
C02^component^src/component/hook_periods.cpp^            if (from <= to && to >= 0) periods.push_back({from * 1000, to * 1000});^            if (from <= to && to >= 0) periods.push_back({from * 1000, to * 100});^hook period end in wrong unit
C03^component^src/component/record_options.cpp^    if (options.StartTime > 0) task.SetStartTime(static_cast<std::int64_t>(options.StartTime) * 1000);^    if (options.StartTime > 1000) task.SetStartTime(static_cast<std::int64_t>(options.StartTime) * 1000);^short input start times dropped
C04^component^src/component/record_options.cpp^    if (o.RecordingTime >= 1) task.SetRecordingTime(static_cast<std::int64_t>(o.RecordingTime) * 1000);^    if (o.RecordingTime >= 1) task.SetRecordingTime(static_cast<std::int64_t>(o.RecordingTime) * 1001);^recording time off
C05^component^src/component/ffmpeg_task.cpp^    if (m_workerThread && !StopRequested) m_paused = true;^    if (m_workerThread && StopRequested) m_paused = true;^pause does nothing
C06^component^src/component/ffmpeg_task.cpp^    if (!m_paused || StopRequested) return;^    if (!m_paused) return;^a stopped task waits at the gate
C07^component^src/component/log_routing.cpp^    if (CachedLibraryLevel().load(std::memory_order_relaxed) < engineLevel) return;^    if (CachedLibraryLevel().load(std::memory_order_relaxed) <= engineLevel) return;^library lines of the set level dropped
C08^component^src/component/vantrel.cpp^        m_codecThreadShare = CodecThreadShare(threadCount < 1 ? 1 : std::min(threadCount, m_tasks.Count()));^        m_codecThreadShare = CodecThreadShare(threadCount < 1 ? 1 : threadCount);^share ignores a short list
F01^form^src/form/format_rules.cpp^.AudioChannels = 1, .AudioSampleRate = 8000, .AudioBitrate = 7400, .FrameSize = "128x96"^.AudioChannels = 1, .AudioSampleRate = 8000, .AudioBitrate = 7400, .FrameSize = "176x144"^3GP frame size
F02^form^src/form/format_rules.cpp^        if (rate != 11025 && rate != 22050 && rate != 44100) record.AudioSampleRate = 22050;^        if (rate != 11025 && rate != 22050) record.AudioSampleRate = 22050;^flash rate 44100 refused
F03^form^src/form/output_file_name.cpp^    for (long number = 1; taken(name); ++number)^    for (long number = 2; taken(name); ++number)^numbered names start at 2
F04^form^src/form/time_text.cpp^(microseconds / 1000) % 1000);^(microseconds / 100) % 1000);^milliseconds shown wrong
F05^form^src/form/filter_chain.cpp^    if (settings.HoriFlip) elements.emplace_back("hflip");^    if (settings.HoriFlip) elements.emplace_back("vflip");^horizontal flip flips vertically
F06^form^src/form/widget_states.cpp^    settings.PTSPeriodsTextEnabled = external && settings.HookBehaviour == hbPTSPeriods;^    settings.PTSPeriodsTextEnabled = external;^periods text open for every behaviour
F07^form^src/form/preview_slider.cpp^    const std::int64_t nearest = (std::max<std::int64_t>(microseconds, 0) + m_previewStep / 2) / m_previewStep;^    const std::int64_t nearest = std::max<std::int64_t>(microseconds, 0) / m_previewStep;^slider rounds down
F08^form^src/form/option_form.cpp^        record.RecordingTime = RecordMilliseconds(clip.EndMs - clip.StartMs);^        record.RecordingTime = RecordMilliseconds(clip.EndMs);^clip length counted from zero
F09^form^src/form/hook_lines.cpp^    if (editText.empty()) editText = kDefaultHookText;^    if (editText.size() == 1) editText = kDefaultHookText;^empty hook text kept
P01^probe^src/probe/custom_av_probe.cpp^        info.DurationUS = av::av_rescale_q(stream->duration, stream->time_base, kMicroseconds);^        info.DurationUS = stream->duration;^stream duration in stream units
P02^probe^src/probe/custom_av_probe.cpp^    info.Duration = UnknownAsMinusOne(context->duration);^    info.Duration = context->duration;^unknown duration not -1
P03^probe^src/probe/video_frame_decoder.cpp^    if (opened < 0) return TDecoderOpenResult::OpenFailed;^    if (opened < -1) return TDecoderOpenResult::OpenFailed;^failed open taken for success
P04^probe^src/binding/bgr_conversion.cpp^    if (width <= 0 || height <= 0 || picture.format < 0 || picture.data[0] == nullptr) return false;^    if (width <= 0 || height <= 0 || picture.data[0] == nullptr) return false;^unknown pixel format converted
P05^probe^src/probe/av_probe.cpp^    if (!__builtin_add_overflow(left, right, &sum)) return sum;^    if (!__builtin_add_overflow(left, right, &sum)) return sum - 1;^seek target off by one
P06^probe^src/binding/bgr_conversion.cpp^    if (bitmap.Width() != width || bitmap.Height() != height) bitmap.SetSize(width, height);^    if (bitmap.Width() != width) bitmap.SetSize(width, height);^bitmap keeps a wrong height
E17^engine^src/engine/pipeline/demuxer.cpp^    if (error == 0) return;^    return;^read errors mid-run taken for the end
E18^engine^src/engine/pipeline/subtitle_output.cpp^        } else if (subtitle.end_display_time > subtitle.start_display_time) {^        } else if (subtitle.end_display_time < subtitle.start_display_time) {^subtitle durations lost
E19^engine^src/engine/pipeline/progress_report.cpp^    if (now - m_lastReport <= m_settings.interval) return;^    if (now - m_lastReport <= 10 * m_settings.interval) return;^progress interval ten times too long
B01^binding^src/binding/loader.cpp^    if (!state.bound) UnloadLib(library);^    if (false) UnloadLib(library);^half-bound library stays loaded
B02^binding^src/binding/utilities.cpp^    if (size > kKilo) return Format("%.2f KB"^    if (size >= kKilo) return Format("%.2f KB"^1024 bytes shown as KB
H01^hooks^src/binding/hooks/frame_hook_chain.cpp^    if (entry->configure == nullptr && hasArguments) {^    if (entry->configure == nullptr && !hasArguments) {^module without Configure refused
H02^hooks^src/binding/hooks/frame_hook_chain.cpp^        if (entry->release != nullptr) entry->release(entry->context);^        (void)entry->context;^modules never released
H03^hooks^src/binding/hooks/modules/hook_arguments.c^    if (errno != 0 || end == text || *end != '\0' || parsed < lowest || parsed > highest) return 1;^    if (errno != 0 || end == text || *end != '\0' || parsed < lowest || parsed >= highest) return 1;^highest value of a range refused
H04^hooks^src/binding/hooks/modules/hook_arguments.c^    if (blank) option->words[length] = ' ';^    (void)blank;^words of a text run together
K01^cli^src/cli/conversion_run.cpp^    if (!m_arguments.overwrite) {^    if (false) {^existing output replaced without --overwrite
K02^cli^src/cli/batch_plan.cpp^    for (std::size_t i = static_cast<std::size_t>(arguments.shard.index - 1); i < unique.size(); i += count)^    for (std::size_t i = static_cast<std::size_t>(arguments.shard.index); i < unique.size(); i += count)^shards shifted by one
K03^cli^src/cli/status_display.cpp^        if (progress.lineWritten && now - progress.lastLine < kLineInterval) return;^        if (now - progress.lastLine < kLineInterval) return;^progress lines on a pipe never written
U01^ui^src/ui/main_window_run.cpp^    row.Task = m_qelvan->TaskId(index);^    row.Task = index;^rows hold their task's index, which a deletion changes
U02^ui^src/ui/main_window_slices.cpp^        if (build.FromToolBar || entry.CutClip) ApplyRowClip^        if (build.FromToolBar) ApplyRowClip^menu conversion ignores Cut Clip
U03^ui^src/ui/config_file.cpp^    if (number && tasks >= 1) return tasks;^    if (number && tasks > 1) return tasks;^one task at a time cannot be chosen
U04^ui^src/ui/language.cpp^    return locale.language() == QLocale::Chinese ? QString("zh_CN") : QString("en");^    return QString("en");^a Chinese desktop gets the English window
U05^ui^src/ui/main_window_rows.cpp^    SetToolStates(true, rows, rows, false, false, false);^    SetToolStates(false, false, false, true, false, true);^the tool bar stays in the running state after a run
U06^ui^src/ui/main_window_rows.cpp^    if (!isActiveWindow()) Notify(^    if (false) Notify(^no notification at the end of a run
U07^ui^src/ui/main_window_slices.cpp^        return fromToolBar && entry.State == rsFinished;^        return false;^Convert after a run converts finished rows again
U08^ui^src/ui/language.cpp^    object->setProperty(property, QStringList{QString::fromUtf8(context), QString::fromUtf8(source)});^    (void)property;^a language switch leaves the old texts
C20^component^src/component/vantrel.cpp^    if (task.StopBeforeStart) {^    if (false) {^a waiting task that was stopped runs all the same
L01^ui^src/ui/main_window_options.cpp^        if (!m_optionForm->Settings.RememberOverwrite) m_optionForm->Settings.Overwrite = false;^        if (false) m_optionForm->Settings.Overwrite = false;^overwriting kept across starts without Remember
L02^form ui^src/form/settings_beyond_page.cpp^    if (settings.Overwrite) notes.push_back({snOverwrite, {}});^    if (false) notes.push_back({snOverwrite, {}});^overwriting applied without the settings line saying so
L03^ui^src/ui/main_window_slices.cpp^    const TPageSettingsScope scope(form, ActivePage(), PageChoices());^    ;^a row added is named by the option window's format, not the page Convert uses
L04^ui^src/ui/main_window_settings_line.cpp^        if (row.State == rsFinished) continue;^        if (false) continue;^a finished row renamed after the file it did not write
L05^ui^src/ui/main_window_keeping.cpp^expected > 0 ? expected : -1); !problem.empty()) {^expected > 0 ? expected : -1); false) {^a damaged output restored as finished
L06^ui^src/ui/main_window.cpp^    if (!ConfirmStopOnClose()) {^    if (false) {^closing the window stops a run without asking
L07^ui^src/ui/main_window_run.cpp^        outputUnwritable = !m_qelvan->OutputReserved(output.FileName);^        outputUnwritable = true;^the same file added twice as a failed row
L08^ui^src/ui/main_window_keeping.cpp^    m_folder->setText(kept.OutputFolder);^    ;^a restored list converts into another folder
L09^form ui^src/form/option_form.cpp^m_firstVideoStream >= 0 && m_previewPictures) {^m_firstVideoStream >= 0) {^a preview picture decoded for every row the window makes
G01^form^src/form/quality_rules.cpp^            if (scale->Option == "crf") AppendLine(record.ExtOptions, "b=0");^            if (false) AppendLine(record.ExtOptions, "b=0");^VP9 rate factor capped by the default bit rate
G02^form modern^src/form/format_rules.cpp^     .VideoTag = "hvc1"},^     .VideoTag = ""},^HEVC in MP4 without the tag Apple players need
G03^form^src/form/option_form.cpp^rate = known && video.FrameRateNum <= L::FramesPerSecond^rate = known && video.FrameRateNum >= L::FramesPerSecond^GIF keeps a fast source's frame rate
G04^form modern^src/form/presets.cpp^    if (IsBuiltIn(name)) throw TPresetError(Quoted(name) + " is a built-in preset and cannot be overwritten.");^    if (false) throw TPresetError(Quoted(name) + " is a built-in preset and cannot be overwritten.");^built-in preset overwritten
G05^form^src/form/presets.cpp^    if (size > static_cast<std::uintmax_t>(kPresetFileLimit)) {^    if (false) {^a huge preset file read whole
G06^form modern^src/form/quality_rules.cpp^            record.AudioBitrate = perChannel * 1000 * channels;^            record.AudioBitrate = perChannel * 1000;^audio quality not per channel
G07^form modern^src/form/option_form.cpp^    if ((record.RecordingTime < 1 && longer) || record.RecordingTime > kLongestMs) record.RecordingTime = kLongestMs;^    if (false) record.RecordingTime = kLongestMs;^a GIF of a long input buffers all of it
G08^engine^src/engine/custom_ffmpeg.cpp^>= 0 && bitRate > 0 && bitRate < 1000)^>= 0 && bitRate < 1000)^warning for a bit rate of 0
G09^modern^src/engine/output_streams.cpp^            sameDepth = format;^            (void)format;^16-bit sound converted to ALAC grows to 32 bits
G10^form^src/form/main_window_pages.cpp^        settings.EncoderSpeed = choices.EncoderSpeed;^        (void)choices.EncoderSpeed;^the Modern page's encoder speed ignored
G11^form^src/form/main_window_pages.cpp^(known ? choices.ModernFormat : 0)^(known ? choices.ModernFormat : -1)^the Modern page's bad index picks a classic format
G12^ui^src/ui/option_window.cpp^    const int first = static_cast<int>(group->buttons().size());^    const int first = 0;^today's formats in the option window take the classic formats' indexes
G13^ui^src/ui/quality_controls.cpp^    if (rule.PalettePictures)\n        lines^    if (false)\n        lines^no note of the GIF's 60 seconds
G14^ui^src/ui/preset_controls.cpp^        settings.OutputFolder = m_form.Settings.OutputFolder;^        (void)0;^a preset moves the outputs to its own folder
G15^ui^src/ui/preset_controls.cpp^    const bool own = IsUserPreset(name);^    const bool own = !name.isEmpty();^built-in presets offered for renaming and deleting
G16^ui^src/ui/preset_controls.cpp^    const bool replace = IsUserPreset(name);\n    if (replace && !m_dialogs^    const bool replace = IsUserPreset(name);\n    if (false && !m_dialogs^a user preset replaced without asking
G17^ui^src/ui/modern_format_page.cpp^    m_size->setEnabled(!rule.VideoDisable);^    m_size->setEnabled(true);^a frame size offered for sound only
Q01^component^src/component/vantrel_events.cpp^        m_events.Post(std::move(event));\n        ++m_reportedInRun;\n        next = CountTermination(endOfRun);^        ++m_reportedInRun;\n        next = CountTermination(endOfRun);\n        m_events.Post(std::move(event));^the end of a run queued before the last task's termination
Q02^component^src/component/vantrel_events.cpp^    m_events.Post(std::move(end));\n    return true;^    m_events.Post(TComponentEvent(end));\n    m_events.Post(std::move(end));\n    return true;^the end of a run told twice
Q03^component^src/component/event_queue.cpp^        TComponentEvent event = std::move(m_events.front());\n        m_events.pop_front();^        TComponentEvent event = std::move(m_events.back());\n        m_events.pop_back();^events handed out last first, out of their order per task
Q04^component^src/component/vantrel.cpp^        m_positions[Item(i).Id] = i;^        m_positions[Item(i).Id] = i + 1;^events of the tasks after a deleted one carry an index one too high
Q05^component^src/component/vantrel.cpp^    ReleaseLateTasks(true);^    ReleaseLateTasks(false);^the component goes while a late task's thread still runs
TABLE
)

mkdir -p "$build"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="-O1 -g0" -DCMAKE_C_FLAGS="-O1 -g0" >/dev/null
fi
echo "building the unmutated tree in $build" >&2
cmake --build "$build" -j "$(nproc)" >/dev/null
# MUTANTS_TRUST_BASELINE=1 skips the proof run when the same tree was just proven green.
if [ "${MUTANTS_TRUST_BASELINE:-0}" != 1 ] && ! ctest --test-dir "$build" -j "$(nproc)" --timeout 300 >"$build/mutants-baseline.log" 2>&1 </dev/null; then
  echo "mutants.sh: the unmutated tree fails its tests (see $build/mutants-baseline.log)" >&2
  exit 1
fi

backup=""
mutated=""
restore() {
  if [ -n "$mutated" ]; then
    cp "$backup" "$mutated"
    touch "$mutated"
    mutated=""
  fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

result_file="$build/mutants-result.txt"
[ ${#wanted[@]} -eq 0 ] && : >"$result_file"
declare -A killed planted
printf '%-4s %-12s %-18s %-55s %s\n' id result area place fault | tee -a "$result_file"
# The table comes in on its own descriptor: a test (or a tool it runs) that reads standard input
# must not eat the rows still to come.
while IFS='^' read -r -u 3 id areas file original replacement what; do
  [ -z "$id" ] && continue
  if [ ${#wanted[@]} -gt 0 ] && [[ ! " ${wanted[*]} " =~ " $id " ]]; then continue; fi
  # Where the fault goes, or "stale" when the text is not there exactly once.
  line=$(python3 - "$file" "$original" <<'PY'
import sys
path, original = sys.argv[1], sys.argv[2].replace("\\n", "\n")
text = open(path, encoding="utf-8").read()
print(text[: text.index(original)].count("\n") + 1 if text.count(original) == 1 else 0)
PY
)
  labels=""
  targets=()
  for area in $areas; do
    for executable in ${AREA[$area]}; do
      targets+=("$executable")
      labels+="${labels:+|}$executable"
    done
  done
  result=stale
  if [ "$line" != 0 ]; then
    backup="$build/mutant-backup"
    cp "$file" "$backup"
    mutated=$file
    python3 - "$file" "$original" "$replacement" <<'PY'
import sys
path, original, replacement = sys.argv[1], sys.argv[2].replace("\\n", "\n"), sys.argv[3].replace("\\n", "\n")
text = open(path, encoding="utf-8").read()
open(path, "w", encoding="utf-8").write(text.replace(original, replacement, 1))
PY
    if ! cmake --build "$build" -j "$(nproc)" --target "${targets[@]}" >"$build/mutant-$id.log" 2>&1; then
      result=build-broken
    elif ctest --test-dir "$build" -L "^($labels)\$" --stop-on-failure -j "$(nproc)" --timeout 180 \
        >>"$build/mutant-$id.log" 2>&1 </dev/null; then
      result=survived
    else
      result=killed
    fi
    restore
  fi
  area=${areas%% *}
  if [ "$result" = killed ] || [ "$result" = survived ]; then
    planted[$area]=$(( ${planted[$area]:-0} + 1 ))
    [ "$result" = killed ] && killed[$area]=$(( ${killed[$area]:-0} + 1 ))
  fi
  printf '%-4s %-12s %-18s %-55s %s\n' "$id" "$result" "$areas" "$file:$line" "$what" | tee -a "$result_file"
done 3<<<"$MUTANTS"

# The sources are back as they were; leave the build matching them.
cmake --build "$build" -j "$(nproc)" >/dev/null || true
total_killed=0
total_planted=0
for area in "${!planted[@]}"; do
  printf 'area %-10s killed %d / planted %d\n' "$area" "${killed[$area]:-0}" "${planted[$area]}" | tee -a "$result_file"
  total_killed=$(( total_killed + ${killed[$area]:-0} ))
  total_planted=$(( total_planted + ${planted[$area]} ))
done
printf 'total killed %d / planted %d\n' "$total_killed" "$total_planted" | tee -a "$result_file"
