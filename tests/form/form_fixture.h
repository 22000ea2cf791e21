// What the option form's tests share: an input file made on the spot and opened with a prober,
// a form whose program folder lies in the test's own folder, and a field-by-field comparison of
// output records.
#pragma once

#include <memory>
#include <string>

#include "../test_support.h"
#include "component/conversion_records.h"
#include "form/option_form.h"
#include "probe/av_probe.h"

namespace mirelk::test {

class OptionFormTest : public LibrariesLoaded {
protected:
    void SetUp() override;

    // A 2-second 320x240 clip with sound, made once per test under the given name.
    std::string MakeClip(const std::string& name = "clip.mp4");
    // Opens the file with the test's prober and hands the prober to the form.
    void UseInput(const std::string& path);
    // The clip made and handed to the form; its path.
    std::string UseClip(const std::string& name = "clip.mp4");

    TempFolder folder;
    TAVProbe probe;
    std::unique_ptr<TOptionForm> form;
};

// A fresh output record with the name and ending the form gives a file beside its input.
TOutputOptions RecordFor(const std::string& inputPath, const std::string& ending);
// Fails the calling test for every field in which the records differ.
void ExpectSameRecord(const TOutputOptions& actual, const TOutputOptions& expected);

}  // namespace mirelk::test
