// What a task has opened: its input files with the decoder chosen for each stream, and its
// output files with the settings of each output stream, kept until the task is cleaned up.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "binding/av_headers.h"
#include "engine/options/avoption_context.h"
#include "engine/options/option_state.h"

namespace mirelk {

struct TInputContextCloser {
    void operator()(AVFormatContext* context) const;
};
using TInputContextPtr = std::unique_ptr<AVFormatContext, TInputContextCloser>;

struct TCodecContextDeleter {
    void operator()(AVCodecContext* context) const;
};
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextDeleter>;

// Closes the output's byte stream (when the format writes a file) and frees the context.
struct TOutputContextCloser {
    void operator()(AVFormatContext* context) const;
};
using TOutputContextPtr = std::unique_ptr<AVFormatContext, TOutputContextCloser>;

struct TOpenInput {
    TInputContextPtr context;
    std::string fileName;
    // Added to every timestamp read from this input, in microseconds.
    std::int64_t timestampOffset = 0;
};

// One stream of an input, in input order and stream order across all inputs.
struct TInputStreamChoice {
    int inputIndex = 0;
    int streamIndex = 0;
    // The decoder named by a codec option, or null: then the stream's own codec decides.
    const AVCodec* decoder = nullptr;
};

struct TOpenOutputStream {
    AVStream* stream = nullptr;  // borrowed: the output's context owns it
    // The settings the encoder is opened with later (for a copied stream, its parameters).
    TCodecContextPtr codec;
    // The encoder chosen by name or guessed from the format; null for a copied stream.
    const AVCodec* encoder = nullptr;
    bool streamCopy = false;
    std::vector<TBitstreamFilterSpec> bitstreamFilters;
};

struct TOpenOutput {
    TOutputContextPtr context;
    std::string fileName;
    std::vector<TOpenOutputStream> streams;
    // Generic options with the encoding flag and the mux settings, for writing the header.
    TAVDictionary muxerOptions;
    // Whether the file was created by us (and so may be removed when it stays empty).
    bool fileOpened = false;
};

}  // namespace mirelk
