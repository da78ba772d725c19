#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwsContext;

// Writes what the window shows to an H.264 video in MP4 at a steady frame rate. The window hands
// it an image whenever it draws; a thread of its own converts and encodes, so a slow encoder never
// holds the world back: when it falls behind, images are dropped and the video repeats the last
// one it had. The file is written beside its name and renamed into place when it is whole.
class VideoRecorder {
public:
    // Images waiting for the encoder before new ones are dropped.
    static constexpr size_t QUEUE_IMAGES = 6;
    static constexpr int MIN_FPS = 1;
    static constexpr int MAX_FPS = 120;

    // What became of the video's frames, each frame once.
    struct Tally {
        // Frames with an image of their own.
        long drawn = 0;
        // Frames that repeat the one before because the window drew no new image in time.
        long repeated = 0;
        // Frames that repeat the one before because the encoder was still busy.
        long dropped = 0;
        long frames() const { return drawn + repeated + dropped; }
    };

    VideoRecorder();
    ~VideoRecorder();
    VideoRecorder(const VideoRecorder&) = delete;
    VideoRecorder& operator=(const VideoRecorder&) = delete;

    // Opens FILE for a width x height video (an odd side loses its last pixel: H.264's colour
    // planes are halved) at fps frames a second. False, with a one-line reason, when it cannot.
    bool start(const std::string& file, int width, int height, int fps, std::string& error);
    bool isRecording() const { return recording; }
    const std::string& getFile() const { return file; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    // Whether an image drawn `seconds` after the clock's origin would fill a frame: no read of
    // the window is needed when it would not.
    bool wants(double seconds) const;
    // The window's image, RGBA rows from the bottom up (as OpenGL reads them), drawn `seconds`
    // after the clock's origin; the first image sets the origin. Never waits for the encoder.
    void offer(const unsigned char* pixels, int imageWidth, int imageHeight, double seconds);
    // A failure the encoder met (a full disk, say) as one line, once; empty when there is none.
    // The recording has then ended and its file has been taken back.
    std::string takeFailure();
    // Finishes the file and returns the line that reports it; empty when nothing was recording.
    std::string stop();
    Tally getTally() const;

    // The line that reports a finished video.
    static std::string report(const std::string& file, int width, int height, int fps, const Tally& tally);

private:
    struct Image {
        std::vector<unsigned char> pixels;
        int width = 0;
        int height = 0;
        // The video frames it fills: those from `first` to `slot` - 1 repeat the one before.
        long first = 0;
        long slot = 0;
    };

    void encodeAll();
    bool encode(const Image& image);
    bool send(AVFrame* frame);
    bool writePackets();
    void fail(const std::string& reason);
    void release();
    long slotAt(double seconds) const;

    std::string file;
    std::string partFile;
    int width = 0;
    int height = 0;
    int fps = 0;
    bool recording = false;

    // The window's side.
    bool started = false;
    double origin = 0.0;
    long nextSlot = 0;
    long droppedUpTo = -1;

    // Shared with the encoder.
    mutable std::mutex mutex;
    std::condition_variable ready;
    std::deque<std::unique_ptr<Image>> queue;
    bool ending = false;
    Tally tally;
    std::string failure;
    bool failed = false;
    std::thread encoder;

    // The encoder's own.
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    AVStream* stream = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    SwsContext* scaler = nullptr;
    bool haveFrame = false;
};
