// Shared pieces of the tests: loading the libraries and catching what is logged.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/options/custom_ffmpeg.h"

namespace mirelk::test {

// Loads the default library set from the build's library folder once per test.
class LibrariesLoaded : public ::testing::Test {
protected:
    void SetUp() override;
};

// Collects the library's log lines (level and text) while it lives.
class LibraryLogCapture {
public:
    LibraryLogCapture();
    ~LibraryLogCapture();
    std::vector<std::pair<int, std::string>> Lines() const;
};

// A task reset with the libraries loaded, whose engine messages are collected.
class CapturingTask : public TCustomFFmpeg {
public:
    CapturingTask();
    std::vector<std::pair<int, std::string>> messages;
};

}  // namespace mirelk::test
