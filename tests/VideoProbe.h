#pragma once

#include "ScratchFolder.h"

#include <map>
#include <sstream>
#include <string>

// What ffprobe reads of a video file's first video stream: codec_name, width, height, nb_read_frames
// and duration, each by its name.
inline std::map<std::string, std::string> probeVideo(const std::string& file) {
    std::string said;
    shellOutput("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                "stream=codec_name,width,height,nb_read_frames,duration -of default=nw=1 '" +
                    file + "' 2>&1",
                said);
    std::map<std::string, std::string> read;
    std::istringstream lines(said);
    for (std::string line; std::getline(lines, line);)
        if (line.find('=') != std::string::npos)
            read[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    return read;
}
