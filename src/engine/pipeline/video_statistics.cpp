#include "engine/pipeline/video_statistics.h"

#include <algorithm>
#include <cmath>

#include "binding/entry_points.h"
#include "engine/options/ffmpeg_exception.h"
#include "engine/pipeline/stage_clock.h"

namespace mirelk {

TVideoStatistics::~TVideoStatistics()
{
    if (m_file != nullptr && av::my_fclose != nullptr) av::my_fclose(m_file);
}

void TVideoStatistics::WriteFrameLine(int frameNumber, float quality, std::int64_t position,
                                      const AVCodecContext* encoder, int frameSize, int pictureType,
                                      std::int64_t videoSize, double lumaError)
{
    if (m_file == nullptr) {
        m_file = av::my_fopen(m_fileName.c_str(), "w");
        if (m_file == nullptr) throw FFmpegException("fopen fail: " + m_fileName);
    }
    av::my_fprintf(m_file, "frame= %5d q= %2.1f ", frameNumber, static_cast<double>(quality));
    if ((encoder->flags & AV_CODEC_FLAG_PSNR) && lumaError >= 0) {
        const double scale = static_cast<double>(encoder->width) * encoder->height * 255.0 * 255.0;
        av::my_fprintf(m_file, "PSNR= %6.2f ", -10.0 * std::log10(std::max(lumaError, 1e-10) / scale));
    }
    av::my_fprintf(m_file, "f_size= %6d ", frameSize);
    const double timeBase = av_q2d(encoder->time_base);
    const double seconds = std::max(PositionSeconds(position, encoder->time_base), 0.01);
    av::my_fprintf(m_file, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
                   static_cast<double>(videoSize) / 1024, seconds, frameSize * 8 / timeBase / 1000.0,
                   static_cast<double>(videoSize) * 8 / seconds / 1000.0);
    const char type = pictureType > 0 ? av::av_get_picture_type_char(static_cast<AVPictureType>(pictureType)) : '?';
    av::my_fprintf(m_file, "type= %c\n", type);
}

}  // namespace mirelk
