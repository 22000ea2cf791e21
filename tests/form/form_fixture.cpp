#include "form_fixture.h"

#include <filesystem>

namespace mirelk::test {

void OptionFormTest::SetUp()
{
    LibrariesLoaded::SetUp();
    std::filesystem::create_directories(folder.Path("program/vhook"));
    form = std::make_unique<TOptionForm>(folder.Path("program"));
}

std::string OptionFormTest::UseClip(const std::string& name)
{
    const std::string path = MakeMedia(folder.Path(name), "-f lavfi -i testsrc=s=320x240:r=25:d=2 -f lavfi -i sine=d=2 "
                                                          "-c:v mpeg4 -c:a aac -shortest");
    if (!path.empty()) UseInput(path);
    return path;
}

void OptionFormTest::UseInput(const std::string& path)
{
    ASSERT_TRUE(probe.Open(path)) << probe.LastErrMsg();
    form->SetProber(&probe);
}

}  // namespace mirelk::test
