// What the option form's tests share: an input file made on the spot and opened with a prober,
// and a form whose program folder (with its hook folder) lies in the test's own folder.
#pragma once

#include <memory>
#include <string>

#include "../test_support.h"
#include "form/option_form.h"
#include "probe/av_probe.h"

namespace mirelk::test {

class OptionFormTest : public LibrariesLoaded {
protected:
    void SetUp() override;

    // A 2-second 320x240 clip with sound under the given name, opened and handed to the form.
    std::string UseClip(const std::string& name = "clip.mp4");
    void UseInput(const std::string& path);

    TempFolder folder;
    TAVProbe probe;
    std::unique_ptr<TOptionForm> form;
};

}  // namespace mirelk::test
