// Everything a task's options set, with the defaults as member initialisers: resetting the
// options is one assignment of a default-constructed value.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "binding/av_headers.h"

namespace mirelk {

inline constexpr int kMaxFiles = 20;
inline constexpr int kMaxStreams = 20;
inline constexpr int kMaxStreamMaps = 400;
inline constexpr int kMaxMetaDataMaps = 20;

// The media types whose codec defaults the generic options go to, in lookup order.
enum TMediaIndex { miVideo, miAudio, miData, miSubtitle, miAttachment, kMediaIndexCount };

struct TStreamMap {
    int fileIndex = 0;
    int streamIndex = 0;
    int syncFileIndex = 0;
    int syncStreamIndex = 0;
};

struct TMetaDataMap {
    int outputFile = 0;
    int inputFile = 0;
};

// One filter of a bitstream filter chain; the filter's context is made per stream when the
// stream's parameters are known.
struct TBitstreamFilterSpec {
    const AVBitStreamFilter* filter = nullptr;
    std::string name;
};

struct TOptionState {
    // Formats forced for the next file ("f"); cleared after an input is opened.
    std::string forcedFormatName;
    const AVInputFormat* forcedInputFormat = nullptr;
    const AVOutputFormat* forcedOutputFormat = nullptr;
    bool oldImageInput = false;

    int frameWidth = 0;
    int frameHeight = 0;
    float frameAspectRatio = 0.0f;
    // Threads of each decoder and encoder ("threads"; 0 lets the library choose); -1 when not
    // given: then the task's share of the processors decides.
    int codecThreads = -1;
    int framePixelFormat = -1;
    // Set by the option since the last input's video stream set framePixelFormat.
    bool pixelFormatAsked = false;
    int audioSampleFormat = -1;
    int padTop = 0;
    int padBottom = 0;
    int padLeft = 0;
    int padRight = 0;
    int padColorY = 16;
    int padColorU = 128;
    int padColorV = 128;
    int cropTop = 0;
    int cropBottom = 0;
    int cropLeft = 0;
    int cropRight = 0;
    // Frame limits of video, audio, data and subtitle streams, by TMediaIndex.
    std::array<int, 4> maxFrames{INT_MAX, INT_MAX, INT_MAX, INT_MAX};
    AVRational frameRate{0, 0};
    float videoQScale = 0.0f;
    std::vector<std::uint16_t> intraMatrix;  // empty, or 64 coefficients
    std::vector<std::uint16_t> interMatrix;
    std::string videoRcOverride;
    int videoDisable = 0;
    int videoDiscard = 0;
    std::string videoCodecName;
    std::uint32_t videoCodecTag = 0;
    bool sameQuality = false;
    bool deinterlace = false;
    int topFieldFirst = -1;
    int meThreshold = 0;
    int intraDcPrecision = 8;
    int loopInput = 0;
    int loopOutput = -1;
    bool qpHistogram = false;
    std::string videoFilters;
    bool intraOnly = false;

    int audioSampleRate = 44100;
    std::uint64_t audioChannelLayout = 0;
    float audioQScale = -99999.0f;
    int audioDisable = 0;
    int audioChannels = 2;
    std::string audioCodecName;
    std::uint32_t audioCodecTag = 0;
    std::string audioLanguage;

    int subtitleDisable = 0;
    std::string subtitleCodecName;
    std::string subtitleLanguage;

    float muxPreload = 0.5f;
    float muxMaxDelay = 0.7f;
    std::int64_t recordingTime = INT64_MAX;
    std::int64_t startTime = 0;
    std::int64_t recordingTimestamp = 0;
    std::int64_t inputTimestampOffset = 0;
    bool hexDump = false;
    bool packetDump = false;
    bool psnr = false;
    int pass = 0;
    std::string passLogFileName;
    bool audioStreamCopy = false;
    bool videoStreamCopy = false;
    bool subtitleStreamCopy = false;
    int videoSyncMethod = -1;
    int audioSyncMethod = 0;
    float audioDriftThreshold = 0.1f;
    bool copyTimestamps = false;
    bool shortest = false;
    int videoGlobalHeader = 0;
    std::string videoStatsFileName;
    int programId = 0;
    int copyInitialNonKeyFrames = 0;
    int rateEmulation = 0;
    int videoChannel = 0;
    std::string videoStandard;
    int audioVolume = 256;
    bool exitOnError = false;
    int verbosity = 1;
    int decoderThreadCount = 1;
    bool inputSync = false;
    std::int64_t fileSizeLimit = 0;
    bool forceFrameRate = false;
    float dtsDeltaThreshold = 10.0f;
    int scalerFlags = SWS_BICUBIC;

    // Expected length of the output in milliseconds, -1 while unknown.
    std::int64_t expectedTotalDuration = -1;

    // Tables and lists the options append to.
    std::vector<TStreamMap> streamMaps;
    std::vector<TMetaDataMap> metaDataMaps;
    // Timestamp scale per input file and stream ("itsscale"); 0 means none.
    // By input file (only as many as the option reached; a waiting task of a long list should
    // not carry the full table), then by stream; 0 is no scaling.
    std::vector<std::array<double, kMaxStreams>> inputTimestampScale;
    std::vector<std::pair<std::string, std::string>> metadata;
    std::vector<TBitstreamFilterSpec> videoBitstreamFilters;
    std::vector<TBitstreamFilterSpec> audioBitstreamFilters;
    std::vector<TBitstreamFilterSpec> subtitleBitstreamFilters;
};

}  // namespace mirelk
