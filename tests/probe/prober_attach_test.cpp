// A prober attached to a context that someone else opened and keeps: it describes the file,
// refuses to move or read it, and never closes it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>

#include "binding/entry_points.h"
#include "binding/log_levels.h"
#include "probe_media.h"

using namespace mirelk;
using namespace mirelk::test;

namespace {

struct TOwnerCloser {
    void operator()(AVFormatContext* context) const { av::avformat_close_input(&context); }
};
using TOwnedInput = std::unique_ptr<AVFormatContext, TOwnerCloser>;

// The way a task opens its input.
TOwnedInput OpenAsOwner(const std::string& path)
{
    AVFormatContext* context = nullptr;
    if (av::avformat_open_input(&context, path.c_str(), nullptr, nullptr) < 0) return nullptr;
    TOwnedInput owned(context);
    if (av::avformat_find_stream_info(context, nullptr) < 0) return nullptr;
    return owned;
}

// Reads the owner's context to its end; a context closed behind the owner's back shows here
// (and to the address checker).
int PacketsLeft(AVFormatContext* context)
{
    AVPacket* packet = av::av_packet_alloc();
    int count = 0;
    while (av::av_read_frame(context, packet) >= 0) {
        ++count;
        av::av_packet_unref(packet);
    }
    av::av_packet_free(&packet);
    return count;
}

class ProberAttach : public ProberTest {
protected:
    void SetUp() override
    {
        ProberTest::SetUp();
        path = OpenMade("clip.mkv", "-f lavfi -i color=c=red:s=64x48:r=25:d=1 -f lavfi -i sine=d=1 -c:v mpeg4 -c:a mp2");
        owner = OpenAsOwner(path);
        ASSERT_NE(owner, nullptr);
    }

    std::string path;
    TOwnedInput owner;
};

}  // namespace

TEST_F(ProberAttach, DescribesTheFileAsAnOpenedProberDoes)
{
    const TAVProbe& opened = probe;
    TAVProbe attached;
    attached.Attach(owner.get());
    // The description holds the name, format, size, length and each stream's line.
    EXPECT_EQ(attached.GetInfoText(), opened.GetInfoText());
    EXPECT_EQ(attached.FirstAudioStream(), 1);
    EXPECT_EQ(attached.GetFileSize(), FileSize(path));
    EXPECT_EQ(attached.GetVideoStreamInfo(-1).Width, 64);
}

TEST_F(ProberAttach, RefusesToSeekOrReadAndLeavesTheContextToItsOwner)
{
    {
        TAVProbe attached;
        attached.Attach(owner.get());
        LibraryLogCapture log;
        for (const auto& [action, message] :
             {std::pair<std::function<void()>, std::string>{[&] { attached.Seek(-1, 0); },
                                                            "file cannot be seeked, handle is readonly."},
              {[&] { attached.ReadFrame(-1); }, "frame cannot be read, handle is readonly."}}) {
            EXPECT_EQ(MessageOf(action), message);
            EXPECT_EQ(attached.LastErrMsg(), message);
            EXPECT_TRUE(Logged(log.Lines(), kLevelInfo, message + "\n"));
        }
        attached.Close();
        EXPECT_EQ(attached.StreamCount(), -1);
        EXPECT_EQ(attached.GetInfoText(), "");
        attached.Attach(owner.get());
        // Opening another file forgets the attached context without closing it.
        ASSERT_TRUE(attached.Open(path)) << attached.LastErrMsg();
        EXPECT_TRUE(attached.Seek(-1, 0));
        EXPECT_EQ(attached.ReadFrame(-1).Width(), 64);
        attached.Attach(owner.get());
        EXPECT_THROW(attached.ReadFrame(-1), std::runtime_error);
        // A null context is no file.
        attached.Attach(nullptr);
        EXPECT_EQ(attached.StreamCount(), -1);
        EXPECT_EQ(attached.GetFileName(), "");
        EXPECT_TRUE(attached.ReadFrame(-1).Empty());
        EXPECT_FALSE(attached.Seek(-1, 0));
    }
    {
        TCustomAVProbe attached;
        attached.Attach(owner.get());
        EXPECT_EQ(attached.StreamCount(), 2);
    }
    // The owner's context is still open, and nothing of its file was read.
    int packets = 0;
    for (int stream : {0, 1})
        packets += std::stoi(Ffprobe(path, "stream=nb_read_packets", stream, "-count_packets").at("nb_read_packets"));
    EXPECT_EQ(PacketsLeft(owner.get()), packets);
}
