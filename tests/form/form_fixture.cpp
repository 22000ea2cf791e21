#include "form_fixture.h"

#include <filesystem>

namespace mirelk::test {

void OptionFormTest::SetUp()
{
    LibrariesLoaded::SetUp();
    std::filesystem::create_directories(folder.Path("program"));
    form = std::make_unique<TOptionForm>(folder.Path("program"));
}

std::string OptionFormTest::MakeClip(const std::string& name)
{
    return MakeMedia(folder.Path(name), "-f lavfi -i testsrc=s=320x240:r=25:d=2 -f lavfi -i sine=d=2 "
                                        "-c:v mpeg4 -c:a aac -shortest");
}

void OptionFormTest::UseInput(const std::string& path)
{
    ASSERT_TRUE(probe.Open(path)) << probe.LastErrMsg();
    form->SetProber(&probe);
}

std::string OptionFormTest::UseClip(const std::string& name)
{
    const std::string path = MakeClip(name);
    EXPECT_FALSE(path.empty());
    if (!path.empty()) UseInput(path);
    return path;
}

TOutputOptions RecordFor(const std::string& inputPath, const std::string& ending)
{
    TOutputOptions record;
    record.FileName = std::filesystem::path(inputPath).replace_extension().string() + "_(new)" + ending;
    record.FileExt = ending;
    return record;
}

#define MIRELK_EXPECT_FIELD(field) EXPECT_EQ(actual.field, expected.field) << "field " #field

void ExpectSameRecord(const TOutputOptions& actual, const TOutputOptions& expected)
{
    MIRELK_EXPECT_FIELD(FileName);
    MIRELK_EXPECT_FIELD(FileExt);
    MIRELK_EXPECT_FIELD(FileFormat);
    MIRELK_EXPECT_FIELD(PacketSize);
    MIRELK_EXPECT_FIELD(MuxRate);
    MIRELK_EXPECT_FIELD(MuxDelay);
    MIRELK_EXPECT_FIELD(MuxPreload);
    MIRELK_EXPECT_FIELD(AudioCodec);
    MIRELK_EXPECT_FIELD(AudioDisable);
    MIRELK_EXPECT_FIELD(AudioVolume);
    MIRELK_EXPECT_FIELD(AudioChannels);
    MIRELK_EXPECT_FIELD(AudioSampleRate);
    MIRELK_EXPECT_FIELD(AudioBitrate);
    MIRELK_EXPECT_FIELD(AudioBitrateTolerance);
    MIRELK_EXPECT_FIELD(AudioLanguage);
    MIRELK_EXPECT_FIELD(AudioSync);
    MIRELK_EXPECT_FIELD(AudioTag);
    MIRELK_EXPECT_FIELD(VideoCodec);
    MIRELK_EXPECT_FIELD(VideoDisable);
    MIRELK_EXPECT_FIELD(FrameRate);
    MIRELK_EXPECT_FIELD(FrameSize);
    MIRELK_EXPECT_FIELD(AspectRatio);
    MIRELK_EXPECT_FIELD(CropTop);
    MIRELK_EXPECT_FIELD(CropBottom);
    MIRELK_EXPECT_FIELD(CropLeft);
    MIRELK_EXPECT_FIELD(CropRight);
    MIRELK_EXPECT_FIELD(PadTop);
    MIRELK_EXPECT_FIELD(PadBottom);
    MIRELK_EXPECT_FIELD(PadLeft);
    MIRELK_EXPECT_FIELD(PadRight);
    MIRELK_EXPECT_FIELD(PadColor);
    MIRELK_EXPECT_FIELD(GOPSize);
    MIRELK_EXPECT_FIELD(VideoBitrate);
    MIRELK_EXPECT_FIELD(MaxRate);
    MIRELK_EXPECT_FIELD(MinRate);
    MIRELK_EXPECT_FIELD(BitrateTolerance);
    MIRELK_EXPECT_FIELD(BufSize);
    MIRELK_EXPECT_FIELD(VideoSync);
    MIRELK_EXPECT_FIELD(VideoTag);
    MIRELK_EXPECT_FIELD(VideoFilters);
    MIRELK_EXPECT_FIELD(SubtitleDisable);
    MIRELK_EXPECT_FIELD(SubtitleLanguage);
    MIRELK_EXPECT_FIELD(CopyTimestamp);
    MIRELK_EXPECT_FIELD(StartTime);
    MIRELK_EXPECT_FIELD(RecordingTime);
    MIRELK_EXPECT_FIELD(Timestamp);
    MIRELK_EXPECT_FIELD(Year);
    MIRELK_EXPECT_FIELD(Track);
    MIRELK_EXPECT_FIELD(Title);
    MIRELK_EXPECT_FIELD(Author);
    MIRELK_EXPECT_FIELD(Copyright);
    MIRELK_EXPECT_FIELD(Comment);
    MIRELK_EXPECT_FIELD(Album);
    MIRELK_EXPECT_FIELD(Genre);
    MIRELK_EXPECT_FIELD(TargetType);
    MIRELK_EXPECT_FIELD(TargetNorm);
    MIRELK_EXPECT_FIELD(DefaultNorm);
    MIRELK_EXPECT_FIELD(CustomHook);
    MIRELK_EXPECT_FIELD(BeforeHook);
    MIRELK_EXPECT_FIELD(PTSPeriods);
    MIRELK_EXPECT_FIELD(ExtOptions);
}

#undef MIRELK_EXPECT_FIELD

}  // namespace mirelk::test
