// The recorder on its own: the frames of a steady-rate video from images handed in at any pace,
// the picture the right way up, and files that cannot be written refused in one line.
#include "ScratchFolder.h"
#include "VideoProbe.h"

#include "lab/VideoRecorder.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// An RGBA image as OpenGL reads it, bottom row first: red over the top half, blue under it.
std::vector<unsigned char> redOverBlue(int width, int height) {
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(static_cast<size_t>(row) * width + x) * 4];
            const bool top = row >= height / 2;
            p[0] = top ? 230 : 20;
            p[1] = 20;
            p[2] = top ? 20 : 230;
            p[3] = 255;
        }
    return pixels;
}

// The first frame's pixel at (x, y) from the top left, decoded by ffmpeg.
std::vector<int> firstFramePixel(const std::string& file, int width, int x, int y) {
    std::string raw;
    shellOutput("ffmpeg -v error -i '" + file + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 - 2>/dev/null",
                raw);
    const size_t at = (static_cast<size_t>(y) * width + x) * 3;
    if (raw.size() < at + 3)
        return {};
    return {static_cast<unsigned char>(raw[at]), static_cast<unsigned char>(raw[at + 1]),
            static_cast<unsigned char>(raw[at + 2])};
}

} // namespace

TEST(VideoRecorder, ImagesAtTheFrameRateMakeOneFrameEachTheRightWayUp) {
    ScratchFolder folder("sylvara-video");
    const std::string file = folder.file("steady.mp4");
    VideoRecorder recorder;
    std::string error;
    // Odd sides lose their last pixel: the colour planes are halved.
    ASSERT_TRUE(recorder.start(file, 161, 121, 30, error)) << error;
    EXPECT_EQ(recorder.getWidth(), 160);
    EXPECT_EQ(recorder.getHeight(), 120);
    const std::vector<unsigned char> image = redOverBlue(161, 121);
    for (int i = 0; i < 60; ++i) {
        recorder.offer(image.data(), 161, 121, 100.0 + i / 30.0);
        // As a window drawing at the video's rate gives them.
        usleep(1000000 / 30);
    }
    const std::string report = recorder.stop();
    EXPECT_NE(report.find("60 frames, 160x120 at 30 frames/s (2.0 s); 0 dropped, 0 repeated"),
              std::string::npos)
        << report;
    EXPECT_FALSE(std::filesystem::exists(file + ".part"));
    const auto read = probeVideo(file);
    EXPECT_EQ(read.count("codec_name") ? read.at("codec_name") : "", "h264");
    EXPECT_EQ(read.count("width") ? read.at("width") : "", "160");
    EXPECT_EQ(read.count("height") ? read.at("height") : "", "120");
    EXPECT_EQ(read.count("nb_read_frames") ? read.at("nb_read_frames") : "", "60");
    ASSERT_TRUE(read.count("duration"));
    EXPECT_NEAR(std::stod(read.at("duration")), 2.0, 0.05);
    // OpenGL's bottom row is the video's last.
    const std::vector<int> top = firstFramePixel(file, 160, 80, 10);
    const std::vector<int> bottom = firstFramePixel(file, 160, 80, 110);
    ASSERT_EQ(top.size(), 3u);
    ASSERT_EQ(bottom.size(), 3u);
    EXPECT_GT(top[0], top[2] + 100) << "red at the top";
    EXPECT_GT(bottom[2], bottom[0] + 100) << "blue at the bottom";
}

TEST(VideoRecorder, ASlowWindowIsRepeatedAndAFastOneThinnedSoTheRateStaysSteady) {
    ScratchFolder folder("sylvara-video");
    const std::string file = folder.file("uneven.mp4");
    VideoRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.start(file, 64, 48, 30, error)) << error;
    const std::vector<unsigned char> image = redOverBlue(64, 48);
    // Thirty frames a second: drawn at 0, 0.11 and 0.31 s, frames 0, 3 and 9, the rest repeats...
    for (double at : {0.0, 0.11, 0.31}) {
        recorder.offer(image.data(), 64, 48, at);
        usleep(20000);
    }
    // ...and images drawn faster than the video's rate fill no frame of their own.
    EXPECT_FALSE(recorder.wants(0.32));
    recorder.offer(image.data(), 64, 48, 0.32);
    EXPECT_TRUE(recorder.wants(0.334));
    const VideoRecorder::Tally tally = recorder.getTally();
    EXPECT_EQ(tally.drawn, 3);
    EXPECT_EQ(tally.repeated, 7);
    EXPECT_EQ(tally.dropped, 0);
    recorder.stop();
    const auto read = probeVideo(file);
    EXPECT_EQ(read.count("nb_read_frames") ? read.at("nb_read_frames") : "", "10");
    ASSERT_TRUE(read.count("duration"));
    EXPECT_NEAR(std::stod(read.at("duration")), 10 / 30.0, 0.02);
}

TEST(VideoRecorder, ABusyEncoderDropsImagesWithoutHoldingTheWindowAndTheVideoKeepsItsFrames) {
    ScratchFolder folder("sylvara-video");
    const std::string file = folder.file("busy.mp4");
    VideoRecorder recorder;
    std::string error;
    ASSERT_TRUE(recorder.start(file, 1280, 720, 30, error)) << error;
    std::vector<unsigned char> image = redOverBlue(1280, 720);
    // Three hundred frames handed in at once, far faster than one thread encodes them.
    const int images = 300;
    for (int i = 0; i < images; ++i) {
        image[static_cast<size_t>(i) * 4] = static_cast<unsigned char>(i);
        recorder.offer(image.data(), 1280, 720, i / 30.0);
    }
    const VideoRecorder::Tally tally = recorder.getTally();
    EXPECT_GT(tally.dropped, 0);
    EXPECT_EQ(tally.frames(), images);
    const std::string report = recorder.stop();
    EXPECT_NE(report.find(std::to_string(tally.dropped) + " dropped"), std::string::npos) << report;
    const auto read = probeVideo(file);
    EXPECT_EQ(read.count("nb_read_frames") ? read.at("nb_read_frames") : "", std::to_string(images))
        << "dropped images leave their frames to the one before";
}

TEST(VideoRecorder, AFileThatCannotBeWrittenIsRefusedInOneLineAndLeavesNothing) {
    ScratchFolder folder("sylvara-video");
    const std::vector<unsigned char> image = redOverBlue(64, 48);
    std::string error;
    {
        VideoRecorder recorder;
        EXPECT_FALSE(recorder.start(folder.file("no-such-folder/x.mp4"), 64, 48, 30, error));
        EXPECT_NE(error.find("cannot record to"), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        EXPECT_FALSE(recorder.isRecording());
        EXPECT_TRUE(recorder.stop().empty());
    }
    {
        // A pipe would block the window until something read it.
        const std::string pipe = folder.file("pipe.mp4");
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        VideoRecorder recorder;
        EXPECT_FALSE(recorder.start(pipe, 64, 48, 30, error));
        EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    }
    {
        VideoRecorder recorder;
        EXPECT_FALSE(recorder.start(folder.file("rate.mp4"), 64, 48, 0, error));
        EXPECT_FALSE(recorder.start(folder.file("line\nbreak.mp4"), 64, 48, 30, error));
        EXPECT_FALSE(recorder.start(folder.file("tiny.mp4"), 1, 1, 30, error));
    }
    size_t left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.folder))
        left += entry.path().filename() != "pipe.mp4";
    EXPECT_EQ(left, 0u);
}

TEST(VideoRecorder, AFullDiskStopsTheRecordingWithOneLineAndTakesTheFileBack) {
    ScratchFolder folder("sylvara-video-full");
    const std::string disk = folder.file("disk");
    std::filesystem::create_directories(disk);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=40k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    {
        VideoRecorder recorder;
        std::string error;
        ASSERT_TRUE(recorder.start(disk + "/full.mp4", 320, 240, 30, error)) << error;
        std::vector<unsigned char> image = redOverBlue(320, 240);
        std::string failure;
        for (int i = 0; i < 600 && failure.empty(); ++i) {
            // Noise, which compresses badly, fills the disk soon.
            for (size_t p = 0; p < image.size(); p += 7)
                image[p] = static_cast<unsigned char>((p * 131 + i * 7919) >> 3);
            recorder.offer(image.data(), 320, 240, i / 30.0);
            usleep(2000);
            failure = recorder.takeFailure();
        }
        if (failure.empty())
            failure = recorder.stop();
        EXPECT_NE(failure.find("recording stopped: cannot write"), std::string::npos) << failure;
        EXPECT_EQ(failure.find('\n'), std::string::npos);
        EXPECT_FALSE(recorder.isRecording());
        EXPECT_TRUE(recorder.takeFailure().empty()) << "said once";
    }
    EXPECT_TRUE(std::filesystem::is_empty(disk));
    umount(disk.c_str());
}
