#include "engine/pipeline/two_pass_log.h"

#include "binding/entry_points.h"
#include "binding/text_format.h"
#include "engine/options/ffmpeg_exception.h"

namespace mirelk {

TTwoPassLog::~TTwoPassLog()
{
    if (m_file != nullptr && av::my_fclose != nullptr) av::my_fclose(m_file);
}

std::string TTwoPassLog::FileName(const std::string& prefix, int outputStreamNumber)
{
    std::string name = Format("%s-%d.log", prefix.empty() ? "ffmpeg2pass" : prefix.c_str(), outputStreamNumber);
    if (name.size() > 1023) name.resize(1023);
    return name;
}

void TTwoPassLog::OpenForWriting(const std::string& fileName)
{
    m_file = av::my_fopen(fileName.c_str(), "w");
    if (m_file == nullptr) throw FFmpegException(Format("Cannot write log file %s for pass-1 encoding", fileName.c_str()));
}

std::string TTwoPassLog::ReadAll(const std::string& fileName)
{
    FILE* file = av::my_fopen(fileName.c_str(), "r");
    if (file == nullptr) throw FFmpegException(Format("Cannot read log file %s for pass-2 encoding", fileName.c_str()));
    std::string text;
    if (av::my_fseek(file, 0, SEEK_END) == 0) {
        const long length = av::my_ftell(file);
        av::my_fseek(file, 0, SEEK_SET);
        if (length > 0) {
            text.resize(static_cast<std::size_t>(length));
            text.resize(av::my_fread(text.data(), 1, text.size(), file));
        }
    }
    av::my_fclose(file);
    return text;
}

void TTwoPassLog::Append(const char* text)
{
    if (m_file != nullptr && text != nullptr) av::my_fprintf(m_file, "%s", text);
}

}  // namespace mirelk
